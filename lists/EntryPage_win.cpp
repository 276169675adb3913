#include "lists/EntryPage_win.h"

#include "toolkit/GlobalData.h"

CEntryPageDlg::CEntryPageDlg(UINT templateId, HWND parent) : CDialog(templateId) {
    Create(parent);
}

void CEntryPageDlg::ResetToStartup() {
    SetEntries(startupList ? *startupList : EntryList());
}

void CEntryPageDlg::CheckAll(bool checked) {
    EntryList rows = GetEntries();
    for (ListEntry& row : rows)
        row.checked = checked;
    SetEntries(rows);
}

void CEntryPageDlg::DeleteChecked() {
    EntryList kept;
    for (const ListEntry& row : GetEntries())
        if (!row.checked)
            kept.push_back(row);
    SetEntries(kept);
}

HBRUSH CEntryPageDlg::OnCtlColor(HDC dc, HWND /*control*/, UINT msg) {
    if (msg != WM_CTLCOLORDLG && msg != WM_CTLCOLORSTATIC)
        return nullptr;
    if (!globalData.brBtnFace)
        globalData.UpdateSysColors();
    ::SetBkColor(dc, globalData.clrBtnFace);
    return globalData.brBtnFace;
}
