#include "session/SessionEngine.h"

#include "session/ClockCheck.h"
#include "session/RemainingTime.h"
#include "session/SessionRecord.h"

void SessionEngine::OnBlockNow() {
    Seconds chosenEnd = 0;
    if (!m_s.host.ValidateDuration(chosenEnd))
        return;
    endTime = chosenEnd;
    if (!m_s.host.SaveDefaultProfile())
        return;
    timeChanged = false;
    m_s.tray.HideToTray();
    StartBlocking();
}

void SessionEngine::StartBlocking() {
    if (blockingActive)
        return;
    std::string record = FormatSessionRecord(endTime);
    blockingActive = true;
    TakeTickBaseline();
    std::vector<std::string> blockedPrograms = m_s.host.CheckedPrograms();

    m_s.autorun.Register();
    // Only a resumed session (the marker, or the service's without end) starts
    // with the clock already changed.
    WriteRecord(timeChanged ? kUnboundedRecord : record);
    // Starting the watcher replaces its blocked programs and clears its busy flag.
    m_s.timers.StartWatcher(blockedPrograms);
    m_s.timers.StartSessionTimer();
    if (!m_isNTPlatform)
        m_s.host.SetScreenSaverRunning(true);
    m_s.host.LockDefaultFiles();
    if (websiteBlockingAvailable && m_s.websites)
        StartWebsiteBlocking();
    StartGuard(blockedPrograms);
}

void SessionEngine::StartGuard(const std::vector<std::string>& blockedPrograms) {
    bool unbounded = m_unboundedAtResume;
    m_unboundedAtResume = false;
    // The pipe is open whether or not a website is ticked: the service guards the session.
    if (websiteBlockingAvailable && m_s.guard) {
        const SessionGuardClient::Reply reply = m_s.guard->StartGuard(
            blockedPrograms,
            timeChanged ? std::nullopt : std::optional<Seconds>(RemainingSeconds()));
        m_guarded = reply != SessionGuardClient::Reply::Refused;
        if (m_guarded)
            m_s.timers.StartBeatTimer();
        unbounded = unbounded || reply == SessionGuardClient::Reply::Unbounded;
    }
    if (unbounded) {
        timeChanged = true;
        OnClockChanged();
    }
}

void SessionEngine::StartScheduled(Seconds end) {
    if (!blockingActive) {
        endTime = end;
        timeChanged = false;
        m_s.tray.HideToTray();
        StartBlocking();
        // An icon already waiting for the block still names it.
        if (!timeChanged)
            m_s.tray.SetTooltip(TrayStartTooltip(endTime, m_s.clock.Now()));
        return;
    }
    // Never shorter; a session without end stays so.
    if (!timeChanged && end > endTime) {
        endTime = end;
        WriteRecord(FormatSessionRecord(endTime));
    }
    std::vector<std::string> blockedPrograms = m_s.host.CheckedPrograms();
    m_s.timers.StartWatcher(blockedPrograms);
    // The hook takes the wider list from a fresh start.
    if (websiteBlockingAvailable && m_s.websites) {
        StopWebsiteBlocking(false);
        StartWebsiteBlocking();
    }
    StartGuard(blockedPrograms);
    if (m_s.tray.IconShown() && !timeChanged)
        m_s.tray.SetTooltip(TickTooltip(endTime, m_s.clock.Now()));
}

void SessionEngine::StartWebsiteBlocking() {
    websitesBlocked = false;
    // Set before asking, since an answer may come back at once.
    m_lookupsPending = true;
    m_s.websites->StartLookups(++m_lookupTicket);
}

void SessionEngine::OnWebsitesResolved(uint64_t ticket, const WebsiteTargets& targets) {
    // An answer that crossed the session's stop, or an older session's, is dropped.
    if (!m_lookupsPending || ticket != m_lookupTicket || !blockingActive || !m_s.websites)
        return;
    m_lookupsPending = false;
    m_s.websites->WriteSessionLog(targets.addresses);
    if (targets.empty())
        return;
    if (!m_s.websites->LoadHookRules(targets.addresses)) {
        m_s.host.ShowMessage(kRulesFailedMessage);
        return;
    }
    m_s.websites->SendNames(targets.names);
    if (!m_s.websites->SendDriverControl(DriverControl::Start)) {
        m_s.host.ShowMessage(kStartFailedMessage);
        return;
    }
    websitesBlocked = true;
    m_s.websites->SendRemainingTime(timeChanged ? std::nullopt
                                                : std::optional<Seconds>(RemainingSeconds()));
}

Seconds SessionEngine::RemainingSeconds() {
    const Seconds left = endTime - m_s.clock.Now();
    return left > 0 ? left : 0;
}

