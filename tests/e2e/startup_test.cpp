// Hushwall.exe started as a user would start it, watched from another process.
#include <windows.h>

#include <gtest/gtest.h>

#include "e2e/Driver.h"

namespace {

// In the system's z-order, `upper` lies above `lower`.
bool IsAbove(HWND upper, HWND lower) {
    for (HWND w = ::GetWindow(lower, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV))
        if (w == upper)
            return true;
    return false;
}

void ClearSession() {
    e2e::ForgetSession("Hushwall");
}

// Closes the main window the way the user does, so Wine is not left with a killed process.
void Close(e2e::Program& program, HWND main) {
    if (main)
        ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    if (!program.WaitEnd(5000))
        program.Kill();
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override { ClearSession(); }
    void TearDown() override { ClearSession(); }

    // A copy of Hushwall.exe in a folder of its own.
    static std::string Install(const std::string& folderName) {
        const std::string exe = e2e::FreshFolder(folderName) + "Hushwall.exe";
        EXPECT_TRUE(::CopyFileA((e2e::OwnFolder() + "Hushwall.exe").c_str(), exe.c_str(), FALSE));
        return exe;
    }
    static HWND MainWindow(const e2e::Program& program, DWORD timeoutMs = 10000) {
        return e2e::WaitFor([&] { return e2e::FindWindowOf(program.pid, "Hushwall!", "#32770"); },
                            timeoutMs);
    }
};

TEST_F(Startup, ShowsThePictureForTwoSecondsThenTheMainDialog) {
    e2e::Program program;
    ASSERT_TRUE(e2e::Start(Install("hw-e2e-start"), program));

    HWND splash = e2e::WaitFor([&] { return e2e::FindCaptionless(program.pid); }, 10000);
    ASSERT_NE(splash, nullptr);
    RECT rect = {};
    ::GetWindowRect(splash, &rect);
    EXPECT_EQ(rect.right - rect.left, 494);  // the picture's own size
    EXPECT_EQ(rect.bottom - rect.top, 336);
    EXPECT_TRUE(::GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);

    HWND main = MainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(::IsWindowVisible(splash)) << "the picture stays while the main dialog opens";
    EXPECT_TRUE(IsAbove(splash, main)) << "and stays in front of it";

    // Gone about 2000 ms after it appeared; the main dialog stays.
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsWindow(splash); }, 6000));
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_NE(::GetDlgItem(main, 1000), nullptr);
    EXPECT_EQ(e2e::Text(::GetDlgItem(main, 1000)), "Hushwall NOW!");
    HWND days = ::GetDlgItem(main, 1001);
    e2e::SetText(days, "12");
    EXPECT_EQ(e2e::Text(days), "12");
    Close(program, main);
    EXPECT_FALSE(program.Running());
}

TEST_F(Startup, SecondCopyOfTheSameFileRefusesWithItsMessage) {
    const std::string exe = Install("hw-e2e-twice");
    e2e::Program first;
    ASSERT_TRUE(e2e::Start(exe, first));
    HWND main = MainWindow(first);
    ASSERT_NE(main, nullptr);

    // Started again, also under the path in other letter case.
    std::string shouted = exe;
    CharUpperBuffA(&shouted[0], static_cast<DWORD>(shouted.size()));
    for (const std::string& path : {exe, shouted}) {
        e2e::Program second;
        ASSERT_TRUE(e2e::Start(path, second)) << path;
        e2e::MessageBoxSeen box;
        ASSERT_TRUE(e2e::WaitForMessageBox(second.pid, box, 10000)) << path;
        EXPECT_EQ(box.caption, "Hushwall!");
        EXPECT_EQ(box.text, "An instance of the application is already running.");
        EXPECT_EQ(::GetWindow(box.window, GW_OWNER), nullptr);
        EXPECT_EQ(e2e::FindWindowOf(second.pid, nullptr, "#32770"), box.window)
            << "nothing else is shown";
        e2e::Dismiss(box.window);
        ASSERT_TRUE(second.WaitEnd(5000));
        EXPECT_EQ(second.ExitCode(), 0u);
    }
    // A start for the schedule ends without a word: the running one waits for the blocks.
    e2e::Program scheduled;
    ASSERT_TRUE(e2e::Start(exe, scheduled, "/schedule"));
    EXPECT_TRUE(scheduled.WaitEnd(10000));
    EXPECT_TRUE(first.Running());
    Close(first, main);
}

TEST_F(Startup, CopyInAnotherFolderIsAnotherProgram) {
    e2e::Program first;
    e2e::Program other;
    ASSERT_TRUE(e2e::Start(Install("hw-e2e-a"), first));
    HWND firstMain = MainWindow(first);
    ASSERT_NE(firstMain, nullptr);
    ASSERT_TRUE(e2e::Start(Install("hw-e2e-b"), other));
    HWND otherMain = MainWindow(other);
    EXPECT_NE(otherMain, nullptr);
    e2e::MessageBoxSeen box;
    EXPECT_FALSE(e2e::WaitForMessageBox(other.pid, box, 300));
    Close(other, otherMain);
    Close(first, firstMain);
}

TEST_F(Startup, StoredSessionKeepsTheMainWindowHiddenAfterThePicture) {
    e2e::StoreSessionRecord("Hushwall", "-");
    e2e::Program program;
    ASSERT_TRUE(e2e::Start(Install("hw-e2e-session"), program));
    HWND splash = e2e::WaitFor([&] { return e2e::FindCaptionless(program.pid); }, 10000);
    ASSERT_NE(splash, nullptr);
    HWND main = MainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsWindow(splash); }, 6000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 2000));
    Close(program, main);
}

TEST_F(Startup, ExitEscapeAndTheCloseBoxEndTheProgram) {
    const std::string exe = Install("hw-e2e-exit");
    struct Way {
        const char* what;
        UINT msg;
        WPARAM wp;
    };
    for (Way way : {Way{"Exit", WM_COMMAND, 32780}, Way{"Escape", WM_COMMAND, IDCANCEL},
                    Way{"close box", WM_SYSCOMMAND, SC_CLOSE}}) {
        SCOPED_TRACE(way.what);
        e2e::Program program;
        ASSERT_TRUE(e2e::Start(exe, program));
        HWND main = MainWindow(program);
        ASSERT_NE(main, nullptr);
        ::PostMessageA(main, way.msg, way.wp, 0);
        ASSERT_TRUE(program.WaitEnd(5000));
        EXPECT_EQ(program.ExitCode(), 0u);
    }
}

}  // namespace
