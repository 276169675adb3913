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

DriverPlatform::Handle Win32DriverPlatform::OpenDevice(const std::string& path) {
    // Write access: the add-rule code asks for it.
    HANDLE device = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
}

bool Win32DriverPlatform::Control(Handle device, uint32_t code, const void* input,
                                  uint32_t length) {
    DWORD returned = 0;  // required without an overlapped structure; not read
    return ::DeviceIoControl(static_cast<HANDLE>(device), code, const_cast<void*>(input), length,
                             nullptr, 0, &returned, nullptr) != FALSE;
}

void Win32DriverPlatform::CloseDevice(Handle device) {
    ::CloseHandle(static_cast<HANDLE>(device));
}

DriverPlatform& SystemDriverPlatform() {
    static Win32DriverPlatform platform;
    return platform;
}
