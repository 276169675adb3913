#pragma once
#include <cstddef>

#include "base/Clock.h"
#include "schedule/ScheduleBlock.h"

// How long a change that blocks less waits before it takes effect.
constexpr Seconds kLoosenDelay = 24 * 60 * 60;

struct ScheduleEdit {
    enum Kind { Add, Modify, Delete };
    Kind kind = Add;
    size_t index = 0;     // the block modified or deleted
    ScheduleBlock block;  // the new block, for Add and Modify
};

enum class EditOutcome {
    AtOnce,     // it blocks only more
    AfterADay,  // the old block stays in force, retired, for kLoosenDelay
    Retired,    // refused: the block is already retired and runs out by itself
    Invalid,    // refused: no such block, or the new one is out of range or too large to save
};

struct EditResult {
    EditOutcome outcome = EditOutcome::Invalid;
    Schedule schedule;  // what to save; on a refusal the saved schedule, unchanged
};

// True when every moment of every run of `older` lies within a run of `newer`
// and `newer` holds every entry of `older` (targets compared with letters folded).
bool BlocksAtLeastAsMuch(const ScheduleBlock& newer, const ScheduleBlock& older);

// The schedule to save after one edit at `now`. A loosening modify keeps the
// retired copy right after the new block, in the old block's place. Blocks
// whose `until` has come are dropped.
EditResult ApplyScheduleEdit(const Schedule& saved, const ScheduleEdit& edit, Seconds now);
