#include "schedule/ScheduleCheck.h"

#include <algorithm>

ScheduleCheck CheckSchedule(const Schedule& schedule, Seconds now, const RunningSession* running,
                            Seconds keyEndedAt) {
    ScheduleCheck check;
    check.next = NextChange(schedule, now);
    const std::optional<ScheduledSession> due = SessionAt(schedule, now, keyEndedAt);
    if (running) {
        check.programs = running->programs;
        check.websites = running->websites;
        check.end = running->end;
    }
    if (!due)
        return check;

    const size_t had = check.programs.size() + check.websites.size();
    EntryUnion(check.programs).Add(due->programs);
    EntryUnion(check.websites).Add(due->websites);
    check.end = running ? std::max(check.end, due->end) : due->end;
    check.startOrExtend = !running || check.end != running->end ||
                          check.programs.size() + check.websites.size() != had;
    return check;
}

uint32_t CheckTimerDelay(Seconds now, std::optional<Seconds> next) {
    if (!next)
        return 0;
    const Seconds wait = std::clamp<Seconds>(*next - now, 1, kLongestCheckWaitMs / 1000);
    return static_cast<uint32_t>(wait * 1000);
}
