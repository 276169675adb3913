#include "lists/ListPageDlg_win.h"

#include <commctrl.h>

#include <vector>

#include "lists/SelectionBoxes.h"
#include "res/resource.h"
#include "toolkit/GlobalData.h"
#include "toolkit/Messages.h"

namespace {
constexpr DWORD kBoxStyle = 0x5001000B;  // child, visible, tab stop, owner-drawn

std::string* TargetOf(LPARAM data) {
    return reinterpret_cast<std::string*>(data);
}
}  // namespace

CListPageDlg::CListPageDlg(UINT templateId, int listId, const AppContext& context,
                           const char* caption, const char* nothingToDelete)
    : CFacePage(templateId),
      m_context(context),
      m_listId(listId),
      m_captionText(caption),
      m_nothingToDelete(nothingToDelete) {}

CListPageDlg::~CListPageDlg() {
    // The list's rows free their targets as the window goes.
    DestroyWindow();
}

BOOL CListPageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const LONG left = client.left, top = client.top;

    HFONT font = globalData.GetRegularFont();
    RECT caption = {left + 10, top + 5, left + 10 + (client.right - (left + 10)) / 2, top + 25};
    m_caption.Create(m_captionText, caption, m_hWnd, 0xFFFF);
    RECT box = {caption.right + 10, top + 10, caption.right + 10 + 100, top + 30};
    m_selectAll.Create("Select All", box, m_hWnd, kSelectAllId, kBoxStyle);
    box.left = box.right + 10;
    box.right = box.left + 100;
    m_deselectAll.Create("Deselect All", box, m_hWnd, kDeselectAllId, kBoxStyle);
    for (CControlLook* look :
         {static_cast<CControlLook*>(&m_caption), static_cast<CControlLook*>(&m_selectAll),
          static_cast<CControlLook*>(&m_deselectAll)}) {
        look->SetBackColor(globalData.clrBtnFace);
        look->SetFontFrom(font);
    }

    HWND list = GetList();
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES);
    SetUpList();
    ResetToStartup();
    return TRUE;
}

EntryList CListPageDlg::GetEntries() {
    EntryList entries;
    HWND list = GetList();
    if (!list)
        return entries;
    for (int row = 0, count = RowCount(); row < count; ++row) {
        ListEntry entry;
        if (const std::string* target = RowTarget(row))
            entry.target = *target;
        entry.name = NameOf(RowLabelAt(row));
        entry.checked = ListView_GetCheckState(list, row) != 0;
        entries.push_back(entry);
    }
    return entries;
}

void CListPageDlg::SetEntries(const EntryList& entries) {
    HWND list = GetList();
    if (!list || !ListView_DeleteAllItems(list))
        return;
    for (size_t i = 0; i < entries.size(); ++i)
        InsertRow(static_cast<int>(i), LabelOf(entries[i].name), entries[i].target,
                  entries[i].checked);
    // A row inserted unticked sends no change, so the boxes are brought up to date here.
    SyncSelectionBoxes();
}

void CListPageDlg::ResetToStartup() {
    if (startupList) {
        SetEntries(*startupList);
        return;
    }
    RemoveAllRows();
    FillDefaultRows();
    SyncSelectionBoxes();
}

bool CListPageDlg::InsertRow(int index, const std::string& label, const std::string& target,
                             bool checked) {
    HWND list = GetList();
    if (!list)
        return false;
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index < 0 ? RowCount() : index;
    item.pszText = const_cast<char*>(label.c_str());
    item.iImage = RowImage(target);
    auto* copy = new std::string(target);
    item.lParam = reinterpret_cast<LPARAM>(copy);
    int row =
        static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) {
        delete copy;
        return false;
    }
    ListView_SetCheckState(list, row, checked ? TRUE : FALSE);
    return true;
}

void CListPageDlg::RemoveAllRows() {
    if (HWND list = GetList())
        ListView_DeleteAllItems(list);
}

int CListPageDlg::RowCount() const {
    HWND list = GetList();
    return list ? ListView_GetItemCount(list) : 0;
}

