// Profiles through a real main window: the toolbar's commands open the
// system's file dialogs, which a timer inside their modal loop fills in and
// confirms as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/HushwallDlg_win.h"
#include "app/RegistrySettings_win.h"
#include "e2e/Driver.h"
#include "lists/ListFile.h"
#include "lists/Profiles.h"
#include "programs/ProgramsDlg_win.h"
#include "res/resource.h"
#include "session/SessionRecord.h"
#include "toolkit/App.h"
#include "toolkit/Messages.h"
#include "ui/TidewellVisualManager_win.h"
#include "win32/FileDialogAnswer.h"
#include "websites/WebsitesDlg_win.h"

static bool operator==(const ListEntry& a, const ListEntry& b) {
    return a.target == b.target && a.name == b.name && a.checked == b.checked;
}
static void PrintTo(const ListEntry& e, std::ostream* os) {
    *os << "{" << e.target << ", " << e.name << ", " << (e.checked ? "ticked" : "not ticked")
        << "}";
}

namespace {

constexpr const char* kAppName = "HushwallProfilesTest";

// In the order the pages sort their rows.
const EntryList kPrograms = {{"C:\\Tools\\a.exe", "A tool", false},
                             {"C:\\Games\\b.exe", "B game", true}};
const EntryList kWebsites = {{"http://news.example.com", "News", false},
                             {"video.example.org", "Video", true}};

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

EntryList Load(const std::string& path) {
    EntryList list;
    EXPECT_TRUE(LoadEntryList(path, list)) << path;
    return list;
}

class TestApp : public CWinApp {};

class ProfilesWin : public ::testing::Test {
protected:
    void SetUp() override {
        app.m_hInstance = ::GetModuleHandleA(nullptr);
        CBCGPVisualManager::SetDefaultManager<CTidewellVisualManager>();
        settings.WriteString(kSessionSection, kSessionEntry, "");
        folder = e2e::FreshFolder("profiles-win");
        context.exeFullPath = folder + kAppName + ".exe";
        context.exeFolder = folder;
        context.appName = kAppName;
        context.settings = &settings;
        SetMessageSink([this](const MessageRecord& record) {
            messages.push_back(record);
            return IDOK;
        });
        Open();
    }
    void TearDown() override {
        Close();
        SetMessageSink(nullptr);
        e2e::ForgetSession(kAppName);
    }

    void Open() {
        dialog = std::make_unique<CHushwallDlg>(context);
        ASSERT_TRUE(dialog->Create());
        app.m_pMainWnd = dialog.get();
        hwnd = dialog->GetSafeHwnd();
        ::ShowWindow(hwnd, SW_SHOW);
        e2e::Pump(50);
    }
    void Close() {
        if (dialog) {
            dialog->engine().EndBlocking();
            dialog->DestroyWindow();
        }
        app.m_pMainWnd = nullptr;
        dialog.reset();
    }

    ListPage& Programs() { return *dialog->programsPage(); }
    ListPage& Websites() { return *dialog->websitesPage(); }
    void Fill(const EntryList& programs, const EntryList& websites) {
        Programs().SetEntries(programs);
        Websites().SetEntries(websites);
    }
    void ExpectRows(const EntryList& programs, const EntryList& websites) {
        EXPECT_EQ(Programs().GetEntries(), programs);
        EXPECT_EQ(Websites().GetEntries(), websites);
    }
    void ExpectOneMessage(const char* text, HWND owner) {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, text);
        EXPECT_EQ(messages[0].owner, owner);
        EXPECT_EQ(messages[0].caption, kAppName);
        EXPECT_EQ(messages[0].flags, static_cast<UINT>(MB_OK));
    }
    // Holds a file open the way a running session or another program would: no sharing.
    HANDLE Hold(const std::string& path) {
        return ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    TestApp app;
    RegistrySettings settings{kCompanyKey, kAppName};
    AppContext context;
    std::string folder;
    std::unique_ptr<CHushwallDlg> dialog;
    HWND hwnd = nullptr;
    std::vector<MessageRecord> messages;
};

TEST_F(ProfilesWin, SaveAndLoadThroughTheSystemDialogs) {
    Fill(kPrograms, kWebsites);
    // Typed without an extension: the dialog adds ".profile".
    FileDialogAnswer::RunCommand(hwnd, ID_SAVE_PROFILE, folder + "work");
    EXPECT_EQ(FileDialogAnswer::title, "Select the profile path");
    EXPECT_EQ(FileDialogAnswer::fileTypes,
              (std::vector<std::string>{"Profile Files (*.profile)", "All Files (*.*)"}));
    EXPECT_TRUE(messages.empty());
    ASSERT_TRUE(Exists(folder + "work.profile"));
    EXPECT_EQ(Read(folder + "work.profile"), "");
    EXPECT_EQ(Load(folder + "work.apps"), kPrograms);
    EXPECT_EQ(Load(folder + "work.webs"), kWebsites);

    // Saving over an existing profile asks nothing.
    const EntryList fewer = {kPrograms[0]};
    Fill(fewer, {});
    FileDialogAnswer::RunCommand(hwnd, ID_SAVE_PROFILE, folder + "work.profile");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Load(folder + "work.apps"), fewer);
    EXPECT_EQ(Load(folder + "work.webs"), EntryList());

