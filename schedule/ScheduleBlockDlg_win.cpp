#include "schedule/ScheduleBlockDlg_win.h"

#include <commctrl.h>

#include <utility>

#include "lists/ProfileDialogs_win.h"
#include "res/resource.h"
#include "schedule/ScheduleText.h"
#include "toolkit/Messages.h"

CScheduleBlockDlg::CScheduleBlockDlg(ListPage* programs, ListPage* websites, std::string appName)
    : CBCGPDialog(IDD_SCHEDULE_BLOCK),
      m_programs(programs),
      m_websites(websites),
      m_appName(std::move(appName)) {
    // A new block starts as the common case: weekdays, nine to five.
    m_block.days = kMonday | kTuesday | kWednesday | kThursday | kFriday;
    m_block.fromMinute = 9 * 60;
    m_block.toMinute = 17 * 60;
}

BOOL CScheduleBlockDlg::OnInitDialog() {
    CBCGPDialog::OnInitDialog();
    if (!m_title.empty())
        ::SetWindowTextA(m_hWnd, m_title.c_str());
    for (int day = 0; day < 7; ++day)
        ::CheckDlgButton(m_hWnd, IDC_BLOCK_MONDAY + day,
                         (m_block.days >> day) & 1 ? BST_CHECKED : BST_UNCHECKED);
    SetTime(IDC_BLOCK_FROM, m_block.fromMinute);
    SetTime(IDC_BLOCK_TO, m_block.toMinute);
    ::SetDlgItemTextA(m_hWnd, IDC_BLOCK_PROFILE_PATH, m_profilePath.c_str());

    // A modified block keeps its own lists unless the user picks others.
    int source = IDC_BLOCK_PAGES;
    if (!m_title.empty()) {
        HWND own = GetDlgItem(IDC_BLOCK_OWN);
        const std::string text =
            "Its own lists (" + BlocksText(m_block.programs.size(), m_block.websites.size()) + ")";
        ::SetWindowTextA(own, text.c_str());
        ::ShowWindow(own, SW_SHOW);
        source = IDC_BLOCK_OWN;
    }
    ::CheckRadioButton(m_hWnd, IDC_BLOCK_PAGES, IDC_BLOCK_OWN, source);
    return TRUE;
}

void CScheduleBlockDlg::SetTime(int id, int minute) {
    HWND picker = GetDlgItem(id);
    // Hours and minutes only, on the 24-hour clock the page shows.
    ::SendMessageA(picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>("HH':'mm"));
    SYSTEMTIME time = {};
    ::GetLocalTime(&time);  // any valid date; only the time counts
    time.wHour = static_cast<WORD>(minute / 60);
    time.wMinute = static_cast<WORD>(minute % 60);
    time.wSecond = 0;
    time.wMilliseconds = 0;
    DateTime_SetSystemtime(picker, GDT_VALID, &time);
}

int CScheduleBlockDlg::TimeOf(int id) const {
    SYSTEMTIME time = {};
    if (DateTime_GetSystemtime(GetDlgItem(id), &time) != GDT_VALID)
        return 0;
    return time.wHour * 60 + time.wMinute;
}

bool CScheduleBlockDlg::OnCommand(WORD id, WORD code) {
    if (id == IDC_BLOCK_BROWSE && code == BN_CLICKED) {
        OnBrowse();
        return true;
    }
    return CBCGPDialog::OnCommand(id, code);
}

void CScheduleBlockDlg::OnBrowse() {
    ProfileDialogs dialogs([this] { return m_hWnd; }, m_appName);
    if (const std::optional<std::string> path = dialogs.AskLoadPath()) {
        ::SetDlgItemTextA(m_hWnd, IDC_BLOCK_PROFILE_PATH, path->c_str());
        ::CheckRadioButton(m_hWnd, IDC_BLOCK_PAGES, IDC_BLOCK_OWN, IDC_BLOCK_PROFILE);
    }
}

void CScheduleBlockDlg::OnOK() {
    BlockForm form;
    for (int day = 0; day < 7; ++day)
        if (::IsDlgButtonChecked(m_hWnd, IDC_BLOCK_MONDAY + day) == BST_CHECKED)
            form.days |= static_cast<uint8_t>(1 << day);
    form.fromMinute = TimeOf(IDC_BLOCK_FROM);
    form.toMinute = TimeOf(IDC_BLOCK_TO);
    if (::IsDlgButtonChecked(m_hWnd, IDC_BLOCK_PROFILE) == BST_CHECKED)
        form.lists = BlockLists::Profile;
    else if (::IsDlgButtonChecked(m_hWnd, IDC_BLOCK_OWN) == BST_CHECKED)
        form.lists = BlockLists::Own;
    if (m_programs)
        form.pagePrograms = m_programs->GetEntries();
    if (m_websites)
        form.pageWebsites = m_websites->GetEntries();
    form.profilePath = m_profilePath = ItemText(IDC_BLOCK_PROFILE_PATH);

    if (const char* refusal = BuildBlock(form, m_block)) {
        ::ShowMessage(m_hWnd, refusal, m_appName.c_str(), MB_OK);
        return;
    }
    EndDialog(IDOK);
}
