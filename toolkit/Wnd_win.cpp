#include "toolkit/Wnd.h"

#include "toolkit/App.h"

namespace {

// The object behind a subclassed window.
const char kObjectProp[] = "Hushwall.CWnd";

}  // namespace

CWnd::~CWnd() {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || ::GetPropA(hwnd, kObjectProp))
        return false;
    m_hWnd = hwnd;
    PreSubclassWindow();
    ::SetPropA(hwnd, kObjectProp, this);
    m_oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, HWND parent) {
    return SubclassWindow(::GetDlgItem(parent, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (!hwnd)
        return nullptr;
    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
    ::RemovePropA(hwnd, kObjectProp);
    m_hWnd = nullptr;
    m_oldProc = nullptr;
    return hwnd;
}

bool CWnd::CreateControl(const char* className, const char* text, DWORD style, const RECT& rect,
                         HWND parent, UINT id) {
    if (m_hWnd)
        return false;
    HWND hwnd = ::CreateWindowExA(0, className, text, style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  AfxGetInstanceHandle(), nullptr);
    if (!hwnd)
        return false;
    if (!SubclassWindow(hwnd)) {
        ::DestroyWindow(hwnd);
        return false;
    }
    return true;
}

std::string CWnd::GetText() const {
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(m_hWnd)) + 1, '\0');
    const int length = ::GetWindowTextA(m_hWnd, &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(length > 0 ? length : 0));
    return text;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    return Default(msg, wp, lp);
}

LRESULT CWnd::Default(UINT msg, WPARAM wp, LPARAM lp) {
    return ::CallWindowProcA(m_oldProc, m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<CWnd*>(::GetPropA(hwnd, kObjectProp));
    if (!self)
        return ::DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        // The last message: give the window back before it goes.
        WNDPROC old = self->m_oldProc;
        self->UnsubclassWindow();
        return ::CallWindowProcA(old, hwnd, msg, wp, lp);
    }
    return self->WindowProc(msg, wp, lp);
}

bool ReflectDrawItem(LPARAM drawItem) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(drawItem);
    if (!item || !item->hwndItem)
        return false;
    return ::SendMessageA(item->hwndItem, WM_REFLECT_DRAWITEM, 0, drawItem) != 0;
}

LRESULT CButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_REFLECT_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

LRESULT CStatic::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_REFLECT_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
    }
    return CWnd::WindowProc(msg, wp, lp);
}
