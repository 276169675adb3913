#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "programs/ProcessRecord.h"

// What a sweep needs of the system: list processes and end one.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    // Needs the full image paths only of processes that may run one of `wantedPaths`
    // or the task manager.
    virtual ProcessSnapshot TakeSnapshot(const std::vector<std::string>& wantedPaths) = 0;
    // The processes this sweep ends: by default FindBlockedProcesses over TakeSnapshot.
    virtual std::vector<uint32_t> FindBlocked(const std::vector<std::string>& blockedPrograms);
    // The session is over: what the sweeps kept is let go.
    virtual void Release() {}
    // Opens the process for ending and ends it; false only when it could not be opened.
    virtual bool EndProcess(uint32_t pid) = 0;
};

// What a sweep needs of the main window.
class WatcherHost {
public:
    virtual ~WatcherHost() = default;
    virtual bool HasMainWindow() = 0;
    virtual void HideMainWindow() = 0;
    // Starts the blocked-program notice; the notice clears `noticeShowing` when it closes.
    virtual void StartNotice() = 0;
};

// Ends blocked programs and the task manager, one sweep at a time.
class ProcessWatcher {
public:
    ProcessWatcher(ProcessControl& control, WatcherHost& host, std::atomic<bool>& noticeShowing)
        : m_control(control), m_host(host), m_noticeShowing(noticeShowing) {}

    void Start(std::vector<std::string> blockedPrograms);
    void Stop();

    // One sweep; returns how many processes were opened for ending.
    unsigned Sweep();

    const std::vector<std::string>& blockedPrograms() const { return m_blockedPrograms; }
    bool sweepBusy() const { return m_sweepBusy; }

private:
    ProcessControl& m_control;
    WatcherHost& m_host;
    std::atomic<bool>& m_noticeShowing;
    std::vector<std::string> m_blockedPrograms;
    bool m_sweepBusy = false;
};
