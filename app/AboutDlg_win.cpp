#include "app/AboutDlg_win.h"

#include "app/PictureWindow_win.h"
#include "res/resource.h"

CAboutDlg::CAboutDlg() : CBCGPDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog() {
    FitWindowToPicture(m_hWnd, IDC_SPLASH_PICTURE, nullptr, SWP_NOZORDER);
    return TRUE;
}

INT_PTR CAboutDlg::OnMessage(UINT msg, WPARAM /*wp*/, LPARAM /*lp*/, bool& handled) {
    // The picture does not take clicks, so they reach the dialog.
    handled = msg == WM_LBUTTONDOWN;
    if (handled)
        OnOK();
    return 0;
}
