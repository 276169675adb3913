#include "serviceclient/ServicePipe_win.h"

#include <windows.h>

namespace {

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
    return error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ||
           error == ERROR_NO_DATA;
}

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

ServicePipe::Handle Win32ServicePipe::Connect(const std::string& path) {
    const HANDLE pipe = ConnectPipe(path);
    return pipe == INVALID_HANDLE_VALUE ? nullptr : pipe;
}

ServicePipe::Outcome Win32ServicePipe::Transact(Handle pipeHandle,
                                                const std::vector<uint8_t>& request,
                                                std::vector<uint8_t>& reply) {
    HANDLE pipe = static_cast<HANDLE>(pipeHandle);
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!overlapped.hEvent)
        return Outcome::Failed;
    // Room for more than a reply, so that a longer message is seen whole and refused.
    uint8_t buffer[kHookMaxReplySize + 1];
    DWORD read = 0;
    const BOOL started = ::TransactNamedPipe(pipe, const_cast<uint8_t*>(request.data()),
                                             static_cast<DWORD>(request.size()), buffer,
                                             sizeof(buffer), nullptr, &overlapped);
    DWORD error = Finish(pipe, started, overlapped, replyTimeout, read);
    const DWORD first = error;
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
    if (ConnectionLost(error))
        return Outcome::Lost;
    // Cancelled past the timeout, whether on the reply or on the rest of it.
    if (error == ERROR_OPERATION_ABORTED)
        return Outcome::TimedOut;
    if (first != ERROR_SUCCESS || error != ERROR_SUCCESS)
        return Outcome::Failed;
    reply.assign(buffer, buffer + read);
    return Outcome::Replied;
}

void Win32ServicePipe::Disconnect(Handle pipe) {
    ::CloseHandle(static_cast<HANDLE>(pipe));
}

ServicePipe& SystemServicePipe() {
    static Win32ServicePipe pipe;
    return pipe;
}
