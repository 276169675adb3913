#include "websites/FirewallHookDriver_win.h"

#include <windows.h>

DriverPlatform::Handle Win32DriverPlatform::OpenManager() {
    return ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
}

DriverPlatform::Handle Win32DriverPlatform::OpenDriverService(Handle manager,
                                                              const std::string& name) {
    return ::OpenServiceA(static_cast<SC_HANDLE>(manager), name.c_str(), SERVICE_ALL_ACCESS);
}

bool Win32DriverPlatform::StopService(Handle service) {
    SERVICE_STATUS status = {};
    return ::ControlService(static_cast<SC_HANDLE>(service), SERVICE_CONTROL_STOP, &status) !=
           FALSE;
}

bool Win32DriverPlatform::RemoveService(Handle service) {
    return ::DeleteService(static_cast<SC_HANDLE>(service)) != FALSE;
}

void Win32DriverPlatform::CloseService(Handle handle) {
    ::CloseServiceHandle(static_cast<SC_HANDLE>(handle));
}

DriverPlatform& SystemDriverPlatform() {
    static Win32DriverPlatform platform;
    return platform;
}

FilterServiceState QueryFilterServiceState(const std::string& name) {
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return FilterServiceState::Unknown;
    FilterServiceState state = FilterServiceState::Unknown;
    SC_HANDLE service = ::OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
    if (!service) {
        if (::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST)
            state = FilterServiceState::NotInstalled;
    } else {
        SERVICE_STATUS status = {};
        if (::QueryServiceStatus(service, &status))
            state = status.dwCurrentState == SERVICE_RUNNING ? FilterServiceState::Running
                                                             : FilterServiceState::NotRunning;
        ::CloseServiceHandle(service);
    }
    ::CloseServiceHandle(manager);
    return state;
}
