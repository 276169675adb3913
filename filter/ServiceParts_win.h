#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "base/Clock_win.h"
#include "filter/FailSafe.h"
#include "filter/HookService.h"
#include "filter/SessionGuard.h"
#include "programs/ProcessPlatform_win.h"

// The Win32 pieces of the filter service, each thin.

constexpr const wchar_t* kFilterServiceName = L"HushwallFilter";
// The client path lives in the service's own key, so deleting the service removes it.
constexpr const wchar_t* kFilterParametersKey =
    L"SYSTEM\\CurrentControlSet\\Services\\HushwallFilter\\Parameters";
constexpr const wchar_t* kFilterClientValue = L"ClientPath";
constexpr const wchar_t* kFilterClientDigestValue = L"ClientSha256";
constexpr const wchar_t* kFilterFailSafeValue = L"FailSafe";
constexpr const wchar_t* kFilterGuardValue = L"GuardSession";
constexpr const wchar_t* kFilterScheduleValue = L"Schedules";

// Reports to the Application event log under the service's name.
class EventLogReport : public ServiceLog {
public:
    void Report(const std::string& text) override;
    void ReportError(const std::string& text);
};

// The value FailSafe (REG_SZ) in the service's key.
class FailSafeKey : public FailSafeStore {
public:
    std::optional<std::string> Read() override;
    bool Write(const std::string& text) override;
    void Erase() override;
};

// A REG_BINARY value in the service's key: the guard's record, the kept schedules.
class BinaryValueKey : public FailSafeStore {
public:
    explicit BinaryValueKey(const wchar_t* value) : m_value(value) {}
    std::optional<std::string> Read() override;
    bool Write(const std::string& text) override;
    void Erase() override;

private:
    const wchar_t* m_value;
};

// The SID of the user whose token the process runs with; empty when it cannot be read.
std::string ProcessUserSid(uint32_t pid);

// The hosts file the resolver reads, where Tcpip's DataBasePath says.
class HostsFile : public HostsStore {
public:
    HostsFile();
    ReadResult Read(std::string* text) override;
    bool Write(const std::string& text) override;
    bool Delete() override;
    std::string Stamp() override;
    void FlushResolverCache() override;

private:
    std::wstring m_path;
};

std::wstring RegisteredClientPath();
FileDigest RegisteredClientDigest();
// Records the program's path and the SHA-256 of the file there.
bool SetRegisteredClient(const std::wstring& path, const FileDigest& digest);
// The client's file, opened for reading with writers refused; then its path
// with links, junctions and substituted drives resolved, and its SHA-256 (each
// empty when it cannot be read).
HANDLE OpenClientFile(const std::wstring& path);
std::wstring FinalPathOf(HANDLE file);
FileDigest Sha256OfFile(HANDLE file);

// Serves the pipe until stopEvent is set, one client at a time, ticking the
// service about ten times a second and passing on the log-offs of `notices`.
// False when the pipe cannot be created.
class SessionNotices;
bool RunHookPipe(HookService& service, HANDLE stopEvent, ServiceLog& log,
                 SessionNotices* notices = nullptr);


// The files the user named, read as that user: a path the user may not read
// stays unread, and none off the local drives is opened at all. Reads between
// Begin and End impersonate the session's user; without one they fail.
class UserFileFacts : public FileFacts {
public:
    void Begin(uint32_t session);
    void End();
    bool Stamp(const std::string& path, FileStamp& stamp) override;
    bool Digest(const std::string& path, Sha256Digest& digest) override;

private:
    template <typename Read>
    bool AsUser(const std::string& path, Read read);
    Win32FileFacts m_files;
    HANDLE m_token = nullptr;
};

// The guard's system calls: the sweep's process adapters, kept to one Windows
// session, and the registered program started as that session's user.
class Win32GuardPlatform : public GuardPlatform {
public:
    std::vector<uint32_t> FindBlocked(const std::vector<std::string>& programs, uint32_t session,
                                      const std::string& user) override;
    void ReleaseSweeps() override { m_processes.Release(); }
    bool EndProcess(uint32_t pid) override { return m_processes.EndProcess(pid); }
    SessionState QuerySession(uint32_t session) override;
    std::string SessionUser(uint32_t session) override;
    std::optional<uint32_t> FindUserSession(const std::string& user) override;
    bool StartProgram(uint32_t session, bool forSchedule) override;

private:
    UserFileFacts m_files;
    SystemProcesses m_processes{m_files};
};

// Log-offs and log-ons, from the service's control handler to the pipe's
// thread. Two of a kind between two reads give only the later one.
class SessionNotices {
public:
    // The control handler's thread.
    void LoggedOff(uint32_t session) { m_logOffs.Put(session); }
    void LoggedOn(uint32_t session) { m_logOns.Put(session); }
    // The pipe's thread.
    std::optional<uint32_t> TakeLoggedOff() { return m_logOffs.Take(); }
    std::optional<uint32_t> TakeLoggedOn() { return m_logOns.Take(); }

private:
    struct Mailbox {
        void Put(uint32_t session);
        std::optional<uint32_t> Take();
        std::atomic<uint64_t> value{0};  // count of notices << 32 | the last one's session
        uint64_t seen = 0;
    };
    Mailbox m_logOffs, m_logOns;
};
