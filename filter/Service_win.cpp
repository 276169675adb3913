// HushwallFilter.exe: the service, and its --install and --uninstall commands.
#include <windows.h>
#include <bcrypt.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "filter/EngineOpenRetry.h"
#include "filter/ServiceParts_win.h"

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
// Outlives both the control handler and the pipe's thread.
SessionNotices g_sessionNotices;

void SetState(DWORD state, DWORD exitCode = NO_ERROR, DWORD checkPoint = 0, DWORD waitHint = 10000) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_SESSIONCHANGE : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwCheckPoint = checkPoint;
    status.dwWaitHint = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ? waitHint : 0;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD eventType, LPVOID eventData, LPVOID) {
    switch (control) {
    case SERVICE_CONTROL_SESSIONCHANGE:
        if (eventType == WTS_SESSION_LOGOFF && eventData)
            g_sessionNotices.LoggedOff(static_cast<WTSSESSION_NOTIFICATION*>(eventData)->dwSessionId);
        if (eventType == WTS_SESSION_LOGON && eventData)
            g_sessionNotices.LoggedOn(
                static_cast<WTSSESSION_NOTIFICATION*>(eventData)->dwSessionId);
        return NO_ERROR;
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        SetState(SERVICE_STOP_PENDING);
        SetEvent(g_stopEvent);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    // The event exists before the handler can be asked to set it.
    g_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_statusHandle = RegisterServiceCtrlHandlerExW(kFilterServiceName, OnControl, nullptr);
    if (!g_statusHandle)
        return;
    SetState(SERVICE_START_PENDING);

    EventLogReport log;
    TickCountClock clock;
    EngineOpenRetry retry(clock);
    uint32_t error = 0;
    std::string why;
    std::unique_ptr<FilterEngine> engine;
    while (!(engine = OpenFilterEngine(&error, &why))) {
        const auto wait = retry.After(error);
        if (!wait) {
            // No pipe: the program then finds website blocking unavailable, which is the truth.
            log.ReportError("Website blocking is unavailable: " + why + ".");
            SetState(SERVICE_STOPPED, error ? error : ERROR_SERVICE_SPECIFIC_ERROR);
            return;
        }
        // The hint covers the wait and the next open, which may take RPC's own time.
        SetState(SERVICE_START_PENDING, NO_ERROR, retry.waits(), *wait + 30000);
        Sleep(*wait);
    }
    FailSafeKey store;
    HostsFile hosts;
    HookService service(*engine, store, clock, log, hosts);
    SystemClock wall;
    Win32GuardPlatform guardPlatform;
    BinaryValueKey guardStore(kFilterGuardValue);
    SessionGuard guard(guardPlatform, guardStore, wall, clock);
    service.SetGuard(&guard);
    BinaryValueKey scheduleStore(kFilterScheduleValue);
    ScheduleKeeper keeper(guardPlatform, scheduleStore, wall, clock);
    service.SetScheduleKeeper(&keeper);
    if (!service.Startup()) {
        log.ReportError("Website blocking is unavailable: the filtering engine refused the service.");
        SetState(SERVICE_STOPPED, ERROR_SERVICE_SPECIFIC_ERROR);
        return;
    }
    SetState(SERVICE_RUNNING);
    const bool served = RunHookPipe(service, g_stopEvent, log, &g_sessionNotices);
    service.Shutdown();
    // The filters stay: they are persistent so that a stopped service keeps sites blocked.
    engine.reset();
    SetState(SERVICE_STOPPED, served ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR);
}

int Fail(const wchar_t* what, DWORD error) {
    if (error == ERROR_ACCESS_DENIED)
        std::fwprintf(stderr,
                      L"HushwallFilter: %ls: access denied. Run this from a command prompt "
                      L"opened with \"Run as administrator\".\n",
                      what);
    else
        std::fwprintf(stderr, L"HushwallFilter: %ls failed (error %lu).\n", what, error);
    return error == ERROR_ACCESS_DENIED ? 5 : 1;
}

// Users may query and start the service; only SYSTEM and Administrators may
// stop, pause, reconfigure or delete it, or change who may.
const wchar_t* const kServiceSddl =
    L"D:(A;;CCLCSWRPLORC;;;AU)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;SY)";

bool RestrictServiceControl(SC_HANDLE service) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kServiceSddl, SDDL_REVISION_1, &sd, nullptr))
        return false;
    const BOOL set = SetServiceObjectSecurity(service, DACL_SECURITY_INFORMATION, sd);
    const DWORD error = GetLastError();
    LocalFree(sd);
    SetLastError(error);
    return set != FALSE;
}

