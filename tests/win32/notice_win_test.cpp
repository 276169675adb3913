// The blocked-program notice on its own thread, for real.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "app/HushwallDlg_win.h"
#include "app/MainWindowHost_win.h"
#include "app/RegistrySettings_win.h"
#include "e2e/Driver.h"
#include "programs/ProcessPlatform_win.h"
#include "programs/StopDlg_win.h"
#include "res/resource.h"
#include "toolkit/App.h"

namespace {

constexpr const char* kCaption = "Program Blocked - Hushwall!";

class TestApp : public CWinApp {};

HWND FindNotice(DWORD timeoutMs = 5000) {
    return e2e::WaitFor([] { return e2e::FindWindowOf(::GetCurrentProcessId(), kCaption); },
                        timeoutMs);
}

BOOL CALLBACK CountNotice(HWND w, LPARAM lp) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(w) && e2e::Text(w) == kCaption)
        ++*reinterpret_cast<int*>(lp);
    return TRUE;
}

int CountNotices() {
    int count = 0;
    ::EnumWindows(CountNotice, reinterpret_cast<LPARAM>(&count));
    return count;
}

class Notice : public ::testing::Test {
protected:
    void SetUp() override { app.m_hInstance = ::GetModuleHandleA(nullptr); }
    TestApp app;
    std::shared_ptr<std::atomic<bool>> showing = std::make_shared<std::atomic<bool>>(true);
};

TEST_F(Notice, ShowsTheTimeLeftOnItsOwnThreadUntilOK) {
    ShowBlockedNotice("2 Days 3 Hours 15 Minutes", showing);
    HWND notice = FindNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(e2e::Text(::GetDlgItem(notice, IDC_TIME_LEFT)), "2 Days 3 Hours 15 Minutes");
    e2e::Pump(100);
    e2e::SaveScreenshot(notice, "notice");
    EXPECT_NE(::GetWindowThreadProcessId(notice, nullptr), ::GetCurrentThreadId());
    EXPECT_EQ(::GetWindow(notice, GW_OWNER), nullptr);
    EXPECT_TRUE(showing->load());
    e2e::Click(::GetDlgItem(notice, IDOK));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !showing->load(); }, 3000));
    EXPECT_FALSE(::IsWindow(notice));
}

TEST_F(Notice, ClosesByItself) {
    const DWORD start = ::GetTickCount();
    ShowBlockedNotice("1 Minute", showing, 400);
    ASSERT_NE(FindNotice(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !showing->load(); }, 5000));
    EXPECT_GE(::GetTickCount() - start, 400u);
    EXPECT_EQ(CountNotices(), 0);
}

TEST_F(Notice, ASweepShowsOneNoticeAtATime) {
    isNTPlatform = true;
    showing->store(false);
    // A sweep shows notices only while there is a main window.
    CDialog main(IDD_ABOUTBOX);
    ASSERT_TRUE(main.Create());
    app.m_pMainWnd = &main;
    SystemProcesses processes;
    MainWindowHost host(showing, [] { return std::string("10 Minutes"); });
    ProcessWatcher watcher(processes, host, *showing);
    std::string helper = e2e::FreshFolder("notice-helper") + "blocked.exe";
    ASSERT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), helper.c_str(), FALSE));
    watcher.Start({helper});
    for (int round = 0; round < 2; ++round) {
        e2e::Program program;
        ASSERT_TRUE(e2e::Start(helper, program));
        EXPECT_GE(watcher.Sweep(), 1u);
        EXPECT_TRUE(program.WaitEnd(3000));
        ASSERT_NE(FindNotice(), nullptr);
    }
    e2e::Pump(300);
    EXPECT_EQ(CountNotices(), 1) << "a second ending while one is shown adds none";
    HWND notice = FindNotice();
    EXPECT_EQ(e2e::Text(::GetDlgItem(notice, IDC_TIME_LEFT)), "10 Minutes");
    e2e::Click(::GetDlgItem(notice, IDOK));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !showing->load(); }, 3000));
    app.m_pMainWnd = nullptr;
}

// The window that owns the flag can go (the process ends) while the notice is
// still up; the notice's last write must land in a flag that is still there.
TEST_F(Notice, TheFlagOutlivesTheWindowThatOwnsIt) {
    RegistrySettings settings(kCompanyKey, "HushwallNoticeTest");
    AppContext context;
    context.appName = "HushwallNoticeTest";
    context.exeFolder = e2e::FreshFolder("notice-dialog");
    context.settings = &settings;
    auto dialog = std::make_unique<CHushwallDlg>(context);
    ASSERT_TRUE(dialog->Create());
    std::weak_ptr<std::atomic<bool>> flag = dialog->noticeFlag;
    dialog->noticeShowing.store(true);  // as the sweep does before it starts the notice
    ShowBlockedNotice("1 Minute", dialog->noticeFlag, 3000);
    ASSERT_NE(FindNotice(), nullptr);

    dialog->DestroyWindow();
    dialog.reset();
    EXPECT_FALSE(flag.expired()) << "the notice's thread holds a share";
    ASSERT_TRUE(e2e::WaitUntil([&] { return CountNotices() == 0; }, 10000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return flag.expired(); }, 3000))
        << "the last share goes with the thread";
}

}  // namespace
