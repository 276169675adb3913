#include "app/HushwallDlg_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "lists/Profiles.h"
#include "programs/ProgramsDlg_win.h"
#include "app/AboutDlg_win.h"
#include "res/resource.h"
#include "schedule/ScheduleCheck.h"
#include "schedule/ScheduleDlg_win.h"
#include "session/KeyDlg_win.h"
#include "toolkit/App.h"
#include "toolkit/GlobalData.h"
#include "toolkit/Messages.h"
#include "serviceclient/ServicePipe_win.h"
#include "websites/FirewallHookDriver_win.h"
#include "websites/WebsitesDlg_win.h"
#include "session/SessionRecord.h"

namespace {

constexpr int kTabHeight = 277;
const std::vector<COLORREF> kTabColors = {RGB(148, 175, 230), RGB(189, 205, 159),
                                          RGB(230, 196, 148)};

HICON LoadMainIcon(int sizeMetricX, int sizeMetricY) {
    return static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                           IMAGE_ICON, ::GetSystemMetrics(sizeMetricX),
                                           ::GetSystemMetrics(sizeMetricY), 0));
}

void ShellOpen(HWND owner, const std::string& path) {
    ::ShellExecuteA(owner, "Open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The field that an up-down control counts for.
struct DurationControl {
    int spinId;
    int fieldId;
    DurationField field;
};
constexpr DurationControl kDurationControls[] = {
    {IDC_DAYS_SPIN, IDC_DAYS, DurationField::Days},
    {IDC_HOURS_SPIN, IDC_HOURS, DurationField::Hours},
    {IDC_MINUTES_SPIN, IDC_MINUTES, DurationField::Minutes},
};

int FieldId(DurationField field) {
    for (const DurationControl& control : kDurationControls)
        if (control.field == field)
            return control.fieldId;
    return 0;
}

}  // namespace

CHushwallDlg::CHushwallDlg(const AppContext& context)
    : CBCGPDialog(IDD_HUSHWALL_DIALOG),
      openHelp(ShellOpen),
      m_context(context),
      m_autorun(context.appName, context.exeFullPath),
      m_service(SystemServicePipe()),
      m_driver(SystemDriverPlatform(), m_service),
      m_websiteSteps(
          m_driver, [this] { return SessionWebsiteEntries(); }, context.exeFolder, m_resolver,
          m_cracker,
          [mailbox = m_mailbox](uint64_t ticket, WebsiteTargets targets) {
              std::lock_guard<std::mutex> lock(mailbox->mutex);
              mailbox->outcomes.emplace_back(ticket, std::move(targets));
              if (HWND window = mailbox->window)
                  ::PostMessageA(window, kWebsitesResolvedMessage, 0, 0);
          },
          WinsockLookupLimits()),
      m_engine(SessionServices{m_clock, m_monotonic, m_timers, *context.settings, m_scheduleAutorun,
                               m_tray, *this, &m_websiteSteps, &m_guard},
               isNTPlatform),
      m_profileDialogs([this] { return m_hWnd; }, context.appName),
      m_profiles(m_profileDialogs, context.exeFolder) {
    // Website blocking needs the filter service's pipe; without it sessions
    // block programs only.
    m_engine.websiteBlockingAvailable = m_driver.OpenDevice();
    m_icon = LoadMainIcon(SM_CXICON, SM_CYICON);
    m_smallIcon = LoadMainIcon(SM_CXSMICON, SM_CYSMICON);
    globalData.FaceBrush();
}

CHushwallDlg::~CHushwallDlg() {
    m_schedule.reset();
    m_programs.reset();
    m_websites.reset();
    if (m_engine.blockingActive)
        m_engine.StopForExit();
    if (m_icon)
        ::DestroyIcon(m_icon);
    if (m_smallIcon)
        ::DestroyIcon(m_smallIcon);
}

BOOL CHushwallDlg::OnInitDialog() {
    CBCGPDialog::OnInitDialog();
    m_timers.SetWindow(m_hWnd);
    m_mailbox->window = m_hWnd;

    // A stored session resumes: the window stays hidden from the start.
    const bool resume = m_engine.ResumeFromRecord(
        m_context.settings->GetString(kSessionSection, kSessionEntry, ""));
    if (resume)
        ::ShowWindow(m_hWnd, SW_HIDE);

    char about[128] = {};
    HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu &&
        ::LoadStringA(AfxGetInstanceHandle(), IDS_ABOUTBOX, about, sizeof(about)) > 0) {
        ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
    }

    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));

    CreateToolBar();
    m_tray.Init(m_hWnd, m_icon, &m_engine.endTime);
    CreatePages();

    ::EnableWindow(GetDlgItem(IDC_UNTIL_DATE), TRUE);
    ::EnableWindow(GetDlgItem(IDC_UNTIL_TIME), TRUE);

    LoadScheduleAtStart();
    if (resume) {
        // A session the schedule started blocks the blocks' entries, not the pages' ticks.
        if (m_context.settings->GetString(kSessionSection, kScheduledEntry, "") == "1")
            m_scheduled = ScheduledSession{};
        m_tray.HideToTray();
        m_engine.StartBlocking();
    }
    RunScheduleCheck();
    if (!m_engine.blockingActive && HasBlocks() && HasScheduleSwitch(::GetCommandLineA()))
        WaitBehindIcon();
    return TRUE;
}

