// The process adapters and the sweep, for real: programs are started, listed and ended.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/HushwallDlg_win.h"
#include "app/MainWindowHost_win.h"
#include "app/RegistrySettings_win.h"
#include "e2e/Driver.h"
#include "programs/ProcessPlatform_win.h"
#include "programs/WatcherTimer_win.h"
#include "toolkit/App.h"

namespace {

std::string ModulePath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
    return s;
}

const ProcessRecord* FindPid(const ProcessSnapshot& snapshot, DWORD pid) {
    for (const ProcessRecord& record : snapshot)
        if (record.pid == pid)
            return &record;
    return nullptr;
}
// The record lives in the snapshot: a temporary one would leave it dangling.
const ProcessRecord* FindPid(ProcessSnapshot&&, DWORD) = delete;

using e2e::PumpUntil;

class RecordingHost : public WatcherHost {
public:
    int hides = 0;
    int notices = 0;
    bool HasMainWindow() override { return true; }
    void HideMainWindow() override { ++hides; }
    void StartNotice() override { ++notices; }
};

class ProcessWin : public ::testing::Test {
protected:
    void SetUp() override { isNTPlatform = true; }
    void TearDown() override {
        StopWatcherTimer();
        for (auto& program : m_started)
            program->Kill();
    }

    // A copy of the waiting helper, named `name`, in `folder`.
    std::string Helper(const std::string& folder, const std::string& name) {
        const std::string path = folder + name;
        EXPECT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), path.c_str(), FALSE))
            << path;
        return path;
    }
    e2e::Program& Run(const std::string& exe) {
        m_started.push_back(std::make_unique<e2e::Program>());
        EXPECT_TRUE(e2e::Start(exe, *m_started.back())) << exe;
        // Listed with its path only once its image is mapped.
        const DWORD pid = m_started.back()->pid;
        EXPECT_TRUE(e2e::WaitUntil(
            [pid, exe] {
                const ProcessSnapshot snapshot = TakeProcessSnapshot({exe});
                const ProcessRecord* record = FindPid(snapshot, pid);
                return record && !record->imagePaths.empty();
            },
            5000));
        return *m_started.back();
    }

    SystemProcesses m_system;
    RecordingHost m_host;
    std::atomic<bool> m_noticeShowing{false};
    ProcessWatcher m_watcher{m_system, m_host, m_noticeShowing};
    std::vector<std::unique_ptr<e2e::Program>> m_started;
};

TEST_F(ProcessWin, SnapshotReadsFullPathsOnlyOfNamedProcesses) {
    const std::string folder = e2e::FreshFolder("hw-named");
    const std::string exe = Helper(folder, "Named-Helper.exe");
    e2e::Program& helper = Run(exe);
    e2e::Program& other = Run(Helper(folder, "other-helper.exe"));

    // Asked by another folder and letter case: the file name is enough to read the path.
    const ProcessSnapshot snapshot = TakeProcessSnapshot({"D:\\elsewhere\\NAMED-HELPER.EXE"});
    const ProcessRecord* named = FindPid(snapshot, helper.pid);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->imagePaths, (std::vector<std::string>{exe}));
    const ProcessRecord* unnamed = FindPid(snapshot, other.pid);
    ASSERT_NE(unnamed, nullptr) << "every process is listed";
    EXPECT_TRUE(unnamed->imagePaths.empty());
    const ProcessRecord* self = FindPid(snapshot, ::GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_TRUE(self->imagePaths.empty());

    // The single-instance test asks for its own path.
    const ProcessSnapshot own = TakeProcessSnapshot({ModulePath()});
    self = FindPid(own, ::GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->imagePaths, (std::vector<std::string>{ModulePath()}));
}

TEST_F(ProcessWin, NamedAndFullSnapshotsGiveTheSamePathsForTheNamed) {
    const std::string folder = e2e::FreshFolder("hw-same");
    const std::string exe = Helper(folder, "same.exe");
    e2e::Program& helper = Run(exe);
    Win32NtProcessApi api;
    const ProcessSnapshot fullSnapshot = TakeNtSnapshot(api);
    const ProcessSnapshot namedSnapshot = TakeProcessSnapshot({exe});
    const ProcessRecord* full = FindPid(fullSnapshot, helper.pid);
    const ProcessRecord* named = FindPid(namedSnapshot, helper.pid);
    ASSERT_NE(full, nullptr);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->imagePaths, full->imagePaths);
}

