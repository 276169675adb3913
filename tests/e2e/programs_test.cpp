// From the window to the ended process: a program added, ticked and blocked
// through Hushwall.exe's own controls, driven from another process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/Driver.h"
#include "lists/ListFile.h"
#include "session/SessionRecord.h"

namespace {

constexpr const char* kApp = "Hushwall";

struct Row {
    std::string text;
    bool checked;
    bool operator==(const Row& other) const {
        return text == other.text && checked == other.checked;
    }
};

std::vector<Row> Rows(HWND list) {
    std::vector<Row> rows;
    for (int i = 0, n = e2e::ListRowCount(list); i < n; ++i)
        rows.push_back({e2e::ListRowText(list, i), e2e::ListRowChecked(list, i)});
    return rows;
}

int FindRow(HWND list, const std::string& text) {
    for (int i = 0, n = e2e::ListRowCount(list); i < n; ++i)
        if (e2e::ListRowText(list, i) == text)
            return i;
    return -1;
}

class Programs : public ::testing::Test {
protected:
    void SetUp() override { e2e::ForgetSession(kApp); }
    void TearDown() override {
        Close();
        game.Kill();
        e2e::ForgetSession(kApp);
    }

    void StartProgram() {
        ASSERT_TRUE(e2e::Start(exe, program));
        main = e2e::WaitFor([&] { return e2e::FindWindowOf(program.pid, "Hushwall!", "#32770"); },
                            10000);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(e2e::WaitUntil([&] { return !e2e::FindCaptionless(program.pid); }, 6000));
        list = e2e::FindDescendant(main, 1009);
        ASSERT_NE(list, nullptr);
        page = ::GetParent(list);
    }
    void Close() {
        if (main)
            ::PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        if (program.process && !program.WaitEnd(5000)) {
            program.Kill();
        }
        main = nullptr;
    }
    HWND AddDialog() {
        return e2e::WaitFor([&] { return e2e::FindWindowOf(program.pid, "Add New Program"); },
                            5000);
    }

    std::string folder, exe;
    e2e::Program program, game;
    HWND main = nullptr, list = nullptr, page = nullptr;
};

TEST_F(Programs, AddTickAndBlockThenTheListsComeBack) {
    folder = e2e::FreshFolder("hw-e2e-programs");
    exe = folder + "Hushwall.exe";
    ASSERT_TRUE(::CopyFileA((e2e::OwnFolder() + "Hushwall.exe").c_str(), exe.c_str(), FALSE));
    const std::string gamePath = e2e::FreshFolder("hw-e2e-programs-game") + "game.exe";
    ASSERT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), gamePath.c_str(), FALSE));
    StartProgram();
    const int discovered = e2e::ListRowCount(list);

    // A refused entry first: the page says why and the dialog stays open.
    e2e::Click(::GetDlgItem(page, 1010));
    HWND dialog = AddDialog();
    ASSERT_NE(dialog, nullptr);
    e2e::SetText(::GetDlgItem(dialog, 1012), folder + "missing.exe");
    e2e::Click(::GetDlgItem(dialog, IDOK));
    e2e::MessageBoxSeen box;
    ASSERT_TRUE(e2e::WaitForMessageBox(program.pid, box, 5000));
    EXPECT_EQ(box.caption, "Hushwall");
    EXPECT_EQ(box.text,
              "Invalid application file path. The specified file does not exist.\nPlease specify "
              "an existent application.");
    e2e::Dismiss(box.window);
    ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsWindowVisible(dialog) != 0; }, 2000));

    e2e::SetText(::GetDlgItem(dialog, 1012), gamePath);
    e2e::SetText(::GetDlgItem(dialog, 1014), "Game");
    e2e::Click(::GetDlgItem(dialog, IDOK));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindow(dialog); }, 3000));
    ASSERT_EQ(e2e::ListRowCount(list), discovered + 1);
    const int row = FindRow(list, " Game");
    ASSERT_GE(row, 0);
    EXPECT_FALSE(e2e::ListRowChecked(list, row)) << "added unticked";
    e2e::SetListRowChecked(list, row, true);
    const std::vector<Row> shown = Rows(list);

    e2e::SetText(::GetDlgItem(main, 1005), "1");
    const Seconds pressed = SystemClock().Now();
    e2e::Click(::GetDlgItem(main, 1000));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !::IsWindowVisible(main); }, 3000));

    ASSERT_TRUE(e2e::Start(gamePath, game));
    // A sweep every 800 ms; a loaded machine and a program still starting add to it.
    EXPECT_TRUE(game.WaitEnd(3000)) << "ended within a few sweeps";
    StoredSession stored = ParseSessionRecord(e2e::SessionRecord(kApp));
    ASSERT_EQ(stored.kind, StoredSession::Until);
    // The record keeps the minute only.
    EXPECT_GT(stored.endTime, pressed);
    EXPECT_LE(stored.endTime, pressed + 61);

    // The session holds the default files; the access key ends it and frees them.
    ::PostMessageA(main, 0x8000 + 1000, 0, WM_LBUTTONUP);
    HWND key = e2e::WaitFor(
        [&] { return e2e::FindWindowOf(program.pid, "Hushwall! - Enter 64-Letter String"); }, 5000);
    ASSERT_NE(key, nullptr);
    const std::string shownKey = e2e::Text(::GetDlgItem(key, 1017));
    e2e::SetText(::GetDlgItem(key, 1018), shownKey);
    EXPECT_EQ(e2e::Text(::GetDlgItem(key, 1018)), shownKey);
    e2e::Click(::GetDlgItem(key, IDOK));
    ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsWindowVisible(main) != 0; }, 3000))
        << "key " << shownKey;

    // The window shows before the session ends; the Run value goes after the files are freed.
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::RunValue(kApp) == "<none>"; }, 3000));

    // The default files were written before the session began.
    EntryList saved;
    ASSERT_TRUE(LoadEntryList(folder + "default.apps", saved));
    EXPECT_EQ(CountChecked(saved), 1u);

    // Closing writes them again; the next start shows the same rows and ticks.
    ASSERT_TRUE(::DeleteFileA((folder + "default.apps").c_str()));
    Close();
    EXPECT_EQ(program.ExitCode(), 0u) << "closed without a message in the way";
    ASSERT_TRUE(LoadEntryList(folder + "default.apps", saved));
    EXPECT_EQ(CountChecked(saved), 1u);
    StartProgram();
    EXPECT_TRUE(Rows(list) == shown);
}

}  // namespace
