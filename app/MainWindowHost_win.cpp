#include "app/MainWindowHost_win.h"

#include "programs/StopDlg_win.h"
#include "toolkit/App.h"

bool MainWindowHost::HasMainWindow() {
    return AfxGetMainHwnd() != nullptr;
}

void MainWindowHost::HideMainWindow() {
    if (HWND main = AfxGetMainHwnd())
        ::ShowWindow(main, SW_HIDE);
}

void MainWindowHost::StartNotice() {
    ShowBlockedNotice(m_noticeText ? m_noticeText() : std::string(), m_noticeShowing);
}