TEST_F(ProcessWin, ToolhelpWalkGivesEveryProcessOneImage) {
    isNTPlatform = false;
    const ProcessSnapshot snapshot = TakeProcessSnapshot({});
    const ProcessRecord* self = FindPid(snapshot, ::GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    ASSERT_EQ(self->imagePaths.size(), 1u);
    // The walk names the executable; NT-family systems give its base name only.
    const std::string own = ModulePath();
    const std::string& seen = self->imagePaths[0];
    EXPECT_TRUE(own.size() >= seen.size() &&
                own.compare(own.size() - seen.size(), seen.size(), seen) == 0)
        << seen;
}

// The modules of a 64-bit process cannot be listed from a 32-bit one.
class ModulesRefused : public Win32NtProcessApi {
public:
    bool EnumModules(Handle, Module*, uint32_t, uint32_t*) override { return false; }
};

class FallbackProcesses : public SystemProcesses {
public:
    ProcessSnapshot TakeSnapshot(const std::vector<std::string>&) override {
        ModulesRefused api;
        return TakeNtSnapshot(api);
    }
    std::vector<uint32_t> FindBlocked(const std::vector<std::string>& blocked) override {
        return ProcessControl::FindBlocked(blocked);
    }
};

TEST_F(ProcessWin, ImagePathIsAskedDirectlyWhenModulesCannotBeListed) {
    const std::string folder = e2e::FreshFolder("hw-fallback");
    e2e::Program& program = Run(Helper(folder, "wide.exe"));

    ModulesRefused api;
    const ProcessSnapshot snapshot = TakeNtSnapshot(api);
    const ProcessRecord* self = FindPid(snapshot, ::GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->imagePaths, (std::vector<std::string>{ModulePath()}));

    FallbackProcesses fallback;
    ProcessWatcher watcher(fallback, m_host, m_noticeShowing);
    watcher.Start({folder + "wide.exe"});
    EXPECT_EQ(watcher.Sweep(), 1u);
    EXPECT_TRUE(program.WaitEnd(5000));
}

// Where the system gives no image path, the modules still do.
class QueryRefused : public Win32NtProcessApi {
public:
    std::string ImageFileName(uint32_t) override { return std::string(); }
};

// Read from this process: under Wine a child started moments ago, after other
// children came and went, can show a garbled module name for seconds.
TEST_F(ProcessWin, ModulePathIsReadWhenTheImageQueryFails) {
    const std::string own = ModulePath();
    Win32ToolhelpApi list;
    QueryRefused paths;
    const ProcessSnapshot snapshot = TakeNamedSnapshot(list, paths, {own});
    const ProcessRecord* self = FindPid(snapshot, ::GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->imagePaths, std::vector<std::string>{own});
}

TEST_F(ProcessWin, SweepEndsABlockedProgramNamedInOtherLetterCase) {
    const std::string folder = e2e::FreshFolder("hw-case");
    e2e::Program& program = Run(Helper(folder, "Distraction.exe"));
    m_watcher.Start({Upper(folder + "Distraction.exe")});
    EXPECT_EQ(m_watcher.Sweep(), 1u);
    ASSERT_TRUE(program.WaitEnd(5000));
    // Ended with the code it reported while running.
    EXPECT_EQ(program.ExitCode(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(m_host.notices, 1);
    EXPECT_EQ(m_host.hides, 1);
}

TEST_F(ProcessWin, ProgramStartedTwiceIsEndedTwiceInOneSweep) {
    const std::string folder = e2e::FreshFolder("hw-twice");
    const std::string exe = Helper(folder, "twice.exe");
    e2e::Program& first = Run(exe);
    e2e::Program& second = Run(exe);
    m_watcher.Start({exe});
    EXPECT_EQ(m_watcher.Sweep(), 2u);
    EXPECT_TRUE(first.WaitEnd(5000));
    EXPECT_TRUE(second.WaitEnd(5000));
    EXPECT_EQ(m_host.notices, 1);
}

TEST_F(ProcessWin, SameFileThroughAnotherFormOfItsPathIsEndedOnlyAsACopy) {
    const std::string folder = e2e::FreshFolder("hw-forms");
    const std::string exe = Helper(folder, "long-distraction-name.exe");
    e2e::Program& program = Run(exe);

    std::vector<std::string> otherForms;
    char shortPath[MAX_PATH] = {};
    if (::GetShortPathNameA(exe.c_str(), shortPath, MAX_PATH) && exe != shortPath)
        otherForms.push_back(shortPath);
    // Under Wine the same file is also reachable through the drive that maps the Unix root.
    using UnixNameFn = char*(CDECL*)(const WCHAR*);
    auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName) {
        std::wstring wide(exe.begin(), exe.end());
        if (char* unix = unixName(wide.c_str())) {
            std::string mapped = std::string("Z:") + unix;
            std::replace(mapped.begin(), mapped.end(), '/', '\\');
            ::HeapFree(::GetProcessHeap(), 0, unix);
            otherForms.push_back(mapped);
        }
    }
    ASSERT_FALSE(otherForms.empty()) << "no other form of " << exe;

    // The path rule does not normalise; the file is a copy of itself, though.
    EXPECT_TRUE(FindBlockedProcesses(TakeProcessSnapshot(otherForms), otherForms).empty());
    m_watcher.Start(otherForms);
    EXPECT_EQ(m_watcher.Sweep(), 1u);
    EXPECT_TRUE(program.WaitEnd(5000));
}

TEST_F(ProcessWin, CopyOfABlockedProgramIsEndedUnderAnyNameButAOneByteChangeIsNot) {
    const std::string folder = e2e::FreshFolder("hw-copies");
    const std::string elsewhere = e2e::FreshFolder("hw-copies-elsewhere");
    const std::string blocked = Helper(folder, "blocked.exe");
    e2e::Program& copy = Run(Helper(elsewhere, "innocent.exe"));

    const std::string changed = Helper(elsewhere, "lookalike.exe");
    ASSERT_TRUE(e2e::ChangeOneByte(changed));
    e2e::Program& lookalike = Run(changed);

    m_watcher.Start({blocked});
    EXPECT_EQ(m_watcher.Sweep(), 1u);
    EXPECT_TRUE(copy.WaitEnd(5000));
    EXPECT_EQ(m_watcher.Sweep(), 0u);
    EXPECT_TRUE(lookalike.Running());
    EXPECT_EQ(m_host.notices, 1);
}

TEST_F(ProcessWin, TaskManagerIsEndedByEverySessionButLeftAloneWithoutOne) {
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    const std::string taskmgr = std::string(system) + "\\taskmgr.exe";
    if (::GetFileAttributesA(taskmgr.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no " << taskmgr;

    const std::string folder = e2e::FreshFolder("hw-taskmgr");
    e2e::Program& lookalike = Run(Helper(folder, "mytaskmgr.exe"));
    e2e::Program& real = Run(taskmgr);

    // No session: nothing sweeps, both stay.
    EXPECT_FALSE(PumpUntil([&] { return !real.Running(); }, 1000));
    EXPECT_TRUE(lookalike.Running());

    // One task manager per sweep, even in a session that blocks no program.
    m_watcher.Start({});
    EXPECT_EQ(m_watcher.Sweep(), 1u);
    EXPECT_EQ(m_watcher.Sweep(), 1u);
    EXPECT_TRUE(real.WaitEnd(5000));
    EXPECT_TRUE(lookalike.WaitEnd(5000));
}

TEST_F(ProcessWin, WatcherTimerSweepsEvery800MsUntilStopped) {
    const std::string folder = e2e::FreshFolder("hw-timer");
    const std::string exe = Helper(folder, "timed.exe");
    e2e::Program& program = Run(exe);

    StartWatcherTimer(m_watcher, {exe});
    EXPECT_NE(WatcherTimerId(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return !program.Running(); }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return m_host.hides >= 3; }, 5000));

    StopWatcherTimer();
    EXPECT_EQ(WatcherTimerId(), 0u);
    EXPECT_TRUE(m_watcher.blockedPrograms().empty());
    e2e::Program& again = Run(exe);
    const int hides = m_host.hides;
    PumpUntil([] { return false; }, 1700);
    EXPECT_TRUE(again.Running());
    EXPECT_EQ(m_host.hides, hides);
}

// The application object the main-window host reaches through.
class TestApp : public CWinApp {};

TEST_F(ProcessWin, SweepHidesTheMainWindow) {
    TestApp app;
    app.m_hInstance = ::GetModuleHandleA(nullptr);
    RegistrySettings settings(kCompanyKey, "HushwallProcessTest");
    AppContext context;
    context.appName = "HushwallProcessTest";
    context.exeFolder = e2e::FreshFolder("process-dialog");
    context.settings = &settings;
    CHushwallDlg dialog(context);
    ASSERT_TRUE(dialog.Create());
    app.m_pMainWnd = &dialog;
    ::ShowWindow(dialog.GetSafeHwnd(), SW_SHOW);
    ASSERT_TRUE(::IsWindowVisible(dialog.GetSafeHwnd()));

    MainWindowHost host(dialog.noticeFlag, nullptr);
    ProcessWatcher watcher(m_system, host, dialog.noticeShowing);
    watcher.Start({});
    watcher.Sweep();
    EXPECT_FALSE(::IsWindowVisible(dialog.GetSafeHwnd()));
    app.m_pMainWnd = nullptr;
}

}  // namespace
