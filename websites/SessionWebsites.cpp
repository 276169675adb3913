#include "websites/SessionWebsites.h"

#include "hook/HookRule.h"
#include "websites/SessionLog.h"

void SessionWebsites::StartLookups(uint64_t ticket) {
    CancelLookups();
    // The page and the cracker are read here, on the engine's thread; the run gets copies.
    const std::vector<SiteNames> sites =
        CheckedSiteNames(m_websites ? m_websites() : EntryList(), m_cracker);
    std::vector<std::string> names = BlockedNames(sites);
    std::shared_ptr<HostResolver> resolver = m_resolver;
    Resolved resolved = m_resolved;
    m_run = LookupRun::Start(resolver, NamesToLookUp(sites), m_limits,
                             [sites, names, resolver, resolved,
                              ticket](std::optional<std::vector<NameAnswers>> answers) {
                                 WebsiteTargets targets;
                                 // A resolver that cannot start blocks nothing, names included.
                                 if (answers) {
                                     targets.addresses = MergeSiteAnswers(
                                         sites, *answers, resolver->LocalAddresses());
                                     targets.names = names;
                                 }
                                 if (resolved)
                                     resolved(ticket, std::move(targets));
                             });
}

void SessionWebsites::CancelLookups() {
    if (m_run)
        m_run->Cancel();
    m_run.reset();
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

void SessionWebsites::SendNames(const std::vector<std::string>& names) {
    // A service without the name code still blocks the addresses.
    m_driver.SendNames(names);
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
