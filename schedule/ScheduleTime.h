#pragma once
#include <limits>
#include <optional>
#include <string>
#include <unordered_set>

#include "base/Clock.h"
#include "schedule/ScheduleBlock.h"

// A block's days and hours are read on the local wall clock. A wall-clock time
// stands for the first moment at which the clock reads it or later: a time in
// the hour skipped when daylight saving starts is the moment of the jump, a
// time in the hour repeated when it ends is its first pass.

// One run of a block, from its start (included) to its end (excluded).
struct Occurrence {
    Seconds start = 0;
    Seconds end = 0;
};

// False for a retired block once its `until` has come: it counts for nothing.
bool BlockInForce(const ScheduleBlock& block, Seconds now);
// Drops those blocks; true when any went.
bool DropSpentBlocks(Schedule& schedule, Seconds now);

// The occurrence of the block that contains `now`, if any.
std::optional<Occurrence> OccurrenceAt(const ScheduleBlock& block, Seconds now);

// The first start of the block later than `now`; nothing once it never starts again.
std::optional<Seconds> NextStart(const ScheduleBlock& block, Seconds now);

// What the schedule blocks at a moment: every entry of every occurrence that
// contains it (each target once, all ticked), until the latest of their ends.
struct ScheduledSession {
    EntryList programs;
    EntryList websites;
    Seconds end = 0;
};

constexpr Seconds kNoMoment = std::numeric_limits<Seconds>::min();

// Occurrences that started at or before `skipStartedBy` are left out: the
// access key ended the session they started, and they do not start it again.
std::optional<ScheduledSession> SessionAt(const Schedule& schedule, Seconds now,
                                          Seconds skipStartedBy = kNoMoment);

// The next moment after `now` at which SessionAt can give something new: the
// next start of any block, or the moment a retired block stops counting.
std::optional<Seconds> NextChange(const Schedule& schedule, Seconds now);

// Grows a list by the entries whose targets (letters folded) it lacks, ticked.
class EntryUnion {
public:
    explicit EntryUnion(EntryList& list);
    void Add(const EntryList& from);

private:
    EntryList& m_list;
    std::unordered_set<std::string> m_seen;
};