void CHushwallDlg::CreateToolBar() {
    if (!m_toolbar.Create(m_hWnd))
        return;
    m_toolbar.LoadToolBar(IDR_TOOLBAR, globalData.GetBitsPerPixel() > 8 ? IDB_TOOLBAR_HOT : 0);
}

void CHushwallDlg::OnToolBarReset() {
    static const char* const kTexts[] = {"New Profile", "Load Profile", "Save Profile", "Help"};
    for (int i = 0; i < 4; ++i)
        m_toolbar.SetButtonText(i, kTexts[i]);
}

void CHushwallDlg::CreatePages() {
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    int top = m_toolbar.GetSafeHwnd() ? m_toolbar.GetHeight() + 1 : 1;
    RECT rect = {0, top, client.right, top + kTabHeight};
    if (!m_tabs.Create(rect, m_hWnd, IDC_TAB))
        return;
    m_tabs.SetAutoColors(kTabColors);

    m_programs = std::make_unique<CProgramsDlg>(m_tabs.GetSafeHwnd(), m_context);
    m_websites = std::make_unique<CWebsitesDlg>(m_tabs.GetSafeHwnd(), m_context);
    if (!m_programs->GetSafeHwnd() || !m_websites->GetSafeHwnd())
        return;

    m_profiles.SetPages(m_programs.get(), m_websites.get());
    m_profiles.LoadStartupLists();
    m_tabs.AddTab(m_programs->GetSafeHwnd(), "Programs");
    m_tabs.AddTab(m_websites->GetSafeHwnd(), "Websites");
    m_schedule = std::make_unique<CScheduleDlg>(m_tabs.GetSafeHwnd(), m_context);
    m_schedule->SetListPages(m_programs.get(), m_websites.get());
    if (m_schedule->GetSafeHwnd())
        m_tabs.AddTab(m_schedule->GetSafeHwnd(), "Schedule");
    if (!m_engine.websiteBlockingAvailable)
        m_websites->ShowUnavailableLine(WebsiteBlockingUnavailableText(QueryFilterServiceState()));
    m_programs->ResetToStartup();
    m_websites->ResetToStartup();
}

bool CHushwallDlg::OnCommand(WORD id, WORD code) {
    switch (id) {
        case IDC_BLOCK_NOW:
            if (!m_engine.blockingActive) {
                m_scheduled.reset();
                m_context.settings->WriteString(kSessionSection, kScheduledEntry, "");
            }
            m_engine.OnBlockNow();
            return true;
        case IDC_DAYS:
        case IDC_HOURS:
        case IDC_MINUTES:
            if (code == EN_CHANGE)
                UpdateUntilPickers();
            return true;
        case ID_NEW_PROFILE:
            m_profiles.OnNewProfile();
            return true;
        case ID_LOAD_PROFILE:
            m_profiles.OnLoadProfile();
            return true;
        case ID_SAVE_PROFILE:
            m_profiles.OnSaveProfile();
            return true;
        case ID_APP_EXIT:
            if (!m_engine.blockingActive)
                ::PostQuitMessage(0);
            return true;
        case ID_APP_ABOUT:
            OnAbout();
            return true;
        case ID_HELP_FINDER:
            OnHelp();
            return true;
        case ID_ADD_PROGRAM:
            return OnPageCommand(m_programs, &CProgramsDlg::ShowAddProgramDialog);
        case ID_DELETE_PROGRAMS:
            return OnPageCommand(m_programs, &CProgramsDlg::DeleteCheckedPrograms);
        case ID_SELECT_ALL_PROGRAMS:
            return OnPageCommand(m_programs, &CProgramsDlg::CheckAllPrograms);
        case ID_DESELECT_ALL_PROGRAMS:
            return OnPageCommand(m_programs, &CProgramsDlg::UncheckAllPrograms);
        case ID_ADD_WEBSITE:
            return OnPageCommand(m_websites, &CWebsitesDlg::ShowAddWebsiteDialog);
        case ID_DELETE_WEBSITES:
            return OnPageCommand(m_websites, &CWebsitesDlg::DeleteCheckedWebsites);
        case ID_SELECT_ALL_WEBSITES:
            return OnPageCommand(m_websites, &CWebsitesDlg::CheckAllWebsites);
        case ID_DESELECT_ALL_WEBSITES:
            return OnPageCommand(m_websites, &CWebsitesDlg::UncheckAllWebsites);
    }
    return CBCGPDialog::OnCommand(id, code);
}

