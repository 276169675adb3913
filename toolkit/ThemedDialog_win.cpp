#include "toolkit/ThemedDialog.h"

#include <commctrl.h>

#include <cstring>

#include "toolkit/App.h"
#include "toolkit/GlobalData.h"

HBRUSH CBCGPDialog::OnCtlColor(HDC dc, HWND /*control*/, UINT msg) {
    // Edits and lists keep the window colour.
    if (msg != WM_CTLCOLORDLG && msg != WM_CTLCOLORSTATIC && msg != WM_CTLCOLORBTN)
        return nullptr;
    HBRUSH face = globalData.FaceBrush();
    ::SetBkColor(dc, globalData.clrBtnFace);
    ::SetBkMode(dc, TRANSPARENT);
    return face;
}

bool CBCGPDialog::OnNotify(NMHDR* header, LRESULT& result) {
    if (header->code != TTN_GETDISPINFOA)
        return false;
    // A command's string is "prompt\ntip"; the tooltip is the part after the line feed.
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    char text[256] = {};
    UINT id = static_cast<UINT>(header->idFrom);
    if (::LoadStringA(AfxGetInstanceHandle(), id, text, sizeof(text)) > 0) {
        const char* tip = std::strchr(text, '\n');
        tip = tip ? tip + 1 : text;
        lstrcpynA(info->szText, tip, sizeof(info->szText));
        info->lpszText = info->szText;
    }
    result = 0;
    return true;
}

HBRUSH CFacePage::OnCtlColor(HDC dc, HWND /*control*/, UINT msg) {
    if (msg != WM_CTLCOLORDLG && msg != WM_CTLCOLORSTATIC)
        return nullptr;
    ::SetBkColor(dc, globalData.clrBtnFace);
    return globalData.FaceBrush();
}

INT_PTR CFacePage::OnMessage(UINT msg, WPARAM wp, LPARAM /*lp*/, bool& handled) {
    handled = msg == WM_ERASEBKGND;
    if (!handled)
        return 0;
    FillWithFace(m_hWnd, reinterpret_cast<HDC>(wp));
    return TRUE;
}
