#include "programs/ProgramDiscovery_win.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {

uint64_t Ticks(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FileEntry EntryOf(const WIN32_FIND_DATAA& data) {
    FileEntry entry;
    entry.name = data.cFileName;
    entry.attributes = data.dwFileAttributes;
    entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.created = Ticks(data.ftCreationTime);
    entry.accessed = Ticks(data.ftLastAccessTime);
    entry.written = Ticks(data.ftLastWriteTime);
    return entry;
}

// Short names left out and a larger buffer per call: the fastest listing. Systems
// before Windows 7 refuse both, and then the plain listing is used.
bool g_fastListing = true;

HANDLE FindFirst(const std::string& pattern, WIN32_FIND_DATAA& data) {
    if (g_fastListing) {
        HANDLE find = ::FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_INVALID_PARAMETER)
            return find;
        g_fastListing = false;
    }
    return ::FindFirstFileExA(pattern.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch,
                              nullptr, 0);
}

// Reads the target of a loaded link object; "" on any failure.
std::string TargetOf(IShellLinkA* link, IPersistFile* file, const std::string& path) {
    wchar_t wide[MAX_PATH] = {};
    if (!::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return std::string();
    if (FAILED(file->Load(wide, STGM_READ)))
        return std::string();
    // No window and no SLR_NO_UI: the shell may search for a moved target itself.
    if (FAILED(link->Resolve(nullptr, SLR_UPDATE)))
        return std::string();
    char target[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)))
        return std::string();
    return target;
}

}  // namespace

std::string ResolveShortcut(const std::string& shortcutPath) {
    // Balanced per call, so callers need not know whether COM is up on their thread.
    if (FAILED(::CoInitialize(nullptr)))
        return std::string();
    std::string result;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkA, reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            result = TargetOf(link, file, shortcutPath);
            file->Release();
        }
        link->Release();
    }
    ::CoUninitialize();
    return result;
}

bool Win32ShortcutSystem::Search(const std::string& pattern, std::vector<FileEntry>& entries) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirst(pattern, data);
    if (find == INVALID_HANDLE_VALUE) {
        // A folder without matches is an empty result, not a failed search.
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
    }
    do {
        entries.push_back(EntryOf(data));
    } while (::FindNextFileA(find, &data));
    const DWORD error = ::GetLastError();
    ::FindClose(find);
    return error == ERROR_NO_MORE_FILES;
}

bool FastFolderListing() {
    return g_fastListing;
}

bool Win32ShortcutSystem::FolderPath(FolderKind kind, std::string& path) {
    char buffer[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathA(nullptr, buffer, static_cast<int>(kind), FALSE))
        return false;
    path = buffer;
    return true;
}

bool Win32ShortcutSystem::Exists(const std::string& path) {
    return ::PathFileExistsA(path.c_str()) != FALSE;
}

std::vector<DiscoveredProgram> DiscoverInstalledPrograms() {
    Win32ShortcutSystem system;
    return DiscoverInstalledPrograms(system);
}
