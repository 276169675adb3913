#include "base/FileFacts_win.h"

#include <windows.h>

#include <vector>

#include "base/NativePath.h"

namespace {

// The 32-bit program on 64-bit Windows must read the file a path names, not
// the 32-bit twin that file-system redirection would hand it.
std::string ReadablePath(const std::string& path) {
    static const std::string windowsFolder = [] {
        BOOL wow64 = FALSE;
        if (!::IsWow64Process(::GetCurrentProcess(), &wow64) || !wow64)
            return std::string();
        char folder[MAX_PATH];
        const UINT length = ::GetSystemWindowsDirectoryA(folder, MAX_PATH);
        return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string();
    }();
    return windowsFolder.empty() ? path : NativeSystemPath(path, windowsFolder);
}

}  // namespace

bool Win32FileFacts::Stamp(const std::string& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(ReadablePath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    stamp.size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.lastWrite =
        (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool Win32FileFacts::Digest(const std::string& path, Sha256Digest& digest) {
    // A running image may be read while it runs; others may keep it open in any way.
    HANDLE file = ::CreateFileA(ReadablePath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    Sha256 sha;
    std::vector<char> buffer(64 * 1024);
    DWORD got = 0;
    bool ok = true;
    for (;;) {
        if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        sha.Update(buffer.data(), got);
    }
    ::CloseHandle(file);
    if (ok)
        digest = sha.Final();
    return ok;
}
