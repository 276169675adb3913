#include <windows.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <cstdlib>
#include <string>

#include "filter/LocalPath.h"
#include "filter/ServiceParts_win.h"
#include "programs/ProcessPlatform_win.h"

std::vector<uint32_t> Win32GuardPlatform::FindBlocked(const std::vector<std::string>& programs,
                                                      uint32_t session) {
    m_files.Begin(session);
    auto found = m_processes.FindBlockedAmong(programs, [session](uint32_t pid) {
        DWORD in = 0;
        return ::ProcessIdToSessionId(pid, &in) && in == session;
    });
    m_files.End();
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

bool Win32GuardPlatform::StartProgram(uint32_t session) {
    const std::wstring path = RegisteredClientPath();
    if (path.empty())
        return false;
    // Fails with ERROR_NO_TOKEN when nobody is logged on to the session.
    HANDLE token = nullptr;
    if (!::WTSQueryUserToken(session, &token))
        return false;
    void* environment = nullptr;
    const bool haveEnvironment = ::CreateEnvironmentBlock(&environment, token, FALSE) != FALSE;
    std::wstring commandLine = L"\"" + path + L"\"";
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

void SessionNotices::LoggedOff(uint32_t session) {
    const uint64_t last = m_last.load();
    m_last.store(((last >> 32) + 1) << 32 | session);
}

std::optional<uint32_t> SessionNotices::TakeLoggedOff() {
    const uint64_t last = m_last.load();
    if ((last >> 32) == m_seen)
        return std::nullopt;
    m_seen = last >> 32;
    return static_cast<uint32_t>(last);
}
