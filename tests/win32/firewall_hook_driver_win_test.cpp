// The driver controller and the session log on the real system, where no hook driver exists.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "e2e/Driver.h"
#include "websites/FirewallHookDriver_win.h"
#include "websites/SessionLog.h"

namespace {

uint32_t Address(BYTE a, BYTE b, BYTE c, BYTE d) {
    const BYTE bytes[4] = {a, b, c, d};
    uint32_t address = 0;
    memcpy(&address, bytes, 4);
    return address;
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return "<none>";
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.append(buffer, n);
    fclose(file);
    return bytes;
}

TEST(FirewallHookDriverWin, MissingDeviceLeavesWebsiteBlockingUnavailable) {
    CFirewallHookDriver driver(SystemDriverPlatform());
    EXPECT_FALSE(driver.OpenDevice());
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(driver.IsOpen());
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_START, nullptr, 0), -5);
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_CLEAR_RULES, nullptr, 0), -5);
    EXPECT_FALSE(driver.LoadHookRules({Address(10, 0, 0, 1)}));
    EXPECT_EQ(driver.UnloadDriver(true), 0);
}

TEST(FirewallHookDriverWin, ControlCallsOnWhatIsNoDriverFail) {
    Win32DriverPlatform platform;
    const HookRuleBytes rule = EncodeHookRule(0, Address(10, 0, 0, 1));
    EXPECT_FALSE(platform.Control(INVALID_HANDLE_VALUE, IOCTL_HOOK_START, nullptr, 0));
    EXPECT_FALSE(platform.Control(INVALID_HANDLE_VALUE, IOCTL_HOOK_ADD_RULE, rule.data(), 28));

    // An ordinary file knows none of the hook's codes.
    const std::string path = e2e::FreshFolder("hook-device") + "not-a-device";
    CFirewallHookDriver driver(platform);
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    driver.device = file;
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_START, nullptr, 0), -9);
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_ADD_RULE, rule.data(), 28), -9);
    EXPECT_FALSE(driver.LoadHookRules({Address(10, 0, 0, 1)}));
}

TEST(FirewallHookDriverWin, TheDestructorClosesTheDevice) {
    // An ordinary file stands in for the device: it is opened without sharing,
    // so nobody else can open it until the controller lets go.
    const std::string path = e2e::FreshFolder("hook-close") + "device";
    {
        CFirewallHookDriver driver(SystemDriverPlatform());
        EXPECT_FALSE(driver.OpenDevice(path));  // only an existing device is opened
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        ::CloseHandle(file);
        ASSERT_TRUE(driver.OpenDevice(path));
        EXPECT_EQ(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_TRUE(::DeleteFileA(path.c_str()));
}

TEST(FirewallHookDriverWin, AServiceThatDoesNotExistCannotBeStopped) {
    CFirewallHookDriver driver(SystemDriverPlatform());
    driver.serviceName = "HushwallHookTestMissing";
    driver.running = true;
    EXPECT_EQ(driver.StopDriver(), -2);
    EXPECT_TRUE(driver.running);
    EXPECT_EQ(driver.UnloadDriver(true), -2);
    driver.running = false;
}

TEST(SessionLogWin, TextModeWritesCrLfAndAppends) {
    const std::string folder = e2e::FreshFolder("session-log");
    WriteSessionLog(folder, {Address(10, 0, 0, 1), Address(172, 16, 0, 254)});
    const std::string first =
        "\r\nNew Session Log\r\n\r\n10.0.0.1\r\n172.16.0.254\r\n\r\nEnd Session Log\r\n";
    EXPECT_EQ(ReadBytes(folder + "default.log"), first);
    WriteSessionLog(folder, {});
    EXPECT_EQ(ReadBytes(folder + "default.log"),
              first + "\r\nNew Session Log\r\n\r\n\r\nEnd Session Log\r\n");
}

TEST(SessionLogWin, AFolderThatCannotHoldTheFileIsSkipped) {
    const std::string folder = e2e::FreshFolder("session-log-missing") + "missing\\";
    WriteSessionLog(folder, {Address(10, 0, 0, 1)});
    EXPECT_EQ(::GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
