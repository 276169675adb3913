#include "filter/HookService.h"

#include <algorithm>

#include "filter/LocalPath.h"
#include "hook/HookPipe.h"

bool HookService::Startup() {
    if (!m_engine.AddProviderAndSublayer()) {
        m_log.Report("Could not add the Hushwall provider and sublayer to the filtering engine.");
        return false;
    }
    const bool recovered = m_hook.Recover();
    if (!recovered)
        m_log.Report("Could not read or rebuild the filters an earlier run of the service left.");
    // The names of a session that goes on; without one, none stay in the file.
    m_hosts.Recover(m_hook.started() || !recovered);
    ReportHosts();
    if (!m_failSafe.Resume())
        m_log.Report("The fail-safe's count was unreadable; the website block ends now.");
    if (m_keeper && !m_keeper->Resume())
        m_log.Report("The kept schedules were unreadable; the service starts no scheduled session.");
    if (m_guard) {
        switch (m_guard->Resume()) {
        case SessionGuard::Resumed::Unreadable:
            m_log.Report("The guarded session's record was unreadable; the service guards no session.");
            break;
        case SessionGuard::Resumed::EndedWhileOff:
            m_guardClearPending = true;
            break;
        default:
            break;
        }
    }
    Tick();
    return true;
}

std::optional<std::vector<uint8_t>> HookService::HandleMessage(const uint8_t* message, size_t size) {
    if (size > kHookMaxRequestSize)
        return std::nullopt;
    const auto request = DecodeHookRequest(message, size);
    if (request && request->code == IOCTL_HOOK_GUARD_QUERY) {
        const auto left = m_guard ? m_guard->SecondsLeftFor(m_clientUser) : std::nullopt;
        return EncodeHookTimedReply(left ? kHookStatusOk : kHookStatusFailed, left ? *left : 0);
    }
    if (request)
        if (auto reply = DispatchSchedule(request->code, request->input))
            return reply;
    if (request)
        if (const auto status = DispatchGuard(request->code, request->input))
            return EncodeHookReply(*status);
    const bool ok = request && Dispatch(request->code, request->input);
    return EncodeHookReply(ok ? kHookStatusOk : kHookStatusFailed);
}

std::optional<uint32_t> HookService::DispatchGuard(uint32_t code, const std::vector<uint8_t>& input) {
    if (code != IOCTL_HOOK_GUARD_PROGRAM && code != IOCTL_HOOK_GUARD_START &&
        code != IOCTL_HOOK_GUARD_END && code != IOCTL_HOOK_GUARD_KEY_END &&
        code != IOCTL_HOOK_GUARD_BEAT)
        return std::nullopt;
    if (!m_guard || !m_clientPid)
        return kHookStatusFailed;
    switch (code) {
    case IOCTL_HOOK_GUARD_PROGRAM:
        if (!IsLocalDrivePath(std::string(input.begin(), input.end())))
            return kHookStatusFailed;
        return m_guard->AddProgram(std::string(input.begin(), input.end())) ? kHookStatusOk
                                                                            : kHookStatusFailed;
    case IOCTL_HOOK_GUARD_START: {
        HookTimeBytes bytes;
        std::copy(input.begin(), input.end(), bytes.begin());
        const int64_t remaining = DecodeHookTime(bytes);
        if (remaining < kHookUnbounded)
            return kHookStatusFailed;
        switch (m_guard->Start(remaining, *m_clientPid, m_clientSession, m_clientUser)) {
        case SessionGuard::Outcome::Refused:
            return kHookStatusFailed;
        case SessionGuard::Outcome::Bounded:
            return kHookStatusOk;
        case SessionGuard::Outcome::Unbounded:
            break;
        }
        KeepFailSafeUnbounded();
        return kHookStatusUnbounded;
    }
    case IOCTL_HOOK_GUARD_BEAT:
        return m_guard->Beat(*m_clientPid, m_clientSession, m_clientUser) ? kHookStatusOk
                                                                          : kHookStatusFailed;
    case IOCTL_HOOK_GUARD_KEY_END:
        // Only the session's own user typed the key; nobody else's program ends it.
        if (m_guard->guarding() && m_guard->user() != m_clientUser)
            return kHookStatusFailed;
        m_guard->End();
        m_guardClearPending = false;
        if (m_keeper)
            m_keeper->KeyEnded(m_clientUser);
        return ClearAll() ? kHookStatusOk : kHookStatusFailed;
    default:
        if (!m_guard->MayEnd())
            return kHookStatusFailed;
        m_guard->End();
        return kHookStatusOk;
    }
}

