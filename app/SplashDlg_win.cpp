#include "app/SplashDlg_win.h"

#include "app/PictureWindow_win.h"
#include "res/resource.h"

SplashDlg::SplashDlg() : CDialog(IDD_SPLASH) {}

BOOL SplashDlg::OnInitDialog() {
    // In front of the main dialog, which opens beside it.
    FitWindowToPicture(m_hWnd, IDC_SPLASH_PICTURE, HWND_TOPMOST, SWP_NOACTIVATE);
    return FALSE;
}
