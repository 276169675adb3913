#pragma once
#include <windows.h>

#include <string>

#include "programs/ProcessWatcher.h"
#include "session/SessionEngine.h"

// The application's value under HKCU\Software\Microsoft\Windows\CurrentVersion\Run.
class RunKeyAutorun : public Autorun {
public:
    RunKeyAutorun(std::string appName, std::string exeFullPath)
        : m_appName(std::move(appName)), m_exeFullPath(std::move(exeFullPath)) {}
    void Register() override;
    void Remove() override;
    // Written after the quoted path by the next Register; empty: the bare path.
    void SetArguments(std::string arguments) { m_arguments = std::move(arguments); }

private:
    std::string m_appName;
    std::string m_exeFullPath;
    std::string m_arguments;
};

constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The watcher's 800 ms thread timer, the session tick (timer 2 of `window`,
// which hands its WM_TIMER to the engine's OnSessionTick) and the beat (timer 3,
// to OnBeat).
class WindowSessionTimers : public SessionTimers {
public:
    WindowSessionTimers(ProcessWatcher& watcher, HWND window = nullptr,
                        UINT tickMs = kSessionTickMs)
        : m_watcher(watcher), m_window(window), m_tickMs(tickMs) {}
    void SetWindow(HWND window) { m_window = window; }

    void StartWatcher(const std::vector<std::string>& blockedPrograms) override;
    void StopWatcher() override;
    void StartSessionTimer() override;
    void StopSessionTimer() override;
    void StartBeatTimer() override;
    void StopBeatTimer() override;

    static constexpr UINT_PTR kSessionTimerId = 2;
    static constexpr UINT_PTR kBeatTimerId = 3;
    // Well inside the service's 10 s without a beat, even with a late tick.
    static constexpr UINT kBeatMs = 3000;
    // Thirty seconds and one millisecond.
    static constexpr UINT kSessionTickMs = 30001;

private:
    ProcessWatcher& m_watcher;
    HWND m_window;
    UINT m_tickMs;
    UINT_PTR m_sessionTimerId = 0;
    UINT_PTR m_beatTimerId = 0;

    void KillWindowTimer(UINT_PTR& id);
};

// Marks a screen saver as running or not; outside the NT family this keeps the
// task-switching keys away from the user.
void SetScreenSaverRunning(bool running);
