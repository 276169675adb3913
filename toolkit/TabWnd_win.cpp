#include "toolkit/TabWnd.h"

#include <commctrl.h>

#include "toolkit/App.h"
#include "toolkit/GlobalData.h"

namespace {
constexpr const char* kClassName = "HushwallTabWnd";

// The strip beside the tabs takes the face colour instead of the system's.
LRESULT CALLBACK TabControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_ERASEBKGND) {
        FillWithFace(hwnd, reinterpret_cast<HDC>(wp));
        return 1;
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}
}  // namespace

bool CBCGPTabWnd::RegisterTabClass() {
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = CBCGPTabWnd::WindowProc;
    windowClass.hInstance = AfxGetInstanceHandle();
    windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    registered =
        ::RegisterClassA(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

CBCGPTabWnd::~CBCGPTabWnd() {
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

bool CBCGPTabWnd::Create(const RECT& rect, HWND parent, UINT id) {
    if (!RegisterTabClass())
        return false;
    m_hWnd = ::CreateWindowExA(
        WS_EX_CONTROLPARENT, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect.left,
        rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AfxGetInstanceHandle(), nullptr);
    if (!m_hWnd)
        return false;
    ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    // Owner-drawn tabs, so each can take its colour.
    m_tabs = ::CreateWindowExA(
        0, WC_TABCONTROLA, "",
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_OWNERDRAWFIXED | TCS_FOCUSNEVER, 0, 0,
        rect.right - rect.left, rect.bottom - rect.top, m_hWnd, nullptr, AfxGetInstanceHandle(),
        nullptr);
    if (!m_tabs)
        return false;
    ::SendMessageA(m_tabs, WM_SETFONT, reinterpret_cast<WPARAM>(globalData.GetRegularFont()),
                   FALSE);
    ::SetWindowSubclass(m_tabs, TabControlProc, 1, 0);
    return true;
}

void CBCGPTabWnd::AddTab(HWND page, const char* label) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(label);
    int index = static_cast<int>(
        ::SendMessageA(m_tabs, TCM_INSERTITEMA, m_pages.size(), reinterpret_cast<LPARAM>(&item)));
    if (index < 0)
        return;
    m_pages.push_back(page);
    // The pages lie above the tab control, in its display area.
    ::SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    LayoutPages();
    ShowActivePage();
}

void CBCGPTabWnd::SetAutoColors(const std::vector<COLORREF>& colors) {
    m_colors = colors;
    ::InvalidateRect(m_tabs, nullptr, TRUE);
}

int CBCGPTabWnd::GetActiveTab() const {
    return static_cast<int>(::SendMessageA(m_tabs, TCM_GETCURSEL, 0, 0));
}

int CBCGPTabWnd::GetTabFromHwnd(HWND page) const {
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i] == page)
            return static_cast<int>(i);
    return -1;
}

bool CBCGPTabWnd::SetActiveTab(int tab) {
    if (tab < 0 || tab >= GetTabsNum())
        return false;
    ::SendMessageA(m_tabs, TCM_SETCURSEL, tab, 0);
    ShowActivePage();
    return true;
}

void CBCGPTabWnd::EnsureVisible(int tab) {
    // Focusing a tab scrolls the strip to it.
    if (tab >= 0 && tab < GetTabsNum())
        ::SendMessageA(m_tabs, TCM_SETCURFOCUS, tab, 0);
}

bool CBCGPTabWnd::BringToFront(HWND page) {
    int tab = GetTabFromHwnd(page);
    if (!SetActiveTab(tab))
        return false;
    EnsureVisible(tab);
    return true;
}

RECT CBCGPTabWnd::GetPageRect() const {
    RECT rect = {};
    ::GetClientRect(m_tabs, &rect);
    ::SendMessageA(m_tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

void CBCGPTabWnd::LayoutPages() {
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    ::MoveWindow(m_tabs, 0, 0, client.right, client.bottom, TRUE);
    RECT page = GetPageRect();
    for (HWND p : m_pages)
        ::MoveWindow(p, page.left, page.top, page.right - page.left, page.bottom - page.top, TRUE);
}

void CBCGPTabWnd::ShowActivePage() {
    int active = GetActiveTab();
    for (size_t i = 0; i < m_pages.size(); ++i)
        ::ShowWindow(m_pages[i], static_cast<int>(i) == active ? SW_SHOW : SW_HIDE);
}

void CBCGPTabWnd::DrawTab(const DRAWITEMSTRUCT& item) {
    int tab = static_cast<int>(item.itemID);
    COLORREF color = m_colors.empty() ? globalData.clrBtnFace : m_colors[tab % m_colors.size()];
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FillRect(item.hDC, &item.rcItem, brush);
    ::DeleteObject(brush);

    char label[128] = {};
    TCITEMA tcItem = {};
    tcItem.mask = TCIF_TEXT;
    tcItem.pszText = label;
    tcItem.cchTextMax = sizeof(label);
    ::SendMessageA(m_tabs, TCM_GETITEMA, tab, reinterpret_cast<LPARAM>(&tcItem));
    RECT text = item.rcItem;
    int oldMode = ::SetBkMode(item.hDC, TRANSPARENT);
    COLORREF oldColor = ::SetTextColor(item.hDC, ::GetSysColor(COLOR_BTNTEXT));
    ::DrawTextA(item.hDC, label, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SetTextColor(item.hDC, oldColor);
    ::SetBkMode(item.hDC, oldMode);
}

LRESULT CALLBACK CBCGPTabWnd::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<CBCGPTabWnd*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self) {
        switch (msg) {
            case WM_SIZE:
                if (self->m_tabs)
                    self->LayoutPages();
                return 0;
            case WM_NOTIFY: {
                auto* header = reinterpret_cast<NMHDR*>(lp);
                if (header->hwndFrom == self->m_tabs && header->code == TCN_SELCHANGE) {
                    self->ShowActivePage();
                    return 0;
                }
                break;
            }
            case WM_DRAWITEM: {
                auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
                if (item->hwndItem == self->m_tabs) {
                    self->DrawTab(*item);
                    return TRUE;
                }
                break;
            }
            case WM_ERASEBKGND:
                FillWithFace(hwnd, reinterpret_cast<HDC>(wp));
                return 1;
            case WM_NCDESTROY:
                self->m_hWnd = nullptr;
                self->m_tabs = nullptr;
                break;
        }
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}
