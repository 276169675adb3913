#include "toolkit/Dialog.h"

#include "toolkit/App.h"
#include "toolkit/Wnd.h"

CDialog::~CDialog() {
    if (m_hWnd && !m_modal)
        ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal(HWND parent) {
    m_modal = true;
    return ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), parent,
                             DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent) {
    m_modal = false;
    return ::CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), parent,
                                DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::DestroyWindow() {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

void CDialog::EndDialog(INT_PTR result) {
    if (m_hWnd)
        ::EndDialog(m_hWnd, result);
}

std::string CDialog::ItemText(int id) const {
    HWND item = GetDlgItem(id);
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(
        static_cast<size_t>(::GetWindowTextA(item, &text[0], static_cast<int>(text.size()))));
    return text;
}

void CDialog::Close(INT_PTR result) {
    if (m_modal)
        EndDialog(result);
    else
        DestroyWindow();
}

bool CDialog::OnCommand(WORD id, WORD /*code*/) {
    switch (id) {
        case IDOK:
            OnOK();
            return true;
        case IDCANCEL:
            OnCancel();
            return true;
    }
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CDialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lp);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        return self->OnInitDialog();
    }
    self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return FALSE;

    switch (msg) {
        case WM_COMMAND:
            return self->OnCommand(LOWORD(wp), HIWORD(wp)) ? TRUE : FALSE;
        case WM_TIMER:
            self->OnTimer(static_cast<UINT_PTR>(wp));
            return TRUE;
        case WM_NOTIFY: {
            LRESULT result = 0;
            if (!self->OnNotify(reinterpret_cast<NMHDR*>(lp), result))
                return FALSE;
            ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
            return TRUE;
        }
        case WM_DRAWITEM:
            // Owner-drawn controls of ours draw themselves.
            if (ReflectDrawItem(lp))
                return TRUE;
            break;
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            // The brush is the result itself, not DWLP_MSGRESULT.
            return reinterpret_cast<INT_PTR>(
                self->OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), msg));
        case WM_NCDESTROY:
            ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
            self->m_hWnd = nullptr;
            self->OnDestroy();
            return FALSE;
    }
    bool handled = false;
    INT_PTR result = self->OnMessage(msg, wp, lp, handled);
    if (!handled)
        return FALSE;
    // A few messages take the procedure's own result instead of DWLP_MSGRESULT.
    if (msg == WM_QUERYDRAGICON || msg == WM_COMPAREITEM || msg == WM_VKEYTOITEM ||
        msg == WM_CHARTOITEM)
        return result;
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
    return TRUE;
}
