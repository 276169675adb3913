#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "filter/LocalPath.h"
#include "filter/ServiceParts_win.h"
#include "hook/HookPipe.h"

namespace {

// Interactive users may connect, read and write messages (FILE_GENERIC_READ,
// FILE_WRITE_DATA, and FILE_WRITE_ATTRIBUTES for the read mode), but not create
// an instance of their own (FILE_CREATE_PIPE_INSTANCE, part of GENERIC_WRITE);
// SYSTEM and Administrators keep full control. Nobody over the network.
const wchar_t* const kPipeSddl = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x12018b;;;IU)";
static_assert((FILE_GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES) == 0x12018b,
              "the users' mask");
static_assert((0x12018b & FILE_CREATE_PIPE_INSTANCE) == 0, "no new instances for users");

// Often enough for the guard's 800 ms sweep.
constexpr DWORD kTickMs = 100;
// After a refused client nobody is answered for this long: a flood of them
// costs a few client checks a second, and never the tick.
constexpr DWORD kRefusedPauseMs = 250;

SessionNotices* g_notices = nullptr;

// The service's tick on elapsed time, whatever the pipe does: a client that
// keeps the events busy must not keep the guard from sweeping.
class Ticker {
public:
    explicit Ticker(HookService& service) : m_service(service), m_next(GetTickCount64()) {}
    // Ticks when one is due; the milliseconds until the next.
    DWORD Due() {
        const ULONGLONG now = GetTickCount64();
        if (now >= m_next) {
            Tick();
            m_next = now + kTickMs;
        }
        return static_cast<DWORD>(m_next - now);
    }

private:
    void Tick() {
        if (g_notices) {
            if (const auto session = g_notices->TakeLoggedOff())
                m_service.SessionLoggedOff(*session);
            if (const auto session = g_notices->TakeLoggedOn())
                m_service.SessionLoggedOn(*session);
        }
        m_service.Tick();
    }

    HookService& m_service;
    ULONGLONG m_next;
};

// Waits for an overlapped operation, ticking the service meanwhile. False when
// the stop event was set (the operation is cancelled) or the operation failed.
bool Await(HANDLE pipe, OVERLAPPED& ov, Ticker& ticker, HANDLE stopEvent, DWORD* bytes,
           DWORD* error) {
    HANDLE events[] = {ov.hEvent, stopEvent};
    for (;;) {
        const DWORD which = WaitForMultipleObjects(2, events, FALSE, ticker.Due());
        if (which == WAIT_OBJECT_0)
            break;
        if (which == WAIT_TIMEOUT)
            continue;
        CancelIo(pipe);
        GetOverlappedResult(pipe, &ov, bytes, TRUE);
        *error = ERROR_OPERATION_ABORTED;
        return false;
    }
    if (GetOverlappedResult(pipe, &ov, bytes, FALSE)) {
        *error = ERROR_SUCCESS;
        return true;
    }
    *error = GetLastError();
    return false;
}

// Lets `ms` pass without listening, ticking meanwhile; false when the service stops.
bool Pause(DWORD ms, Ticker& ticker, HANDLE stopEvent) {
    const ULONGLONG until = GetTickCount64() + ms;
    for (ULONGLONG now; (now = GetTickCount64()) < until;) {
        const DWORD wait = (std::min)(ticker.Due(), static_cast<DWORD>(until - now));
        if (WaitForSingleObject(stopEvent, wait) == WAIT_OBJECT_0)
            return false;
    }
    return true;
}

// The guard learns whose requests follow: the process and its Windows session.
void TellClient(HANDLE pipe, HookService& service) {
    ULONG pid = 0, session = 0;
    if (GetNamedPipeClientProcessId(pipe, &pid) && GetNamedPipeClientSessionId(pipe, &session))
        service.ClientConnected(pid, session, ProcessUserSid(pid));
}

