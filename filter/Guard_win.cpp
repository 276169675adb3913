#include <windows.h>
#include <sddl.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "filter/LocalPath.h"
#include "filter/ServiceParts_win.h"
#include "programs/ProcessPlatform_win.h"
#include "schedule/ScheduleCheck.h"

namespace {

// Not in MinGW's headers; the values are the platform's.
constexpr DWORD kProtectionLevelNone = 0xFFFFFFFE;
struct ProtectionLevelInformation {
    DWORD level;
};

std::string SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text))
        return std::string();
    std::string narrow;
    for (const wchar_t* c = text; *c; ++c)
        narrow.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    ::LocalFree(text);
    return narrow;
}

std::string TokenUserSid(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0)
        return std::string();
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return std::string();
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

// Both are newer than Windows 7, where neither a critical flag nor a
// protection level can be read; there the machine's own processes are SYSTEM's.
bool IsCritical(HANDLE process) {
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    static const Fn isCritical = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsProcessCritical")));
    BOOL critical = FALSE;
    return isCritical && isCritical(process, &critical) && critical;
}

bool IsProtected(HANDLE process) {
    using Fn = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
    static const Fn getInformation = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetProcessInformation")));
    ProtectionLevelInformation info = {kProtectionLevelNone};
    return getInformation &&
           getInformation(process, ProcessProtectionLevelInfo, &info, sizeof info) &&
           info.level != kProtectionLevelNone;
}

ProcessOwner OwnerOf(DWORD pid) {
    ProcessOwner owner;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return owner;
    HANDLE token = nullptr;
    if (::OpenProcessToken(process, TOKEN_QUERY, &token)) {
        owner.user = TokenUserSid(token);
        owner.known = !owner.user.empty();
        ::CloseHandle(token);
    }
    owner.critical = IsCritical(process);
    owner.protectedProcess = IsProtected(process);
    ::CloseHandle(process);
    return owner;
}

}  // namespace

std::string ProcessUserSid(uint32_t pid) {
    const ProcessOwner owner = OwnerOf(pid);
    return owner.known ? owner.user : std::string();
}

std::vector<uint32_t> Win32GuardPlatform::FindBlocked(const std::vector<std::string>& programs,
                                                      uint32_t session, const std::string& user) {
    m_files.Begin(session);
    std::vector<uint32_t> pids = m_processes.FindBlockedAmong(programs, [session](uint32_t pid) {
        DWORD in = 0;
        return ::ProcessIdToSessionId(pid, &in) && in == session;
    });
    m_files.End();
    // Only the few that match: a token per process of the session each sweep would cost more.
    pids.erase(std::remove_if(pids.begin(), pids.end(),
                              [&user](uint32_t pid) { return !MayEndProcess(OwnerOf(pid), user); }),
               pids.end());
    return pids;
}

std::string Win32GuardPlatform::SessionUser(uint32_t session) {
    HANDLE token = nullptr;
    // Fails with ERROR_NO_TOKEN when nobody is logged on to the session.
    if (!::WTSQueryUserToken(session, &token))
        return std::string();
    const std::string sid = TokenUserSid(token);
    ::CloseHandle(token);
    return sid;
}

std::optional<uint32_t> Win32GuardPlatform::FindUserSession(const std::string& user) {
    if (user.empty())
        return std::nullopt;
    // The console's session first: the usual one, and the only one some systems list.
    const DWORD console = ::WTSGetActiveConsoleSessionId();
    if (console != 0xFFFFFFFF && SessionUser(console) == user)
        return console;
    WTS_SESSION_INFOW* sessions = nullptr;
    DWORD count = 0;
    if (!::WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count))
        return std::nullopt;
    std::optional<uint32_t> found;
    for (DWORD i = 0; i < count && !found; ++i)
        if (SessionUser(sessions[i].SessionId) == user)
            found = sessions[i].SessionId;
    ::WTSFreeMemory(sessions);
    return found;
}

void UserFileFacts::Begin(uint32_t session) {
    // Fails with ERROR_NO_TOKEN when nobody is logged on: then nothing is read.
    if (!::WTSQueryUserToken(session, &m_token))
        m_token = nullptr;
}

void UserFileFacts::End() {
    if (m_token)
        ::CloseHandle(m_token);
    m_token = nullptr;
}

