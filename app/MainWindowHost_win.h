#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "programs/ProcessWatcher.h"

// The watcher's view of the main window.
class MainWindowHost : public WatcherHost {
public:
    // `noticeText` says how long the block lasts; it is read on this thread,
    // before the notice's own thread starts.
    MainWindowHost(std::shared_ptr<std::atomic<bool>> noticeShowing,
                   std::function<std::string()> noticeText)
        : m_noticeShowing(std::move(noticeShowing)), m_noticeText(std::move(noticeText)) {}

    bool HasMainWindow() override;
    void HideMainWindow() override;
    void StartNotice() override;

private:
    std::shared_ptr<std::atomic<bool>> m_noticeShowing;
    std::function<std::string()> m_noticeText;
};
