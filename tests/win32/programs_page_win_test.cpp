// The Programs page and its add dialog, created for real and driven with the
// messages a user's actions produce.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "e2e/Driver.h"
#include "programs/AddNewProgramDlg_win.h"
#include "programs/ProgramRules.h"
#include "programs/ProgramsDlg_win.h"
#include "res/resource.h"
#include "win32/FileDialogAnswer.h"
#include "win32/ModalDriver.h"
#include "win32/PageFixture.h"

namespace {

class ProgramsPage : public PageFixture<CProgramsDlg> {
protected:
    void SetUp() override {
        folder = e2e::FreshFolder("programs-page");
        game = Copy("game.exe");
        tool = Copy("Tool.com");
        context.exeFullPath = folder + "Hushwall.exe";
        Copy("Hushwall.exe");
        context.exeFolder = folder;
        CreatePage();
    }
    std::string Copy(const std::string& name) {
        const std::string path = folder + name;
        EXPECT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), path.c_str(), FALSE));
        return path;
    }
    HWND List() { return page->GetList(); }
    void Tick(int row, bool on) { ListView_SetCheckState(List(), row, on ? TRUE : FALSE); }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const ListEntry& e : page->GetEntries())
            names.push_back(e.name);
        return names;
    }
    void Click(CBitmapCheckBox& box) {
        HWND w = box.GetSafeHwnd();
        ::SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }

    std::string folder, game, tool;
};

TEST_F(ProgramsPage, LaidOutAsDescribed) {
    HWND hwnd = page->GetSafeHwnd();
    RECT client;
    ::GetClientRect(hwnd, &client);
    auto rectOf = [&](HWND w) {
        RECT r;
        ::GetWindowRect(w, &r);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    HWND caption = nullptr;
    for (HWND w = ::GetWindow(hwnd, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
        if (e2e::Text(w) == "Check the program(s) you want to disable:")
            caption = w;
    ASSERT_NE(caption, nullptr);
    RECT c = rectOf(caption);
    EXPECT_EQ(c.left, 10);
    EXPECT_EQ(c.top, 5);
    EXPECT_EQ(c.bottom, 25);
    EXPECT_EQ(c.right, 10 + (client.right - 10) / 2);
    EXPECT_EQ(::GetDlgCtrlID(caption), 0xFFFF);
    RECT all = rectOf(page->selectAllBox().GetSafeHwnd());
    RECT none = rectOf(page->deselectAllBox().GetSafeHwnd());
    EXPECT_EQ(all.left, c.right + 10);
    EXPECT_EQ(all.right - all.left, 100);
    EXPECT_EQ(all.top, 10);
    EXPECT_EQ(all.bottom, 30);
    EXPECT_EQ(none.left, all.right + 10);
    EXPECT_EQ(none.top, 10);
    EXPECT_EQ(e2e::Text(page->selectAllBox().GetSafeHwnd()), "Select All");
    EXPECT_EQ(::GetDlgCtrlID(page->deselectAllBox().GetSafeHwnd()), 102);
    EXPECT_EQ(::GetDlgCtrlID(page->selectAllBox().GetSafeHwnd()), 1008);

    LONG_PTR style = ::GetWindowLongPtrA(List(), GWL_STYLE);
    EXPECT_TRUE(style & LVS_SHAREIMAGELISTS);
    EXPECT_TRUE(style & LVS_EDITLABELS);
    EXPECT_EQ(ListView_GetExtendedListViewStyle(List()) & LVS_EX_CHECKBOXES,
              static_cast<DWORD>(LVS_EX_CHECKBOXES));
    EXPECT_NE(ListView_GetImageList(List(), LVSIL_SMALL), nullptr);
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(hwnd, IDC_PAGE_SELECT_ALL_BUTTON)));
}

TEST_F(ProgramsPage, EntriesGoInAndComeBackSortedByLabel) {
    page->SetEntries({{"C:\\z.exe", "Zed", true}, {"C:\\a.exe", "Alpha", false}, {game, "", true}});
    EntryList rows = page->GetEntries();
    ASSERT_EQ(rows.size(), 3u);
    // " " sorts first, then " Alpha", then " Zed".
    EXPECT_EQ(rows[0].name, "");
    EXPECT_EQ(rows[0].target, game);
    EXPECT_TRUE(rows[0].checked);
    EXPECT_EQ(rows[1].name, "Alpha");
    EXPECT_FALSE(rows[1].checked);
    EXPECT_EQ(rows[2].target, "C:\\z.exe");
    EXPECT_EQ(Cell(2), " Zed");
    EXPECT_NE(CProgramsDlg::GetFileIconIndex(game), -1);

    page->SetEntries({});
    EXPECT_TRUE(page->GetEntries().empty());
}

TEST_F(ProgramsPage, AddProgramRefusesInOrderAndAppendsUnticked) {
    struct Case {
        std::string path;
        const char* text;
    };
    const Case refused[] = {
        {"", kNoProgramMessage},
        {folder + "missing.exe", kMissingProgramMessage},
        {folder + "..", kNotAProgramMessage},
        {context.exeFullPath, kOwnProgramMessage},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.path);
        messages.clear();
        EXPECT_FALSE(page->AddProgram(c.path, "x"));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, c.text);
        EXPECT_EQ(messages[0].owner, page->GetSafeHwnd());
        EXPECT_EQ(messages[0].caption, "Hushwall");
    }
    EXPECT_TRUE(page->GetEntries().empty());

    messages.clear();
    ASSERT_TRUE(page->AddProgram(game, "Game"));
    ASSERT_TRUE(page->AddProgram(tool, ""));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(page->AddProgram(folder + "GAME.EXE", "Again"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kListedProgramMessage);
    EntryList rows = page->GetEntries();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].target, tool);
    EXPECT_EQ(rows[0].name, "");
    EXPECT_EQ(rows[1].name, "Game");
    EXPECT_FALSE(rows[0].checked || rows[1].checked);
}

