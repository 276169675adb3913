#pragma once
#include <string>

#include "base/Clock.h"

// The stored session: "" for none, "-" for one without end (the clock was
// changed), or "year month day hour minute" of the end in local time.
constexpr const char* kUnboundedRecord = "-";

// Where the record is kept in the settings store.
constexpr const char* kSessionSection = "BlockingSectionInfo";
constexpr const char* kSessionEntry = "BlockingEntryInfo";

std::string FormatSessionRecord(Seconds endTime);

struct StoredSession {
    enum Kind { None, Unbounded, Until };
    Kind kind = None;
    Seconds endTime = 0;  // for Until; seconds are 0
};

// Numbers that cannot be read count as 0. A record that names no representable
// local time resumes as a session that has already ended.
StoredSession ParseSessionRecord(const std::string& record);
