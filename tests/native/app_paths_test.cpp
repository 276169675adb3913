#include <gtest/gtest.h>

#include "records.h"

#include "app/AppPaths.h"
#include "app/Settings.h"
#include "session/SessionRecord.h"

namespace {

TEST(ExeFolderOf, KeepsTheLastBackslashAndIsEmptyWithoutOne) {
    EXPECT_EQ(ExeFolderOf("C:\\Program Files\\Hushwall\\Hushwall.exe"),
              "C:\\Program Files\\Hushwall\\");
    EXPECT_EQ(ExeFolderOf("C:\\Hushwall.exe"), "C:\\");
    EXPECT_EQ(ExeFolderOf("Hushwall.exe"), "");
    EXPECT_EQ(ExeFolderOf("C:/x/Hushwall.exe"), "");  // only backslashes separate
    EXPECT_EQ(ExeFolderOf(""), "");
}

TEST(AppNameOf, BaseNameWithoutExtension) {
    EXPECT_EQ(AppNameOf("C:\\Program Files\\Hushwall\\Hushwall.exe"), "Hushwall");
    EXPECT_EQ(AppNameOf("D:\\apps\\my.blocker.exe"), "my.blocker");
    EXPECT_EQ(AppNameOf("Hushwall"), "Hushwall");
    EXPECT_EQ(AppNameOf("C:\\v1.2\\Hushwall"), "Hushwall");
}

TEST(IsAlreadyRunning, CountsOtherProcessesOfTheSameFileIgnoringCase) {
    const std::string self = "C:\\Tools\\Hushwall.exe";
    EXPECT_FALSE(IsAlreadyRunning({Proc(1, {self})}, self));
    EXPECT_TRUE(IsAlreadyRunning({Proc(1, {self}), Proc(2, {"c:\\TOOLS\\hushwall.EXE"})}, self));
    // A copy in another folder is another program.
    EXPECT_FALSE(IsAlreadyRunning({Proc(1, {self}), Proc(2, {"D:\\Tools\\Hushwall.exe"})}, self));
    EXPECT_FALSE(IsAlreadyRunning({}, self));  // no snapshot: start-up goes on
}

TEST(SettingsKeyPath, CompanyThenApplicationThenSection) {
    EXPECT_EQ(SettingsKeyPath(kCompanyKey, "Hushwall", kSessionSection),
              "Software\\Calderine\\Hushwall\\BlockingSectionInfo");
}

}  // namespace
