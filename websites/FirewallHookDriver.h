#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hook/HookRule.h"
#include "serviceclient/ServiceConnection.h"

// The service manager calls the controller makes. Handles are null when an
// open fails.
class DriverPlatform {
public:
    using Handle = void*;
    virtual ~DriverPlatform() = default;
    // The local service control manager with full access.
    virtual Handle OpenManager() = 0;
    // The named service with full access.
    virtual Handle OpenDriverService(Handle manager, const std::string& name) = 0;
    // Asks the service to stop; true when it accepted.
    virtual bool StopService(Handle service) = 0;
    virtual bool RemoveService(Handle service) = 0;
    virtual void CloseService(Handle handle) = 0;
};

// Holds the firewall hook driver's service, and speaks its protocol over the
// filter service's connection, its device. Both must outlive the controller.
class CFirewallHookDriver {
public:
    CFirewallHookDriver(DriverPlatform& platform, ServiceConnection& device)
        : m_platform(platform), m_device(device) {}
    CFirewallHookDriver(const CFirewallHookDriver&) = delete;
    CFirewallHookDriver& operator=(const CFirewallHookDriver&) = delete;
    // Closes the device, then unloads without releasing the texts.
    virtual ~CFirewallHookDriver();

    // Connects to the filter service's pipe if the service serves it. The program
    // never installs or starts the service, so running and installed stay false.
    bool OpenDevice(const std::string& path = kHookPipePath);
    // A connection is open: website blocking can take place.
    bool IsOpen() const { return m_device.IsOpen(); }

    // 0, -5 without a device (and no platform call), -9 when the call fails.
    int SendDriverControl(uint32_t code, const void* input, uint32_t length);
    // The reply's status; nothing without a device (and no platform call) or a reply.
    std::optional<uint32_t> SendDriverRequest(uint32_t code, const void* input, uint32_t length);
    // 0 when not running; else -1, -2 or -7. Closes the device on the way.
    int StopDriver();
    // Stops a running driver and deletes its service when asked to; -1, -2, -7, -8.
    int UnloadDriver(bool releaseTexts);
    // Two rules per address, to it and then from it; false at the first refusal.
    bool LoadHookRules(const std::vector<uint32_t>& addresses);
    // The same for IPv6 addresses, with the IPv6 add code.
    bool LoadHookRules6(const std::vector<Ipv6Address>& addresses);
    // One name code per host name, its bytes as the input; false at the first refusal.
    bool SendNames(const std::vector<std::string>& names);

    std::optional<std::string> serviceName;
    // Reserved for the install and open steps.
    std::optional<std::string> secondText;
    std::optional<std::string> thirdText;
    bool textsOwned = false;
    bool running = false;    // we started the service and have not stopped it
    bool installed = false;  // we created the service and have not deleted it
    bool removeOnUnload = true;

private:
    // Opens the manager and the service; -1 or -2 with nothing left open.
    int OpenServiceHandles(DriverPlatform::Handle& manager, DriverPlatform::Handle& service);
    void CloseServiceHandles(DriverPlatform::Handle manager, DriverPlatform::Handle service);

    DriverPlatform& m_platform;
    ServiceConnection& m_device;
};
