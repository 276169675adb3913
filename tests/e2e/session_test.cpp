// Blocking sessions of Hushwall.exe, watched and driven from another process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/Driver.h"
#include "lists/ListFile.h"

namespace {

constexpr const char* kApp = "Hushwall";
constexpr UINT kTrayCallback = 0x8000 + 1000;

class Session : public ::testing::Test {
protected:
    void SetUp() override { e2e::ForgetSession(kApp); }
    void TearDown() override {
        if (main)
            ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        if (program.process && !program.WaitEnd(5000)) {
            program.Kill();
        }
        game.Kill();
        e2e::ForgetSession(kApp);
    }

    // Hushwall.exe in a folder of its own, with the given default program list.
    std::string Install(const std::string& folderName, const EntryList& programs) {
        folder = e2e::FreshFolder(folderName);
        const std::string exe = folder + "Hushwall.exe";
        EXPECT_TRUE(::CopyFileA((e2e::OwnFolder() + "Hushwall.exe").c_str(), exe.c_str(), FALSE));
        if (!programs.empty()) {
            EXPECT_TRUE(SaveEntryList(folder + "default.apps", programs));
        }
        return exe;
    }
    std::string Game() {
        const std::string path = e2e::FreshFolder("hw-e2e-games") + "game.exe";
        EXPECT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), path.c_str(), FALSE));
        return path;
    }
    HWND WaitForMain() {
        main = e2e::WaitFor([&] { return FindMain(); }, 10000);
        return main;
    }
    HWND FindMain() { return e2e::FindMainWindow(program.pid); }

    std::string folder;
    e2e::Program program;
    e2e::Program game;
    HWND main = nullptr;
};

TEST_F(Session, AStoredSessionResumesBlocksAndEndsAtItsFirstTick) {
    const std::string gamePath = Game();
    const std::string exe = Install("hw-e2e-resume", {{gamePath, "Game", true}});
    // An end that passed while the program was not running.
    e2e::StoreSessionRecord(kApp, "2020 1 1 0 0");
    ASSERT_TRUE(e2e::Start(exe, program));
    ASSERT_NE(WaitForMain(), nullptr);

    // Started again: the window hidden, autorun and record written anew.
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::RunValue(kApp) == exe; }, 5000))
        << e2e::RunValue(kApp);
    EXPECT_EQ(e2e::SessionRecord(kApp), "2020 1 1 0 0");
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 4000));

    ASSERT_TRUE(e2e::Start(gamePath, game));
    EXPECT_TRUE(game.WaitEnd(2500)) << "the ticked program is ended within a few sweeps";
    // The notice says the end has passed and the tick has not yet seen it.
    HWND notice = e2e::WaitFor(
        [&] { return e2e::FindWindowOf(program.pid, "Program Blocked - Hushwall!"); }, 3000);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(e2e::Text(::GetDlgItem(notice, 1016)), "<Until you enter the 32-letter key.>");

    // The first tick, 30001 ms after the start, finds the time up.
    e2e::MessageBoxSeen box;
    ASSERT_TRUE(e2e::WaitForMessageBox(program.pid, box, 40000, "Hushwall!"));
    EXPECT_EQ(box.caption, "Hushwall!");
    EXPECT_EQ(box.text, "BLOCKING Time is Up.");
    EXPECT_EQ(::GetWindow(box.window, GW_OWNER), nullptr);
    EXPECT_EQ(e2e::RunValue(kApp), "<none>");
    EXPECT_EQ(e2e::SessionRecord(kApp), "");
    e2e::Dismiss(box.window);

    // Nothing is blocked any more; the window waits behind the icon for a click.
    e2e::Program again;
    ASSERT_TRUE(e2e::Start(gamePath, again));
    EXPECT_FALSE(again.WaitEnd(2000));
    again.Kill();
    EXPECT_FALSE(::IsWindowVisible(main));
    ::PostMessageA(main, kTrayCallback, 0, WM_MOUSEMOVE);
    ::PostMessageA(main, kTrayCallback, 0, WM_LBUTTONDOWN);
    EXPECT_FALSE(e2e::WaitUntil([&] { return ::IsWindowVisible(main) != 0; }, 500))
        << "moves and presses over the icon do nothing";
    ::PostMessageA(main, kTrayCallback, 0, WM_LBUTTONUP);
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsWindowVisible(main) != 0; }, 3000));
}

TEST_F(Session, NothingTickedRefusesTheSession) {
    ASSERT_TRUE(e2e::Start(Install("hw-e2e-nothing", {}), program));
    ASSERT_NE(WaitForMain(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !e2e::FindCaptionless(program.pid); }, 6000));
    e2e::SaveScreenshot(main, "main-window-e2e");

    e2e::SetText(::GetDlgItem(main, 1005), "1");
    e2e::Click(::GetDlgItem(main, 1000));
    e2e::MessageBoxSeen box;
    ASSERT_TRUE(e2e::WaitForMessageBox(program.pid, box, 5000));
    EXPECT_EQ(box.caption, "Hushwall");
    EXPECT_EQ(box.text, "No applications selected for blocking.\nCheck at least one application.");
    EXPECT_EQ(::GetWindow(box.window, GW_OWNER), main);
    e2e::Dismiss(box.window);
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(e2e::SessionRecord(kApp), "<none>");
    EXPECT_EQ(e2e::RunValue(kApp), "<none>");
    for (const char* file : {"default.profile", "default.apps", "default.webs"})
        EXPECT_EQ(::GetFileAttributesA((folder + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
}

TEST_F(Session, ATickedProgramIsBlockedFromTheWindow) {
    const std::string gamePath = Game();
    ASSERT_TRUE(e2e::Start(Install("hw-e2e-block", {{gamePath, "Game", true}}), program));
    ASSERT_NE(WaitForMain(), nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !e2e::FindCaptionless(program.pid); }, 6000));

    e2e::SetText(::GetDlgItem(main, 1002), "2");
    e2e::Click(::GetDlgItem(main, 1000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 3000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::SessionRecord(kApp) != "<none>"; }, 3000));
    ASSERT_TRUE(e2e::Start(gamePath, game));
    EXPECT_TRUE(game.WaitEnd(2500));

    // Shown again by hand, the sweep hides it again.
    ::ShowWindow(main, SW_SHOW);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 2000));
    // A click on the icon asks for the key; Cancel leaves the session running.
    HWND key = e2e::AskForKey(main, program.pid, 5000);
    ASSERT_NE(key, nullptr);
    e2e::Click(::GetDlgItem(key, IDCANCEL));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindow(key); }, 3000));
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_NE(e2e::RunValue(kApp), "<none>");

    // The key typed as shown, in lower case: the window is back and the session over.
    key = e2e::AskForKey(main, program.pid, 5000);
    ASSERT_NE(key, nullptr);
    std::string shown = e2e::Text(::GetDlgItem(key, 1017));
    ASSERT_EQ(shown.size(), 64u);
    for (char& c : shown)
        c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    e2e::SetText(::GetDlgItem(key, 1018), shown);
    e2e::Click(::GetDlgItem(key, IDOK));
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsWindowVisible(main) != 0; }, 3000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::RunValue(kApp) == "<none>"; }, 3000));
    EXPECT_EQ(e2e::SessionRecord(kApp), "");
    e2e::Program free;
    ASSERT_TRUE(e2e::Start(gamePath, free));
    EXPECT_FALSE(free.WaitEnd(1500)) << "nothing is blocked any more";
    free.Kill();
}

}  // namespace
