// The main window, created for real in this process and driven with the
// messages a user's actions produce.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "app/HushwallDlg_win.h"
#include "app/RegistrySettings_win.h"
#include "e2e/Driver.h"
#include "lists/Profiles.h"
#include "programs/ProgramsDlg_win.h"
#include "res/resource.h"
#include "schedule/ScheduleDlg_win.h"
#include "schedule/ScheduleFile.h"
#include "session/LocalTime.h"
#include "session/SessionPlatform_win.h"
#include "session/SessionRecord.h"
#include "toolkit/App.h"
#include "toolkit/GlobalData.h"
#include "toolkit/Messages.h"
#include "ui/TidewellVisualManager_win.h"
#include "win32/ModalDriver.h"
#include "websites/WebsitesDlg_win.h"

namespace {

constexpr const char* kAppName = "HushwallDialogTest";

using e2e::Pump;

std::string RunValue() {
    return e2e::RunValue(kAppName);
}

class TestApp : public CWinApp {};

class MainDialog : public ::testing::Test {
protected:
    void SetUp() override {
        app.m_hInstance = ::GetModuleHandleA(nullptr);
        CBCGPVisualManager::SetDefaultManager<CTidewellVisualManager>();
        settings.WriteString(kSessionSection, kSessionEntry, "");
        context.exeFullPath = "C:\\tools\\HushwallDialogTest.exe";
        context.exeFolder = e2e::FreshFolder("main-dialog");
        context.appName = kAppName;
        context.settings = &settings;
        SetMessageSink([this](const MessageRecord& record) {
            messages.push_back(record);
            return IDOK;
        });
        dialog = std::make_unique<CHushwallDlg>(context);
        dialog->openHelp = [this](HWND owner, const std::string& path) {
            helpOpened.push_back(path);
            helpOwner = owner;
        };
        ASSERT_TRUE(dialog->Create());
        app.m_pMainWnd = dialog.get();
        hwnd = dialog->GetSafeHwnd();
        ::ShowWindow(hwnd, SW_SHOW);
        ::SetForegroundWindow(hwnd);
        Pump(50);
    }
    void TearDown() override {
        if (dialog) {
            dialog->engine().EndBlocking();
            dialog->DestroyWindow();
        }
        app.m_pMainWnd = nullptr;
        dialog.reset();
        SetMessageSink(nullptr);
        e2e::ForgetSession(kAppName);
    }

