#include "app/MainWindowHost_win.h"

#include "toolkit/App.h"

bool MainWindowHost::HasMainWindow() {
    return AfxGetMainHwnd() != nullptr;
}

void MainWindowHost::HideMainWindow() {
    if (HWND main = AfxGetMainHwnd())
        ::ShowWindow(main, SW_HIDE);
}

void MainWindowHost::StartNotice() {
    // The notice window and its thread are not built yet; release the flag so
    // the next ending is free to show one.
    m_noticeShowing.store(false);
}