TEST_F(ProgramsPage, DeleteTakesTheTickedRowsNotTheSelectedOne) {
    page->SetEntries(
        {{"C:\\a.exe", "A", false}, {"C:\\b.exe", "B", true}, {"C:\\c.exe", "C", true}});
    ListView_SetItemState(List(), 0, LVIS_SELECTED, LVIS_SELECTED);
    page->DeleteCheckedPrograms();
    EXPECT_EQ(Names(), (std::vector<std::string>{"A"}));
    EXPECT_TRUE(messages.empty());
    page->DeleteCheckedPrograms();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "No application selected.\nPlease select at least one application before deletion.");
    EXPECT_EQ(Names(), (std::vector<std::string>{"A"}));
}

TEST_F(ProgramsPage, SelectionBoxesFollowTheRowsAndActOnThem) {
    page->SetEntries({{"C:\\a.exe", "A", false}, {"C:\\b.exe", "B", false}});
    CBitmapCheckBox& all = page->selectAllBox();
    CBitmapCheckBox& none = page->deselectAllBox();
    EXPECT_EQ(none.GetCheck(), 1);
    Tick(0, true);
    EXPECT_EQ(none.GetCheck(), 0);
    EXPECT_EQ(all.GetCheck(), 0);
    Tick(1, true);
    EXPECT_EQ(all.GetCheck(), 1);
    Tick(1, false);
    EXPECT_EQ(all.GetCheck(), 0);

    Click(all);
    EXPECT_EQ(CountChecked(page->GetEntries()), 2u);
    EXPECT_EQ(all.GetCheck(), 1);
    EXPECT_EQ(none.GetCheck(), 0);
    Click(all);  // unticking it leaves the rows as they are
    EXPECT_EQ(all.GetCheck(), 0);
    EXPECT_EQ(CountChecked(page->GetEntries()), 2u);
    Click(none);
    EXPECT_EQ(CountChecked(page->GetEntries()), 0u);
    EXPECT_EQ(none.GetCheck(), 1);

    page->CheckAllPrograms();
    EXPECT_EQ(CountChecked(page->GetEntries()), 2u);
    page->UncheckAllPrograms();
    EXPECT_EQ(CountChecked(page->GetEntries()), 0u);
}

TEST_F(ProgramsPage, RenamingInPlaceKeepsTheTextAsTyped) {
    page->SetEntries({{"C:\\a.exe", "Old", true}});
    ::SetFocus(List());
    HWND edit = ListView_EditLabel(List(), 0);
    ASSERT_NE(edit, nullptr);
    ::SetWindowTextA(edit, "  Mail");
    ::SetFocus(page->GetSafeHwnd());  // leaving the field ends the edit and keeps it
    e2e::Pump(50);
    EXPECT_EQ(Cell(0), "  Mail");
    EXPECT_EQ(page->GetEntries()[0].name, "Mail");

    edit = ListView_EditLabel(List(), 0);
    ASSERT_NE(edit, nullptr);
    ::SetWindowTextA(edit, "");
    ::SetFocus(page->GetSafeHwnd());
    e2e::Pump(50);
    EXPECT_EQ(Cell(0), "  Mail") << "an empty edit changes nothing";
}