std::optional<std::vector<uint8_t>> HookService::DispatchSchedule(
    uint32_t code, const std::vector<uint8_t>& input) {
    if (code != IOCTL_HOOK_SCHEDULE_PART && code != IOCTL_HOOK_SCHEDULE_SET &&
        code != IOCTL_HOOK_SCHEDULE_GET)
        return std::nullopt;
    if (!m_keeper || !m_clientPid)
        return code == IOCTL_HOOK_SCHEDULE_GET ? EncodeHookDataReply(kHookStatusFailed, "", 0)
                                               : EncodeHookReply(kHookStatusFailed);
    switch (code) {
        case IOCTL_HOOK_SCHEDULE_PART:
            return EncodeHookReply(m_keeper->AddPart(input) ? kHookStatusOk : kHookStatusFailed);
        case IOCTL_HOOK_SCHEDULE_SET:
            return EncodeHookReply(m_keeper->Submit(m_clientUser) ? kHookStatusOk
                                                                  : kHookStatusFailed);
        default: {
            const uint32_t offset =
                static_cast<uint32_t>(input[0]) | (static_cast<uint32_t>(input[1]) << 8) |
                (static_cast<uint32_t>(input[2]) << 16) | (static_cast<uint32_t>(input[3]) << 24);
            const std::optional<std::string> kept = m_keeper->Encoded(m_clientUser);
            return EncodeHookDataReply(kept ? kHookStatusOk : kHookStatusFailed, kept ? *kept : "",
                                       offset);
        }
    }
}

void HookService::KeepFailSafeUnbounded() {
    if (m_failSafe.armed() && !m_failSafe.unbounded())
        m_failSafe.Set(kHookUnbounded);
}

void HookService::ClientConnected(uint32_t pid, uint32_t session, const std::string& user) {
    if (m_keeper)
        m_keeper->DropParts();
    m_clientPid = pid;
    m_clientSession = session;
    m_clientUser = user;
    // The filters block the traffic of the client's user, but never move away
    // from the user of a guarded session.
    if (!m_guard || !m_guard->guarding() || m_guard->user().empty() || m_guard->user() == user)
        m_hook.SetUser(user);
}

void HookService::ClientGone() {
    if (m_keeper)
        m_keeper->DropParts();
    if (m_guard && m_clientPid)
        m_guard->ClientGone(*m_clientPid);
    m_clientPid.reset();
    m_clientUser.clear();
}

bool HookService::ClearAll() {
    if (!m_hook.Clear())
        return false;
    m_failSafe.Disarm();
    m_hosts.Clear();
    ReportHosts();
    return true;
}

