#pragma once
#include "lists/ListPage.h"
#include "toolkit/Dialog.h"

// A tab page that keeps its rows in memory, painted in the face colour.
// The list controls of each page build on it.
class CEntryPageDlg : public CDialog, public ListPage {
public:
    // Creates the page at once, modeless, as a child of `parent`.
    CEntryPageDlg(UINT templateId, HWND parent);

    EntryList GetEntries() override { return m_rows; }
    void SetEntries(const EntryList& entries) override { m_rows = entries; }
    void ResetToStartup() override;

    void CheckAll(bool checked);
    void DeleteChecked();

protected:
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT msg) override;

private:
    EntryList m_rows;
};
