#include "programs/ProcessWatcher.h"

#include "programs/ProcessMatch.h"

std::vector<uint32_t> ProcessControl::FindBlocked(const std::vector<std::string>& blockedPrograms) {
    return FindBlockedProcesses(TakeSnapshot(blockedPrograms), blockedPrograms);
}

void ProcessWatcher::Start(std::vector<std::string> blockedPrograms) {
    m_sweepBusy = false;
    m_blockedPrograms = std::move(blockedPrograms);
}

void ProcessWatcher::Stop() {
    m_sweepBusy = false;
    m_blockedPrograms.clear();
    m_control.Release();
}

unsigned ProcessWatcher::Sweep() {
    // A nested message loop may dispatch the timer again mid-sweep.
    if (m_sweepBusy)
        return 0;
    m_host.HideMainWindow();
    m_sweepBusy = true;

    unsigned ended = 0;
    for (uint32_t pid : m_control.FindBlocked(m_blockedPrograms))
        if (m_control.EndProcess(pid))
            ++ended;

    // Only this sweep sets the flag and only the notice clears it.
    if (ended > 0 && m_host.HasMainWindow() && !m_noticeShowing.load()) {
        m_noticeShowing.store(true);
        m_host.StartNotice();
    }
    m_sweepBusy = false;
    return ended;
}