    ASSERT_TRUE(SaveEntryList(folder + "work.webs", kWebsites));
    Fill(kPrograms, {});
    FileDialogAnswer::RunCommand(hwnd, ID_LOAD_PROFILE, folder + "WORK.PROFILE");
    EXPECT_EQ(FileDialogAnswer::title, "Select a profile to load");
    EXPECT_EQ(FileDialogAnswer::fileTypes,
              (std::vector<std::string>{"Profile Files (*.profile)", "All Files (*.*)"}));
    EXPECT_TRUE(messages.empty());
    ExpectRows(fewer, kWebsites);
}

TEST_F(ProfilesWin, CancelledDialogsChangeNothing) {
    Fill(kPrograms, kWebsites);
    FileDialogAnswer::RunCommand(hwnd, ID_SAVE_PROFILE, "");
    FileDialogAnswer::RunCommand(hwnd, ID_LOAD_PROFILE, "");
    EXPECT_TRUE(messages.empty());
    ExpectRows(kPrograms, kWebsites);
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "*.*").c_str(), &data);
    int files = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ++files;
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    EXPECT_EQ(files, 0);
}

TEST_F(ProfilesWin, LoadingShowsWhichListFailedAndKeepsItsRows) {
    const EntryList saved = {{"C:\\saved.exe", "Saved", true}};
    ASSERT_TRUE(CreateEmptyFile(folder + "half.profile"));
    ASSERT_TRUE(SaveEntryList(folder + "half.apps", saved));
    Fill(kPrograms, kWebsites);
    FileDialogAnswer::RunCommand(hwnd, ID_LOAD_PROFILE, folder + "half.profile");
    ExpectOneMessage(kLoadWebsitesError, hwnd);
    ExpectRows(saved, kWebsites);

    // A list file picked by its own name is not a profile: nothing happens.
    messages.clear();
    Fill(kPrograms, kWebsites);
    FileDialogAnswer::RunCommand(hwnd, ID_LOAD_PROFILE, folder + "half.apps");
    EXPECT_TRUE(messages.empty());
    ExpectRows(kPrograms, kWebsites);
}

TEST_F(ProfilesWin, SavingOntoAHeldListFileFailsAndKeepsTheRows) {
    Fill(kPrograms, kWebsites);
    ASSERT_TRUE(SaveEntryList(folder + "held.apps", {}));
    ASSERT_TRUE(SaveEntryList(folder + "held.webs", {}));
    const std::string before = Read(folder + "held.webs");
    {
        SCOPED_TRACE("programs list held");
        HANDLE held = Hold(folder + "held.apps");
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        FileDialogAnswer::RunCommand(hwnd, ID_SAVE_PROFILE, folder + "held.profile");
        ::CloseHandle(held);
        ExpectOneMessage(kSaveProgramsError, nullptr);
        ExpectRows(kPrograms, kWebsites);
        EXPECT_EQ(Load(folder + "held.apps"), EntryList());
        EXPECT_EQ(Read(folder + "held.webs"), before) << "the websites list is not written after";
        EXPECT_TRUE(Exists(folder + "held.profile"));
    }
    {
        SCOPED_TRACE("websites list held");
        messages.clear();
        HANDLE held = Hold(folder + "held.webs");
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        FileDialogAnswer::RunCommand(hwnd, ID_SAVE_PROFILE, folder + "held.profile");
        ::CloseHandle(held);
        ExpectOneMessage(kSaveWebsitesError, nullptr);
        ExpectRows(kPrograms, kWebsites);
        EXPECT_EQ(Load(folder + "held.apps"), kPrograms);
        EXPECT_EQ(Read(folder + "held.webs"), before);
    }
    {
        SCOPED_TRACE("marker held");
        messages.clear();
        HANDLE held = Hold(folder + "held.profile");
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(SaveEntryList(folder + "held.apps", {}));
        FileDialogAnswer::RunCommand(hwnd, ID_SAVE_PROFILE, folder + "held.profile");
        ::CloseHandle(held);
        ExpectOneMessage(kSaveProfileError, nullptr);
        EXPECT_EQ(Load(folder + "held.apps"), EntryList());
    }
}

