#include "programs/ProgramsDlg_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "programs/AddNewProgramDlg_win.h"
#include "programs/ProgramDiscovery_win.h"
#include "programs/ProgramRules.h"
#include "res/resource.h"

CProgramsDlg::CProgramsDlg(HWND tabWindow, const AppContext& context)
    : CListPageDlg(IDD_PROGRAMS, IDC_PROGRAM_LIST, context,
                   "Check the program(s) you want to disable:", kNothingToDeleteMessage) {
    Create(tabWindow);
}

void CProgramsDlg::SetUpList() {
    HWND list = GetList();
    // The system's image lists are shared: the list must never destroy them.
    ::SetWindowLongPtrA(list, GWL_STYLE,
                        ::GetWindowLongPtrA(list, GWL_STYLE) | LVS_SHAREIMAGELISTS);
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, sizeof(windows));
    SHFILEINFOA info = {};
    auto large = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA(windows, 0, &info, sizeof(info), SHGFI_SYSICONINDEX));
    auto small = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA(windows, 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    ListView_SetImageList(list, large, LVSIL_NORMAL);
    ListView_SetImageList(list, small, LVSIL_SMALL);
}

int CProgramsDlg::GetFileIconIndex(const std::string& path) {
    SHFILEINFOA info = {};
    if (!::SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info),
                          SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_LINKOVERLAY))
        return -1;
    return info.iIcon;
}

void CProgramsDlg::FillDefaultRows() {
    for (const DiscoveredProgram& program : DiscoverInstalledPrograms())
        InsertRow(-1, RowLabel(program.name), program.target, false);
}

bool CProgramsDlg::AddProgram(const std::string& path, const std::string& name) {
    std::vector<std::string> targets;
    for (const ListEntry& entry : GetEntries())
        targets.push_back(entry.target);
    const char* refusal = RefuseNewProgram(
        path, [](const std::string& p) { return ::PathFileExistsA(p.c_str()) != FALSE; },
        m_context.exeFullPath, targets);
    if (refusal) {
        ShowMessage(refusal);
        return false;
    }
    if (!GetList())
        return false;
    return InsertRow(-1, RowLabel(name), path, false);
}

void CProgramsDlg::ShowAddProgramDialog() {
    CAddNewProgramDlg dialog(this);
    dialog.DoModal();
}

void CProgramsDlg::ModifyProgram() {
    int row = SelectedRow();
    if (row < 0)
        return;
    CAddNewProgramDlg dialog(nullptr);
    dialog.m_title = "Modify Program Info";
    if (const std::string* target = RowTarget(row))
        dialog.m_path = *target;
    dialog.m_name = RowLabelAt(row);
    // The name is taken as typed: no blank is put in front.
    if (dialog.DoModal() == IDOK)
        ReplaceRow(row, dialog.m_name, dialog.m_path);
}
