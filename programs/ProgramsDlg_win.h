#pragma once
#include <string>

#include "lists/ListPageDlg_win.h"
#include "programs/ProgramRules.h"

// The "Programs" tab: one row per program, with its icon; a ticked row is blocked.
class CProgramsDlg : public CListPageDlg {
public:
    // Creates the page at once as a child of the main window's tab control.
    CProgramsDlg(HWND tabWindow, const AppContext& context);

    // Checks a new program and appends it unticked; false, with the reason shown, when refused.
    bool AddProgram(const std::string& path, const std::string& name);
    // The add dialog in add mode.
    void ShowAddProgramDialog();
    // The add dialog in modify mode, for the selected row.
    void ModifyProgram();
    void DeleteCheckedPrograms() { DeleteChecked(); }
    void CheckAllPrograms() { CheckAll(true); }
    void UncheckAllPrograms() { CheckAll(false); }

    // The system's small-icon index for a file, -1 when it has none.
    static int GetFileIconIndex(const std::string& path);

protected:
    void ShowAddDialog() override { ShowAddProgramDialog(); }
    void SetUpList() override;
    int RowImage(const std::string& target) override { return GetFileIconIndex(target); }
    void FillDefaultRows() override;
    void OnRowDoubleClick() override { ModifyProgram(); }
    // Program rows show a blank before the name.
    std::string LabelOf(const std::string& name) override { return RowLabel(name); }
    std::string NameOf(const std::string& label) override { return NameFromLabel(label); }
};
