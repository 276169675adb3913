#include "schedule/ScheduleDlg_win.h"

#include <commctrl.h>

#include "res/resource.h"
#include "schedule/BlockRules.h"
#include "schedule/ScheduleBlockDlg_win.h"
#include "schedule/ScheduleText.h"
#include "toolkit/GlobalData.h"
#include "toolkit/Messages.h"

namespace {

// Columns: title and share of the list's width in percent.
struct Column {
    const char* title;
    int percent;
};
constexpr Column kColumns[] = {{"Days", 27}, {"From", 12}, {"To", 12}, {"Blocks", 49}};

void SetCell(HWND list, int row, int column, const std::string& text) {
    ListView_SetItemText(list, row, column, const_cast<char*>(text.c_str()));
}

}  // namespace

CScheduleDlg::CScheduleDlg(HWND tabWindow, const AppContext& context)
    : CFacePage(IDD_SCHEDULE), m_context(context) {
    Create(tabWindow);
}

CScheduleDlg::~CScheduleDlg() {
    DestroyWindow();
}

HWND CScheduleDlg::GetList() const {
    return GetDlgItem(IDC_SCHEDULE_LIST);
}

BOOL CScheduleDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND list = GetList();
    RECT listRect = {};
    ::GetWindowRect(list, &listRect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&listRect), 2);

    // Where the other pages have theirs, as wide as the list.
    RECT caption = {10, 5, listRect.right, 25};
    m_caption.Create("Blocks that start by themselves every week:", caption, m_hWnd, 0xFFFF);
    m_caption.SetBackColor(globalData.clrBtnFace);
    m_caption.SetFontFrom(globalData.GetRegularFont());

    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT client = {};
    ::GetClientRect(list, &client);
    int left = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(kColumns[i].title);
        // The last column takes what is left, so the rows never scroll sideways.
        column.cx = i < 3 ? client.right * kColumns[i].percent / 100 : left;
        left -= column.cx;
        column.iSubItem = i;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    FillRows();
    return TRUE;
}

void CScheduleDlg::SetSchedule(const Schedule& schedule) {
    m_schedule = schedule;
    FillRows();
}

void CScheduleDlg::SetListPages(ListPage* programs, ListPage* websites) {
    m_programs = programs;
    m_websites = websites;
}

void CScheduleDlg::FillRows() {
    HWND list = GetList();
    if (!list)
        return;
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < m_schedule.size(); ++i) {
        const ScheduleRowText text = RowText(m_schedule[i]);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(text.days.c_str());
        const int row = static_cast<int>(
            ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (row < 0)
            continue;
        SetCell(list, row, 1, text.from);
        SetCell(list, row, 2, text.to);
        SetCell(list, row, 3, text.blocks);
    }
}

int CScheduleDlg::SelectedRow() const {
    HWND list = GetList();
    return list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1;
}

void CScheduleDlg::ShowAddDialog() {
    CScheduleBlockDlg dialog(m_programs, m_websites, m_context.appName);
    if (dialog.DoModal(::GetAncestor(m_hWnd, GA_ROOT)) == IDOK)
        Edit({ScheduleEdit::Kind::Add, m_schedule.size(), dialog.m_block});
}

void CScheduleDlg::ModifySelected() {
    const int row = SelectedRow();
    if (row < 0 || static_cast<size_t>(row) >= m_schedule.size()) {
        ShowMessage(kNoBlockSelectedMessage);
        return;
    }
    CScheduleBlockDlg dialog(m_programs, m_websites, m_context.appName);
    dialog.m_title = "Modify Scheduled Block";
    dialog.m_block = m_schedule[row];
    if (dialog.DoModal(::GetAncestor(m_hWnd, GA_ROOT)) == IDOK)
        Edit({ScheduleEdit::Kind::Modify, static_cast<size_t>(row), dialog.m_block});
}

void CScheduleDlg::DeleteSelected() {
    const int row = SelectedRow();
    if (row < 0 || static_cast<size_t>(row) >= m_schedule.size()) {
        ShowMessage(kNoBlockSelectedMessage);
        return;
    }
    Edit({ScheduleEdit::Kind::Delete, static_cast<size_t>(row), {}});
}

void CScheduleDlg::Edit(const ScheduleEdit& edit) {
    if (onEdit) {
        onEdit(edit);
        return;
    }
    Schedule next = m_schedule;
    switch (edit.kind) {
        case ScheduleEdit::Kind::Add:
            next.push_back(edit.block);
            break;
        case ScheduleEdit::Kind::Modify:
            next[edit.index] = edit.block;
            break;
        case ScheduleEdit::Kind::Delete:
            next.erase(next.begin() + static_cast<std::ptrdiff_t>(edit.index));
            break;
    }
    SetSchedule(next);
    // The added or modified row stays selected, ready for the next change.
    if (edit.kind != ScheduleEdit::Kind::Delete)
        ListView_SetItemState(GetList(), static_cast<int>(edit.index), LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
}

bool CScheduleDlg::OnCommand(WORD id, WORD code) {
    if (code == BN_CLICKED) {
        switch (id) {
            case IDC_PAGE_ADD:
                ShowAddDialog();
                return true;
            case IDC_PAGE_MODIFY:
                ModifySelected();
                return true;
            case IDC_PAGE_DELETE:
                DeleteSelected();
                return true;
        }
    }
    // A child page has no OK or Cancel of its own; Enter and Escape belong to the main window.
    return id == IDOK || id == IDCANCEL;
}

bool CScheduleDlg::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->idFrom != IDC_SCHEDULE_LIST || header->code != NM_DBLCLK)
        return false;
    result = 0;
    // A double click on the empty part of the list modifies nothing.
    const int row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
    if (row >= 0) {
        ListView_SetItemState(GetList(), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ModifySelected();
    }
    return true;
}

void CScheduleDlg::ShowMessage(const char* text) {
    ::ShowMessage(m_hWnd, text, m_context.appName.c_str(), MB_OK);
}
