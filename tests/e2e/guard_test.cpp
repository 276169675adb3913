// The filter service guards a session while Hushwall.exe is gone: the
// recording service installed for a copy of Hushwall.exe, the program ended by
// force as a user would with the task manager's "End task".
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "e2e/Driver.h"
#include "lists/ListFile.h"

namespace {

constexpr const char* kApp = "Hushwall";
const wchar_t* const kPipe = L"\\\\.\\pipe\\HushwallFilter";

class Guard : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::ForgetSession(kApp);
        e2e::RunTool(e2e::OwnFolder() + "HushwallFilterTest.exe", "--uninstall");
        others = e2e::ProcessesNamed("Hushwall.exe");  // another test's leftovers are none of ours
    }
    void TearDown() override {
        // The service first, so that nothing starts the program again.
        e2e::RunTool(e2e::OwnFolder() + "HushwallFilterTest.exe", "--uninstall");
        program.Kill();
        for (DWORD pid : e2e::ProcessesNamed("Hushwall.exe", others))
            e2e::EndProcess(pid);
        game.Kill();
        e2e::ForgetSession(kApp);
    }

    static HWND FindMain(DWORD pid) { return e2e::FindMainWindow(pid); }

    // Hushwall.exe copied to a folder of its own with a copy of the sleeper
    // (`gamePath`) blocked, the recording service installed for it, and a
    // stored session resumed.
    void StartGuardedSession() {
        gamePath = e2e::FreshFolder("hw-e2e-guard-games") + "game.exe";
        ASSERT_TRUE(
            ::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), gamePath.c_str(), FALSE));
        const std::string folder = e2e::FreshFolder("hw-e2e-guard");
        exe = folder + "Hushwall.exe";
        ASSERT_TRUE(::CopyFileA((e2e::OwnFolder() + "Hushwall.exe").c_str(), exe.c_str(), FALSE));
        ASSERT_TRUE(SaveEntryList(folder + "default.apps", {{gamePath, "Game", true}}));
        ASSERT_EQ(
            e2e::RunTool(e2e::OwnFolder() + "HushwallFilterTest.exe", "--install \"" + exe + "\""),
            0);
        ASSERT_TRUE(e2e::WaitUntil([] { return ::WaitNamedPipeW(kPipe, 100) != FALSE; }, 30000));
        e2e::StoreSessionRecord(kApp, "2037 1 1 0 0");
        ASSERT_TRUE(e2e::Start(exe, program));
        ASSERT_NE(e2e::WaitFor([&] { return FindMain(program.pid); }, 10000), nullptr);
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::RunValue(kApp) == exe; }, 5000));
        e2e::Pump(500);
    }

    std::string gamePath, exe;
    e2e::Program program;
    e2e::Program game;
    std::vector<DWORD> others;
};

TEST_F(Guard, AProgramEndedByForceIsStartedAgainAndUntilThenTheServiceEndsBlockedPrograms) {
    // A stored session resumes at start and is handed to the service.
    ASSERT_NO_FATAL_FAILURE(StartGuardedSession());
    const std::string copyPath = e2e::FreshFolder("hw-e2e-guard-copy") + "notes.exe";
    ASSERT_TRUE(::CopyFileA(gamePath.c_str(), copyPath.c_str(), FALSE));
    HWND main = nullptr;

    // Ended by force: until it is back the service ends the ticked program.
    program.Kill();
    std::vector<DWORD> notOurs = others;
    notOurs.push_back(program.pid);
    const DWORD killedAt = ::GetTickCount();
    e2e::Program copy;
    ASSERT_TRUE(e2e::Start(copyPath, copy));
    ASSERT_TRUE(e2e::Start(gamePath, game));
    // The program is started again only 2 s after its end: until then, the service.
    EXPECT_TRUE(game.WaitEnd(1800)) << "ended by the service's sweep";
    EXPECT_TRUE(copy.WaitEnd(200)) << "a copy under another name, by the same sweep";
    copy.Kill();
    std::printf("[ figure ] blocked program ended %lu ms after the program was killed\n",
                static_cast<unsigned long>(::GetTickCount() - killedAt));

    // Started again within seconds, it resumes the session from its record.
    std::vector<DWORD> again;
    ASSERT_TRUE(e2e::WaitUntil([&] { return !(again = e2e::ProcessesNamed("Hushwall.exe", notOurs)).empty(); },
                               10000));
    std::printf("[ figure ] program running again %lu ms after it was killed\n",
                static_cast<unsigned long>(::GetTickCount() - killedAt));
    ASSERT_EQ(again.size(), 1u);
    const DWORD secondPid = again.front();
    main = e2e::WaitFor([&] { return FindMain(secondPid); }, 10000);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 5000));
    EXPECT_EQ(e2e::SessionRecord(kApp), "2037 1 1 0 0");

    // The key ends the session: the service lets go.
    HWND key = e2e::AskForKey(main, secondPid);
    ASSERT_NE(key, nullptr);
    e2e::SetText(::GetDlgItem(key, 1018), e2e::Text(::GetDlgItem(key, 1017)));
    e2e::Click(::GetDlgItem(key, IDOK));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::RunValue(kApp) == "<none>"; }, 5000));
    e2e::EndProcess(secondPid);
    e2e::Program free;
    ASSERT_TRUE(e2e::Start(gamePath, free));
    EXPECT_FALSE(free.WaitEnd(3000)) << "nothing is ended after the key";
    free.Kill();
    EXPECT_TRUE(e2e::ProcessesNamed("Hushwall.exe", notOurs).empty()) << "nothing is started again after the key";
}

