#pragma once
#include <string>

#include "websites/FirewallHookDriver.h"

// A driver platform that has only the pipe: no service manager, a device that
// always opens. Stand-ins override Control (or ControlStatus) to record or answer.
struct PipeOnlyPlatform : DriverPlatform {
    Handle OpenManager() override { return nullptr; }
    Handle OpenDriverService(Handle, const std::string&) override { return nullptr; }
    bool StopService(Handle) override { return false; }
    bool RemoveService(Handle) override { return false; }
    void CloseService(Handle) override {}
    Handle OpenDevice(const std::string&) override { return this; }
    void CloseDevice(Handle) override {}
};
