// Times the two process snapshots (every process's modules read, or names
// first and paths only where a name matches) and one sweep, as the 800 ms
// timer runs it, with as many helper processes running as asked (default 50).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "e2e/Driver.h"
#include "programs/ProcessPlatform_win.h"

namespace {

class NoWindow : public WatcherHost {
public:
    bool HasMainWindow() override { return false; }
    void HideMainWindow() override {}
    void StartNotice() override {}
};

double Ms(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
    return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
    const size_t total = argc > 1 ? static_cast<size_t>(std::atoi(argv[1])) : 50;
    const std::string helper = e2e::OwnFolder() + "sleeper.exe";
    std::vector<e2e::Program> helpers(total);
    const std::vector<std::string> blocked = {"C:\\Program Files\\Not\\running.exe"};
    size_t running = TakeProcessSnapshot(blocked).size();
    for (size_t i = 0; running < total && i < helpers.size(); ++i, ++running)
        e2e::Start(helper, helpers[i]);
    ::Sleep(1500);

    SystemProcesses system;
    NoWindow host;
    std::atomic<bool> notice{false};
    ProcessWatcher watcher(system, host, notice);
    watcher.Start(blocked);

    LARGE_INTEGER freq, a, b;
    ::QueryPerformanceFrequency(&freq);
    std::vector<double> fullMs, snapshotMs, sweepMs;
    size_t seen = 0;
    for (int round = 0; round < 20; ++round) {
        Win32NtProcessApi api;
        ::QueryPerformanceCounter(&a);
        TakeNtSnapshot(api);
        ::QueryPerformanceCounter(&b);
        fullMs.push_back(Ms(a, b, freq));
        ::QueryPerformanceCounter(&a);
        seen = TakeProcessSnapshot(blocked).size();
        ::QueryPerformanceCounter(&b);
        snapshotMs.push_back(Ms(a, b, freq));
        ::QueryPerformanceCounter(&a);
        watcher.Sweep();
        ::QueryPerformanceCounter(&b);
        sweepMs.push_back(Ms(a, b, freq));
    }
    std::sort(fullMs.begin(), fullMs.end());
    std::sort(snapshotMs.begin(), snapshotMs.end());
    std::sort(sweepMs.begin(), sweepMs.end());
    std::printf("processes listed: %u\n", static_cast<unsigned>(seen));
    std::printf("every process's modules: median %.2f ms, min %.2f ms, max %.2f ms\n", fullMs[10], fullMs[0], fullMs[19]);
    std::printf("names, then paths where they match: median %.2f ms, min %.2f ms, max %.2f ms\n", snapshotMs[10], snapshotMs[0], snapshotMs[19]);
    std::printf("sweep (snapshot + match, nothing to end): median %.2f ms, min %.2f ms, max %.2f ms\n",
                sweepMs[10], sweepMs[0], sweepMs[19]);
    for (auto& h : helpers)
        h.Kill();
    return 0;
}