// A program that connects to the pipe in a tight loop is refused at a limited
// rate and does not keep the service from its tick.
TEST_F(Guard, AClientConnectingInATightLoopDoesNotKeepTheGuardFromSweeping) {
    ASSERT_NO_FATAL_FAILURE(StartGuardedSession());
    std::atomic<bool> stop{false};
    std::atomic<long> connections{0};
    std::thread flood([&] {
        while (!stop) {
            HANDLE pipe = ::CreateFileW(kPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            if (pipe != INVALID_HANDLE_VALUE) {
                ++connections;
                ::CloseHandle(pipe);
            }
        }
    });
    program.Kill();
    std::vector<DWORD> notOurs = others;
    notOurs.push_back(program.pid);
    const DWORD killedAt = ::GetTickCount();
    // No ASSERT until the flood is joined.
    const bool started = e2e::Start(gamePath, game);
    EXPECT_TRUE(started && game.WaitEnd(3000)) << "ended by the service's sweep";
    EXPECT_TRUE(
        e2e::WaitUntil([&] { return !e2e::ProcessesNamed("Hushwall.exe", notOurs).empty(); }, 15000));
    const DWORD seconds = (::GetTickCount() - killedAt) / 1000;
    stop = true;
    flood.join();
    std::printf("[ figure ] %ld connections in %lu s of flood\n", connections.load(),
                static_cast<unsigned long>(seconds));
}

// The hidden window of a session is closed by nothing but the key: a close
// posted by another program leaves the same process running and blocking.
TEST_F(Guard, CloseMessagesToTheHiddenWindowChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(StartGuardedSession());
    HWND main = FindMain(program.pid);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 5000));
    constexpr WPARAM kExit = 32780;  // the menu's Exit
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    ::PostMessageA(main, WM_COMMAND, kExit, 0);
    EXPECT_FALSE(program.WaitEnd(3000)) << "the program ended";
    EXPECT_TRUE(::IsWindow(main));
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_EQ(e2e::SessionRecord(kApp), "2037 1 1 0 0");
    ASSERT_TRUE(e2e::Start(gamePath, game));
    EXPECT_TRUE(game.WaitEnd(3000)) << "still blocked";
}

// The record is only the program's copy: set to a past time, with the program
// then ended by force, the session the service holds goes on.
TEST_F(Guard, ARecordSetToThePastDoesNotEndTheSession) {
    ASSERT_NO_FATAL_FAILURE(StartGuardedSession());
    e2e::StoreSessionRecord(kApp, "2020 1 1 0 0");
    program.Kill();
    std::vector<DWORD> notOurs = others;
    notOurs.push_back(program.pid);
    std::vector<DWORD> again;
    ASSERT_TRUE(e2e::WaitUntil([&] { return !(again = e2e::ProcessesNamed("Hushwall.exe", notOurs)).empty(); },
                               10000));
    // Past the restarted program's first tick, which would end a session it took from the record.
    e2e::MessageBoxSeen box;
    EXPECT_FALSE(e2e::WaitForMessageBox(again.front(), box, 40000, "Hushwall!")) << box.text;
    EXPECT_EQ(e2e::SessionRecord(kApp).compare(0, 5, "2037 "), 0) << e2e::SessionRecord(kApp);
    ASSERT_TRUE(e2e::Start(gamePath, game));
    EXPECT_TRUE(game.WaitEnd(3000)) << "still blocked";
}

// A suspended program sends no beats: the service sweeps in its place.
TEST_F(Guard, WithTheProgramsThreadsSuspendedTheServiceEndsBlockedPrograms) {
    ASSERT_NO_FATAL_FAILURE(StartGuardedSession());
    std::vector<HANDLE> threads;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == program.pid)
            if (HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID))
                threads.push_back(thread);
    ::CloseHandle(snapshot);
    ASSERT_FALSE(threads.empty());
    for (HANDLE thread : threads)
        EXPECT_NE(::SuspendThread(thread), static_cast<DWORD>(-1));
    const DWORD suspendedAt = ::GetTickCount();
    const bool started = e2e::Start(gamePath, game);
    EXPECT_TRUE(started && game.WaitEnd(16000)) << "ended by the service's sweep";
    std::printf("[ figure ] blocked program ended %lu ms after the program was suspended\n",
                static_cast<unsigned long>(::GetTickCount() - suspendedAt));
    for (HANDLE thread : threads) {
        ::ResumeThread(thread);
        ::CloseHandle(thread);
    }
}

}  // namespace
