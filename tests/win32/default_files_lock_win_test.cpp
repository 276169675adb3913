// The hold on the default files, for real: other opens are refused until it ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/Driver.h"
#include "lists/DefaultFilesLock_win.h"

namespace {

// What another program gets when it opens the file: 0 for success, else the error.
DWORD OpenError(const std::string& path, DWORD access, DWORD share) {
    HANDLE file = ::CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    ::CloseHandle(file);
    return 0;
}

void Touch(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    ::CloseHandle(file);
}

TEST(DefaultFilesLock, NothingOpensTheFilesWhileHeld) {
    const std::string folder = e2e::FreshFolder("default-lock");
    for (const char* name : CDefaultFilesLock::kFiles)
        Touch(folder + name);
    CDefaultFilesLock lock;
    lock.LockDefaultFiles(folder);
    for (int i = 0; i < 3; ++i) {
        const std::string path = folder + CDefaultFilesLock::kFiles[i];
        SCOPED_TRACE(path);
        EXPECT_TRUE(lock.Holds(i));
        EXPECT_EQ(OpenError(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE),
                  static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(OpenError(path, GENERIC_WRITE, 0), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(::DeleteFileA(path.c_str()));
        EXPECT_FALSE(::MoveFileA(path.c_str(), (path + ".moved").c_str()));
    }
    lock.UnlockDefaultFiles();
    for (int i = 0; i < 3; ++i) {
        const std::string path = folder + CDefaultFilesLock::kFiles[i];
        EXPECT_FALSE(lock.Holds(i));
        EXPECT_EQ(OpenError(path, GENERIC_READ | GENERIC_WRITE, 0), 0u) << path;
        EXPECT_TRUE(::DeleteFileA(path.c_str())) << path;
    }
}

TEST(DefaultFilesLock, AMissingFileIsSkippedAndTheOthersHeld) {
    const std::string folder = e2e::FreshFolder("default-lock-missing");
    Touch(folder + "default.profile");
    Touch(folder + "default.apps");
    CDefaultFilesLock lock;
    lock.UnlockDefaultFiles();  // nothing held: nothing to do
    lock.LockDefaultFiles(folder);
    EXPECT_TRUE(lock.Holds(0));
    EXPECT_TRUE(lock.Holds(1));
    EXPECT_FALSE(lock.Holds(2));
    EXPECT_EQ(OpenError(folder + "default.apps", GENERIC_READ, FILE_SHARE_READ),
              static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST(DefaultFilesLock, EndsWithItsOwner) {
    const std::string folder = e2e::FreshFolder("default-lock-owner");
    Touch(folder + "default.apps");
    {
        CDefaultFilesLock lock;
        lock.LockDefaultFiles(folder);
        ASSERT_TRUE(lock.Holds(1));
    }
    EXPECT_EQ(OpenError(folder + "default.apps", GENERIC_READ, 0), 0u);
}

}  // namespace
