#include <gtest/gtest.h>

#include "base/NativePath.h"

TEST(NativeSystemPath, OnlyFilesUnderTheSystemFolderTakeTheNativeAlias) {
    struct Case {
        const char* path;
        const char* windows;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Windows\\System32\\notepad.exe", "C:\\Windows", "C:\\Windows\\Sysnative\\notepad.exe"},
        {"c:\\windows\\SYSTEM32\\drivers\\x.exe", "C:\\Windows\\", "C:\\Windows\\Sysnative\\drivers\\x.exe"},
        {"C:\\Windows\\SysWOW64\\notepad.exe", "C:\\Windows", "C:\\Windows\\SysWOW64\\notepad.exe"},
        {"C:\\Windows\\System32x\\a.exe", "C:\\Windows", "C:\\Windows\\System32x\\a.exe"},
        {"C:\\Windows\\System32\\", "C:\\Windows", "C:\\Windows\\System32\\"},
        {"D:\\Windows\\System32\\a.exe", "C:\\Windows", "D:\\Windows\\System32\\a.exe"},
        {"C:\\Games\\System32\\a.exe", "C:\\Windows", "C:\\Games\\System32\\a.exe"},
        {"C:\\Windows\\System32\\a.exe", "", "C:\\Windows\\System32\\a.exe"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NativeSystemPath(c.path, c.windows), c.expected) << c.path;
}
