#pragma once
#include <string>

#include "websites/FirewallHookDriver.h"
#include "websites/WebsiteRules.h"

// The service control manager's calls on the filter service.
class Win32DriverPlatform : public DriverPlatform {
public:
    Handle OpenManager() override;
    Handle OpenDriverService(Handle manager, const std::string& name) override;
    bool StopService(Handle service) override;
    bool RemoveService(Handle service) override;
    void CloseService(Handle handle) override;
};

// One stateless instance for the whole process, so that it outlives every controller.
DriverPlatform& SystemDriverPlatform();

// Asks the service control manager, with the least rights that do, whether the
// named service exists and runs.
FilterServiceState QueryFilterServiceState(const std::string& name = kFilterServiceName);
