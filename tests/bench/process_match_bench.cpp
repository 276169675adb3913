#include <benchmark/benchmark.h>

#include "programs/ProcessMatch.h"

namespace {

// 1024 processes, a few of them blocked, against 200 blocked paths of realistic length.
void BM_FindBlockedProcesses(benchmark::State& state) {
    const int processes = static_cast<int>(state.range(0));
    const int blocked = static_cast<int>(state.range(1));
    ProcessSnapshot snapshot;
    for (int i = 0; i < processes; ++i) {
        ProcessRecord record;
        record.pid = static_cast<uint32_t>(4 * (i + 1));
        record.imagePaths.push_back("C:\\Program Files\\Vendor " + std::to_string(i % 97) +
                                    "\\Application\\program" + std::to_string(i) + ".exe");
        snapshot.push_back(record);
    }
    std::vector<std::string> paths;
    for (int i = 0; i < blocked; ++i)
        paths.push_back("C:\\PROGRAM FILES\\VENDOR " + std::to_string(i % 97) + "\\APPLICATION\\PROGRAM" +
                        std::to_string(i * 5) + ".EXE");
    size_t found = 0;
    for (auto _ : state) {
        std::vector<uint32_t> ids = FindBlockedProcesses(snapshot, paths);
        found = ids.size();
        benchmark::DoNotOptimize(ids.data());
    }
    state.counters["ended"] = static_cast<double>(found);
}
BENCHMARK(BM_FindBlockedProcesses)->Args({1024, 200})->Args({100, 20})->Unit(benchmark::kMicrosecond);

}  // namespace