    HWND Item(int id) { return ::GetDlgItem(hwnd, id); }
    void Type(int id, const char* text) { ::SetDlgItemTextA(hwnd, id, text); }
    std::string TextOf(int id) {
        char text[64] = {};
        ::GetDlgItemTextA(hwnd, id, text, sizeof(text));
        return text;
    }
    bool PickersEnabled() {
        bool date = ::IsWindowEnabled(Item(IDC_UNTIL_DATE)) != 0;
        EXPECT_EQ(date, ::IsWindowEnabled(Item(IDC_UNTIL_TIME)) != 0);
        return date;
    }
    // A press and release on the upper or lower arrow of an up-down control.
    void ClickArrow(int spinId, bool up) {
        HWND spin = Item(spinId);
        RECT r;
        ::GetClientRect(spin, &r);
        LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
        ::SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageA(spin, WM_LBUTTONUP, 0, at);
    }
    // Where the template puts a control, in pixels of this dialog.
    RECT TemplateRect(int x, int y, int cx, int cy) {
        // Position and size are converted apart, as the dialog manager does.
        RECT r = {x, y, cx, cy};
        ::MapDialogRect(hwnd, &r);
        return {r.left, r.top, r.left + r.right, r.top + r.bottom};
    }
    RECT ClientRectOf(HWND child) {
        RECT r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void PressBlockNow() { ::SendMessageA(Item(IDC_BLOCK_NOW), BM_CLICK, 0, 0); }

    TestApp app;
    RegistrySettings settings{kCompanyKey, kAppName};
    AppContext context;
    std::unique_ptr<CHushwallDlg> dialog;
    HWND hwnd = nullptr;
    std::vector<MessageRecord> messages;
    std::vector<std::string> helpOpened;
    HWND helpOwner = nullptr;
};

TEST_F(MainDialog, ControlsSitWhereTheTemplatePutsThem) {
    char caption[64] = {};
    ::GetWindowTextA(hwnd, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Hushwall!");
    LONG_PTR style = ::GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(::GetMenu(hwnd), nullptr);

    RECT client;
    ::GetClientRect(hwnd, &client);
    RECT full = TemplateRect(0, 0, 405, 300);
    EXPECT_EQ(client.right, full.right);
    EXPECT_EQ(client.bottom, full.bottom);

    struct Expected {
        int id;
        int x, y, cx, cy;
    };
    for (Expected e :
         {Expected{IDC_BLOCK_NOW, 82, 262, 240, 20}, Expected{IDC_DAYS, 68, 215, 44, 14},
          Expected{IDC_MINUTES, 258, 215, 44, 14}, Expected{IDC_UNTIL_DATE, 160, 238, 63, 14},
          Expected{IDC_UNTIL_TIME, 227, 238, 59, 14}}) {
        SCOPED_TRACE(e.id);
        RECT want = TemplateRect(e.x, e.y, e.cx, e.cy);
        RECT got = ClientRectOf(Item(e.id));
        EXPECT_EQ(got.left, want.left);
        EXPECT_EQ(got.top, want.top);
        EXPECT_EQ(got.right, want.right);
        EXPECT_EQ(got.bottom, want.bottom);
    }
    // Up-down controls keep their place; their width is the control's own.
    RECT spin = ClientRectOf(Item(IDC_HOURS_SPIN));
    EXPECT_EQ(spin.left, TemplateRect(204, 215, 13, 14).left);
    EXPECT_EQ(spin.top, TemplateRect(204, 215, 13, 14).top);
    EXPECT_EQ(TextOf(IDC_BLOCK_NOW), "Hushwall NOW!");
    EXPECT_EQ(::SendMessageA(hwnd, DM_GETDEFID, 0, 0), MAKELRESULT(IDC_BLOCK_NOW, DC_HASDEFID));
    EXPECT_TRUE(::GetWindowLongPtrA(Item(IDC_DAYS), GWL_STYLE) & ES_NUMBER);
    EXPECT_TRUE(::GetWindowLongPtrA(Item(IDC_DAYS), GWL_STYLE) & ES_RIGHT);
    EXPECT_EQ(::SendMessageA(Item(IDC_DAYS_SPIN), UDM_GETBUDDY, 0, 0), 0);
    EXPECT_TRUE(PickersEnabled());
    EXPECT_EQ(TextOf(IDC_DAYS), "");
}

TEST_F(MainDialog, ToolbarTabsAndSystemMenu) {
    HWND bar = Item(CBCGPToolBar::kDefaultId);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(dialog->toolbar().GetCount(), 4);
    const UINT ids[] = {ID_NEW_PROFILE, ID_LOAD_PROFILE, ID_SAVE_PROFILE, ID_HELP_FINDER};
    const char* texts[] = {"New Profile", "Load Profile", "Save Profile", "Help"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(dialog->toolbar().GetItemID(i), ids[i]);
        char text[64] = {};
        ::SendMessageA(bar, TB_GETBUTTONTEXTA, ids[i], reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, texts[i]);
    }
    EXPECT_NE(::SendMessageA(bar, TB_GETHOTIMAGELIST, 0, 0), 0) << "hot images on a 24-bit screen";

    RECT client, barRect = ClientRectOf(bar), tabRect = ClientRectOf(Item(IDC_TAB));
    ::GetClientRect(hwnd, &client);
    EXPECT_EQ(barRect.top, 0);
    EXPECT_EQ(barRect.right - barRect.left, client.right);
    EXPECT_EQ(tabRect.top, barRect.bottom + 1);
    EXPECT_EQ(tabRect.bottom - tabRect.top, 277);
    EXPECT_EQ(tabRect.right - tabRect.left, client.right);

    CBCGPTabWnd& tabs = dialog->tabs();
    ASSERT_EQ(tabs.GetTabsNum(), 3);
    const char* labels[] = {"Programs", "Websites", "Schedule"};
    for (int i = 0; i < 3; ++i) {
        char label[32] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = label;
        item.cchTextMax = sizeof(label);
        ::SendMessageA(tabs.GetTabControl(), TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(label, labels[i]);
    }
    // The strip beside the tabs is painted in the face colour, as the page below it is.
    e2e::Pump(100);
    RECT strip;
    ::GetClientRect(tabs.GetTabControl(), &strip);
    HDC dc = ::GetDC(tabs.GetTabControl());
    EXPECT_EQ(::GetPixel(dc, strip.right - 5, 6), globalData.clrBtnFace);
    ::ReleaseDC(tabs.GetTabControl(), dc);
    EXPECT_EQ(globalData.clrBtnFace, RGB(213, 229, 255));
    EXPECT_EQ(::GetParent(dialog->programsPage()->GetSafeHwnd()), tabs.GetSafeHwnd());
    EXPECT_EQ(::GetParent(dialog->websitesPage()->GetSafeHwnd()), tabs.GetSafeHwnd());
    EXPECT_TRUE(::IsWindowVisible(dialog->programsPage()->GetSafeHwnd()));
    EXPECT_FALSE(::IsWindowVisible(dialog->websitesPage()->GetSafeHwnd()));

    HMENU system = ::GetSystemMenu(hwnd, FALSE);
    int count = ::GetMenuItemCount(system);
    char about[64] = {};
    ::GetMenuStringA(system, IDM_ABOUTBOX, about, sizeof(about), MF_BYCOMMAND);
    EXPECT_STREQ(about, "&About Hushwall...");
    EXPECT_EQ(::GetMenuItemID(system, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(::GetMenuState(system, count - 2, MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));

    HICON dragIcon = reinterpret_cast<HICON>(::SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0));
    EXPECT_NE(dragIcon, nullptr);
    EXPECT_EQ(dragIcon, reinterpret_cast<HICON>(::SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0)));
}

TEST_F(MainDialog, DurationFieldsSwitchThePickers) {
    Type(IDC_DAYS, "0");
    Type(IDC_HOURS, "0");
    Type(IDC_MINUTES, "0");
    EXPECT_TRUE(PickersEnabled());
    Type(IDC_HOURS, "5");
    EXPECT_FALSE(PickersEnabled());
    Type(IDC_HOURS, "");
    EXPECT_TRUE(PickersEnabled());
    Type(IDC_DAYS, "100000");  // counts as positive here, though too long to be a duration
    EXPECT_FALSE(PickersEnabled());
}

TEST_F(MainDialog, ArrowsCountWithinEachRange) {
    ClickArrow(IDC_DAYS_SPIN, true);
    EXPECT_EQ(TextOf(IDC_DAYS), "1");
    EXPECT_FALSE(PickersEnabled());
    ClickArrow(IDC_DAYS_SPIN, false);
    EXPECT_EQ(TextOf(IDC_DAYS), "0");
    EXPECT_TRUE(PickersEnabled());
    ClickArrow(IDC_DAYS_SPIN, false);
    EXPECT_EQ(TextOf(IDC_DAYS), "0");

    Type(IDC_DAYS, "24999");
    ClickArrow(IDC_DAYS_SPIN, true);
    EXPECT_EQ(TextOf(IDC_DAYS), "24999");
    Type(IDC_HOURS, "23");
    ClickArrow(IDC_HOURS_SPIN, true);
    EXPECT_EQ(TextOf(IDC_HOURS), "23");
    ClickArrow(IDC_HOURS_SPIN, false);
    EXPECT_EQ(TextOf(IDC_HOURS), "22");
    Type(IDC_MINUTES, "58");
    ClickArrow(IDC_MINUTES_SPIN, true);
    EXPECT_EQ(TextOf(IDC_MINUTES), "59");
    ClickArrow(IDC_MINUTES_SPIN, true);
    EXPECT_EQ(TextOf(IDC_MINUTES), "59");
}

TEST_F(MainDialog, EachRefusalIsToldByTheDialogAndFocusesItsField) {
    struct Case {
        const char *days, *hours, *minutes, *text;
        int focus;
    };
    const Case cases[] = {
        {"", "", "", "Invalid date.\nChoose a future date (at least 1 minute).", 0},
        {"25000", "", "", "Invalid number of days.\nThe number should be in the range [0, 24999].",
         IDC_DAYS},
        {"", "24", "", "Invalid number of hours.\nThe number should be in the range [0, 23].",
         IDC_HOURS},
        {"", "", "60", "Invalid number of minutes.\nThe number should be in the range [0, 59].",
         IDC_MINUTES},
        {"100000", "", "",
         "Invalid duration specified.\nAt least one duration field (number of days, hours, "
         "minutes) must be greater than zero.",
         0},
        {"", "", "1", "No applications selected for blocking.\nCheck at least one application.", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        messages.clear();
        Type(IDC_DAYS, c.days);
        Type(IDC_HOURS, c.hours);
        Type(IDC_MINUTES, c.minutes);
        ::SetFocus(Item(IDC_BLOCK_NOW));
        PressBlockNow();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].owner, hwnd);
        EXPECT_EQ(messages[0].caption, kAppName);
        EXPECT_EQ(messages[0].text, c.text);
        EXPECT_EQ(messages[0].flags, static_cast<UINT>(MB_OK));
        if (c.focus) {
            EXPECT_EQ(::GetFocus(), Item(c.focus));
        }
        EXPECT_FALSE(dialog->engine().blockingActive);
    }
    EXPECT_EQ(settings.GetString(kSessionSection, kSessionEntry), "");
}

TEST_F(MainDialog, AFutureUntilMinuteIsAccepted) {
    dialog->programsPage()->SetEntries({{"C:\\games\\game.exe", "Game", true}});
    SYSTEMTIME later;
    ::GetLocalTime(&later);
    // Two minutes on, carried into the next hour or day by the pickers' own arithmetic.
    FILETIME file;
    ::SystemTimeToFileTime(&later, &file);
    ULARGE_INTEGER ticks = {{file.dwLowDateTime, file.dwHighDateTime}};
    ticks.QuadPart += 2ULL * 60 * 10000000;
    file = {ticks.LowPart, ticks.HighPart};
    ::FileTimeToSystemTime(&file, &later);
    ASSERT_NE(DateTime_SetSystemtime(Item(IDC_UNTIL_DATE), GDT_VALID, &later), 0);
    ASSERT_NE(DateTime_SetSystemtime(Item(IDC_UNTIL_TIME), GDT_VALID, &later), 0);
    PressBlockNow();
    EXPECT_TRUE(messages.empty());
    ASSERT_TRUE(dialog->engine().blockingActive);
    Seconds left = dialog->engine().endTime - SystemClock().Now();
    EXPECT_GT(left, 60);
    EXPECT_LE(left, 120);
}

TEST_F(MainDialog, BlockNowStartsASessionForTheTickedPrograms) {
    dialog->programsPage()->SetEntries(
        {{"C:\\Program Files\\Steam\\steam.exe", "Steam", true},
         {"C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe", "Thunderbird", false},
         {"C:\\Program Files (x86)\\Minecraft Launcher\\MinecraftLauncher.exe", "Minecraft",
          true}});
    Type(IDC_MINUTES, "1");
    e2e::Pump(300);  // painted, for the help's picture
    EXPECT_FALSE(e2e::SaveScreenshot(hwnd, "main-window").empty());
    Seconds before = SystemClock().Now();
    PressBlockNow();
    ASSERT_TRUE(messages.empty());
    SessionEngine& engine = dialog->engine();
    ASSERT_TRUE(engine.blockingActive);
    EXPECT_GE(engine.endTime, before + 60);
    EXPECT_LE(engine.endTime, SystemClock().Now() + 60);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(dialog->tray().trayIconShown);
    EXPECT_EQ(dialog->tray().Tooltip(), "Hushwall!\nDays: 0 Hours: 0 Minutes: 1");
    EXPECT_EQ(RunValue(), "C:\\tools\\HushwallDialogTest.exe");
    EXPECT_EQ(settings.GetString(kSessionSection, kSessionEntry),
              FormatSessionRecord(engine.endTime));

    // The default files were written before the start and are held now.
    const std::string apps = context.exeFolder + "default.apps";
    HANDLE reader = ::CreateFileA(apps.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    // Closing the window undoes the effects but keeps what resumes the session.
    // Its save of the default profile meets the held files and says so.
    dialog->DestroyWindow();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "An error occured while saving the profile.");
    EXPECT_EQ(messages[0].owner, nullptr);
    reader = ::CreateFileA(apps.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "released when the session stops";
    ::CloseHandle(reader);
    EXPECT_FALSE(engine.blockingActive);
    EXPECT_FALSE(dialog->tray().trayIconShown);
    EXPECT_NE(settings.GetString(kSessionSection, kSessionEntry), "");
    EXPECT_EQ(RunValue(), "C:\\tools\\HushwallDialogTest.exe");
}

TEST_F(MainDialog, MenuCommandsBringTheirPageToTheFront) {
    dialog->programsPage()->SetEntries({{"C:\\a.exe", "A", false}, {"C:\\b.exe", "B", true}});
    // Realistic rows: the picture of this page is the help's.
    dialog->websitesPage()->SetEntries({{"https://www.youtube.com/", "YouTube", true},
                                        {"https://www.reddit.com/", "Reddit", false},
                                        {"news.ycombinator.com", "Hacker News", true}});

    ::SendMessageA(hwnd, WM_COMMAND, ID_DESELECT_ALL_WEBSITES, 0);
    EXPECT_EQ(dialog->tabs().GetActiveTab(), 1);
    EXPECT_TRUE(::IsWindowVisible(dialog->websitesPage()->GetSafeHwnd()));
    EXPECT_FALSE(::IsWindowVisible(dialog->programsPage()->GetSafeHwnd()));
    EXPECT_EQ(CountChecked(dialog->websitesPage()->GetEntries()), 0u);

    ::SendMessageA(hwnd, WM_COMMAND, ID_SELECT_ALL_PROGRAMS, 0);
    EXPECT_EQ(dialog->tabs().GetActiveTab(), 0);
    EXPECT_TRUE(::IsWindowVisible(dialog->programsPage()->GetSafeHwnd()));
    EXPECT_EQ(CountChecked(dialog->programsPage()->GetEntries()), 2u);

    ::SendMessageA(hwnd, WM_COMMAND, ID_SELECT_ALL_WEBSITES, 0);
    EXPECT_EQ(dialog->tabs().GetActiveTab(), 1);
    EXPECT_EQ(CountChecked(dialog->websitesPage()->GetEntries()), 3u);
    ::UpdateWindow(hwnd);
    EXPECT_FALSE(e2e::SaveScreenshot(hwnd, "websites-page").empty());
}

TEST_F(MainDialog, TheSchedulePageIsTheThirdTab) {
    CScheduleDlg* page = dialog->schedulePage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(dialog->tabs().GetTabFromHwnd(page->GetSafeHwnd()), 2);
    // Realistic rows: the picture of this page is the help's.
    const EntryList programs = {{"C:\\Games\\steam.exe", "Steam", true},
                                {"C:\\Games\\Minecraft.exe", "Minecraft", true},
                                {"C:\\Discord\\Discord.exe", "Discord", true}};
    const EntryList websites = {{"youtube.com", "YouTube", true},
                                {"reddit.com", "Reddit", true},
                                {"news.ycombinator.com", "Hacker News", true},
                                {"x.com", "X", true},
                                {"instagram.com", "Instagram", true}};
    // The second was deleted and still starts sessions until a day after.
    Seconds until = 0;
    ASSERT_TRUE(FromLocalFields({2026, 12, 10, 10, 15, 0}, until));
    const uint8_t weekdays = kMonday | kTuesday | kWednesday | kThursday | kFriday;
    const uint8_t schoolNights = kSunday | kMonday | kTuesday | kWednesday | kThursday;
    page->SetSchedule({{weekdays, 9 * 60, 17 * 60, programs, websites, 0},
                       {schoolNights, 23 * 60, 6 * 60, {}, websites, until}});
    ASSERT_TRUE(dialog->tabs().SetActiveTab(2));
    EXPECT_TRUE(::IsWindowVisible(page->GetSafeHwnd()));
    EXPECT_FALSE(::IsWindowVisible(dialog->programsPage()->GetSafeHwnd()));
    char blocks[64] = {};
    ListView_GetItemText(page->GetList(), 1, 3, blocks, sizeof(blocks));
    EXPECT_STREQ(blocks, "5 websites, until Thu 10:15");
    ::UpdateWindow(hwnd);
    EXPECT_FALSE(e2e::SaveScreenshot(hwnd, "schedule-page").empty());
}

TEST_F(MainDialog, ASavedBlockKeepsTheRunValueAndTheClosedWindowWaitsBehindTheIcon) {
    const std::time_t later = std::time(nullptr) + 2 * 3600;
    const std::tm local = *std::localtime(&later);
    const int from = local.tm_hour * 60 + local.tm_min;
    const ScheduleBlock block{
        kEveryDay, from, (from + 60) % 1440, {{"C:\\Games\\game.exe", "Game", true}}, {}, 0};
    dialog->schedulePage()->onEdit({ScheduleEdit::Add, 0, block});
    Schedule saved;
    ASSERT_EQ(LoadSchedule(context.exeFolder + kScheduleFileName, saved), ScheduleFileResult::Ok);
    EXPECT_EQ(saved.size(), 1u);
    EXPECT_EQ(RunValue(), "\"C:\\tools\\HushwallDialogTest.exe\" /schedule");
    EXPECT_FALSE(dialog->engine().blockingActive);

    ::SendMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_TRUE(dialog->tray().IconShown());
    char expected[64] = {};
    std::strftime(expected, sizeof(expected), "Hushwall - next block %a %H:%M", &local);
    EXPECT_EQ(dialog->tray().Tooltip(), expected);

    // Deleted, it stays a day as a retired copy, and the Run value with it.
    dialog->schedulePage()->onEdit({ScheduleEdit::Delete, 0, {}});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kLoosenLaterMessage);
    ASSERT_EQ(LoadSchedule(context.exeFolder + kScheduleFileName, saved), ScheduleFileResult::Ok);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_GT(saved[0].until, static_cast<int64_t>(later) - 2 * 3600);
    EXPECT_NE(RunValue(), "<none>");
}

TEST_F(MainDialog, WithoutTheFilterServiceTheWebsitesPageSaysWhyAndCoversNothing) {
    ASSERT_FALSE(dialog->engine().websiteBlockingAvailable) << "no filter service under Wine";
    CWebsitesDlg* page = dialog->websitesPage();
    HWND line = page->unavailableLine();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(e2e::Text(line),
              "Website blocking is unavailable: the Hushwall filter service is not installed.");
    ::SendMessageA(hwnd, WM_COMMAND, ID_SELECT_ALL_WEBSITES, 0);
    EXPECT_TRUE(::IsWindowVisible(line));

    RECT lineRect = ClientRectOf(line), pageRect = ClientRectOf(page->GetSafeHwnd()), overlap;
    EXPECT_TRUE(::IntersectRect(&overlap, &lineRect, &pageRect) && ::EqualRect(&overlap, &lineRect))
        << "inside the page";
    for (HWND w = ::GetWindow(page->GetSafeHwnd(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        if (w == line)
            continue;
        RECT other = ClientRectOf(w);
        EXPECT_FALSE(::IntersectRect(&overlap, &lineRect, &other)) << e2e::Text(w);
    }
    // The text fits the line: no ellipsis needed.
    HDC dc = ::GetDC(line);
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(line, WM_GETFONT, 0, 0)));
    SIZE size = {};
    const std::string text = e2e::Text(line);
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(line, dc);
    EXPECT_LE(size.cx, lineRect.right - lineRect.left);
    EXPECT_LE(size.cy, lineRect.bottom - lineRect.top);
    ::UpdateWindow(hwnd);
    EXPECT_FALSE(e2e::SaveScreenshot(hwnd, "websites-page-unavailable").empty());
}

TEST_F(MainDialog, HelpFromF1AndTheToolbarOpensTheFileBesideTheProgram) {
    const std::string file = context.exeFolder + "Hushwall.chm";
    // F1 from the keyboard itself: the system makes the help request of it.
    ::SetForegroundWindow(hwnd);
    ::SetFocus(Item(IDC_MINUTES));
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
    Pump(300);
    ASSERT_EQ(helpOpened.size(), 1u);
    EXPECT_EQ(helpOpened[0], file);
    EXPECT_EQ(helpOwner, hwnd);

    HWND bar = Item(CBCGPToolBar::kDefaultId);
    RECT button = {};
    ::SendMessageA(bar, TB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&button));
    LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    ::SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(bar, WM_LBUTTONUP, 0, at);
    Pump(50);
    ASSERT_EQ(helpOpened.size(), 2u);
    EXPECT_EQ(helpOpened[1], file);

    ::SendMessageA(hwnd, WM_COMMAND, ID_HELP_FINDER, 0);
    EXPECT_EQ(helpOpened.size(), 3u);
}

TEST_F(MainDialog, EnterPressesHushwallNow) {
    ::SetForegroundWindow(hwnd);
    ::SetFocus(Item(IDC_MINUTES));
    Type(IDC_MINUTES, "1");
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_RETURN;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(::SendInput(2, keys, sizeof(INPUT)), 2u);
    e2e::PumpUntil([&] { return !messages.empty(); }, 1000);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, kNothingToBlockMessage);
    EXPECT_TRUE(::IsWindow(hwnd)) << "Enter does not close the window";
}

TEST_F(MainDialog, DuringASessionTheIconAsksForTheKey) {
    ASSERT_NE(::LoadLibraryA("riched20.dll"), nullptr);
    dialog->programsPage()->SetEntries({{"C:\\games\\a.exe", "A", true}});
    Type(IDC_MINUTES, "5");
    PressBlockNow();
    ASSERT_TRUE(dialog->engine().blockingActive);
    ASSERT_TRUE(dialog->tray().trayIconShown);

    // Cancel: the icon comes back and the session goes on.
    bool iconGoneMeanwhile = false;
    UINT_PTR timer = ModalDriver::Start([&] {
        HWND key = ActiveDialog("Hushwall! - Enter 64-Letter String");
        if (!key)
            return false;
        iconGoneMeanwhile = !dialog->tray().trayIconShown;
        ::PostMessageA(key, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    ::SendMessageA(hwnd, CTrayIcon::kCallbackMessage, 0, WM_LBUTTONUP);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(iconGoneMeanwhile);
    EXPECT_TRUE(dialog->engine().blockingActive);
    EXPECT_TRUE(dialog->tray().trayIconShown);
    EXPECT_FALSE(::IsWindowVisible(hwnd));

    // The right key: the window comes back and the session is over for good.
    timer = ModalDriver::Start([&] {
        HWND key = ActiveDialog("Hushwall! - Enter 64-Letter String");
        if (!key)
            return false;
        e2e::SetText(::GetDlgItem(key, IDC_KEY_ENTRY), e2e::Text(::GetDlgItem(key, IDC_KEY_SHOW)));
        ::PostMessageA(key, WM_COMMAND, IDOK, 0);
        return true;
    });
    ::SendMessageA(hwnd, CTrayIcon::kCallbackMessage, 0, WM_RBUTTONUP);  // the right button too
    ::KillTimer(nullptr, timer);
    EXPECT_FALSE(dialog->engine().blockingActive);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetFocus(), Item(IDC_MINUTES));
    EXPECT_FALSE(dialog->tray().trayIconShown);
    EXPECT_EQ(settings.GetString(kSessionSection, kSessionEntry), "");
    EXPECT_EQ(RunValue(), "<none>");
}

// Whether the shell holds the dialog's icon: a change of nothing succeeds only then.
bool ShellHasIcon(const NOTIFYICONDATAA& data) {
    NOTIFYICONDATAA probe = data;
    probe.uFlags = 0;
    return ::Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

TEST_F(MainDialog, TheIconComesBackWhenTheShellStartsAgain) {
    const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    const NOTIFYICONDATAA& icon = dialog->tray().trayData;
    ::SendMessageA(hwnd, taskbarCreated, 0, 0);
    EXPECT_FALSE(ShellHasIcon(icon)) << "no session, no icon";

    ASSERT_NE(::LoadLibraryA("riched20.dll"), nullptr);
    dialog->programsPage()->SetEntries({{"C:\\games\\a.exe", "A", true}});
    Type(IDC_MINUTES, "5");
    PressBlockNow();
    ASSERT_TRUE(dialog->engine().blockingActive);
    ASSERT_TRUE(ShellHasIcon(icon));
    const std::string tip = dialog->tray().Tooltip();

    // Explorer ends, taking every icon with it, and broadcasts when it is back.
    NOTIFYICONDATAA gone = icon;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &gone));
    ASSERT_FALSE(ShellHasIcon(icon));
    ::PostMessageA(HWND_BROADCAST, taskbarCreated, 0, 0);
    EXPECT_TRUE(e2e::PumpUntil([&] { return ShellHasIcon(icon); }, 2000));
    EXPECT_EQ(dialog->tray().Tooltip(), tip);
    EXPECT_TRUE(dialog->tray().trayIconShown);

    // A click still asks for the key; meanwhile the icon is not to be shown.
    bool keyAsked = false;
    bool iconAddedMeanwhile = true;
    UINT_PTR timer = ModalDriver::Start([&] {
        HWND key = ActiveDialog("Hushwall! - Enter 64-Letter String");
        if (!key)
            return false;
        keyAsked = true;
        ::SendMessageA(hwnd, taskbarCreated, 0, 0);
        iconAddedMeanwhile = ShellHasIcon(icon);
        ::PostMessageA(key, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    ::SendMessageA(hwnd, CTrayIcon::kCallbackMessage, 0, WM_LBUTTONUP);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(keyAsked);
    EXPECT_FALSE(iconAddedMeanwhile);
    EXPECT_TRUE(dialog->engine().blockingActive);
    EXPECT_TRUE(ShellHasIcon(icon)) << "Cancel brings the icon back";
}

// Closes the About box from inside its modal loop, as the user would.
struct AboutCloser {
    static inline HWND main = nullptr;
    static inline bool byEscape = false;
    static inline SIZE seen = {};
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND about = ::GetActiveWindow();
        if (!about || about == main)
            return;
        ::KillTimer(nullptr, id);
        RECT r;
        ::GetClientRect(about, &r);
        seen = {r.right, r.bottom};
        ::UpdateWindow(about);
        if (!byEscape)
            e2e::SaveScreenshot(about, "about-box");
        if (byEscape)
            ::PostMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        else
            ::PostMessageA(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
    }
};

TEST_F(MainDialog, AboutBoxClosesOnAClickOrEscape) {
    AboutCloser::main = hwnd;
    // The picture's own size, which the template's 329 x 207 units give on Windows.
    RECT want = {0, 0, 494, 336};
    struct Way {
        const char* what;
        UINT msg;
        WPARAM command;
        bool escape;
    };
    for (Way way : {Way{"system menu, click", WM_SYSCOMMAND, IDM_ABOUTBOX, false},
                    Way{"system menu, Escape", WM_SYSCOMMAND, IDM_ABOUTBOX, true},
                    Way{"About command, click", WM_COMMAND, ID_APP_ABOUT, false}}) {
        SCOPED_TRACE(way.what);
        AboutCloser::byEscape = way.escape;
        AboutCloser::seen = {};
        UINT_PTR timer = ::SetTimer(nullptr, 0, 100, AboutCloser::Tick);
        DWORD start = ::GetTickCount();
        ::SendMessageA(hwnd, way.msg, way.command, 0);  // returns once the box has closed
        ::KillTimer(nullptr, timer);
        EXPECT_LT(::GetTickCount() - start, 3000u);
        EXPECT_EQ(AboutCloser::seen.cx, want.right);
        EXPECT_EQ(AboutCloser::seen.cy, want.bottom);
    }
}

}  // namespace
