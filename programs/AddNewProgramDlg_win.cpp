#include "programs/AddNewProgramDlg_win.h"

#include <commdlg.h>
#include <shlobj.h>

#include "programs/ProgramRules.h"
#include "programs/ProgramsDlg_win.h"
#include "res/resource.h"

CAddNewProgramDlg::CAddNewProgramDlg(CProgramsDlg* page)
    : CBCGPDialog(IDD_ADD_PROGRAM), m_page(page) {}

BOOL CAddNewProgramDlg::OnInitDialog() {
    CBCGPDialog::OnInitDialog();
    if (!m_title.empty())
        ::SetWindowTextA(m_hWnd, m_title.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_PROGRAM_PATH, m_path.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_PROGRAM_NAME, m_name.c_str());
    return TRUE;
}

bool CAddNewProgramDlg::OnCommand(WORD id, WORD code) {
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        OnBrowse();
        return true;
    }
    return CBCGPDialog::OnCommand(id, code);
}

void CAddNewProgramDlg::OnBrowse() {
    char file[MAX_PATH] = {};
    char folder[MAX_PATH] = {};
    bool haveFolder = ::SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PROGRAM_FILES, FALSE) ||
                      ::SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PROGRAM_FILES_COMMON, FALSE);

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = nullptr;
    dialog.lpstrFilter = "Executable Files (*.exe)\0*.exe\0Com Files (*.com)\0*.com\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof(file);
    dialog.lpstrInitialDir = haveFolder ? folder : nullptr;
    dialog.lpstrTitle = "Select an application";
    dialog.lpstrDefExt = "exe";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!::GetOpenFileNameA(&dialog))
        return;
    ::SetDlgItemTextA(m_hWnd, IDC_PROGRAM_PATH, file);
    ::SetDlgItemTextA(m_hWnd, IDC_PROGRAM_NAME, FileTitleOf(file).c_str());
}

void CAddNewProgramDlg::OnOK() {
    m_path = ItemText(IDC_PROGRAM_PATH);
    m_name = ItemText(IDC_PROGRAM_NAME);
    if (m_title.empty() && (!m_page || !m_page->AddProgram(m_path, m_name)))
        return;
    EndDialog(IDOK);
}
