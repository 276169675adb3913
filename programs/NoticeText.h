#pragma once
#include <string>

#include "base/Clock.h"

// "2 Days 3 Hours 15 Minutes": minutes rounded up from 30 leftover seconds and
// not carried into the hours; each part keeps its trailing blank.
std::string FormatRemainingTime(Seconds left);

// What the blocked-program notice says: the time left, or that only the key
// ends the session (the clock was changed, or the end has passed and the
// session's next tick has not yet ended it).
std::string NoticeText(Seconds now, Seconds endTime, bool timeChanged);

constexpr const char* kUntilKeyText = "<Until you enter the 32-letter key.>";