// The page's tab comes to the front first, then the page does the command.
template <class Page>
bool CHushwallDlg::OnPageCommand(const std::unique_ptr<Page>& page, void (Page::*command)()) {
    if (page) {
        m_tabs.BringToFront(page->GetSafeHwnd());
        (page.get()->*command)();
    }
    return true;
}

bool CHushwallDlg::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->code == UDN_DELTAPOS) {
        for (const DurationControl& control : kDurationControls) {
            if (header->idFrom == static_cast<UINT_PTR>(control.spinId)) {
                auto* change = reinterpret_cast<NMUPDOWN*>(header);
                result = RefuseDurationStep(control.fieldId, control.field, change->iDelta);
                return true;
            }
        }
    }
    return CBCGPDialog::OnNotify(header, result);
}

void CHushwallDlg::OnTimer(UINT_PTR id) {
    if (id == WindowSessionTimers::kSessionTimerId) {
        m_engine.OnSessionTick();
        // Over by its time: the icon waits for the next block.
        if (!m_engine.blockingActive)
            RunScheduleCheck();
    } else if (id == WindowSessionTimers::kBeatTimerId) {
        m_engine.OnBeat();
    } else if (id == kScheduleTimerId) {
        RunScheduleCheck();
    }
}

INT_PTR CHushwallDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    handled = true;
    switch (msg) {
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == IDM_ABOUTBOX) {
                OnAbout();
                return 0;
            }
            break;
        case WM_PAINT:
            if (::IsIconic(m_hWnd)) {
                PaintMinimised();
                return 0;
            }
            break;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_icon);
        case WM_HELP:
            // F1 alone; the framework turns it into the Help command.
            if (::GetKeyState(VK_SHIFT) >= 0 && ::GetKeyState(VK_CONTROL) >= 0 &&
                ::GetKeyState(VK_MENU) >= 0)
                OnHelp();
            return TRUE;
        case CTrayIcon::kCallbackMessage:
            OnTrayNotify(lp);
            return 0;
        case kWebsitesResolvedMessage:
            OnWebsitesResolved();
            return 0;
        case WM_TIMECHANGE:
            RunScheduleCheck();
            return 0;
        case WM_POWERBROADCAST:
            if (wp == PBT_APMRESUMEAUTOMATIC)
                RunScheduleCheck();
            return TRUE;
        case WM_DESTROY:
            OnDestroyWindow();
            break;
        default:
            if (msg == CBCGPToolBar::ResetMessage() && wp == IDR_TOOLBAR) {
                OnToolBarReset();
                return 0;
            }
            if (msg != 0 && msg == CTrayIcon::TaskbarCreatedMessage()) {
                m_tray.OnTaskbarCreated();
                return 0;
            }
            break;
    }
    handled = false;
    return 0;
}

void CHushwallDlg::OnCancel() {
    if (m_engine.blockingActive)
        return;
    // With blocks to wait for, closing puts Hushwall back behind its icon.
    if (HasBlocks())
        WaitBehindIcon();
    else
        CBCGPDialog::OnCancel();
}

void CHushwallDlg::OnHelp() {
    openHelp(m_hWnd, m_context.exeFolder + "Hushwall.chm");
}

void CHushwallDlg::OnAbout() {
    CAboutDlg about;
    about.DoModal(m_hWnd);
}

