#pragma once
#include "websites/FirewallHookDriver.h"

// The service control manager and device calls of the system.
class Win32DriverPlatform : public DriverPlatform {
public:
    Handle OpenManager() override;
    Handle OpenDriverService(Handle manager, const std::string& name) override;
    bool StopService(Handle service) override;
    bool RemoveService(Handle service) override;
    void CloseService(Handle handle) override;
    Handle OpenDevice(const std::string& path) override;
    bool Control(Handle device, uint32_t code, const void* input, uint32_t length) override;
    void CloseDevice(Handle device) override;
};

// One stateless instance for the whole process, so that it outlives every controller.
DriverPlatform& SystemDriverPlatform();
