// A schedule written beside Hushwall.exe starts a session by itself.
#include <windows.h>

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "e2e/Driver.h"
#include "base/Clock.h"
#include "hook/HookPipe.h"
#include "schedule/ScheduleFile.h"

namespace {

constexpr const char* kApp = "Hushwall";
constexpr WPARAM kExitCommand = 32780;  // ID_APP_EXIT

class ScheduleRun : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::ForgetSession(kApp);
        others = e2e::ProcessesNamed("Hushwall.exe");  // another test's leftovers are none of ours
    }
    void TearDown() override {
        // The service first, so that nothing starts Hushwall again.
        if (serviceInstalled)
            e2e::RunTool(kService(), "--uninstall");
        if (main)
            ::PostMessageA(main, WM_COMMAND, kExitCommand, 0);
        if (program.process && !program.WaitEnd(serviceInstalled ? 0 : 5000))
            program.Kill();
        for (DWORD pid : e2e::ProcessesNamed("Hushwall.exe", others))
            e2e::EndProcess(pid);
        game.Kill();
        notes.Kill();
        e2e::ForgetSession(kApp);
    }
    HWND FindMain() { return e2e::FindMainWindow(program.pid); }
    static std::string kService() { return e2e::OwnFolder() + "HushwallFilterTest.exe"; }

    // Started as the Run value starts it at log-on: behind the icon.
    void StartAsAtLogOn() {
        ASSERT_TRUE(e2e::Start(exe, program, "/schedule"));
        main = e2e::WaitFor([&] { return FindMain(); }, 10000);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 6000));
    }

    // The recording filter service, registered for this test's Hushwall.exe.
    void InstallService() {
        ASSERT_EQ(e2e::RunTool(kService(), "--install \"" + exe + "\""), 0);
        serviceInstalled = true;
        ASSERT_TRUE(
            e2e::WaitUntil([] { return ::WaitNamedPipeA(kHookPipePath, 100) != FALSE; }, 30000));
    }

    // Hushwall.exe in a folder of its own, beside a schedule of one block from
    // the next minute for five, which blocks a copy of the sleeper, after `first`.
    void ScheduleNextMinute(Seconds until, Schedule first = {}) {
        const std::string folder = e2e::FreshFolder("hw-e2e-schedule");
        exe = folder + "Hushwall.exe";
        scheduleFile = folder + kScheduleFileName;
        ASSERT_TRUE(::CopyFileA((e2e::OwnFolder() + "Hushwall.exe").c_str(), exe.c_str(), FALSE));
        gamePath = e2e::FreshFolder("hw-e2e-schedule-game") + "game.exe";
        ASSERT_TRUE(
            ::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), gamePath.c_str(), FALSE));

        SYSTEMTIME local = {};
        ::GetLocalTime(&local);
        // Room before the block's start for the checks of the wait.
        if (local.wSecond > 45) {
            ::Sleep((61 - local.wSecond) * 1000);
            ::GetLocalTime(&local);
        }
        const int nowMinute = local.wHour * 60 + local.wMinute;
        const int from = (nowMinute + 1) % 1440;
        const int day = (local.wDayOfWeek + 6 + (from == 0 ? 1 : 0)) % 7;  // Monday is bit 0
        ScheduleBlock block;
        block.days = static_cast<uint8_t>(1 << day);
        block.fromMinute = from;
        block.toMinute = (from + 5) % 1440;
        block.programs = {{gamePath, "Game", true}};
        block.until = until;
        first.push_back(block);
        ASSERT_TRUE(SaveSchedule(scheduleFile, first));
    }

    std::string exe, scheduleFile, gamePath;
    e2e::Program program, game, notes;
    HWND main = nullptr;
    bool serviceInstalled = false;
    std::vector<DWORD> others;
};

