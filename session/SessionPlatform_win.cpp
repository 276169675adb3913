#include "session/SessionPlatform_win.h"

#include "programs/WatcherTimer_win.h"

void RunKeyAutorun::Register() {
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, kRunKeyPath, &key) != ERROR_SUCCESS)
        return;
    const std::string command =
        m_arguments.empty() ? m_exeFullPath : "\"" + m_exeFullPath + "\" " + m_arguments;
    ::RegSetValueExA(key, m_appName.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(command.c_str()),
                     static_cast<DWORD>(command.size() + 1));
    ::RegCloseKey(key);
}

void RunKeyAutorun::Remove() {
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, kRunKeyPath, &key) != ERROR_SUCCESS)
        return;
    ::RegDeleteValueA(key, m_appName.c_str());
    ::RegCloseKey(key);
}

void WindowSessionTimers::StartWatcher(const std::vector<std::string>& blockedPrograms) {
    StartWatcherTimer(m_watcher, blockedPrograms);
}

void WindowSessionTimers::StopWatcher() {
    StopWatcherTimer();
}

void WindowSessionTimers::StartSessionTimer() {
    m_sessionTimerId = ::SetTimer(m_window, kSessionTimerId, m_tickMs, nullptr);
}

void WindowSessionTimers::StopSessionTimer() {
    KillWindowTimer(m_sessionTimerId);
}

void WindowSessionTimers::StartBeatTimer() {
    m_beatTimerId = ::SetTimer(m_window, kBeatTimerId, kBeatMs, nullptr);
}

void WindowSessionTimers::StopBeatTimer() {
    KillWindowTimer(m_beatTimerId);
}

void WindowSessionTimers::KillWindowTimer(UINT_PTR& id) {
    if (id)
        ::KillTimer(m_window, id);
    id = 0;
}

void SetScreenSaverRunning(bool running) {
    UINT previous = 0;
    ::SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? TRUE : FALSE, &previous, 0);
}
