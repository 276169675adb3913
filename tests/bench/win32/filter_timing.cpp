// Times "Hushwall NOW!" with 200 ticked websites, site-1.bench.example to
// site-200.bench.example, up to the start code reaching the filter service (the
// recording build, whose journal lines carry the performance counter, shared by
// all processes), and how long a blocked program started as the window hides
// lives. Runs as many sessions as asked (default 5) and prints each and the
// medians; a second argument sets the number of websites, a third the
// Hushwall.exe to measure (default: the one beside this program). Meant for a
// name server of its own (scripts/bench.sh filter).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/Driver.h"
#include "lists/ListFile.h"
#include "win32/filter/Journal.h"

namespace {

constexpr int kBlockNow = 1000, kMinutes = 1005;
int g_sites = 200;
std::string g_program;

// The same clock and unit as the journal's stamps.
long long NowMicros() {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return now.QuadPart / frequency.QuadPart * 1000000 +
           now.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

long long FileTimeMicros(const FILETIME& t) {
    return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10;
}

struct Run {
    double hiddenMs = -1;   // the window gone to the tray: the session begins
    double loggedMs = -1;   // default.log written: every name resolved
    double startMs = -1;    // the start code's transaction begins in the service
    double committedMs = -1;
    double blockedEndedMs = -1;  // the blocked program, started once the window hid
    size_t filters = 0;
};

bool OneRun(const std::string& tool, Run& run) {
    const std::string journalPath = InstalledJournalPath();
    e2e::RunTool(tool, "--uninstall");
    ::DeleteFileA(journalPath.c_str());
    e2e::ForgetSession("Hushwall");

    const std::string folder = e2e::FreshFolder("hw-filter-timing");
    const std::string exe = folder + "Hushwall.exe";
    EntryList sites;
    for (int i = 1; i <= g_sites; ++i)
        sites.push_back({"http://site-" + std::to_string(i) + ".bench.example/", "Site " + std::to_string(i), true});
    const std::string blocked = folder + "blocked.exe";
    if (!::CopyFileA(g_program.c_str(), exe.c_str(), FALSE) ||
        !::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), blocked.c_str(), FALSE) ||
        !SaveEntryList(folder + "default.apps", {{blocked, "Blocked", true}}) ||
        !SaveEntryList(folder + "default.webs", sites) ||
        e2e::RunTool(tool, "--install \"" + exe + "\"") != 0 ||
        !e2e::WaitUntil([] { return ::WaitNamedPipeA("\\\\.\\pipe\\HushwallFilter", 100) != FALSE; }, 30000)) {
        std::fprintf(stderr, "the recording service could not be installed\n");
        return false;
    }

    e2e::Program program;
    if (!e2e::Start(exe, program))
        return false;
    HWND main = e2e::WaitFor([&] { return e2e::FindWindowOf(program.pid, "Hushwall!", "#32770"); }, 10000);
    bool ok = main && e2e::WaitUntil([&] { return !e2e::FindCaptionless(program.pid); }, 6000);
    if (ok) {
        e2e::SetText(::GetDlgItem(main, kMinutes), "5");
        FILETIME wallAtPress;
        ::GetSystemTimeAsFileTime(&wallAtPress);
        const long long pressed = NowMicros();
        e2e::Click(::GetDlgItem(main, kBlockNow));
        std::vector<JournalLine> journal;
        e2e::Program game;
        ok = e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 300000) && e2e::Start(blocked, game);
        const long long gameStarted = NowMicros();
        run.hiddenMs = (gameStarted - pressed) / 1000.0;
        if (ok && game.WaitEnd(300000))
            run.blockedEndedMs = (NowMicros() - gameStarted) / 1000.0;
        game.Kill();
        ok = ok && e2e::WaitUntil(
            [&] {
                journal = ReadJournal(journalPath);
                return std::any_of(journal.begin(), journal.end(),
                                   [](const JournalLine& l) { return l.text == "commit"; });
            },
            300000);
        for (const JournalLine& line : journal) {
            if (line.text == "begin" && run.startMs < 0)
                run.startMs = (line.micros - pressed) / 1000.0;
            if (line.text == "commit" && run.committedMs < 0)
                run.committedMs = (line.micros - pressed) / 1000.0;
            if (line.text.compare(0, 4, "add ") == 0)
                ++run.filters;
        }
        WIN32_FILE_ATTRIBUTE_DATA log = {};
        if (::GetFileAttributesExA((folder + "default.log").c_str(), GetFileExInfoStandard, &log))
            run.loggedMs = (FileTimeMicros(log.ftLastWriteTime) - FileTimeMicros(wallAtPress)) / 1000.0;
    }
    program.Kill();
    e2e::ForgetSession("Hushwall");
    e2e::RunTool(tool, "--uninstall");
    return ok;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (argc > 2)
        g_sites = std::max(1, std::atoi(argv[2]));
    g_program = argc > 3 ? argv[3] : e2e::OwnFolder() + "Hushwall.exe";
    const std::string tool = e2e::OwnFolder() + "HushwallFilterTest.exe";
    std::vector<double> hidden, logged, started, committed, ended;
    for (int i = 0; i < runs; ++i) {
        Run run;
        if (!OneRun(tool, run)) {
            std::printf("run %d: no start reached the service\n", i + 1);
            return 1;
        }
        std::printf("run %d: window hidden %.0f ms, names resolved and logged %.0f ms, start code at the service %.0f ms, "
                    "%u filters committed %.0f ms after the press; the blocked program lived %.0f ms\n",
                    i + 1, run.hiddenMs, run.loggedMs, run.startMs, static_cast<unsigned>(run.filters), run.committedMs,
                    run.blockedEndedMs);
        hidden.push_back(run.hiddenMs);
        logged.push_back(run.loggedMs);
        started.push_back(run.startMs);
        committed.push_back(run.committedMs);
        ended.push_back(run.blockedEndedMs);
    }
    std::printf("%s, %d websites, medians of %d runs: hidden %.0f ms, logged %.0f ms, start code %.0f ms, committed %.0f ms, "
                "blocked program lived %.0f ms\n",
                g_program.c_str(), g_sites, runs, Median(hidden), Median(logged), Median(started), Median(committed),
                Median(ended));
    return 0;
}
