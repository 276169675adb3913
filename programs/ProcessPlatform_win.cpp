#include "programs/ProcessPlatform_win.h"

#include <windows.h>
// Keep the original entry points so the program also runs where K32* do not exist.
#ifndef PSAPI_VERSION
#define PSAPI_VERSION 1
#endif
#include <psapi.h>
#include <tlhelp32.h>

bool isNTPlatform = true;

namespace {

// The access rights the watcher asks for, as the older systems understand them.
constexpr DWORD kReadAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x0410
constexpr DWORD kEndAccess = 0x1F0FFF;
constexpr DWORD kLimitedQueryAccess = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION

}  // namespace

bool Win32ToolhelpApi::Open() {
    m_snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    return m_snapshot != INVALID_HANDLE_VALUE;
}

bool Win32ToolhelpApi::First(Entry& entry) {
    PROCESSENTRY32 data = {};
    data.dwSize = sizeof(data);
    return Read(::Process32First(m_snapshot, &data) != FALSE, &data, entry);
}

bool Win32ToolhelpApi::Next(Entry& entry) {
    PROCESSENTRY32 data = {};
    data.dwSize = sizeof(data);
    return Read(::Process32Next(m_snapshot, &data) != FALSE, &data, entry);
}

void Win32ToolhelpApi::Close() {
    ::CloseHandle(m_snapshot);
    m_snapshot = INVALID_HANDLE_VALUE;
}

bool Win32ToolhelpApi::Read(bool ok, const void* data, Entry& entry) {
    if (!ok)
        return false;
    const PROCESSENTRY32* process = static_cast<const PROCESSENTRY32*>(data);
    entry.pid = process->th32ProcessID;
    entry.exeFile = process->szExeFile;
    return true;
}

bool QueryIsNTPlatform() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (!::GetVersionExA(&info))
        return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool Win32NtProcessApi::EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* written) {
    DWORD got = 0;
    if (!::EnumProcesses(reinterpret_cast<DWORD*>(ids), bytes, &got))
        return false;
    *written = got;
    return true;
}

NtProcessApi::Handle Win32NtProcessApi::OpenForReading(uint32_t pid) {
    return ::OpenProcess(kReadAccess, FALSE, pid);
}

bool Win32NtProcessApi::EnumModules(Handle process, Module* modules, uint32_t bytes,
                                    uint32_t* needed) {
    DWORD got = 0;
    if (!::EnumProcessModules(static_cast<HANDLE>(process), reinterpret_cast<HMODULE*>(modules),
                              bytes, &got))
        return false;
    *needed = got;
    return true;
}

std::string Win32NtProcessApi::ModuleFileName(Handle process, Module module) {
    char name[MAX_PATH] = {};
    if (!::GetModuleFileNameExA(static_cast<HANDLE>(process), static_cast<HMODULE>(module), name,
                                MAX_PATH))
        return std::string();
    name[MAX_PATH - 1] = '\0';
    return name;
}

std::string Win32NtProcessApi::ImageFileName(uint32_t pid) {
    // Not on every system the program runs on, so looked up when needed.
    using QueryFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
    static const QueryFn query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
    if (!query)
        return std::string();
    HANDLE process = ::OpenProcess(kLimitedQueryAccess, FALSE, pid);
    if (!process)
        return std::string();
    char name[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const BOOL ok = query(process, 0, name, &size);
    ::CloseHandle(process);
    return ok ? std::string(name, size) : std::string();
}

NtProcessApi::Handle Win32NtProcessApi::Hold(uint32_t pid) {
    return ::OpenProcess(SYNCHRONIZE, FALSE, pid);
}

void Win32NtProcessApi::Close(Handle handle) {
    ::CloseHandle(static_cast<HANDLE>(handle));
}

ProcessSnapshot TakeProcessSnapshot(const std::vector<std::string>& wantedPaths) {
    Win32ToolhelpApi list;
    if (isNTPlatform) {
        Win32NtProcessApi paths;
        return TakeNamedSnapshot(list, paths, wantedPaths);
    }
    return TakeToolhelpSnapshot(list);
}

std::vector<uint32_t> SystemProcesses::FindBlocked(const std::vector<std::string>& blockedPrograms) {
    // The other family lists full paths and has no image query: today's matching alone.
    if (!isNTPlatform)
        return ProcessControl::FindBlocked(blockedPrograms);
    return m_finder.Find(blockedPrograms);
}

bool SystemProcesses::EndProcess(uint32_t pid) {
    HANDLE process = ::OpenProcess(kEndAccess, TRUE, pid);
    if (!process)
        return false;
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process, &exitCode);
    ::TerminateProcess(process, exitCode);
    ::CloseHandle(process);
    return true;
}