void CHushwallDlg::OnTrayNotify(LPARAM mouseMessage) {
    if (!CTrayIcon::IsClick(mouseMessage))
        return;
    if (!m_engine.blockingActive && static_cast<UINT>(mouseMessage) == WM_RBUTTONUP) {
        ShowTrayMenu();
        return;
    }
    if (m_engine.blockingActive) {
        // During a session only the access key brings the window back.
        CKeyDlg key;
        m_tray.Remove();
        if (key.DoModal() == IDOK) {
            ::ShowWindow(m_hWnd, SW_SHOW);
            ::SetFocus(GetDlgItem(IDC_MINUTES));
            m_engine.EndWithKey();
            OnKeyEndedSession();
        } else {
            m_tray.HideToTray();
        }
        return;
    }
    m_tray.Remove();
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::SetFocus(GetDlgItem(IDC_MINUTES));
}

void CHushwallDlg::OnWebsitesResolved() {
    std::vector<std::pair<uint64_t, WebsiteTargets>> outcomes;
    {
        std::lock_guard<std::mutex> lock(m_mailbox->mutex);
        outcomes.swap(m_mailbox->outcomes);
    }
    for (const auto& outcome : outcomes)
        m_engine.OnWebsitesResolved(outcome.first, outcome.second);
}

void CHushwallDlg::OnDestroyWindow() {
    m_mailbox->window = nullptr;
    // First, while a running session still holds the default files: they keep what it blocks.
    m_profiles.SaveProfile(m_profiles.DefaultProfilePath());
    // The session's effects are undone (or left to the service that guards it)
    // but its record stays, so it resumes at the next start.
    m_engine.StopForExit();
    m_tray.Remove();
}

void CHushwallDlg::PaintMinimised() {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_icon);
    ::EndPaint(m_hWnd, &paint);
}

std::string CHushwallDlg::ItemText(int id) const {
    char text[64] = {};
    ::GetDlgItemTextA(m_hWnd, id, text, sizeof(text));
    return text;
}

void CHushwallDlg::UpdateUntilPickers() {
    BOOL enable =
        UntilPickersEnabled(ItemText(IDC_DAYS), ItemText(IDC_HOURS), ItemText(IDC_MINUTES));
    ::EnableWindow(GetDlgItem(IDC_UNTIL_DATE), enable);
    ::EnableWindow(GetDlgItem(IDC_UNTIL_TIME), enable);
}

bool CHushwallDlg::RefuseDurationStep(int fieldId, DurationField field, int delta) {
    std::optional<long> value = StepDurationField(field, ItemText(fieldId), delta);
    if (!value)
        return true;
    ::SetDlgItemTextA(m_hWnd, fieldId, std::to_string(*value).c_str());
    return false;
}

bool CHushwallDlg::ValidateDuration(Seconds& endTime) {
    DurationCheck check;
    HWND datePicker = GetDlgItem(IDC_UNTIL_DATE);
    if (::IsWindowEnabled(datePicker)) {
        SYSTEMTIME date = {};
        SYSTEMTIME time = {};
        if (DateTime_GetSystemtime(datePicker, &date) != GDT_VALID ||
            DateTime_GetSystemtime(GetDlgItem(IDC_UNTIL_TIME), &time) != GDT_VALID)
            return false;
        LocalFields day;
        day.year = date.wYear;
        day.month = date.wMonth;
        day.day = date.wDay;
        LocalFields hourMinute;
        hourMinute.hour = time.wHour;
        hourMinute.minute = time.wMinute;
        check = CheckUntil(day, hourMinute, m_clock);
    } else {
        check =
            CheckDuration(ItemText(IDC_DAYS), ItemText(IDC_HOURS), ItemText(IDC_MINUTES), m_clock);
    }
    if (!check.accepted) {
        if (check.message)
            ShowMessage(check.message);
        if (check.focus)
            ::SetFocus(GetDlgItem(FieldId(*check.focus)));
        return false;
    }
    endTime = check.endTime;
    return true;
}

bool CHushwallDlg::SaveDefaultProfile() {
    return m_profiles.SaveDefaultProfile(m_engine.websiteBlockingAvailable);
}

std::vector<std::string> CHushwallDlg::CheckedPrograms() {
    std::vector<std::string> targets;
    for (const ListEntry& entry : SessionProgramEntries())
        targets.push_back(entry.target);
    return targets;
}

void CHushwallDlg::ShowMessage(const char* text) {
    ::ShowMessage(m_hWnd, text, m_context.appName.c_str(), MB_OK);
}

void CHushwallDlg::ShowUnownedMessage(const char* text, const char* caption) {
    ::ShowMessage(nullptr, text, caption, MB_OK);
}
