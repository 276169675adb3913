#include "websites/FirewallHookDriver.h"

CFirewallHookDriver::~CFirewallHookDriver() {
    m_device.Close();
    UnloadDriver(false);
}

bool CFirewallHookDriver::OpenDevice(const std::string& path) {
    return m_device.Open(path);
}

int CFirewallHookDriver::SendDriverControl(uint32_t code, const void* input, uint32_t length) {
    if (!IsOpen())
        return kDriverNoDevice;
    return m_device.Request(code, input, length) == kHookStatusOk ? kDriverOk
                                                                  : kDriverControlFailed;
}

std::optional<uint32_t> CFirewallHookDriver::SendDriverRequest(uint32_t code, const void* input,
                                                               uint32_t length) {
    return m_device.Request(code, input, length);
}

int CFirewallHookDriver::OpenServiceHandles(DriverPlatform::Handle& manager,
                                            DriverPlatform::Handle& service) {
    manager = m_platform.OpenManager();
    if (!manager)
        return kDriverNoManager;
    service = m_platform.OpenDriverService(manager, serviceName.value_or(std::string()));
    if (!service) {
        m_platform.CloseService(manager);
        return kDriverNoService;
    }
    return kDriverOk;
}

void CFirewallHookDriver::CloseServiceHandles(DriverPlatform::Handle manager,
                                              DriverPlatform::Handle service) {
    m_platform.CloseService(service);
    m_platform.CloseService(manager);
}

int CFirewallHookDriver::StopDriver() {
    if (!running)
        return kDriverOk;
    DriverPlatform::Handle manager = nullptr;
    DriverPlatform::Handle service = nullptr;
    const int opened = OpenServiceHandles(manager, service);
    if (opened != kDriverOk)
        return opened;
    // A driver with an open device cannot unload.
    m_device.Close();
    const int result = m_platform.StopService(service) ? kDriverOk : kDriverStopRefused;
    CloseServiceHandles(manager, service);
    if (result == kDriverOk)
        running = false;
    return result;
}

int CFirewallHookDriver::UnloadDriver(bool releaseTexts) {
    int result = kDriverOk;
    if (running) {
        result = StopDriver();
        // Only a service we saw stop cleanly is deleted.
        if (result == kDriverOk && removeOnUnload) {
            DriverPlatform::Handle manager = nullptr;
            DriverPlatform::Handle service = nullptr;
            result = OpenServiceHandles(manager, service);
            if (result == kDriverOk) {
                result = m_platform.RemoveService(service) ? kDriverOk : kDriverDeleteFailed;
                CloseServiceHandles(manager, service);
                if (result == kDriverOk)
                    installed = false;
            }
        }
    }
    if (textsOwned && result == kDriverOk && releaseTexts) {
        serviceName.reset();
        secondText.reset();
        thirdText.reset();
        textsOwned = false;
    }
    return result;
}

bool CFirewallHookDriver::LoadHookRules(const std::vector<uint32_t>& addresses) {
    for (uint32_t address : addresses) {
        const HookRuleBytes to = EncodeHookRule(0, address);
        if (SendDriverControl(IOCTL_HOOK_ADD_RULE, to.data(), kHookRuleSize) != kDriverOk)
            return false;
        const HookRuleBytes from = EncodeHookRule(address, 0);
        if (SendDriverControl(IOCTL_HOOK_ADD_RULE, from.data(), kHookRuleSize) != kDriverOk)
            return false;
    }
    return true;
}

bool CFirewallHookDriver::LoadHookRules6(const std::vector<Ipv6Address>& addresses) {
    const Ipv6Address any = {};
    for (const Ipv6Address& address : addresses) {
        const HookRule6Bytes to = EncodeHookRule6(any, address);
        if (SendDriverControl(IOCTL_HOOK_ADD_RULE6, to.data(), kHookRule6Size) != kDriverOk)
            return false;
        const HookRule6Bytes from = EncodeHookRule6(address, any);
        if (SendDriverControl(IOCTL_HOOK_ADD_RULE6, from.data(), kHookRule6Size) != kDriverOk)
            return false;
    }
    return true;
}

bool CFirewallHookDriver::SendNames(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        // The service takes 1 to kHookMaxTextInput bytes; a blockable name always fits.
        if (name.empty() || name.size() > kHookMaxTextInput)
            continue;
        if (SendDriverControl(IOCTL_HOOK_ADD_NAME, name.data(),
                              static_cast<uint32_t>(name.size())) != kDriverOk)
            return false;
    }
    return true;
}
