#pragma once
#include "lists/EntryPage_win.h"

// The "Programs" tab: the program entries to block.
class CProgramsDlg : public CEntryPageDlg {
public:
    explicit CProgramsDlg(HWND tabWindow);

    // The add dialog comes with the page's list control.
    void ShowAddProgramDialog() {}
    void DeleteCheckedPrograms() { DeleteChecked(); }
    void CheckAllPrograms() { CheckAll(true); }
    void UncheckAllPrograms() { CheckAll(false); }
};
