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
constexpr UINT kTrayCallback = 0x8000 + 1000;
constexpr WPARAM kExitCommand = 32780;  // ID_APP_EXIT
constexpr const char* kKeyCaption = "Hushwall! - Enter 64-Letter String";

class ScheduleRun : public ::testing::Test {
protected:
    void SetUp() override { e2e::ForgetSession(kApp); }
    void TearDown() override {
        if (main)
            ::PostMessageA(main, WM_COMMAND, kExitCommand, 0);
        if (program.process && !program.WaitEnd(5000))
            program.Kill();
        game.Kill();
        e2e::ForgetSession(kApp);
    }
    HWND FindMain() { return e2e::FindMainWindow(program.pid); }

    // Hushwall.exe in a folder of its own, beside a schedule of one block from
    // the next minute for five, which blocks a copy of the sleeper.
    void ScheduleNextMinute(Seconds until) {
        const std::string folder = e2e::FreshFolder("hw-e2e-schedule");
        exe = folder + "Hushwall.exe";
        scheduleFile = folder + kScheduleFileName;
        ASSERT_TRUE(::CopyFileA((e2e::OwnFolder() + "Hushwall.exe").c_str(), exe.c_str(), FALSE));
        gamePath = e2e::FreshFolder("hw-e2e-schedule-game") + "game.exe";
        ASSERT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), gamePath.c_str(), FALSE));

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
        ASSERT_TRUE(SaveSchedule(scheduleFile, {block}));
    }

    std::string exe, scheduleFile, gamePath;
    e2e::Program program;
    e2e::Program game;
    HWND main = nullptr;
};

// The block was deleted through the page a moment ago: what is left is its
// retired copy, which still starts sessions within its day.
TEST_F(ScheduleRun, ADeletedBlockStillStartsASessionByItselfAtItsStart) {
    ScheduleNextMinute(static_cast<Seconds>(std::time(nullptr)) + 24 * 60 * 60);
    if (HasFatalFailure())
        return;

    // As the Run value starts it at log-on: behind the icon, no session yet.
    ASSERT_TRUE(e2e::Start(exe, program, "/schedule"));
    main = e2e::WaitFor([&] { return FindMain(); }, 10000);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 6000));
    EXPECT_EQ(e2e::SessionRecord(kApp), "<none>");
    ASSERT_TRUE(e2e::Start(gamePath, game));
    EXPECT_FALSE(game.WaitEnd(2000)) << "nothing is blocked before the block";

    EXPECT_TRUE(game.WaitEnd(80000)) << "the block's program is ended once it starts";
    EXPECT_NE(e2e::SessionRecord(kApp), "<none>");
    EXPECT_EQ(e2e::RunValue(kApp), "\"" + exe + "\" /schedule");
    EXPECT_FALSE(::IsWindowVisible(main));

    // A click on the icon asks for the key; Cancel leaves the session running.
    ::PostMessageA(main, kTrayCallback, 0, WM_LBUTTONUP);
    HWND key = e2e::WaitFor([&] { return e2e::FindWindowOf(program.pid, kKeyCaption); }, 5000);
    ASSERT_NE(key, nullptr);
    e2e::Click(::GetDlgItem(key, IDCANCEL));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindow(key); }, 3000));
    EXPECT_FALSE(::IsWindowVisible(main));
}

// With the filter service the schedule holds without Hushwall's files or its
// Run value: the service keeps its own copy and starts Hushwall at the block.
TEST_F(ScheduleRun, TheServiceStartsHushwallAtABlocksStartWhenItsFilesAreGone) {
    const std::string service = e2e::OwnFolder() + "HushwallFilterTest.exe";
    ScheduleNextMinute(0);
    if (HasFatalFailure())
        return;
    const std::vector<DWORD> others = e2e::ProcessesNamed("Hushwall.exe");
    ASSERT_EQ(e2e::RunTool(service, "--install \"" + exe + "\""), 0);
    struct Uninstall {
        std::string service;
        std::vector<DWORD> others;
        ~Uninstall() {
            e2e::RunTool(service, "--uninstall");
            for (DWORD pid : e2e::ProcessesNamed("Hushwall.exe", others))
                e2e::EndProcess(pid);
        }
    } uninstall{service, others};
    ASSERT_TRUE(e2e::WaitUntil([] { return ::WaitNamedPipeA(kHookPipePath, 100) != FALSE; }, 30000));

    // At its start Hushwall hands the file's schedule to the service; then all
    // that the user may change goes.
    ASSERT_TRUE(e2e::Start(exe, program, "/schedule"));
    main = e2e::WaitFor([&] { return FindMain(); }, 10000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 6000));
    ::PostMessageA(main, WM_COMMAND, kExitCommand, 0);
    ASSERT_TRUE(program.WaitEnd(5000));
    main = nullptr;
    e2e::ForgetSession(kApp);
    ASSERT_TRUE(e2e::Start(gamePath, game));

    EXPECT_TRUE(game.WaitEnd(80000)) << "ended once the service started Hushwall for the block";
    std::vector<DWORD> started = e2e::ProcessesNamed("Hushwall.exe", others);
    ASSERT_EQ(started.size(), 1u);
    HWND window = e2e::WaitFor([&] { return e2e::FindMainWindow(started[0]); }, 5000);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_NE(e2e::SessionRecord(kApp), "<none>");
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::GetFileAttributesA(scheduleFile.c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000))
        << "the file is written again from the service's copy";
}

}  // namespace
