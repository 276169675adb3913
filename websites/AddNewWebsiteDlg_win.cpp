#include "websites/AddNewWebsiteDlg_win.h"

#include "res/resource.h"
#include "websites/WebsitesDlg_win.h"

CAddNewWebsiteDlg::CAddNewWebsiteDlg(CWebsitesDlg* page)
    : CBCGPDialog(IDD_ADD_WEBSITE), m_page(page) {}

BOOL CAddNewWebsiteDlg::OnInitDialog() {
    CBCGPDialog::OnInitDialog();
    if (!m_title.empty())
        ::SetWindowTextA(m_hWnd, m_title.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_WEBSITE_URL, m_url.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_WEBSITE_NAME, m_name.c_str());
    return TRUE;
}

void CAddNewWebsiteDlg::OnOK() {
    m_url = ItemText(IDC_WEBSITE_URL);
    m_name = ItemText(IDC_WEBSITE_NAME);
    if (m_title.empty() && (!m_page || !m_page->AddWebsite(m_url, m_name)))
        return;
    EndDialog(IDOK);
}
