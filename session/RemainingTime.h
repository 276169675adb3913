#pragma once
#include <string>

#include "base/Clock.h"

// A span split by truncating division; minutes are not carried into hours.
struct SpanParts {
    int64_t days = 0;
    int64_t hours = 0;
    int64_t minutes = 0;
};

SpanParts SplitSpan(Seconds span);

constexpr const char* kTooltipIdle = "Hushwall!";
constexpr const char* kTooltipZero = "Hushwall!\nDays: 0 Hours: 0 Minutes: 0";
constexpr const char* kTooltipClockChanged = "Hushwall!\nYou've changed the system time.";
constexpr const char* kTooltipUnderMinute = "Hushwall!\nLess than one minute.";

// "Hushwall!\nDays: %ld Hours: %ld Minutes: %ld".
std::string TimeLeftText(const SpanParts& parts);

// The tooltip when the icon is added: truncated minutes, at least one minute;
// the zero text when the end lies in the past.
std::string TrayStartTooltip(Seconds endTime, Seconds now);

// The tooltip of a session tick: minutes rounded up from 30 leftover seconds.
std::string TickTooltip(Seconds endTime, Seconds now);
