#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "base/Clock_win.h"
#include "filter/FailSafe.h"
#include "filter/HookService.h"
#include "filter/SessionGuard.h"

// The Win32 pieces of the filter service, each thin.

constexpr const wchar_t* kFilterServiceName = L"HushwallFilter";
// The client path lives in the service's own key, so deleting the service removes it.
constexpr const wchar_t* kFilterParametersKey =
    L"SYSTEM\\CurrentControlSet\\Services\\HushwallFilter\\Parameters";
constexpr const wchar_t* kFilterClientValue = L"ClientPath";
constexpr const wchar_t* kFilterClientDigestValue = L"ClientSha256";

// Reports to the Application event log under the service's name.
class EventLogReport : public ServiceLog {
public:
    void Report(const std::string& text) override;
    void ReportError(const std::string& text);
};

// %ProgramData%\Hushwall\failsafe, writable by SYSTEM and Administrators only.
class FailSafeFile : public FailSafeStore {
public:
    FailSafeFile();
    std::optional<std::string> Read() override;
    bool Write(const std::string& text) override;
    void Erase() override;

private:
    std::wstring m_folder;
    std::wstring m_path;
};

std::wstring RegisteredClientPath();
FileDigest RegisteredClientDigest();
// Records the program's path and the SHA-256 of the file there.
bool SetRegisteredClient(const std::wstring& path, const FileDigest& digest);
// Empty when the file cannot be read.
FileDigest Sha256OfFile(const std::wstring& path);

// Serves the pipe until stopEvent is set, one client at a time, ticking the
// service about ten times a second and passing on the log-offs of `notices`.
// False when the pipe cannot be created.
class SessionNotices;
bool RunHookPipe(HookService& service, HANDLE stopEvent, ServiceLog& log,
                 SessionNotices* notices = nullptr);


// The guard's system calls: the sweep's process adapters, kept to one Windows
// session, and the registered program started as that session's user.
class Win32GuardPlatform : public GuardPlatform {
public:
    ProcessSnapshot TakeSnapshot(const std::vector<std::string>& wantedPaths) override;
    std::optional<uint32_t> SessionOf(uint32_t pid) override;
    bool EndProcess(uint32_t pid) override;
    SessionState QuerySession(uint32_t session) override;
    bool StartProgram(uint32_t session) override;
};

// Log-offs, from the service's control handler to the pipe's thread. Two
// log-offs between two reads give only the later one.
class SessionNotices {
public:
    void LoggedOff(uint32_t session);      // the control handler's thread
    std::optional<uint32_t> TakeLoggedOff();  // the pipe's thread

private:
    std::atomic<uint64_t> m_last{0};  // count of log-offs << 32 | the last one's session
    uint64_t m_seen = 0;
};
