#include "lists/DefaultFilesLock_win.h"

void CDefaultFilesLock::LockDefaultFiles(const std::string& exeFolder) {
    for (int i = 0; i < 3; ++i) {
        if (Holds(i))
            continue;
        m_handles[i] = ::CreateFileA((exeFolder + kFiles[i]).c_str(), FILE_ALL_ACCESS, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
}

void CDefaultFilesLock::UnlockDefaultFiles() {
    for (HANDLE& handle : m_handles) {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
}
