#include "programs/WatcherTimer_win.h"

#include <utility>

namespace {
ProcessWatcher* g_watcher = nullptr;
UINT_PTR g_watcherTimerId = 0;
}  // namespace

void StartWatcherTimer(ProcessWatcher& watcher, std::vector<std::string> blockedPrograms) {
    StopWatcherTimer();
    g_watcher = &watcher;
    watcher.Start(std::move(blockedPrograms));
    g_watcherTimerId = ::SetTimer(nullptr, 1, kWatcherPeriodMs, OnWatcherTimer);
}

void StopWatcherTimer() {
    if (g_watcherTimerId)
        ::KillTimer(nullptr, g_watcherTimerId);
    g_watcherTimerId = 0;
    if (g_watcher)
        g_watcher->Stop();
    g_watcher = nullptr;
}

UINT_PTR WatcherTimerId() {
    return g_watcherTimerId;
}

void CALLBACK OnWatcherTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_watcher)
        g_watcher->Sweep();
}
