#include <windows.h>

#include <cstdio>

#include "filter/ServiceParts_win.h"

namespace {

// Far above any hosts file in use; a bigger one is not ours to rewrite.
constexpr LONGLONG kMaxHostsBytes = 64LL * 1024 * 1024;

// The attributes SetFileAttributesW takes back.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_TEMPORARY;

// The folder of the resolver's database files, which an administrator may move
// (Tcpip\Parameters\DataBasePath, REG_EXPAND_SZ, expanded by RRF_RT_REG_SZ).
std::wstring DatabaseFolder() {
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters",
                     L"DataBasePath", RRF_RT_REG_SZ, nullptr, folder, &size) == ERROR_SUCCESS &&
        folder[0])
        return folder;
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    return std::wstring(system) + L"\\drivers\\etc";
}

void SetAttributes(const std::wstring& path, DWORD attributes) {
    attributes &= kSettableAttributes;
    SetFileAttributesW(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Our backup, back in the file's place when the file is not there (and only then).
bool PutBackupBack(const std::wstring& path, const std::wstring& backup) {
    if (Exists(path) || !Exists(backup))
        return Exists(path);
    return MoveFileExW(backup.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool WriteAll(HANDLE file, const std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        DWORD written = 0;
        const DWORD chunk =
            static_cast<DWORD>(text.size() - at > 1 << 20 ? 1 << 20 : text.size() - at);
        if (!WriteFile(file, text.data() + at, chunk, &written, nullptr) || written == 0)
            return false;
        at += written;
    }
    return FlushFileBuffers(file) != 0;
}

}  // namespace

HostsFile::HostsFile() {
    const std::wstring folder = DatabaseFolder();
    if (folder.empty())
        return;
    m_path = folder + L"\\hosts";
    // A replace cut short (a power cut) can leave the file under our backup's
    // name alone: it comes back before anything reads or writes.
    PutBackupBack(m_path, m_path + L".hushwall-old");
}

HostsStore::ReadResult HostsFile::Read(std::string* text) {
    if (m_path.empty())
        return ReadResult::Failed;
    HANDLE file = CreateFileW(m_path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ReadResult::Missing : ReadResult::Failed;
    }
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= kMaxHostsBytes;
    text->clear();
    if (ok) {
        text->resize(static_cast<size_t>(size.QuadPart));
        size_t at = 0;
        DWORD read = 0;
        while (ok && at < text->size()) {
            ok = ReadFile(file, &(*text)[at], static_cast<DWORD>(text->size() - at), &read,
                          nullptr) &&
                 read > 0;
            at += read;
        }
    }
    CloseHandle(file);
    return ok ? ReadResult::Ok : ReadResult::Failed;
}

// Written beside it and put in its place, so the resolver never reads half a
// file. ReplaceFileW keeps the original's DACL (and its creation time and
// streams); the attributes, read-only among them, are put back by hand.
bool HostsFile::Write(const std::string& text) {
    if (m_path.empty())
        return false;
    const std::wstring temporary = m_path + L".hushwall-new";
    SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(temporary.c_str());  // what an interrupted write left
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(file, text);
    CloseHandle(file);
    // With the file gone our backup is its only copy: it goes back, and this
    // text, made without it, is not written (the next check reads it again).
    const std::wstring backup = m_path + L".hushwall-old";
    if (ok && !Exists(m_path) && Exists(backup)) {
        PutBackupBack(m_path, backup);
        ok = false;
    }
    const DWORD attributes = GetFileAttributesW(m_path.c_str());
    if (ok && attributes == INVALID_FILE_ATTRIBUTES) {
        // A new file takes what the folder gives new files, like any other there.
        ok = MoveFileExW(temporary.c_str(), m_path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    } else if (ok) {
        // A read-only file cannot be replaced.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetAttributes(m_path, attributes & ~FILE_ATTRIBUTE_READONLY);
        // With a backup name a failed replace leaves every file under a name we
        // know. The temporary file was flushed above: ReplaceFileW's own
        // write-through flag is documented as not supported.
        SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(backup.c_str());
        ok = ReplaceFileW(m_path.c_str(), temporary.c_str(), backup.c_str(), 0, nullptr, nullptr) !=
             0;
        // 1177: the original sits under the backup's name; 1176: both kept
        // their names. Either way the original must be back before the
        // backup may go, and if it cannot be put back, the backup stays.
        const bool inPlace = ok || PutBackupBack(m_path, backup);
        SetAttributes(m_path, attributes);
        if (inPlace)
            DeleteFileW(backup.c_str());
    }
    if (!ok)
        DeleteFileW(temporary.c_str());
    return ok;
}

bool HostsFile::Delete() {
    if (m_path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(m_path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(m_path.c_str()) != 0;
}

std::string HostsFile::Stamp() {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (m_path.empty() || !GetFileAttributesExW(m_path.c_str(), GetFileExInfoStandard, &data))
        return "none";
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%lx:%lx:%lx:%lx", data.nFileSizeHigh, data.nFileSizeLow,
                  data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return stamp;
}

// DnsFlushResolverCache is exported by dnsapi.dll but in no header we have;
// taken from the system folder only.
void HostsFile::FlushResolverCache() {
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    HMODULE dns = LoadLibraryW((std::wstring(system) + L"\\dnsapi.dll").c_str());
    if (!dns)
        return;
    using FlushFn = BOOL(WINAPI*)();
    const FlushFn flush = reinterpret_cast<FlushFn>(
        reinterpret_cast<void*>(GetProcAddress(dns, "DnsFlushResolverCache")));
    if (flush)
        flush();
    FreeLibrary(dns);
}