template <typename Read>
bool UserFileFacts::AsUser(const std::string& path, Read read) {
    if (!m_token || !IsLocalDrivePath(path) || !::ImpersonateLoggedOnUser(m_token))
        return false;
    const bool ok = read();
    // A thread left as the user would make the service's next calls with the
    // user's rights: better to end, and be started again by the service manager.
    if (!::RevertToSelf())
        std::abort();
    return ok;
}

bool UserFileFacts::Stamp(const std::string& path, FileStamp& stamp) {
    return AsUser(path, [&] { return m_files.Stamp(path, stamp); });
}

bool UserFileFacts::Digest(const std::string& path, Sha256Digest& digest) {
    return AsUser(path, [&] { return m_files.Digest(path, digest); });
}

GuardPlatform::SessionState Win32GuardPlatform::QuerySession(uint32_t session) {
    WTS_CONNECTSTATE_CLASS* state = nullptr;
    DWORD bytes = 0;
    // Wine does not answer this: the log-off notices and the user's token then decide.
    if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSConnectState,
                                       reinterpret_cast<LPWSTR*>(&state), &bytes) ||
        !state || bytes < sizeof *state) {
        if (state)
            ::WTSFreeMemory(state);
        return SessionState::Unknown;
    }
    const WTS_CONNECTSTATE_CLASS value = *state;
    ::WTSFreeMemory(state);
    // A disconnected session still has its user, who may connect again.
    switch (value) {
    case WTSActive:
    case WTSConnected:
    case WTSDisconnected:
    case WTSShadow:
        return SessionState::LoggedOn;
    default:
        return SessionState::Gone;
    }
}

bool Win32GuardPlatform::StartProgram(uint32_t session, bool forSchedule) {
    const std::wstring path = RegisteredClientPath();
    if (path.empty())
        return false;
    // Fails with ERROR_NO_TOKEN when nobody is logged on to the session.
    HANDLE token = nullptr;
    if (!::WTSQueryUserToken(session, &token))
        return false;
    void* environment = nullptr;
    const bool haveEnvironment = ::CreateEnvironmentBlock(&environment, token, FALSE) != FALSE;
    const std::string switchText = std::string(" ") + kScheduleSwitch;
    std::wstring commandLine = L"\"" + path + L"\"" +
                               (forSchedule ? std::wstring(switchText.begin(), switchText.end()) : L"");
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = const_cast<wchar_t*>(L"winsta0\\default");
    PROCESS_INFORMATION process = {};
    const BOOL started = ::CreateProcessAsUserW(
        token, path.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
        haveEnvironment ? CREATE_UNICODE_ENVIRONMENT : 0, haveEnvironment ? environment : nullptr,
        folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    if (haveEnvironment)
        ::DestroyEnvironmentBlock(environment);
    ::CloseHandle(token);
    if (!started)
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

void SessionNotices::Mailbox::Put(uint32_t session) {
    const uint64_t last = value.load();
    value.store(((last >> 32) + 1) << 32 | session);
}

std::optional<uint32_t> SessionNotices::Mailbox::Take() {
    const uint64_t last = value.load();
    if ((last >> 32) == seen)
        return std::nullopt;
    seen = last >> 32;
    return static_cast<uint32_t>(last);
}

// In the service's own key, as the fail-safe's count. Binary, so that the
// paths' bytes in the system code page come back as they were.
std::optional<std::string> BinaryValueKey::Read() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterParametersKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    DWORD size = 0, type = 0;
    LONG result = ::RegQueryValueExW(key, m_value, nullptr, &type, nullptr, &size);
    std::string text(size, '\0');
    if (result == ERROR_SUCCESS && size > 0)
        result = ::RegQueryValueExW(key, m_value, nullptr, &type,
                                    reinterpret_cast<BYTE*>(&text[0]), &size);
    ::RegCloseKey(key);
    if (result == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (result != ERROR_SUCCESS || type != REG_BINARY)
        return std::string();  // reported as a record that does not decode
    text.resize(size);
    return text;
}

bool BinaryValueKey::Write(const std::string& text) {
    return ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kFilterParametersKey, m_value,
                             REG_BINARY, text.data(),
                             static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
}

void BinaryValueKey::Erase() {
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kFilterParametersKey, m_value);
}
