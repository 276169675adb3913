#include "websites/WebsitesDlg_win.h"

#include "res/resource.h"
#include "toolkit/GlobalData.h"
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

void CWebsitesDlg::ShowUnavailableLine(const char* text) {
    HWND list = GetList();
    if (!m_hWnd || !list)
        return;
    if (m_unavailableLine) {
        ::SetWindowTextA(m_unavailableLine, text);
        return;
    }
    // In the strip between the list's bottom and the page's, as wide as the list,
    // so that it covers no control.
    RECT listRect = {};
    ::GetWindowRect(list, &listRect);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&listRect), 2);
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    HFONT font = globalData.GetRegularFont();
    TEXTMETRICA metrics = {};
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, font);
    ::GetTextMetricsA(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    const int height = metrics.tmHeight;
    // Never over the list: with larger fonts the line is clipped at the bottom instead.
    const int spare = client.bottom - listRect.bottom - height;
    const int top = listRect.bottom + (spare > 0 ? spare / 2 : 0);
    m_unavailableLine = ::CreateWindowExA(
        0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS,
        listRect.left, top, listRect.right - listRect.left, height, m_hWnd, nullptr,
        ::GetModuleHandleA(nullptr), nullptr);
    if (m_unavailableLine)
        ::SendMessageA(m_unavailableLine, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}
