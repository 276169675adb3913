#pragma once
#include "lists/EntryPage_win.h"

// The "Websites" tab: the website entries to block.
class CWebsitesDlg : public CEntryPageDlg {
public:
    explicit CWebsitesDlg(HWND tabWindow);

    // The add dialog comes with the page's list control.
    void ShowAddWebsiteDialog() {}
    void DeleteCheckedWebsites() { DeleteChecked(); }
    void CheckAllWebsites() { CheckAll(true); }
    void UncheckAllWebsites() { CheckAll(false); }
};