// A block under way starts a session at start-up, which the service guards.
// Another block, deleted through the page a moment ago, still starts within
// its day as its retired copy, and widens that session.
TEST_F(ScheduleRun, ADeletedBlockStillWidensAGuardedSessionAtItsStart) {
    const std::string notesPath = e2e::FreshFolder("hw-e2e-schedule-notes") + "notes.exe";
    ASSERT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), notesPath.c_str(), FALSE));
    ASSERT_TRUE(e2e::ChangeOneByte(notesPath))
        << "else the game is a copy of it, and blocked with it";
    SYSTEMTIME local = {};
    ::GetLocalTime(&local);
    const int nowMinute = local.wHour * 60 + local.wMinute;
    const ScheduleBlock underWay{kEveryDay,
                                 (nowMinute + 1439) % 1440,
                                 (nowMinute + 10) % 1440,
                                 {{notesPath, "Notes", true}},
                                 {},
                                 0};
    ScheduleNextMinute(static_cast<Seconds>(std::time(nullptr)) + 24 * 60 * 60, {underWay});
    if (HasFatalFailure())
        return;
    ASSERT_NO_FATAL_FAILURE(InstallService());

    // Inside the block under way the session starts at once.
    ASSERT_NO_FATAL_FAILURE(StartAsAtLogOn());
    ASSERT_TRUE(e2e::Start(notesPath, notes));
    EXPECT_TRUE(notes.WaitEnd(5000)) << "the block under way is blocked at start-up";
    ASSERT_TRUE(e2e::Start(gamePath, game));
    EXPECT_FALSE(game.WaitEnd(2000)) << "the other block's program only from its start";

    EXPECT_TRUE(game.WaitEnd(80000)) << "the deleted block's program is ended once it starts";
    e2e::Program notesAgain;
    ASSERT_TRUE(e2e::Start(notesPath, notesAgain));
    EXPECT_TRUE(notesAgain.WaitEnd(5000)) << "the widened session keeps the first block's program";
    EXPECT_NE(e2e::SessionRecord(kApp), "<none>");
    EXPECT_EQ(e2e::RunValue(kApp), "\"" + exe + "\" /schedule");
    EXPECT_FALSE(::IsWindowVisible(main));

    // A click on the icon asks for the key; Cancel leaves the session running.
    HWND key = e2e::AskForKey(main, program.pid, 5000);
    ASSERT_NE(key, nullptr);
    e2e::Click(::GetDlgItem(key, IDCANCEL));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindow(key); }, 3000));
    EXPECT_FALSE(::IsWindowVisible(main));
}

// With the filter service the schedule holds without Hushwall's files or its
// Run value: the service keeps its own copy and starts Hushwall at the block.
TEST_F(ScheduleRun, TheServiceStartsHushwallAtABlocksStartWhenItsFilesAreGone) {
    ScheduleNextMinute(0);
    if (HasFatalFailure())
        return;
    ASSERT_NO_FATAL_FAILURE(InstallService());

    // At its start Hushwall hands the file's schedule to the service; then all
    // that the user may change goes.
    ASSERT_NO_FATAL_FAILURE(StartAsAtLogOn());
    ::PostMessageA(main, WM_COMMAND, kExitCommand, 0);
    ASSERT_TRUE(program.WaitEnd(5000));
    main = nullptr;
    ASSERT_TRUE(::DeleteFileA(scheduleFile.c_str()));
    e2e::ForgetSession(kApp);
    ASSERT_TRUE(e2e::Start(gamePath, game));

    EXPECT_TRUE(game.WaitEnd(80000)) << "ended once the service started Hushwall for the block";
    std::vector<DWORD> started = e2e::ProcessesNamed("Hushwall.exe", others);
    ASSERT_EQ(started.size(), 1u);
    HWND window = e2e::WaitFor([&] { return e2e::FindMainWindow(started[0]); }, 5000);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_NE(e2e::SessionRecord(kApp), "<none>");
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return ::GetFileAttributesA(scheduleFile.c_str()) != INVALID_FILE_ATTRIBUTES; },
        5000))
        << "the file is written again from the service's copy";
}

}  // namespace
