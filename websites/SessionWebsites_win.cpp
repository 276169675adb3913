#include "websites/SessionWebsites_win.h"

#include "websites/AddressResolution_win.h"
#include "hook/HookRule.h"
#include "websites/SessionLog.h"

std::vector<uint32_t> SessionWebsites::CollectWebsiteAddresses() {
    return ::CollectWebsiteAddresses(m_websites ? m_websites() : EntryList());
}

void SessionWebsites::WriteSessionLog(const std::vector<uint32_t>& addresses) {
    ::WriteSessionLog(m_exeFolder, addresses);
}

bool SessionWebsites::LoadHookRules(const std::vector<uint32_t>& addresses) {
    return m_driver.LoadHookRules(addresses);
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
