#pragma once
#include <string>

#include "session/Clock.h"

// The stored session: "" for none, "-" for one without end (the clock was
// changed), or "year month day hour minute" of the end in local time.
constexpr const char* kUnboundedRecord = "-";

std::string FormatSessionRecord(Seconds endTime);

struct StoredSession {
    enum Kind { None, Unbounded, Until };
    Kind kind = None;
    Seconds endTime = 0;  // for Until; seconds are 0
};

// Numbers that cannot be read count as 0. A record that names no representable
// local time resumes as a session that has already ended.
StoredSession ParseSessionRecord(const std::string& record);
