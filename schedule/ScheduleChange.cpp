#include "schedule/ScheduleChange.h"

#include <algorithm>
#include <bitset>

#include "base/Text.h"
#include "schedule/ScheduleFile.h"
#include "schedule/ScheduleTime.h"

namespace {

constexpr int kMinutesPerDay = 24 * 60;
constexpr int kMinutesPerWeek = 7 * kMinutesPerDay;

using WeekMinutes = std::bitset<kMinutesPerWeek>;

// The minutes of the week the block's runs cover on the wall clock, Monday
// 00:00 first; a run through Sunday midnight wraps to Monday. Since both
// blocks map the wall clock to moments alike, covering here is covering in time.
WeekMinutes MinutesOf(const ScheduleBlock& b) {
    WeekMinutes minutes;
    int length = b.toMinute - b.fromMinute;
    if (length <= 0)
        length += kMinutesPerDay;
    for (int day = 0; day < 7; ++day) {
        if (!((b.days >> day) & 1))
            continue;
        const int start = day * kMinutesPerDay + b.fromMinute;
        for (int m = start; m < start + length; ++m)
            minutes.set(m % kMinutesPerWeek);
    }
    return minutes;
}

bool HoldsAll(const EntryList& newer, const EntryList& older) {
    return std::all_of(older.begin(), older.end(), [&](const ListEntry& old) {
        return std::any_of(newer.begin(), newer.end(), [&](const ListEntry& e) {
            return PathsEqualNoCase(e.target, old.target);
        });
    });
}

EditResult Refuse(const Schedule& saved, EditOutcome why) {
    return {why, saved};
}

}  // namespace

bool BlocksAtLeastAsMuch(const ScheduleBlock& newer, const ScheduleBlock& older) {
    const WeekMinutes old = MinutesOf(older);
    return (old & ~MinutesOf(newer)).none() && HoldsAll(newer.programs, older.programs) &&
           HoldsAll(newer.websites, older.websites);
}

EditResult ApplyScheduleEdit(const Schedule& saved, const ScheduleEdit& edit, Seconds now) {
    ScheduleBlock fresh = edit.block;
    fresh.until = 0;
    if (edit.kind != ScheduleEdit::Delete && !ValidScheduleBlock(fresh))
        return Refuse(saved, EditOutcome::Invalid);

    Schedule next = saved;
    EditOutcome outcome = EditOutcome::AtOnce;
    if (edit.kind == ScheduleEdit::Add) {
        next.push_back(std::move(fresh));
    } else {
        if (edit.index >= saved.size())
            return Refuse(saved, EditOutcome::Invalid);
        const ScheduleBlock& old = saved[edit.index];
        if (old.until != 0)
            return Refuse(saved, EditOutcome::Retired);
        const auto at = next.begin() + static_cast<std::ptrdiff_t>(edit.index);
        if (edit.kind == ScheduleEdit::Modify && BlocksAtLeastAsMuch(fresh, old)) {
            *at = std::move(fresh);
        } else {
            outcome = EditOutcome::AfterADay;
            at->until = now + kLoosenDelay;
            if (edit.kind == ScheduleEdit::Modify)
                next.insert(at, std::move(fresh));
        }
    }

    DropSpentBlocks(next, now);
    if (!ScheduleFits(next))
        return Refuse(saved, EditOutcome::Invalid);
    return {outcome, std::move(next)};
}
