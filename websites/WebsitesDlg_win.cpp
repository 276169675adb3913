#include "websites/WebsitesDlg_win.h"

#include "res/resource.h"
#include "websites/AddNewWebsiteDlg_win.h"
#include "websites/WebsiteRules.h"

CWebsitesDlg::CWebsitesDlg(HWND tabWindow, const AppContext& context)
    : CListPageDlg(IDD_WEBSITES, IDC_WEBSITE_LIST, context,
                   "Check the website(s) you want to disable:", kNoWebsiteToDeleteMessage) {
    Create(tabWindow);
}

bool CWebsitesDlg::AddWebsite(const std::string& url, const std::string& name) {
    if (url.empty()) {
        ShowMessage(kNoUrlMessage);
        return false;
    }
    if (!GetList())
        return false;
    std::vector<std::string> urls;
    for (const ListEntry& entry : GetEntries())
        urls.push_back(entry.target);
    if (const char* refusal = RefuseNewWebsite(url, urls)) {
        ShowMessage(refusal);
        return false;
    }
    return InsertRow(-1, name, url, false);
}

void CWebsitesDlg::ShowAddWebsiteDialog() {
    CAddNewWebsiteDlg dialog(this);
    dialog.DoModal();
}

void CWebsitesDlg::ModifyWebsite() {
    int row = SelectedRow();
    if (row < 0)
        return;
    CAddNewWebsiteDlg dialog(nullptr);
    dialog.m_title = "Modify Website Info";
    if (const std::string* target = RowTarget(row))
        dialog.m_url = *target;
    dialog.m_name = RowLabelAt(row);
    if (dialog.DoModal() == IDOK)
        ReplaceRow(row, dialog.m_name, dialog.m_url);
}
