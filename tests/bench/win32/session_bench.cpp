// The session measurements' Windows side, driven by scripts/bench.sh:
//   prepare FOLDER BLOCKED  a default list in FOLDER that blocks BLOCKED, and a stored
//                           session without end, so Hushwall.exe there resumes it
//   forget                  removes the stored session
//   idle                    waits for ever (a background process)
//   latency BLOCKED N       starts BLOCKED N times at random moments and prints how
//                           long each took to be ended, and median, p95 and maximum
//   firststart EXE          starts EXE (a folder without lists) and prints how long its
//                           main window took to appear, then closes it
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "e2e/Driver.h"
#include "lists/ListFile.h"
#include "schedule/ScheduleFile.h"
#include "session/SessionRecord.h"

namespace {

constexpr const char* kApp = "Hushwall";

double NowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

int Latency(const std::string& blocked, int runs) {
    std::mt19937 random(12345);
    // A uniform start phase against the 800 ms sweep.
    std::uniform_int_distribution<int> pause(0, 799);
    std::vector<double> samples;
    int survived = 0;
    for (int i = 0; i < runs; ++i) {
        ::Sleep(static_cast<DWORD>(pause(random)));
        e2e::Program program;
        if (!e2e::Start(blocked, program)) {
            std::fprintf(stderr, "cannot start %s\n", blocked.c_str());
            return 1;
        }
        const double started = NowMs();
        if (!program.WaitEnd(5000)) {
            ++survived;
            program.Kill();
            continue;
        }
        samples.push_back(NowMs() - started);
    }
    if (samples.empty()) {
        std::printf("latency: none of %d runs was ended within 5 s\n", runs);
        return 1;
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[std::min(samples.size() - 1, static_cast<size_t>(q * samples.size()))];
    };
    std::printf("latency ms over %u runs: median %.0f, p95 %.0f, max %.0f, min %.0f",
                static_cast<unsigned>(samples.size()), at(0.5), at(0.95), samples.back(),
                samples.front());
    if (survived)
        std::printf(", %d not ended within 5 s", survived);
    std::printf("\nsamples:");
    for (double s : samples)
        std::printf(" %.0f", s);
    std::printf("\n");
    return 0;
}

int FirstStart(const std::string& exe) {
    e2e::Program program;
    if (!e2e::Start(exe, program))
        return 1;
    const double started = NowMs();
    HWND main = e2e::WaitFor(
        [&] { return e2e::FindWindowOf(program.pid, "Hushwall!", "#32770"); }, 300000);
    const double shown = NowMs();
    if (!main) {
        std::printf("first start: no main window within 300 s\n");
        program.Kill();
        return 1;
    }
    std::printf("first start: main window after %.2f s\n", (shown - started) / 1000.0);
    ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    if (!program.WaitEnd(10000))
        program.Kill();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "idle") {
        ::Sleep(INFINITE);
        return 0;
    }
    if (mode == "forget") {
        e2e::ForgetSession(kApp);
        return 0;
    }
    if (mode == "prepare" && argc == 4) {
        std::string folder = argv[2];
        if (!folder.empty() && folder.back() != '\\')
            folder += '\\';
        if (!SaveEntryList(folder + "default.apps", {{argv[3], "Blocked", true}}))
            return 1;
        e2e::StoreSessionRecord(kApp, kUnboundedRecord);
        return 0;
    }
    if (mode == "schedule" && argc == 3) {
        // One block every day, half a day from now: Hushwall waits for it.
        std::string folder = argv[2];
        if (!folder.empty() && folder.back() != '\\')
            folder += '\\';
        SYSTEMTIME local = {};
        ::GetLocalTime(&local);
        const int from = (local.wHour * 60 + local.wMinute + 720) % 1440;
        const ScheduleBlock block{kEveryDay, from, (from + 60) % 1440, {{"C:\\x.exe", "X", true}},
                                  {},        0};
        return SaveSchedule(folder + kScheduleFileName, {block}) ? 0 : 1;
    }
    if (mode == "firststart" && argc == 3)
        return FirstStart(argv[2]);
    if (mode == "latency" && argc == 4)
        return Latency(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr,
                 "usage: session_bench idle | forget | prepare FOLDER BLOCKED | schedule FOLDER | "
                 "latency BLOCKED N | firststart EXE\n");
    return 2;
}