bool HookService::Dispatch(uint32_t code, const std::vector<uint8_t>& input) {
    switch (code) {
    case IOCTL_HOOK_START:
        if (!m_hook.Start())
            return false;
        m_hosts.Show();
        ReportHosts();
        return true;
    case IOCTL_HOOK_STOP:
        // Before the guarded session's end only the key or the guard itself ends it.
        if ((m_guard && !m_guard->MayEnd()) || !m_hook.Stop())
            return false;
        m_hosts.Hide();
        ReportHosts();
        return true;
    case IOCTL_HOOK_CLEAR_RULES:
        return (!m_guard || m_guard->MayEnd()) && ClearAll();
    case IOCTL_HOOK_ADD_NAME: {
        if (!m_hosts.Add(std::string(input.begin(), input.end())))
            return false;
        ReportHosts();
        return true;
    }
    case IOCTL_HOOK_ADD_RULE: {
        HookRuleBytes bytes;
        std::copy(input.begin(), input.end(), bytes.begin());
        return m_hook.AddRule(bytes);
    }
    case IOCTL_HOOK_ADD_RULE6: {
        HookRule6Bytes bytes;
        std::copy(input.begin(), input.end(), bytes.begin());
        return m_hook.AddRule6(bytes);
    }
    case IOCTL_HOOK_SET_REMAINING: {
        HookTimeBytes bytes;
        std::copy(input.begin(), input.end(), bytes.begin());
        return m_failSafe.Set(DecodeHookTime(bytes));
    }
    default:
        return false;
    }
}

void HookService::Tick() {
    if (m_guard) {
        const SessionGuard::TickResult guard = m_guard->Tick();
        // A moved clock must not end the website block early either.
        if (guard.clockChanged)
            KeepFailSafeUnbounded();
        if (guard.ended) {
            m_guardClearPending = true;
            m_log.Report("The guarded session's time has passed; the service ended it by itself.");
        }
        if (m_guardClearPending && ClearAll())
            m_guardClearPending = false;
    }
    if (m_keeper)
        m_keeper->Tick(m_clientPid ? m_clientUser : std::string(),
                       m_guard && m_guard->guarding() ? m_guard->user() : std::string());
    m_hosts.Check();
    ReportHosts();
    // While the guard holds a session, its end is the one that counts.
    if ((m_guard && m_guard->guarding()) || !m_failSafe.Expired())
        return;
    if (!m_hook.Clear()) {
        if (!m_clearFailureReported)
            m_log.Report("The session's time and 15 minutes' grace have passed without a clear, "
                         "but removing the website filters failed; trying again.");
        m_clearFailureReported = true;
        return;
    }
    m_clearFailureReported = false;
    m_failSafe.Disarm();
    m_hosts.Clear();
    ReportHosts();
    m_log.Report("The session's time and 15 minutes' grace have passed without a clear from "
                 "Hushwall; the service removed its website filters by itself.");
}

// Once per failure, not at every retry; the file is tried again every few seconds.
void HookService::ReportHosts() {
    if (m_hosts.inSync()) {
        m_hostsFailureReported = false;
        return;
    }
    if (!m_hostsFailureReported)
        m_log.Report(
            "Could not bring the hosts file to the session's blocked names; trying again.");
    m_hostsFailureReported = true;
}

namespace {

// Simple case folding: ASCII, Latin-1 and the basic Cyrillic and Greek letters.
wchar_t Fold(wchar_t c) {
    const unsigned u = static_cast<unsigned>(c);
    if (u >= 'a' && u <= 'z')
        return static_cast<wchar_t>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7)
        return static_cast<wchar_t>(u - 32);
    if (u >= 0x430 && u <= 0x44F)
        return static_cast<wchar_t>(u - 32);
    if (u >= 0x450 && u <= 0x45F)
        return static_cast<wchar_t>(u - 80);
    if (u >= 0x3B1 && u <= 0x3C9 && u != 0x3C2)
        return static_cast<wchar_t>(u - 32);
    return c;
}

}  // namespace

bool IsRegisteredClient(const std::wstring& imagePath, const std::wstring& registeredPath) {
    if (registeredPath.empty() || imagePath.size() != registeredPath.size())
        return false;
    for (size_t i = 0; i < imagePath.size(); ++i) {
        if (Fold(imagePath[i]) != Fold(registeredPath[i]))
            return false;
    }
    return true;
}

bool IsRegisteredClient(const std::wstring& imagePath, const FileDigest& imageDigest,
                        const std::wstring& registeredPath, const FileDigest& registeredDigest) {
    return IsRegisteredClient(imagePath, registeredPath) && registeredDigest.size() == 32 &&
           imageDigest == registeredDigest;
}