bool ClientIsHushwall(HANDLE pipe) {
    ULONG pid = 0;
    if (!GetNamedPipeClientProcessId(pipe, &pid))
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return false;
    wchar_t image[MAX_PATH * 2];
    DWORD length = sizeof image / sizeof image[0];
    const BOOL ok = QueryFullProcessImageNameW(process, 0, image, &length);
    CloseHandle(process);
    if (!ok)
        return false;
    // Compared as text before anything is opened: the image may sit on a share,
    // and opening it as SYSTEM would authenticate the machine to that server.
    const std::wstring imagePath(image, length);
    const std::wstring registered = RegisteredClientPath();
    if (!IsLocalDrivePath(imagePath) || !IsRegisteredClient(imagePath, registered))
        return false;
    // Path and digest through one handle, resolved as at install.
    HANDLE file = OpenClientFile(imagePath);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const std::wstring path = FinalPathOf(file);
    // Reading the file is the costly part: only for the right path.
    const bool served = IsRegisteredClient(path, registered) &&
                      IsRegisteredClient(path, Sha256OfFile(file), registered, RegisteredClientDigest());
    CloseHandle(file);
    return served;
}

// One client's requests until it goes away or the service stops.
void Serve(HANDLE pipe, OVERLAPPED& ov, HookService& service, Ticker& ticker, HANDLE stopEvent) {
    uint8_t buffer[kHookMaxRequestSize + 1];
    for (;;) {
        ResetEvent(ov.hEvent);
        DWORD bytes = 0, error = 0;
        if (!ReadFile(pipe, buffer, sizeof buffer, nullptr, &ov) && GetLastError() != ERROR_IO_PENDING)
            return;
        if (!Await(pipe, ov, ticker, stopEvent, &bytes, &error))
            return;  // ERROR_MORE_DATA too: longer than any request, so we hang up
        const auto reply = service.HandleMessage(buffer, bytes);
        if (!reply)
            return;
        ResetEvent(ov.hEvent);
        if (!WriteFile(pipe, reply->data(), static_cast<DWORD>(reply->size()), nullptr, &ov) &&
            GetLastError() != ERROR_IO_PENDING)
            return;
        if (!Await(pipe, ov, ticker, stopEvent, &bytes, &error))
            return;
    }
}

}  // namespace

bool RunHookPipe(HookService& service, HANDLE stopEvent, ServiceLog& log, SessionNotices* notices) {
    g_notices = notices;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPipeSddl, SDDL_REVISION_1, &sd, nullptr)) {
        log.Report("Could not build the security descriptor of the pipe.");
        return false;
    }
    SECURITY_ATTRIBUTES sa = {sizeof sa, sd, FALSE};
    // The first and only instance: nobody can have created the name before us.
    HANDLE pipe = CreateNamedPipeA(
        kHookPipePath,
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        static_cast<DWORD>(kHookReplySize), static_cast<DWORD>(kHookMaxRequestSize), 0, &sa);
    LocalFree(sd);
    if (pipe == INVALID_HANDLE_VALUE) {
        log.Report(std::string("Could not create the pipe ") + kHookPipePath + " (error " +
                   std::to_string(GetLastError()) + ").");
        return false;
    }
    OVERLAPPED ov = {};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Ticker ticker(service);
    while (WaitForSingleObject(stopEvent, 0) != WAIT_OBJECT_0) {
        ticker.Due();
        ResetEvent(ov.hEvent);
        DWORD bytes = 0, error = 0;
        bool connected = ConnectNamedPipe(pipe, &ov) != 0;
        if (!connected) {
            const DWORD e = GetLastError();
            if (e == ERROR_PIPE_CONNECTED)
                connected = true;
            else if (e == ERROR_IO_PENDING)
                connected = Await(pipe, ov, ticker, stopEvent, &bytes, &error);
            else
                Pause(kTickMs, ticker, stopEvent);  // a client that came and went; do not spin
        }
        if (connected && ClientIsHushwall(pipe)) {
            TellClient(pipe, service);
            Serve(pipe, ov, service, ticker, stopEvent);
            service.ClientGone();
            DisconnectNamedPipe(pipe);
        } else {
            DisconnectNamedPipe(pipe);
            if (connected)
                Pause(kRefusedPauseMs, ticker, stopEvent);
        }
    }
    CloseHandle(ov.hEvent);
    CloseHandle(pipe);
    return true;
}