TEST_F(ProfilesWin, ClosingSavesTheDefaultProfileThatTheNextStartShows) {
    // A first start without default files: New Profile brings back the pages' own rows.
    EXPECT_EQ(Programs().startupList, nullptr);
    EXPECT_EQ(Websites().startupList, nullptr);
    const EntryList ownPrograms = Programs().GetEntries();
    Fill(kPrograms, kWebsites);
    ::SendMessageA(hwnd, WM_COMMAND, ID_NEW_PROFILE, 0);
    ExpectRows(ownPrograms, {});

    // Nothing ticked, and still saved.
    EntryList programs = kPrograms, websites = kWebsites;
    programs[1].checked = websites[1].checked = false;
    Fill(programs, websites);
    Close();
    EXPECT_EQ(Read(folder + "default.profile"), "");
    EXPECT_TRUE(Exists(folder + "default.profile"));
    EXPECT_EQ(Load(folder + "default.apps"), programs);
    EXPECT_EQ(Load(folder + "default.webs"), websites);

    Open();
    ExpectRows(programs, websites);
    Fill(kPrograms, {});
    ::SendMessageA(hwnd, WM_COMMAND, ID_NEW_PROFILE, 0);
    ExpectRows(programs, websites);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ProfilesWin, HushwallNowSavesTheDefaultProfileFirst) {
    Fill(kPrograms, kWebsites);
    ::SetDlgItemTextA(hwnd, IDC_MINUTES, "5");
    ASSERT_TRUE(SaveEntryList(folder + "default.apps", {}));
    HANDLE held = Hold(folder + "default.apps");
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ::SendMessageA(::GetDlgItem(hwnd, IDC_BLOCK_NOW), BM_CLICK, 0, 0);
    ::CloseHandle(held);
    ExpectOneMessage(kSaveProgramsError, nullptr);
    EXPECT_FALSE(dialog->engine().blockingActive);
    EXPECT_TRUE(::IsWindowVisible(hwnd));

    messages.clear();
    ::SendMessageA(::GetDlgItem(hwnd, IDC_BLOCK_NOW), BM_CLICK, 0, 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(dialog->engine().blockingActive);
    // The session holds the files it saved; they can be read once it is over.
    dialog->engine().EndBlocking();
    EXPECT_EQ(Load(folder + "default.apps"), kPrograms);
    EXPECT_EQ(Load(folder + "default.webs"), kWebsites);
}

// A list file may hold labels of any length; the pages give back every byte.
TEST_F(ProfilesWin, LongLabelsComeBackWhole) {
    auto longName = [](const std::string& start) {
        std::string name = start;
        for (int i = 0; name.size() < 5000; ++i)
            name += static_cast<char>('a' + i % 26);
        return name;
    };
    const EntryList programs = {{"C:\\Tools\\a.exe", longName("A tool "), true},
                                {"C:\\Games\\b.exe", "B game", false}};
    const EntryList websites = {{"news.example.com", longName("News "), true}};
    Close();
    ASSERT_TRUE(CreateEmptyFile(folder + "default.profile"));
    ASSERT_TRUE(SaveEntryList(folder + "default.apps", programs));
    ASSERT_TRUE(SaveEntryList(folder + "default.webs", websites));
    const std::string appsBytes = Read(folder + "default.apps");
    const std::string websBytes = Read(folder + "default.webs");
    ASSERT_GT(appsBytes.size(), 5000u);

    Open();
    ExpectRows(programs, websites);
    Close();  // saves the default profile
    EXPECT_TRUE(Read(folder + "default.apps") == appsBytes) << "programs";
    EXPECT_TRUE(Read(folder + "default.webs") == websBytes) << "websites";
    EXPECT_TRUE(messages.empty());
}

}  // namespace
