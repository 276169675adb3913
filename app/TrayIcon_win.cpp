#include "app/TrayIcon_win.h"

#include "session/RemainingTime.h"

void CTrayIcon::Init(HWND window, HICON icon, const Seconds* endTime) {
    m_endTime = endTime;
    trayData = {};
    // The first layout of the record, which every shell version takes.
    trayData.cbSize = NOTIFYICONDATAA_V1_SIZE;
    trayData.hWnd = window;
    trayData.uID = 0;
    trayData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayData.uCallbackMessage = kCallbackMessage;
    trayData.hIcon = icon;
    lstrcpynA(trayData.szTip, kTooltipIdle, 64);
    // Run elevated, the window would not hear the unelevated shell's broadcast.
    ::ChangeWindowMessageFilterEx(window, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
}

void CTrayIcon::HideToTray() {
    if (trayIconShown)
        return;
    std::string tip = TrayStartTooltip(m_endTime ? *m_endTime : 0, m_clock.Now());
    lstrcpynA(trayData.szTip, tip.c_str(), 64);
    ::ShowWindow(trayData.hWnd, SW_HIDE);
    trayIconShown = true;
    ::Shell_NotifyIconA(NIM_ADD, &trayData);
}

void CTrayIcon::SetTooltip(const std::string& text) {
    lstrcpynA(trayData.szTip, text.c_str(), 64);
    ::Shell_NotifyIconA(NIM_MODIFY, &trayData);
}

void CTrayIcon::Remove() {
    if (!trayIconShown)
        return;
    ::Shell_NotifyIconA(NIM_DELETE, &trayData);
    trayIconShown = false;
}

void CTrayIcon::OnTaskbarCreated() {
    if (trayIconShown)
        ::Shell_NotifyIconA(NIM_ADD, &trayData);
}

UINT CTrayIcon::TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

bool CTrayIcon::IsClick(LPARAM mouseMessage) {
    switch (static_cast<UINT>(mouseMessage)) {
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return true;
    }
    return false;
}
