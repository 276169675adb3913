#include "serviceclient/ServicePipe_win.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "hook/HookPipe.h"

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

namespace {

// The device handle the controller holds: the pipe, and where to find the
// service again when it has restarted since.
struct PipeConnection {
    HANDLE pipe;
    std::string path;
};

// The service's pipe must be the service's: while it is down (the seconds
// before a restart) any user could create a pipe of that name and answer.
bool ServedByFilterService(HANDLE pipe) {
    ULONG server = 0;
    if (!::GetNamedPipeServerProcessId(pipe, &server))
        return false;
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service =
        manager ? ::OpenServiceA(manager, kFilterServiceName, SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    const bool known =
        service && ::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                          reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
    if (service)
        ::CloseServiceHandle(service);
    if (manager)
        ::CloseServiceHandle(manager);
    return known && status.dwProcessId != 0 && status.dwProcessId == server;
}

HANDLE ConnectPipe(const std::string& path) {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    // Every instance may be taken for a moment; then one wait for a free one.
    for (int attempt = 0; attempt < 2 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
        // Overlapped, so that a service that never answers cannot hold the window.
        // Write access without the right to create an instance (part of GENERIC_WRITE).
        pipe = ::CreateFileA(path.c_str(), GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES,
                             0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe == INVALID_HANDLE_VALUE &&
            (::GetLastError() != ERROR_PIPE_BUSY || !::WaitNamedPipeA(path.c_str(), 2000)))
            return INVALID_HANDLE_VALUE;
    }
    if (pipe == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    // A client end opens in byte mode; TransactNamedPipe needs message reads.
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!::SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(pipe);
        ::SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (path == kHookPipePath && !ServedByFilterService(pipe)) {
        ::CloseHandle(pipe);
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return pipe;
}

// The service's end went away: it stopped, crashed or restarted.
bool ConnectionLost(DWORD error) {
    return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED || error == ERROR_NO_DATA;
}

}  // namespace

DriverPlatform::Handle Win32DriverPlatform::OpenDevice(const std::string& path) {
    const HANDLE pipe = ConnectPipe(path);
    if (pipe == INVALID_HANDLE_VALUE)
        return nullptr;
    return new PipeConnection{pipe, path};
}

namespace {

// Waits up to `timeout` for an overlapped call that `started` began, cancelling
// it past that; ERROR_SUCCESS or why it failed.
DWORD Finish(HANDLE pipe, BOOL started, OVERLAPPED& overlapped, DWORD timeout, DWORD& transferred) {
    DWORD error = started ? ERROR_SUCCESS : ::GetLastError();
    if (error != ERROR_SUCCESS && error != ERROR_IO_PENDING)
        return error;
    if (error == ERROR_IO_PENDING &&
        ::WaitForSingleObject(overlapped.hEvent, timeout) != WAIT_OBJECT_0)
        ::CancelIo(pipe);
    // Waits for the cancellation too: the buffers must outlive the call.
    return ::GetOverlappedResult(pipe, &overlapped, &transferred, TRUE) ? ERROR_SUCCESS
                                                                        : ::GetLastError();
}

}  // namespace

bool Win32DriverPlatform::Control(Handle device, uint32_t code, const void* input,
                                  uint32_t length) {
    return ControlStatus(device, code, input, length) == std::optional<uint32_t>(0);
}

std::optional<uint32_t> Win32DriverPlatform::ControlStatus(Handle device, uint32_t code,
                                                           const void* input, uint32_t length) {
    PipeConnection& connection = *static_cast<PipeConnection*>(device);
    DWORD error = ERROR_SUCCESS;
    const std::optional<uint32_t> status = Transact(connection.pipe, code, input, length, error);
    if (status || !ConnectionLost(error))
        return status;
    // A restarted service listens again: connect once more and repeat the
    // request (every code may be sent twice without harm).
    const HANDLE pipe = ConnectPipe(connection.path);
    if (pipe == INVALID_HANDLE_VALUE)
        return std::nullopt;
    ::CloseHandle(connection.pipe);
    connection.pipe = pipe;
    return Transact(connection.pipe, code, input, length, error);
}

std::optional<uint32_t> Win32DriverPlatform::Transact(void* pipeHandle, uint32_t code,
                                                      const void* input, uint32_t length,
                                                      unsigned long& transportError) {
    HANDLE pipe = static_cast<HANDLE>(pipeHandle);
    const std::vector<uint8_t> request = EncodeHookRequest(code, input, length);
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!overlapped.hEvent)
        return std::nullopt;
    // Room for more than a reply, so that a longer message is seen whole and refused.
    uint8_t reply[64];
    DWORD read = 0;
    const BOOL started = ::TransactNamedPipe(pipe, const_cast<uint8_t*>(request.data()),
                                             static_cast<DWORD>(request.size()), reply,
                                             sizeof(reply), nullptr, &overlapped);
    DWORD error = Finish(pipe, started, overlapped, replyTimeout, read);
    transportError = error;
    const bool oversized = error == ERROR_MORE_DATA;
    // Drain the rest of an oversized reply: the pipe takes no request while
    // part of a message is unread.
    uint8_t rest[256];
    DWORD drained = 0;
    while (error == ERROR_MORE_DATA) {
        ::ResetEvent(overlapped.hEvent);
        const BOOL more = ::ReadFile(pipe, rest, sizeof(rest), nullptr, &overlapped);
        error = Finish(pipe, more, overlapped, replyTimeout, drained);
    }
    ::CloseHandle(overlapped.hEvent);
    if (oversized || error != ERROR_SUCCESS)
        return std::nullopt;
    return DecodeHookReply(reply, read);
}

void Win32DriverPlatform::CloseDevice(Handle device) {
    PipeConnection* connection = static_cast<PipeConnection*>(device);
    ::CloseHandle(connection->pipe);
    delete connection;
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