std::string CListPageDlg::RowLabelAt(int row) const {
    // A label from a list file can be of any length. The list view copies what
    // fits and returns the length copied; a copy within a byte of the end may
    // have been cut (a double-byte letter leaves one byte free), so ask again.
    std::vector<char> text(1024);
    for (;;) {
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        LRESULT length =
            ::SendMessageA(GetList(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        if (length < 0 || static_cast<size_t>(length) + 2 < text.size())
            return std::string(item.pszText, length > 0 ? static_cast<size_t>(length) : 0);
        text.resize(text.size() * 2);
    }
}

const std::string* CListPageDlg::RowTarget(int row) const {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!::SendMessageA(GetList(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return TargetOf(item.lParam);
}

int CListPageDlg::SelectedRow() const {
    HWND list = GetList();
    return list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1;
}

void CListPageDlg::ReplaceRow(int row, const std::string& label, const std::string& target) {
    HWND list = GetList();
    ListView_SetItemText(list, row, 0, const_cast<char*>(label.c_str()));
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return;
    // The row owns its target: the old copy goes, the new one stays with the row.
    std::string* old = TargetOf(item.lParam);
    auto* copy = new std::string(target);
    item.lParam = reinterpret_cast<LPARAM>(copy);
    if (::SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
        delete old;
    } else {
        delete copy;
    }
}

void CListPageDlg::CheckAll(bool checked) {
    HWND list = GetList();
    for (int row = 0, count = RowCount(); row < count; ++row)
        ListView_SetCheckState(list, row, checked ? TRUE : FALSE);
}

void CListPageDlg::DeleteChecked() {
    HWND list = GetList();
    bool deleted = false;
    for (int row = RowCount() - 1; row >= 0; --row) {
        if (ListView_GetCheckState(list, row)) {
            ListView_DeleteItem(list, row);
            deleted = true;
        }
    }
    if (deleted)
        SyncSelectionBoxes();
    else
        ShowMessage(m_nothingToDelete);
}

void CListPageDlg::SyncSelectionBoxes() {
    if (!m_selectAll.GetSafeHwnd() || !m_deselectAll.GetSafeHwnd())
        return;
    HWND list = GetList();
    int all = RowCount(), checked = 0;
    for (int row = 0; row < all; ++row)
        checked += ListView_GetCheckState(list, row) ? 1 : 0;
    SelectionBoxes now = ::SyncSelectionBoxes(
        {m_selectAll.GetCheck() != 0, m_deselectAll.GetCheck() != 0}, checked, all);
    m_selectAll.SetCheck(now.selectAll ? 1 : 0);
    m_deselectAll.SetCheck(now.deselectAll ? 1 : 0);
}

bool CListPageDlg::OnCommand(WORD id, WORD code) {
    if (code == BN_CLICKED && id == IDC_PAGE_ADD) {
        ShowAddDialog();
        return true;
    }
    if (code == BN_CLICKED && id == IDC_PAGE_DELETE) {
        DeleteChecked();
        return true;
    }
    if (code == BN_CLICKED && id == kSelectAllId) {
        // The box has already toggled; only a tick acts on the rows.
        if (m_selectAll.GetCheck()) {
            CheckAll(true);
            if (m_deselectAll.GetCheck())
                m_deselectAll.SetCheck(0);
        }
        return true;
    }
    if (code == BN_CLICKED && id == kDeselectAllId) {
        if (m_deselectAll.GetCheck()) {
            CheckAll(false);
            if (m_selectAll.GetCheck())
                m_selectAll.SetCheck(0);
        }
        return true;
    }
    // A child page has no OK or Cancel of its own; Enter and Escape belong to the main window.
    return id == IDOK || id == IDCANCEL;
}

bool CListPageDlg::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->idFrom != static_cast<UINT_PTR>(m_listId))
        return false;
    result = 0;
    switch (header->code) {
        case LVN_ENDLABELEDITA: {
            auto* edit = reinterpret_cast<NMLVDISPINFOA*>(header);
            if (edit->item.pszText && edit->item.pszText[0])
                ListView_SetItemText(GetList(), edit->item.iItem, 0, edit->item.pszText);
            return true;
        }
        case LVN_DELETEITEM:
            delete TargetOf(reinterpret_cast<NMLISTVIEW*>(header)->lParam);
            return true;
        case NM_DBLCLK:
            OnRowDoubleClick();
            return true;
        case LVN_ITEMCHANGED:
            SyncSelectionBoxes();
            return true;
    }
    return false;
}

void CListPageDlg::ShowMessage(const char* text) {
    ::ShowMessage(m_hWnd, text, m_context.appName.c_str(), MB_OK);
}