bool WaitForState(SC_HANDLE service, DWORD wanted, SERVICE_STATUS_PROCESS* status) {
    for (int i = 0; i < 300; ++i) {
        DWORD needed = 0;
        if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(status),
                                  sizeof *status, &needed))
            return false;
        if (status->dwCurrentState == wanted)
            return true;
        if (status->dwCurrentState == SERVICE_STOPPED)
            return false;
        Sleep(100);
    }
    return false;
}

// The folder the registered service lives in, which only administrators may
// change. Asked from the service's own bitness: an x86-64 service gets the
// 64-bit Program Files, a 32-bit one the folder its setup uses.
std::wstring ServiceFolder() {
    PWSTR programFiles = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &programFiles)))
        folder = std::wstring(programFiles) + L"\\Hushwall";
    CoTaskMemFree(programFiles);
    return folder;
}

// One file under two names (a short name, a link): same volume, same index.
bool SameFile(const std::wstring& a, const std::wstring& b) {
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    const std::wstring* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        HANDLE file = CreateFileW(paths[i]->c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const BOOL ok = GetFileInformationByHandle(file, &info[i]);
        CloseHandle(file);
        if (!ok)
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
           info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// This executable, the folder it belongs in and its name there.
bool ServicePaths(std::wstring* own, std::wstring* folder, std::wstring* placed) {
    wchar_t self[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    *folder = ServiceFolder();
    if (n == 0 || n >= MAX_PATH * 2 || folder->empty())
        return false;
    own->assign(self, n);
    *placed = *folder + own->substr(own->find_last_of(L'\\'));
    return true;
}

// The copy --install placed goes with the service. Run from the copy itself
// nothing is deleted: the setup's uninstaller deletes it.
void RemovePlacedService() {
    std::wstring own, folder, placed;
    if (!ServicePaths(&own, &folder, &placed) || SameFile(own, placed))
        return;
    // The stopped process may hold its file a moment longer.
    for (int tries = 0; tries < 50 && !DeleteFileW(placed.c_str()); ++tries) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            break;
        Sleep(100);
    }
    RemoveDirectoryW(folder.c_str());  // only when nothing else is left there
}

// Run from any other folder, the service copies itself under Program Files and
// that copy is registered: a file in a folder the user may write, run as
// LocalSystem, would let the user replace it or put a DLL beside it. A running
// service holds its file, and one registered elsewhere would go on running
// from there: either is stopped first.
bool PlaceService(SC_HANDLE manager, std::wstring* placed) {
    std::wstring own, folder;
    if (!ServicePaths(&own, &folder, placed)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (SameFile(own, *placed))
        return true;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    const DWORD access = SERVICE_STOP | SERVICE_QUERY_STATUS;
    if (SC_HANDLE running = OpenServiceW(manager, kFilterServiceName, access)) {
        SERVICE_STATUS stopStatus = {};
        SERVICE_STATUS_PROCESS status = {};
        if (ControlService(running, SERVICE_CONTROL_STOP, &stopStatus))
            WaitForState(running, SERVICE_STOPPED, &status);
        CloseServiceHandle(running);
    }
    // The stopped process may hold its file a moment longer.
    for (int tries = 0;; ++tries) {
        if (CopyFileW(own.c_str(), placed->c_str(), FALSE))
            return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || tries == 100)
            return false;
        Sleep(100);
    }
}

int Install(const wchar_t* clientArgument) {
    HANDLE file = OpenClientFile(clientArgument);
    if (file == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
            return Fail(L"reading Hushwall.exe", GetLastError());
        std::fwprintf(stderr, L"HushwallFilter: %ls: no such file.\n", clientArgument);
        return 2;
    }
    // The path the service compares is the one every link and drive letter
    // resolves to, so that each connection can be checked the same way.
    const std::wstring client = FinalPathOf(file);
    const FileDigest digest = client.empty() ? FileDigest() : Sha256OfFile(file);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (client.empty() || digest.empty())
        return Fail(L"reading Hushwall.exe", error);

    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
    if (!manager)
        return Fail(L"opening the service control manager", GetLastError());
    std::wstring placed;
    if (!PlaceService(manager, &placed)) {
        const DWORD error = GetLastError();
        CloseServiceHandle(manager);
        return Fail(L"copying the service under Program Files", error);
    }
    const std::wstring command = L"\"" + placed + L"\"";
    // The filtering engine lives in the Base Filtering Engine service: at boot
    // ours must not start before it, or opening the engine fails.
    const wchar_t* const dependencies = L"BFE\0";
    SC_HANDLE service = CreateServiceW(manager, kFilterServiceName, L"Hushwall filter service",
                                       SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                       SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, dependencies,
                                       nullptr /* LocalSystem */, nullptr);
    if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
        service = OpenServiceW(manager, kFilterServiceName, SERVICE_ALL_ACCESS);
        if (service)
            ChangeServiceConfigW(service, SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                 SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, dependencies,
                                 nullptr, nullptr, nullptr);
    }
    if (!service) {
        const DWORD error = GetLastError();
        CloseServiceHandle(manager);
        return Fail(L"creating the service", error);
    }
    // A crash leaves the filters in place but nobody to clear them: the service
    // manager starts us again. So it does after a stop with an error (the
    // engine still not there after a minute at boot), which without the flag
    // below would not count as a failure.
    SC_ACTION restart[3] = {{SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 60000}};
    SERVICE_FAILURE_ACTIONSW failureActions = {};
    failureActions.dwResetPeriod = 24 * 60 * 60;
    failureActions.cActions = 3;
    failureActions.lpsaActions = restart;
    ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failureActions);
    SERVICE_FAILURE_ACTIONS_FLAG onErrors = {};
    onErrors.fFailureActionsOnNonCrashFailures = TRUE;
    ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onErrors);
    SERVICE_DESCRIPTIONW description = {};
    description.lpDescription = const_cast<wchar_t*>(
        L"Blocks the websites of a Hushwall session and keeps the session while Hushwall is not "
        L"running. Without it Hushwall blocks programs only, while it runs.");
    ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description);
    if (!RestrictServiceControl(service)) {
        const DWORD error = GetLastError();
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
        return Fail(L"restricting who may stop the service", error);
    }

    if (!SetRegisteredClient(client, digest)) {
        const DWORD error = GetLastError();
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
        return Fail(L"recording the path of Hushwall.exe", error);
    }
    int result = 0;
    SERVICE_STATUS_PROCESS status = {};
    if (!StartServiceW(service, 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
        result = Fail(L"starting the service", GetLastError());
    } else if (!WaitForState(service, SERVICE_RUNNING, &status)) {
        std::fwprintf(stderr,
                      L"HushwallFilter: installed, but the service stopped (error %lu): website "
                      L"blocking is unavailable. The Application event log says why.\n",
                      status.dwWin32ExitCode);
        result = 1;
    } else {
        std::wprintf(L"HushwallFilter: installed as %ls and running; it serves %ls.\n", placed.c_str(),
                     client.c_str());
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

int Uninstall() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return Fail(L"opening the service control manager", GetLastError());
    SC_HANDLE service = OpenServiceW(manager, kFilterServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (!service) {
        const DWORD error = GetLastError();
        CloseServiceHandle(manager);
        return Fail(L"opening the service", error);
    }
    SERVICE_STATUS stopStatus = {};
    ControlService(service, SERVICE_CONTROL_STOP, &stopStatus);
    SERVICE_STATUS_PROCESS status = {};
    WaitForState(service, SERVICE_STOPPED, &status);

    // Our filters, then the sublayer and provider that they name.
    uint32_t error = 0;
    std::string why;
    if (std::unique_ptr<FilterEngine> engine = OpenFilterEngine(&error, &why)) {
        FilterHook hook(*engine);
        if (!hook.Clear() || !engine->RemoveProviderAndSublayer())
            std::fwprintf(stderr, L"HushwallFilter: could not remove every filter of ours.\n");
    } else {
        std::fprintf(stderr, "HushwallFilter: %s; no filters to remove.\n", why.c_str());
    }
    FailSafeKey().Erase();
    BinaryValueKey(kFilterGuardValue).Erase();
    BinaryValueKey(kFilterScheduleValue).Erase();
    // No session outlives the service: its names leave the hosts file too.
    HostsFile hostsFile;
    TickCountClock clock;
    if (!HostsBlock(hostsFile, clock).Clear())
        std::fwprintf(stderr,
                      L"HushwallFilter: could not remove the blocked names from the hosts file.\n");

    int result = 0;
    if (!DeleteService(service))
        result = Fail(L"deleting the service", GetLastError());
    else
        RemovePlacedService();
    if (result == 0)
        std::wprintf(L"HushwallFilter: uninstalled.\n");
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

}  // namespace

namespace {

void ReportToEventLog(WORD type, DWORD eventId, const std::string& text) {
    HANDLE source = RegisterEventSourceW(nullptr, kFilterServiceName);
    if (!source)
        return;
    const std::wstring wide(text.begin(), text.end());
    const wchar_t* strings[] = {wide.c_str()};
    ReportEventW(source, type, 0, eventId, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

}  // namespace

void EventLogReport::Report(const std::string& text) {
    ReportToEventLog(EVENTLOG_INFORMATION_TYPE, 1, text);
}

void EventLogReport::ReportError(const std::string& text) {
    ReportToEventLog(EVENTLOG_ERROR_TYPE, 2, text);
}

std::wstring RegisteredClientPath() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = sizeof path - sizeof(wchar_t);
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterParametersKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::wstring();
    const LONG result = RegQueryValueExW(key, kFilterClientValue, nullptr, &type,
                                         reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return std::wstring();
    return std::wstring(path, wcsnlen(path, size / sizeof(wchar_t)));
}

FileDigest RegisteredClientDigest() {
    FileDigest digest(32);
    DWORD size = static_cast<DWORD>(digest.size());
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterParametersKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return FileDigest();
    const LONG result = RegQueryValueExW(key, kFilterClientDigestValue, nullptr, &type, digest.data(), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_BINARY || size != digest.size())
        return FileDigest();
    return digest;
}

bool SetRegisteredClient(const std::wstring& path, const FileDigest& digest) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kFilterParametersKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExW(key, kFilterClientValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
        if (result == ERROR_SUCCESS)
            result = RegSetValueExW(key, kFilterClientDigestValue, 0, REG_BINARY, digest.data(),
                                    static_cast<DWORD>(digest.size()));
        RegCloseKey(key);
    }
    SetLastError(static_cast<DWORD>(result));
    return result == ERROR_SUCCESS;
}

HANDLE OpenClientFile(const std::wstring& path) {
    // Writers are refused while we read, so the digest is of one version of the file.
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

std::wstring FinalPathOf(HANDLE file) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            return std::wstring();
        if (n < path.size()) {
            // Recorded as a plain path, the form GetFullPathNameW gives.
            const std::wstring resolved(path.data(), n);
            if (resolved.compare(0, 8, L"\\\\?\\UNC\\") == 0)
                return L"\\\\" + resolved.substr(8);
            if (resolved.compare(0, 4, L"\\\\?\\") == 0)
                return resolved.substr(4);
            return resolved;
        }
        path.resize(n);  // n counts the terminator when the buffer was short
    }
}

FileDigest Sha256OfFile(HANDLE file) {
    FileDigest digest(32);
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
              BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    DWORD error = ok ? ERROR_SUCCESS : ERROR_INVALID_DATA;
    std::vector<UCHAR> buffer(64 * 1024);
    while (ok) {
        // A failed read also sets the count to 0: only the result tells it from the end.
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            error = GetLastError();
            ok = false;
        } else if (read == 0) {
            break;
        } else if (!BCRYPT_SUCCESS(BCryptHashData(hash, buffer.data(), read, 0))) {
            error = ERROR_INVALID_DATA;
            ok = false;
        }
    }
    ok = ok && BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), 32, 0));
    if (hash)
        BCryptDestroyHash(hash);
    if (algorithm)
        BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok) {
        SetLastError(error ? error : ERROR_INVALID_DATA);
        return FileDigest();
    }
    return digest;
}

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc == 3 && lstrcmpiW(argv[1], L"--install") == 0)
        return Install(argv[2]);
    if (argv && argc == 2 && lstrcmpiW(argv[1], L"--uninstall") == 0)
        return Uninstall();
    if (argv && argc == 1) {
        SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(kFilterServiceName), ServiceMain},
                                        {nullptr, nullptr}};
        if (StartServiceCtrlDispatcherW(table))
            return 0;
        if (GetLastError() != ERROR_FAILED_SERVICE_CONTROLLER_CONNECT)
            return 1;
    }
    std::fwprintf(stderr,
                  L"Usage, from an administrator command prompt:\n"
                  L"  HushwallFilter.exe --install \"C:\\path\\to\\Hushwall.exe\"\n"
                  L"  HushwallFilter.exe --uninstall\n");
    return 2;
}
