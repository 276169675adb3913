#include "app/SplashDlg_win.h"

#include "res/resource.h"

SplashDlg::SplashDlg() : CDialog(IDD_SPLASH) {}

BOOL SplashDlg::OnInitDialog() {
    // The picture sets the size, whatever the dialog font makes of the template.
    RECT picture = {};
    ::GetWindowRect(GetDlgItem(IDC_SPLASH_PICTURE), &picture);
    const int width = picture.right - picture.left;
    const int height = picture.bottom - picture.top;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    // In front of the main dialog, which opens beside it.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
    return FALSE;
}
