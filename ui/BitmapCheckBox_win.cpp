#include "ui/BitmapCheckBox_win.h"

#include <windowsx.h>

#include "res/resource.h"
#include "toolkit/App.h"

namespace {

constexpr int kTextIndent = 18;

// Bitmaps are loaded for each drawing and released at once: two tiny images, rarely drawn.
void DrawBitmap(HDC dc, UINT id, int x, int y) {
    HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id),
                                                       IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    if (!bitmap)
        return;
    BITMAP info = {};
    ::GetObjectA(bitmap, sizeof(info), &info);
    HDC source = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(source, bitmap);
    ::BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
    ::DeleteObject(bitmap);
}

}  // namespace

CBitmapCheckBox::CBitmapCheckBox() = default;
CBitmapCheckBox::~CBitmapCheckBox() = default;

bool CBitmapCheckBox::Create(const char* text, const RECT& rect, HWND parent, UINT id,
                             DWORD style) {
    return CreateControl("BUTTON", text, style, rect, parent, id);
}

void CBitmapCheckBox::PreSubclassWindow() {
    const LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
}

void CBitmapCheckBox::SetCheck(int state) {
    if (m_input.SetCheck(state))
        Redraw();
}

RECT CBitmapCheckBox::MarkRect() const {
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const BoxRect mark =
        CheckMarkRect({client.left, client.top, client.right, client.bottom},
                      static_cast<uint32_t>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)));
    return {mark.left, mark.top, mark.right, mark.bottom};
}

void CBitmapCheckBox::Redraw() {
    if (!m_hWnd)
        return;
    if (RedrawsWholeWindow(static_cast<uint32_t>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)))) {
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    } else {
        const RECT mark = MarkRect();
        ::InvalidateRect(m_hWnd, &mark, TRUE);
    }
}

bool CBitmapCheckBox::Inside(LPARAM point) const {
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const POINT p = {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    return ::PtInRect(&client, p) != FALSE;
}

void CBitmapCheckBox::Carry(const CheckBoxInput::Step& step) {
    HWND hwnd = m_hWnd;
    if (step.capture) {
        ::SetFocus(hwnd);
        ::SetCapture(hwnd);
    }
    if (step.release && ::GetCapture() == hwnd)
        ::ReleaseCapture();
    if (step.notify) {
        const int id = ::GetDlgCtrlID(hwnd);
        ::SendMessageA(::GetParent(hwnd), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(hwnd));
    }
    // The parent may have destroyed the control while handling the click.
    if (step.redraw && ::IsWindow(hwnd) && m_hWnd == hwnd)
        Redraw();
}

LRESULT CBitmapCheckBox::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            Carry(m_input.ButtonDown());
            return 0;
        case WM_LBUTTONDBLCLK:
            // A second press, so that a double click toggles twice.
            return ::SendMessageA(m_hWnd, WM_LBUTTONDOWN, wp, lp);
        case WM_MOUSEMOVE:
            if (::GetCapture() != m_hWnd)
                break;
            Carry(m_input.MouseMove(Inside(lp)));
            return 0;
        case WM_LBUTTONUP:
            Carry(m_input.ButtonUp(Inside(lp)));
            return 0;
        case WM_KEYDOWN:
            if (wp != VK_SPACE)
                break;
            Carry(m_input.SpaceDown());
            return 0;
        case WM_KEYUP:
            if (wp != VK_SPACE)
                break;
            Carry(m_input.SpaceUp());
            return 0;
        // Other programs (and the end-to-end driver) ask and set the state this way.
        case BM_GETCHECK:
            return GetCheck();
        case BM_SETCHECK:
            SetCheck(wp == BST_CHECKED ? 1 : 0);
            return 0;
    }
    return CButton::WindowProc(msg, wp, lp);
}

void CBitmapCheckBox::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    FillBackground(dc, item.rcItem);
    const RECT mark = MarkRect();
    DrawBitmap(dc, m_input.checkState ? IDB_CHECK_ON : IDB_CHECK_OFF, mark.left, mark.top);

    RECT textRect = item.rcItem;
    textRect.left += kTextIndent;
    DrawLookText(dc, GetText().c_str(), textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}
