#pragma once
#include <string>

#include "websites/FirewallHookDriver.h"
#include "websites/WebsiteRules.h"

// The service control manager and the filter service's pipe.
class Win32DriverPlatform : public DriverPlatform {
public:
    Handle OpenManager() override;
    Handle OpenDriverService(Handle manager, const std::string& name) override;
    bool StopService(Handle service) override;
    bool RemoveService(Handle service) override;
    void CloseService(Handle handle) override;
    Handle OpenDevice(const std::string& path) override;
    bool Control(Handle device, uint32_t code, const void* input, uint32_t length) override;
    std::optional<uint32_t> ControlStatus(Handle device, uint32_t code, const void* input,
                                          uint32_t length) override;
    void CloseDevice(Handle device) override;

    // How long a request waits for its reply before it counts as failed.
    unsigned long replyTimeout = 30000;  // ms

private:
    // One request and its reply on the pipe: the reply's status, or nothing.
    std::optional<uint32_t> Transact(void* pipe, uint32_t code, const void* input, uint32_t length,
                                     unsigned long& transportError);
};

// One stateless instance for the whole process, so that it outlives every controller.
DriverPlatform& SystemDriverPlatform();

// Asks the service control manager, with the least rights that do, whether the
// named service exists and runs.
FilterServiceState QueryFilterServiceState(const std::string& name = kFilterServiceName);
