#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/Clock.h"
#include "session/SessionEngine.h"

// The notification-area icon that stands for the hidden main window.
class CTrayIcon : public SessionTray {
public:
    explicit CTrayIcon(Clock& clock) : m_clock(clock) {}

    // Fills the icon record once the main window exists; `endTime` is the session's.
    void Init(HWND window, HICON icon, const Seconds* endTime);

    void HideToTray() override;
    bool IconShown() override { return trayIconShown; }
    void SetTooltip(const std::string& text) override;
    void Remove();
    // The shell has started again (Explorer restarted) and holds no icons:
    // puts ours back as it was, when it is meant to be shown.
    void OnTaskbarCreated();

    std::string Tooltip() const { return trayData.szTip; }

    // The callback message of the icon: WM_APP is 0x8000, plus 1000.
    static constexpr UINT kCallbackMessage = WM_APP + 1000;
    // The mouse messages over the icon that count as a click.
    static bool IsClick(LPARAM mouseMessage);
    // "TaskbarCreated", which the shell broadcasts to top-level windows when it starts.
    static UINT TaskbarCreatedMessage();

    NOTIFYICONDATAA trayData = {};
    bool trayIconShown = false;

private:
    Clock& m_clock;
    const Seconds* m_endTime = nullptr;
};