void SessionEngine::OnSessionTick() {
    Seconds now = m_s.clock.Now();
    if (!timeChanged) {
        // The time of day against a count that runs on through sleep and
        // stalls: only a changed clock makes the two disagree.
        uint64_t elapsedMs = m_s.monotonic.Milliseconds() - m_lastTickMs;
        if (ClockChanged(now - lastTickTime, elapsedMs))
            timeChanged = true;
        else
            TakeTickBaseline();
    }
    if (timeChanged) {
        OnClockChanged();
        return;
    }
    if (now > endTime) {
        EndBlocking();
        if (m_s.tray.IconShown())
            m_s.tray.SetTooltip(kTooltipZero);
        m_s.host.ShowUnownedMessage(kTimeUpMessage, kTimeUpCaption);
        return;
    }
    if (m_s.tray.IconShown())
        m_s.tray.SetTooltip(TickTooltip(endTime, now));
}

void SessionEngine::OnClockChanged() {
    m_s.tray.SetTooltip(kTooltipClockChanged);
    m_s.timers.StopSessionTimer();
    WriteRecord(kUnboundedRecord);
    if (websitesBlocked && m_s.websites)
        m_s.websites->SendRemainingTime(std::nullopt);
}

void SessionEngine::StopBlocking() {
    Stop(false);
}

void SessionEngine::StopForExit() {
    Stop(true);
}

void SessionEngine::Stop(bool exiting) {
    m_s.timers.StopWatcher();
    m_s.timers.StopSessionTimer();
    m_s.timers.StopBeatTimer();
    if (!m_isNTPlatform)
        m_s.host.SetScreenSaverRunning(false);
    blockingActive = false;
    if (websiteBlockingAvailable && m_s.websites)
        StopWebsiteBlocking(exiting);
    m_s.host.UnlockDefaultFiles();
    m_guarded = false;
}

void SessionEngine::StopWebsiteBlocking(bool exiting) {
    if (m_lookupsPending) {
        m_s.websites->CancelLookups();
        m_lookupsPending = false;
    }
    // A guarded session's rules and names stay with the service until the key
    // or its own end; after the key it has cleared them itself.
    if ((exiting && m_guarded) || m_endedByService)
        return;
    // Before its own end the service refuses these and ends the block by
    // itself at that end: a refusal is nothing to tell the user.
    const bool quiet = m_guarded;
    if (!m_s.websites->SendDriverControl(DriverControl::Clear) && !quiet)
        m_s.host.ShowMessage(kClearFailedMessage);
    if (websitesBlocked) {
        if (m_s.websites->SendDriverControl(DriverControl::Stop))
            websitesBlocked = false;
        else if (!quiet)
            m_s.host.ShowMessage(kStopFailedMessage);
    }
}

void SessionEngine::EndBlocking() {
    if (!blockingActive)
        return;
    StopBlocking();
    // Only here: the window's own stop leaves the session to the service's guard.
    if (websiteBlockingAvailable && m_s.guard && !m_endedByService)
        m_s.guard->EndGuard();
    m_endedByService = false;
    m_s.autorun.Remove();
    WriteRecord("");
}

void SessionEngine::EndWithKey() {
    if (!blockingActive)
        return;
    m_endedByService = websiteBlockingAvailable && m_s.guard && m_s.guard->EndWithKey();
    if (m_endedByService)
        websitesBlocked = false;
    EndBlocking();
}

void SessionEngine::OnBeat() {
    if (m_guarded && m_s.guard)
        m_s.guard->Beat();
}

bool SessionEngine::ResumeFromRecord(const std::string& record) {
    const StoredSession stored = ParseSessionRecord(record);
    // The record is only a copy the user can edit (or shift with the time
    // zone): the service's session is never cut short by it.
    std::optional<SessionGuardClient::Held> held;
    if (websiteBlockingAvailable && m_s.guard)
        held = m_s.guard->QueryGuard();
    if (held && !held->remaining) {
        timeChanged = true;
        m_unboundedAtResume = true;
        return true;
    }
    const std::optional<Seconds> heldEnd =
        held ? std::optional<Seconds>(m_s.clock.Now() + *held->remaining) : std::nullopt;
    switch (stored.kind) {
        case StoredSession::None:
            if (!heldEnd)
                return false;
            endTime = *heldEnd;
            return true;
        case StoredSession::Unbounded:
            timeChanged = true;
            return true;
        case StoredSession::Until:
            endTime = heldEnd && *heldEnd > stored.endTime ? *heldEnd : stored.endTime;
            return true;
    }
    return false;
}

void SessionEngine::TakeTickBaseline() {
    lastTickTime = m_s.clock.Now();
    m_lastTickMs = m_s.monotonic.Milliseconds();
}

void SessionEngine::WriteRecord(const std::string& record) {
    m_s.settings.WriteString(kSessionSection, kSessionEntry, record);
}
