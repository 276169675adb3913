#pragma once
#include <string>

#include "base/AppContext.h"
#include "lists/ListPage.h"
#include "toolkit/ThemedDialog.h"
#include "ui/BitmapCheckBox_win.h"
#include "ui/ColorLabel_win.h"

// A tab page whose list-view rows are the entries: the label shows the name,
// the item data is a copy of the target that the row owns, the check box is the
// tick. A caption and the "Select All" / "Deselect All" boxes sit above the list.
class CListPageDlg : public CFacePage, public ListPage {
public:
    ~CListPageDlg() override;

    EntryList GetEntries() override;
    void SetEntries(const EntryList& entries) override;
    // The start-up list, or the page's own default rows without one.
    void ResetToStartup() override;

    void CheckAll(bool checked);
    // Deletes the ticked rows, last to first; says so when none is ticked.
    void DeleteChecked();
    void SyncSelectionBoxes();

    HWND GetList() const { return GetDlgItem(m_listId); }
    CBitmapCheckBox& selectAllBox() { return m_selectAll; }
    CBitmapCheckBox& deselectAllBox() { return m_deselectAll; }

    static constexpr UINT kSelectAllId = 1008;
    static constexpr UINT kDeselectAllId = 102;

protected:
    // The derived page's constructor creates the window, so that its own
    // overrides take part in the initialisation.
    CListPageDlg(UINT templateId, int listId, const AppContext& context, const char* caption,
                 const char* nothingToDelete);

    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;

    // Hooks of the derived page.
    virtual void ShowAddDialog() {}
    virtual void SetUpList() {}
    virtual int RowImage(const std::string& /*target*/) { return -1; }
    virtual void FillDefaultRows() {}
    virtual void OnRowDoubleClick() {}
    // How a name is shown as a label, and read back from one.
    virtual std::string LabelOf(const std::string& name) { return name; }
    virtual std::string NameOf(const std::string& label) { return label; }
    // The first selected row, or -1.
    int SelectedRow() const;
    // Replaces a row's label and target; its tick and image stay.
    void ReplaceRow(int row, const std::string& label, const std::string& target);

    // Appends a row at `index` (or the end); false when the list refused it.
    bool InsertRow(int index, const std::string& label, const std::string& target, bool checked);
    void RemoveAllRows();
    int RowCount() const;
    std::string RowLabelAt(int row) const;
    const std::string* RowTarget(int row) const;
    void ShowMessage(const char* text);

    const AppContext& m_context;

private:
    int m_listId;
    const char* m_captionText;
    const char* m_nothingToDelete;
    CColorLabel m_caption;
    CBitmapCheckBox m_selectAll;
    CBitmapCheckBox m_deselectAll;
};
