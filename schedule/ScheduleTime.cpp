#include "schedule/ScheduleTime.h"

#include <algorithm>

#include "base/Text.h"
#include "session/LocalTime.h"

namespace {

constexpr int64_t kDay = 24 * 60 * 60;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// The local wall clock at `t`, counted like UTC seconds, so that a wall time
// minus this is the zone's offset.
int64_t WallClock(Seconds t) {
    const LocalFields f = ToLocalFields(t);
    return DaysFromCivil(f.year, f.month, f.day) * kDay + f.hour * 3600 + f.minute * 60 + f.second;
}

// Monday is 0; 1970-01-01 was a Thursday.
int WeekdayOf(int64_t day) {
    return static_cast<int>(day + 3 - FloorDiv(day + 3, 7) * 7);
}

// The first moment at which the wall clock reads `wall` or later. The offsets
// a day either side cover every moment the clock can read it (zones are within
// 14 hours of UTC), assuming at most one change of offset in those two days.
// mktime is not used: C libraries differ on skipped and repeated hours.
Seconds FirstMomentAtWall(int64_t wall) {
    const int64_t before = WallClock(wall - kDay) - (wall - kDay);
    const int64_t after = WallClock(wall + kDay) - (wall + kDay);
    Seconds lo = wall - std::max(before, after);
    Seconds hi = wall - std::min(before, after);
    if (WallClock(lo) >= wall)
        return lo;
    if (WallClock(hi) < wall)
        return hi;
    // The clock only runs forward between the two: either it jumped over
    // `wall` there, or `wall` comes after a change back. Search.
    while (hi - lo > 1) {
        const Seconds mid = lo + (hi - lo) / 2;
        (WallClock(mid) >= wall ? hi : lo) = mid;
    }
    return hi;
}

bool RunsOn(const ScheduleBlock& block, int64_t day) {
    return (block.days >> WeekdayOf(day)) & 1;
}

// The run that begins on local day `day`; a "to" not after the "from" ends the next day.
Occurrence OccurrenceOn(const ScheduleBlock& block, int64_t day) {
    const int64_t endDay = block.toMinute <= block.fromMinute ? day + 1 : day;
    return {FirstMomentAtWall(day * kDay + block.fromMinute * 60),
            FirstMomentAtWall(endDay * kDay + block.toMinute * 60)};
}

int64_t LocalDay(Seconds t) {
    return FloorDiv(WallClock(t), kDay);
}

}  // namespace

bool BlockInForce(const ScheduleBlock& block, Seconds now) {
    return block.until == 0 || now < block.until;
}

bool DropSpentBlocks(Schedule& schedule, Seconds now) {
    const size_t before = schedule.size();
    schedule.erase(std::remove_if(schedule.begin(), schedule.end(),
                                  [&](const ScheduleBlock& b) { return !BlockInForce(b, now); }),
                   schedule.end());
    return schedule.size() != before;
}

std::optional<Occurrence> OccurrenceAt(const ScheduleBlock& block, Seconds now) {
    if (!BlockInForce(block, now))
        return std::nullopt;
    // A run lasts at most a day and an hour, so it began today, yesterday or,
    // around a jump at midnight, the day before.
    const int64_t today = LocalDay(now);
    for (int64_t day = today - 2; day <= today; ++day) {
        if (!RunsOn(block, day))
            continue;
        const Occurrence o = OccurrenceOn(block, day);
        if (o.start <= now && now < o.end)
            return o;
    }
    return std::nullopt;
}

std::optional<Seconds> NextStart(const ScheduleBlock& block, Seconds now) {
    if (!BlockInForce(block, now))
        return std::nullopt;
    // Two weeks: a week's run may fall wholly into a skipped hour.
    const int64_t today = LocalDay(now);
    for (int64_t day = today - 1; day <= today + 15; ++day) {
        if (!RunsOn(block, day))
            continue;
        const Occurrence o = OccurrenceOn(block, day);
        // A run that falls wholly into a skipped hour has no length and starts nothing.
        if (o.start <= now || o.start == o.end)
            continue;
        if (block.until != 0 && o.start >= block.until)
            return std::nullopt;
        return o.start;
    }
    return std::nullopt;
}

EntryUnion::EntryUnion(EntryList& list) : m_list(list) {
    for (const ListEntry& e : list)
        m_seen.insert(FoldedCase(e.target));
}

void EntryUnion::Add(const EntryList& from) {
    for (const ListEntry& e : from) {
        if (m_seen.insert(FoldedCase(e.target)).second) {
            m_list.push_back(e);
            m_list.back().checked = true;
        }
    }
}

std::optional<ScheduledSession> SessionAt(const Schedule& schedule, Seconds now,
                                          Seconds skipStartedBy) {
    ScheduledSession session;
    EntryUnion programs(session.programs), websites(session.websites);
    bool any = false;
    for (const ScheduleBlock& block : schedule) {
        const std::optional<Occurrence> o = OccurrenceAt(block, now);
        if (!o || o->start <= skipStartedBy)
            continue;
        programs.Add(block.programs);
        websites.Add(block.websites);
        session.end = any ? std::max(session.end, o->end) : o->end;
        any = true;
    }
    if (!any)
        return std::nullopt;
    return session;
}

std::optional<Seconds> NextChange(const Schedule& schedule, Seconds now) {
    std::optional<Seconds> next;
    auto consider = [&](Seconds t) {
        if (!next || t < *next)
            next = t;
    };
    for (const ScheduleBlock& block : schedule) {
        if (const std::optional<Seconds> start = NextStart(block, now))
            consider(*start);
        if (block.until != 0 && now < block.until)
            consider(block.until);
    }
    return next;
}
