#include "websites/SessionWebsites.h"

#include "hook/HookRule.h"
#include "websites/SessionLog.h"

AddressList SessionWebsites::CollectWebsiteAddresses() {
    return ::CollectWebsiteAddresses(m_websites ? m_websites() : EntryList(), m_resolver,
                                     m_cracker);
}

void SessionWebsites::WriteSessionLog(const AddressList& addresses) {
    ::WriteSessionLog(m_exeFolder, addresses.ipv4, addresses.ipv6);
}

bool SessionWebsites::LoadHookRules(const AddressList& addresses) {
    if (!m_driver.LoadHookRules(addresses.ipv4))
        return false;
    // A hook without the IPv6 code still blocks IPv4: the rest of IPv6 is left out.
    m_driver.LoadHookRules6(addresses.ipv6);
    return true;
}

bool SessionWebsites::SendDriverControl(DriverControl code) {
    uint32_t ioctl = IOCTL_HOOK_CLEAR_RULES;
    switch (code) {
        case DriverControl::Start:
            ioctl = IOCTL_HOOK_START;
            break;
        case DriverControl::Clear:
            ioctl = IOCTL_HOOK_CLEAR_RULES;
            break;
        case DriverControl::Stop:
            ioctl = IOCTL_HOOK_STOP;
            break;
    }
    return m_driver.SendDriverControl(ioctl, nullptr, 0) == kDriverOk;
}

void SessionWebsites::SendRemainingTime(std::optional<Seconds> remaining) {
    const HookTimeBytes record = EncodeHookTime(remaining ? *remaining : kHookUnbounded);
    m_driver.SendDriverControl(IOCTL_HOOK_SET_REMAINING, record.data(), kHookTimeSize);
}
