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
        if (m_driver.SendDriverRequest(IOCTL_HOOK_GUARD_PROGRAM, path.data(),
                                       static_cast<uint32_t>(path.size())) != kHookStatusOk)
            return Reply::Refused;
    }
    const HookTimeBytes record = EncodeHookTime(remaining ? *remaining : kHookUnbounded);
    const std::optional<uint32_t> status =
        m_driver.SendDriverRequest(IOCTL_HOOK_GUARD_START, record.data(), kHookTimeSize);
    if (status == kHookStatusUnbounded)
        return Reply::Unbounded;
    return status == kHookStatusOk ? Reply::Guarded : Reply::Refused;
}

void ServiceGuard::EndGuard() {
    m_driver.SendDriverRequest(IOCTL_HOOK_GUARD_END, nullptr, 0);
}
