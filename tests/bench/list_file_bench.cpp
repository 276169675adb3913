#include <unistd.h>

#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "lists/ListFile.h"

namespace {

// 10,000 entries shaped like a real list: paths of 40-60 bytes, names of ~15.
EntryList MakeList() {
    EntryList list;
    for (int i = 0; i < 10000; ++i) {
        std::string n = std::to_string(i);
        const std::string target =
            "C:\\Program Files\\Vendor " + n + "\\Application\\app" + n + ".exe";
        list.push_back({target, "Application " + n, i % 3 != 0});
    }
    return list;
}

std::string BenchPath() {
    return "/tmp/hushwall-bench-" + std::to_string(getpid()) + ".lst";
}

void BM_SaveEntryList(benchmark::State& state) {
    const EntryList list = MakeList();
    const std::string path = BenchPath();
    for (auto _ : state) {
        if (!SaveEntryList(path, list))
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * int64_t(EncodeEntryList(list).size()));
    std::remove(path.c_str());
}
BENCHMARK(BM_SaveEntryList)->Unit(benchmark::kMicrosecond);

void BM_LoadEntryList(benchmark::State& state) {
    const EntryList list = MakeList();
    const std::string path = BenchPath();
    if (!SaveEntryList(path, list)) {
        state.SkipWithError("save failed");
        return;
    }
    EntryList loaded;
    for (auto _ : state) {
        if (!LoadEntryList(path, loaded) || loaded.size() != list.size())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(loaded.data());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(EncodeEntryList(list).size()));
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadEntryList)->Unit(benchmark::kMicrosecond);

}  // namespace
