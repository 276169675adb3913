#pragma once
#include <cstdint>
#include <vector>

#include "lists/ListEntry.h"

// Days of the week as bits, Monday first, as the Schedule page lists them.
enum Weekday : uint8_t {
    kMonday = 1 << 0,
    kTuesday = 1 << 1,
    kWednesday = 1 << 2,
    kThursday = 1 << 3,
    kFriday = 1 << 4,
    kSaturday = 1 << 5,
    kSunday = 1 << 6,
};
constexpr uint8_t kEveryDay = 0x7F;

// One recurring block: on each of its days, from `fromMinute` to `toMinute`
// (minutes after local midnight, 0 to 1439). A "to" not after the "from" runs
// through midnight into the next day. It keeps its own copy of what it blocks,
// taken when it was saved; every entry it holds is blocked.
struct ScheduleBlock {
    uint8_t days = 0;
    int fromMinute = 0;
    int toMinute = 0;
    EntryList programs;
    EntryList websites;
    // 0 for a block in force; else the moment (seconds since 1970, UTC) at
    // which a block that was deleted or loosened stops starting sessions.
    int64_t until = 0;
};

using Schedule = std::vector<ScheduleBlock>;
