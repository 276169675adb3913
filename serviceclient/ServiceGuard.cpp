#include "serviceclient/ServiceGuard.h"

#include "hook/HookPipe.h"
#include "hook/HookRule.h"

SessionGuardClient::Reply ServiceGuard::StartGuard(const std::vector<std::string>& blockedPrograms,
                                                   std::optional<Seconds> remaining) {
    for (const std::string& path : blockedPrograms) {
        // A path the code cannot carry is one the sweep of the program still covers.
        if (path.empty() || path.size() > kHookMaxTextInput)
            continue;
        // An older service refuses the codes: the program then works as before.
        if (m_connection.Request(IOCTL_HOOK_GUARD_PROGRAM, path.data(),
                                 static_cast<uint32_t>(path.size())) != kHookStatusOk)
            return Reply::Refused;
    }
    const HookTimeBytes record = EncodeHookTime(remaining ? *remaining : kHookUnbounded);
    const std::optional<uint32_t> status =
        m_connection.Request(IOCTL_HOOK_GUARD_START, record.data(), kHookTimeSize);
    if (status == kHookStatusUnbounded)
        return Reply::Unbounded;
    return status == kHookStatusOk ? Reply::Guarded : Reply::Refused;
}

std::optional<SessionGuardClient::Held> ServiceGuard::QueryGuard() {
    const std::optional<HookTimedReply> reply = m_connection.TimedRequest(IOCTL_HOOK_GUARD_QUERY);
    // A service without the code answers with a bare failure, which is no session.
    if (!reply || reply->status != kHookStatusOk || reply->remainingSeconds < kHookUnbounded)
        return std::nullopt;
    if (reply->remainingSeconds == kHookUnbounded)
        return Held{std::nullopt};
    return Held{reply->remainingSeconds};
}

void ServiceGuard::EndGuard() {
    m_connection.Request(IOCTL_HOOK_GUARD_END);
}

bool ServiceGuard::EndWithKey() {
    return m_connection.Request(IOCTL_HOOK_GUARD_KEY_END) == kHookStatusOk;
}

void ServiceGuard::Beat() {
    m_connection.Request(IOCTL_HOOK_GUARD_BEAT);
}