TEST_F(ProgramsPage, TheAddDialogStaysOpenOnARefusalAndAddsOnOK) {
    int step = 0;
    bool stayedOpen = false;
    std::string title;
    UINT_PTR timer = ModalDriver::Start([&] {
        HWND dialog = ActiveDialog("Add New Program");
        if (!dialog)
            return false;
        switch (step++) {
            case 0:
                e2e::SetText(::GetDlgItem(dialog, IDC_PROGRAM_PATH), folder + "missing.exe");
                e2e::SetText(::GetDlgItem(dialog, IDC_PROGRAM_NAME), "Nope");
                ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                return false;
            case 1:
                stayedOpen = e2e::Text(::GetDlgItem(dialog, IDC_PROGRAM_NAME)) == "Nope";
                e2e::SetText(::GetDlgItem(dialog, IDC_PROGRAM_PATH), game);
                e2e::SetText(::GetDlgItem(dialog, IDC_PROGRAM_NAME), "My Game");
                ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                return true;
        }
        return true;
    });
    page->ShowAddProgramDialog();
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kMissingProgramMessage);
    ASSERT_EQ(page->GetEntries().size(), 1u);
    EXPECT_EQ(page->GetEntries()[0].name, "My Game");
    EXPECT_EQ(page->GetEntries()[0].target, game);

    // Cancel adds nothing.
    timer = ModalDriver::Start([&] {
        HWND dialog = ActiveDialog("Add New Program");
        if (!dialog)
            return false;
        e2e::SetText(::GetDlgItem(dialog, IDC_PROGRAM_PATH), tool);
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    page->ShowAddProgramDialog();
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(page->GetEntries().size(), 1u);
}

TEST_F(ProgramsPage, BrowsingFillsPathAndNameFromThePickedFile) {
    for (bool pick : {true, false}) {
        SCOPED_TRACE(pick ? "picked" : "cancelled");
        bool browsed = false;
        std::string path, name;
        UINT_PTR timer = ModalDriver::Start([&] {
            HWND dialog = ActiveDialog("Add New Program");  // not while the file dialog is up
            if (!dialog)
                return false;
            if (!browsed) {
                browsed = true;
                e2e::SetText(::GetDlgItem(dialog, IDC_PROGRAM_PATH), "typed path");
                e2e::SetText(::GetDlgItem(dialog, IDC_PROGRAM_NAME), "typed name");
                ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
                return false;
            }
            path = e2e::Text(::GetDlgItem(dialog, IDC_PROGRAM_PATH));
            name = e2e::Text(::GetDlgItem(dialog, IDC_PROGRAM_NAME));
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        FileDialogAnswer::Run([&] { page->ShowAddProgramDialog(); }, pick ? game : "");
        ::KillTimer(nullptr, timer);
        EXPECT_EQ(FileDialogAnswer::title, "Select an application");
        EXPECT_EQ(FileDialogAnswer::fileTypes,
                  (std::vector<std::string>{"Executable Files (*.exe)", "Com Files (*.com)"}));
        EXPECT_EQ(path, pick ? game : "typed path");
        EXPECT_EQ(name, pick ? "game" : "typed name") << "the file's name without extension";
        EXPECT_TRUE(page->GetEntries().empty()) << "Cancel in the add dialog adds nothing";
    }
}

TEST_F(ProgramsPage, ModifyTakesAnyTextsAndKeepsIconAndTick) {
    page->SetEntries({{game, "Game", true}});
    ListView_SetItemState(List(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    LVITEMA before = {};
    before.mask = LVIF_IMAGE;
    ListView_GetItem(List(), &before);
    std::string shownPath, shownName;
    UINT_PTR timer = ModalDriver::Start([&] {
        HWND dialog = ActiveDialog("Modify Program Info");
        if (!dialog)
            return false;
        shownPath = e2e::Text(::GetDlgItem(dialog, IDC_PROGRAM_PATH));
        shownName = e2e::Text(::GetDlgItem(dialog, IDC_PROGRAM_NAME));
        e2e::SetText(::GetDlgItem(dialog, IDC_PROGRAM_PATH), "");
        e2e::SetText(::GetDlgItem(dialog, IDC_PROGRAM_NAME), "Renamed");
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        return true;
    });
    // A double click on the list asks to modify the selected row.
    DoubleClickRow(page->GetSafeHwnd(), List(), IDC_PROGRAM_LIST, 0);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(shownPath, game);
    EXPECT_EQ(shownName, " Game");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Cell(0), "Renamed");
    EntryList rows = page->GetEntries();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].target, "");
    EXPECT_TRUE(rows[0].checked);
    LVITEMA after = {};
    after.mask = LVIF_IMAGE;
    ListView_GetItem(List(), &after);
    EXPECT_EQ(after.iImage, before.iImage);
}

}  // namespace
