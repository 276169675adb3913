#pragma once
#include <windows.h>

#include <string>

#include "base/Clock_win.h"
#include "filter/FailSafe.h"
#include "filter/HookService.h"

// The Win32 pieces of the filter service, each thin.

constexpr const wchar_t* kFilterServiceName = L"HushwallFilter";
// The client path lives in the service's own key, so deleting the service removes it.
constexpr const wchar_t* kFilterParametersKey =
    L"SYSTEM\\CurrentControlSet\\Services\\HushwallFilter\\Parameters";
constexpr const wchar_t* kFilterClientValue = L"ClientPath";
constexpr const wchar_t* kFilterClientDigestValue = L"ClientSha256";
constexpr const wchar_t* kFilterFailSafeValue = L"FailSafe";

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
// service about once a second. False when the pipe cannot be created.
bool RunHookPipe(HookService& service, HANDLE stopEvent, ServiceLog& log);

