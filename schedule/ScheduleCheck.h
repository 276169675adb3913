#pragma once
#include <cstdint>
#include <optional>

#include "schedule/ScheduleTime.h"

// The session that runs when the schedule is checked.
struct RunningSession {
    EntryList programs;
    EntryList websites;
    Seconds end = 0;  // kEndless for a session without end
};

constexpr Seconds kEndless = std::numeric_limits<Seconds>::max();

struct ScheduleCheck {
    // A session must start now, or the running one take more entries or a later end.
    bool startOrExtend = false;
    // The whole session then: the running one's entries first, then the blocks'
    // it lacks, until the later of the two ends. Never shorter than the running one.
    EntryList programs;
    EntryList websites;
    Seconds end = 0;
    // When to check again: the next change of the schedule; nothing when it
    // will never start anything.
    std::optional<Seconds> next;
};

// `keyEndedAt`: when the access key last ended a session (kNoMoment if never);
// runs that had started by then do not start another session.
ScheduleCheck CheckSchedule(const Schedule& schedule, Seconds now, const RunningSession* running,
                            Seconds keyEndedAt = kNoMoment);

// Milliseconds for the one-shot timer to `next`: at least a second, and at
// most kLongestCheckWaitMs, so a changed clock or a sleep is caught without a
// poll. 0 for no timer.
constexpr uint32_t kLongestCheckWaitMs = 15 * 60 * 1000;
uint32_t CheckTimerDelay(Seconds now, std::optional<Seconds> next);
