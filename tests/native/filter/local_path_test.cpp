#include <gtest/gtest.h>

#include "filter/LocalPath.h"

TEST(LocalPath, OnlyAbsolutePathsOnALocalDriveLetterPass) {
    const struct {
        const char* path;
        bool local;
    } cases[] = {
        {"C:\\Games\\game.exe", true},      {"z:\\A\\..\\b/c.exe", true},
        {"C:\\Games\\com10.exe", true},     {"\\\\server\\share\\game.exe", false},
        {"//server/share/game.exe", false}, {"\\\\?\\UNC\\server\\share\\game.exe", false},
        {"\\\\?\\C:\\game.exe", false},     {"\\\\.\\C:\\game.exe", false},
        {"\\??\\C:\\game.exe", false},      {"\\Games\\game.exe", false},
        {"Games\\game.exe", false},         {"C:Games\\game.exe", false},
        {"C:/Games/game.exe", false},       {"C:\\", false},
        {"C:\\game.exe:stream", false},     {"C:\\Games\\nul.txt", false},
        {"C:\\Games\\Com1 .exe", false},    {"C:\\Games\\game\n.exe", false},
    };
    for (const auto& c : cases) {
        const std::string narrow(c.path);
        EXPECT_EQ(IsLocalDrivePath(narrow), c.local) << c.path;
        EXPECT_EQ(IsLocalDrivePath(std::wstring(narrow.begin(), narrow.end())), c.local) << c.path;
    }
}
