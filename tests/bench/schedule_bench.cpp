#include <cstdlib>
#include <ctime>

#include <benchmark/benchmark.h>

#include "schedule/ScheduleCheck.h"

namespace {

// One check as the waiting program makes it, over the largest schedule the file
// takes, in a zone with daylight saving: what each wake-up of its timer costs.
void BM_CheckSchedule(benchmark::State& state) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    Schedule schedule(static_cast<size_t>(state.range(0)));
    for (size_t i = 0; i < schedule.size(); ++i) {
        schedule[i].days = static_cast<uint8_t>(1 + i % 127);
        schedule[i].fromMinute = static_cast<int>(i * 37 % 1440);
        schedule[i].toMinute = static_cast<int>(i * 91 % 1440);
        schedule[i].programs = {{"C:\\Program Files\\Game\\game" + std::to_string(i) + ".exe", ""}};
    }
    Seconds now = 1796811340;  // 2026-12-09 10:15:40 UTC
    for (auto _ : state) {
        benchmark::DoNotOptimize(CheckSchedule(schedule, now, nullptr));
        now += 600;
    }
}
BENCHMARK(BM_CheckSchedule)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace
