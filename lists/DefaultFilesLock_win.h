#pragma once
#include <windows.h>

#include <string>

// Holds the three default files open without sharing while a session runs, so
// that no process can read, change, replace or delete them. A file that cannot
// be opened is silently not held.
class CDefaultFilesLock {
public:
    CDefaultFilesLock() = default;
    ~CDefaultFilesLock() { UnlockDefaultFiles(); }
    CDefaultFilesLock(const CDefaultFilesLock&) = delete;
    CDefaultFilesLock& operator=(const CDefaultFilesLock&) = delete;

    void LockDefaultFiles(const std::string& exeFolder);
    void UnlockDefaultFiles();

    bool Holds(int file) const { return m_handles[file] != INVALID_HANDLE_VALUE; }

    // In the order they are taken: default.profile, default.apps, default.webs.
    static constexpr const char* kFiles[3] = {"default.profile", "default.apps", "default.webs"};

private:
    HANDLE m_handles[3] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
};
