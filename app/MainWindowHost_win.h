#pragma once
#include <atomic>

#include "programs/ProcessWatcher.h"

// The watcher's view of the main window.
class MainWindowHost : public WatcherHost {
public:
    explicit MainWindowHost(std::atomic<bool>& noticeShowing) : m_noticeShowing(noticeShowing) {}

    bool HasMainWindow() override;
    void HideMainWindow() override;
    void StartNotice() override;

private:
    std::atomic<bool>& m_noticeShowing;
};
