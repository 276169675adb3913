#pragma once
#include <string>

#include "lists/ListPageDlg_win.h"

// The "Websites" tab: one row per website, labelled with its name; a ticked row is blocked.
class CWebsitesDlg : public CListPageDlg {
public:
    // Creates the page at once as a child of the main window's tab control.
    CWebsitesDlg(HWND tabWindow, const AppContext& context);

    // Checks a new website and appends it unticked; false, with the reason shown, when refused.
    bool AddWebsite(const std::string& url, const std::string& name);
    void ShowAddWebsiteDialog();
    // The add dialog in modify mode, for the selected row.
    void ModifyWebsite();
    void DeleteCheckedWebsites() { DeleteChecked(); }
    void CheckAllWebsites() { CheckAll(true); }
    void UncheckAllWebsites() { CheckAll(false); }

    // One line under the list saying why website blocking is unavailable.
    void ShowUnavailableLine(const char* text);
    HWND unavailableLine() const { return m_unavailableLine; }

protected:
    void ShowAddDialog() override { ShowAddWebsiteDialog(); }
    void OnRowDoubleClick() override { ModifyWebsite(); }

private:
    HWND m_unavailableLine = nullptr;
};
