#include "session/SessionRecord.h"

#include <cstdio>
#include <cstdlib>

#include "session/LocalTime.h"

std::string FormatSessionRecord(Seconds endTime) {
    LocalFields local = ToLocalFields(endTime);
    char text[64];
    std::snprintf(text, sizeof(text), "%d %d %d %d %d", local.year, local.month, local.day,
                  local.hour, local.minute);
    return text;
}

StoredSession ParseSessionRecord(const std::string& record) {
    StoredSession stored;
    if (record.empty())
        return stored;
    if (record == kUnboundedRecord) {
        stored.kind = StoredSession::Unbounded;
        return stored;
    }
    // As "%d %d %d %d %d" reads it, but without scanf's undefined overflow.
    long numbers[5] = {};
    const char* p = record.c_str();
    for (long& number : numbers) {
        char* end = nullptr;
        number = std::strtol(p, &end, 10);
        if (end == p)
            break;
        p = end;
    }
    stored.kind = StoredSession::Until;
    // Numbers far out of range cannot come from a record we wrote; such a
    // record resumes as an ended session rather than feed the library's
    // arithmetic values it may overflow on.
    auto within = [](long value, long low, long high) { return value >= low && value <= high; };
    if (!within(numbers[0], 1900, 9999) || !within(numbers[1], -1200, 1200) ||
        !within(numbers[2], -40000, 40000) || !within(numbers[3], -100000, 100000) ||
        !within(numbers[4], -1000000, 1000000))
        return stored;
    LocalFields local;
    local.year = static_cast<int>(numbers[0]);
    local.month = static_cast<int>(numbers[1]);
    local.day = static_cast<int>(numbers[2]);
    local.hour = static_cast<int>(numbers[3]);
    local.minute = static_cast<int>(numbers[4]);
    Seconds t = 0;
    if (FromLocalFields(local, t))
        stored.endTime = t;
    return stored;
}
