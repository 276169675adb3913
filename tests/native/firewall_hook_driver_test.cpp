#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "websites/FirewallHookDriver.h"

namespace {

// The address whose bytes in memory are a.b.c.d, as the address list holds it.
uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t address = 0;
    std::memcpy(&address, bytes, 4);
    return address;
}

TEST(HookRule, RecordLayoutByteForByte) {
    const uint32_t a = Address(10, 0, 0, 1);
    const HookRuleBytes to = EncodeHookRule(0, a);
    const HookRuleBytes expectedTo = {0,    0,    0,    0,     // protocol, padding
                                      0,    0,    0,    0,     // source: any
                                      10,   0,    0,    1,     // destination
                                      0xFF, 0xFF, 0xFF, 0xFF,  // source mask
                                      0xFF, 0xFF, 0xFF, 0xFF,  // destination mask
                                      0,    0,    0,    0,     // ports
                                      1,    0,    0,    0};    // drop, padding
    EXPECT_EQ(to, expectedTo);
    const HookRuleBytes from = EncodeHookRule(a, 0);
    const HookRuleBytes expectedFrom = {0,    0,    0,    0,     // protocol, padding
                                        10,   0,    0,    1,     // source
                                        0,    0,    0,    0,     // destination: any
                                        0xFF, 0xFF, 0xFF, 0xFF,  // source mask
                                        0xFF, 0xFF, 0xFF, 0xFF,  // destination mask
                                        0,    0,    0,    0,     // ports
                                        1,    0,    0,    0};    // drop, padding
    EXPECT_EQ(from, expectedFrom);
}

TEST(HookRule, OtherFieldsAreLittleEndianAtTheirOffsets) {
    HookRule rule;
    rule.protocol = 0x0611;
    rule.sourceMask = 0x00FFFFFF;
    rule.destinationMask = 0x0000FFFF;
    rule.sourcePort = 0x0050;
    rule.destinationPort = 0x01BB;
    rule.drop = 0;
    const HookRuleBytes bytes = EncodeHookRule(rule);
    EXPECT_EQ(bytes[0], 0x11);
    EXPECT_EQ(bytes[1], 0x06);
    EXPECT_EQ(bytes[12], 0xFF);
    EXPECT_EQ(bytes[15], 0x00);
    EXPECT_EQ(bytes[16], 0xFF);
    EXPECT_EQ(bytes[18], 0x00);
    EXPECT_EQ(bytes[20], 0x50);
    EXPECT_EQ(bytes[21], 0x00);
    EXPECT_EQ(bytes[22], 0xBB);
    EXPECT_EQ(bytes[23], 0x01);
    EXPECT_EQ(bytes[24], 0);
}

TEST(HookRule, ControlCodesAndResults) {
    EXPECT_EQ(IOCTL_HOOK_START, 0x232220C0u);
    EXPECT_EQ(IOCTL_HOOK_STOP, 0x232220C4u);
    EXPECT_EQ(IOCTL_HOOK_ADD_RULE, 0x2322A0C8u);
    EXPECT_EQ(IOCTL_HOOK_CLEAR_RULES, 0x232220CCu);
    // The platform's own example: CTL_CODE(FILE_DEVICE_DISK, 0x0, METHOD_BUFFERED,
    // FILE_READ_ACCESS).
    EXPECT_EQ(HookCtlCode(0x7, 0, 0, 1), 0x74000u);
    const int codes[] = {kDriverOk,           kDriverNoManager,   kDriverNoService,
                         kDriverNoDevice,     kDriverStopRefused, kDriverDeleteFailed,
                         kDriverControlFailed};
    const int expected[] = {0, -1, -2, -5, -7, -8, -9};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(codes[i], expected[i]);
}

// Records every platform call in order and fails the ones it is told to.
class FakePlatform : public DriverPlatform, public ServicePipe {
public:
    using Handle = DriverPlatform::Handle;
    std::vector<std::string> calls;
    std::vector<HookRuleBytes> rules;  // inputs of the add calls, in order
    bool managerFails = false;
    bool serviceFails = false;
    bool stopRefused = false;
    bool deleteFails = false;
    bool deviceMissing = false;
    int failControlAt = -1;  // 0-based index of the control call that fails
    int controls = 0;

    Handle OpenManager() override {
        calls.push_back("open manager");
        return managerFails ? nullptr : &m_manager;
    }
    Handle OpenDriverService(Handle manager, const std::string& name) override {
        calls.push_back(std::string("open service ") + name + (manager == &m_manager ? "" : "?"));
        return serviceFails ? nullptr : &m_service;
    }
    bool StopService(Handle service) override {
        calls.push_back(service == &m_service ? "stop" : "stop?");
        return !stopRefused;
    }
    bool RemoveService(Handle service) override {
        calls.push_back(service == &m_service ? "delete" : "delete?");
        return !deleteFails;
    }
    void CloseService(Handle handle) override {
        calls.push_back(handle == &m_manager   ? "close manager"
                        : handle == &m_service ? "close service"
                                               : "close ?");
    }
    Handle Connect(const std::string& path) override {
        calls.push_back("open device " + path);
        return deviceMissing ? nullptr : &m_device;
    }
    Outcome Transact(Handle device, const std::vector<uint8_t>& request,
                     std::vector<uint8_t>& reply) override {
        uint32_t code = 0;
        std::memcpy(&code, request.data(), 4);  // little-endian, as the test machines are
        const size_t length = request.size() - 4;
        calls.push_back((device == &m_device ? "control " : "control? ") + std::to_string(code) +
                        " " + std::to_string(length));
        if (code == IOCTL_HOOK_ADD_RULE && length == kHookRuleSize) {
            HookRuleBytes rule;
            std::memcpy(rule.data(), request.data() + 4, kHookRuleSize);
            rules.push_back(rule);
        }
        reply = EncodeHookReply(controls++ != failControlAt ? kHookStatusOk : kHookStatusFailed);
        return Outcome::Replied;
    }
    void Disconnect(Handle device) override {
        calls.push_back(device == &m_device ? "close device" : "close device?");
    }

private:
    int m_manager = 0, m_service = 0, m_device = 0;
};

const std::string kAdd = "control " + std::to_string(IOCTL_HOOK_ADD_RULE) + " 28";

// A controller as the install step would leave it: service started, device open.
void MakeRunning(CFirewallHookDriver& driver, FakePlatform& platform) {
    ASSERT_TRUE(driver.OpenDevice("\\\\.\\Test"));
    driver.serviceName = "TestHook";
    driver.running = true;
    driver.installed = true;
    platform.calls.clear();
}

TEST(FirewallHookDriver, FreshControllerAndTheOpenStep) {
    FakePlatform platform;
    {
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        EXPECT_FALSE(driver.IsOpen());
        EXPECT_FALSE(driver.serviceName || driver.secondText || driver.thirdText);
        EXPECT_FALSE(driver.textsOwned || driver.running || driver.installed);
        EXPECT_TRUE(driver.removeOnUnload);
        platform.deviceMissing = true;
        EXPECT_FALSE(driver.OpenDevice());
        EXPECT_FALSE(driver.IsOpen());
        platform.deviceMissing = false;
        EXPECT_TRUE(driver.OpenDevice());
        EXPECT_TRUE(driver.IsOpen());
        EXPECT_TRUE(driver.OpenDevice());  // already open: not opened twice
    }
    const std::vector<std::string> expected = {"open device \\\\.\\pipe\\HushwallFilter",
                                               "open device \\\\.\\pipe\\HushwallFilter",
                                               "close device"};
    EXPECT_EQ(platform.calls, expected);
}

TEST(FirewallHookDriver, WithoutDeviceEveryControlFailsWithoutPlatformCalls) {
    FakePlatform platform;
    {
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        const uint8_t input[28] = {};
        for (uint32_t code : {IOCTL_HOOK_START, IOCTL_HOOK_STOP, IOCTL_HOOK_CLEAR_RULES})
            EXPECT_EQ(driver.SendDriverControl(code, nullptr, 0), -5);
        EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_ADD_RULE, input, 28), -5);
        EXPECT_FALSE(driver.LoadHookRules({Address(10, 0, 0, 1)}));
        EXPECT_TRUE(driver.LoadHookRules({}));
    }
    EXPECT_TRUE(platform.calls.empty());
}

TEST(FirewallHookDriver, ControlCallsReachTheDeviceAndReportFailure) {
    FakePlatform platform;
    ServiceConnection connection(platform);
    CFirewallHookDriver driver(platform, connection);
    MakeRunning(driver, platform);
    platform.failControlAt = 1;
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_START, nullptr, 0), 0);
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_STOP, nullptr, 0), -9);
    EXPECT_EQ(driver.SendDriverControl(IOCTL_HOOK_CLEAR_RULES, nullptr, 0), 0);
    const std::vector<std::string> expected = {
        "control " + std::to_string(IOCTL_HOOK_START) + " 0",
        "control " + std::to_string(IOCTL_HOOK_STOP) + " 0",
        "control " + std::to_string(IOCTL_HOOK_CLEAR_RULES) + " 0"};
    EXPECT_EQ(platform.calls, expected);
    driver.running = false;  // keep the destructor out of this test
}

TEST(FirewallHookDriver, LoadsTwoRulesPerAddressInListOrder) {
    FakePlatform platform;
    ServiceConnection connection(platform);
    CFirewallHookDriver driver(platform, connection);
    ASSERT_TRUE(driver.OpenDevice());
    platform.calls.clear();
    const std::vector<uint32_t> addresses = {Address(10, 0, 0, 1), Address(192, 168, 1, 20),
                                             Address(8, 8, 4, 4)};
    EXPECT_TRUE(driver.LoadHookRules(addresses));
    EXPECT_EQ(platform.calls, std::vector<std::string>(6, kAdd));
    ASSERT_EQ(platform.rules.size(), 6u);
    for (size_t i = 0; i < addresses.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(platform.rules[2 * i], EncodeHookRule(0, addresses[i]));
        EXPECT_EQ(platform.rules[2 * i + 1], EncodeHookRule(addresses[i], 0));
    }
}

TEST(FirewallHookDriver, TheFirstRefusedRuleEndsTheLoad) {
    // Three addresses give six calls; a failure at any of them stops at once.
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        ASSERT_TRUE(driver.OpenDevice());
        platform.calls.clear();
        platform.failControlAt = k;
        EXPECT_FALSE(
            driver.LoadHookRules({Address(1, 1, 1, 1), Address(2, 2, 2, 2), Address(3, 3, 3, 3)}));
        EXPECT_EQ(platform.calls, std::vector<std::string>(k + 1, kAdd));
    }
}

TEST(FirewallHookDriver, StopDriverPaths) {
    {
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        ASSERT_TRUE(driver.OpenDevice());
        platform.calls.clear();
        EXPECT_EQ(driver.StopDriver(), 0);  // not running: nothing to do
        EXPECT_TRUE(platform.calls.empty());
        EXPECT_TRUE(driver.IsOpen());
    }
    {
        SCOPED_TRACE("stopped");
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
        EXPECT_EQ(driver.StopDriver(), 0);
        const std::vector<std::string> expected = {"open manager",  "open service TestHook",
                                                   "close device",  "stop",
                                                   "close service", "close manager"};
        EXPECT_EQ(platform.calls, expected);
        EXPECT_FALSE(driver.running);
        EXPECT_FALSE(driver.IsOpen());
        EXPECT_TRUE(driver.installed);
    }
    {
        SCOPED_TRACE("no manager");
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
        platform.managerFails = true;
        EXPECT_EQ(driver.StopDriver(), -1);
        EXPECT_EQ(platform.calls, std::vector<std::string>{"open manager"});
        EXPECT_TRUE(driver.running);
        EXPECT_TRUE(driver.IsOpen());
        driver.running = false;
    }
    {
        SCOPED_TRACE("no service");
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
        platform.serviceFails = true;
        EXPECT_EQ(driver.StopDriver(), -2);
        const std::vector<std::string> expected = {"open manager", "open service TestHook",
                                                   "close manager"};
        EXPECT_EQ(platform.calls, expected);
        EXPECT_TRUE(driver.running);
        EXPECT_TRUE(driver.IsOpen());
        driver.running = false;
    }
    {
        SCOPED_TRACE("stop refused");
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
        platform.stopRefused = true;
        EXPECT_EQ(driver.StopDriver(), -7);
        const std::vector<std::string> expected = {"open manager",  "open service TestHook",
                                                   "close device",  "stop",
                                                   "close service", "close manager"};
        EXPECT_EQ(platform.calls, expected);
        EXPECT_TRUE(driver.running);
        EXPECT_FALSE(driver.IsOpen());  // closed before the request, whatever its answer
        driver.running = false;
    }
}

TEST(FirewallHookDriver, UnloadDriverPaths) {
    const std::vector<std::string> stop = {"open manager",  "open service TestHook",
                                           "close device",  "stop",
                                           "close service", "close manager"};
    {
        SCOPED_TRACE("stopped and deleted");
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
        driver.textsOwned = true;
        driver.secondText = "two";
        EXPECT_EQ(driver.UnloadDriver(true), 0);
        std::vector<std::string> expected = stop;
        for (const char* call :
             {"open manager", "open service TestHook", "delete", "close service", "close manager"})
            expected.push_back(call);
        EXPECT_EQ(platform.calls, expected);
        EXPECT_FALSE(driver.running);
        EXPECT_FALSE(driver.installed);
        EXPECT_FALSE(driver.textsOwned);
        EXPECT_FALSE(driver.serviceName || driver.secondText);
    }
    {
        SCOPED_TRACE("kept when not to be removed");
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
        driver.removeOnUnload = false;
        EXPECT_EQ(driver.UnloadDriver(false), 0);
        EXPECT_EQ(platform.calls, stop);
        EXPECT_TRUE(driver.installed);
    }
    {
        SCOPED_TRACE("stop refused: not deleted, texts kept");
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
        driver.textsOwned = true;
        platform.stopRefused = true;
        EXPECT_EQ(driver.UnloadDriver(true), -7);
        EXPECT_EQ(platform.calls, stop);
        EXPECT_TRUE(driver.running);
        EXPECT_TRUE(driver.installed);
        EXPECT_TRUE(driver.textsOwned);
        EXPECT_EQ(driver.serviceName.value_or(""), "TestHook");
        driver.running = false;
    }
    {
        SCOPED_TRACE("delete fails");
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
        platform.deleteFails = true;
        EXPECT_EQ(driver.UnloadDriver(false), -8);
        EXPECT_EQ(platform.calls.size(), stop.size() + 5);
        EXPECT_FALSE(driver.running);
        EXPECT_TRUE(driver.installed);
    }
    {
        SCOPED_TRACE("manager gone after the stop");
        FakePlatform platform;
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
        driver.StopDriver();
        driver.running = true;  // pretend it was started again
        platform.calls.clear();
        platform.managerFails = true;
        EXPECT_EQ(driver.UnloadDriver(false), -1);
        EXPECT_EQ(platform.calls, std::vector<std::string>{"open manager"});
        driver.running = false;
    }
}

TEST(FirewallHookDriver, NeverStartedDeletesNothingButReleasesOwnedTexts) {
    FakePlatform platform;
    {
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        driver.serviceName = "TestHook";
        driver.installed = true;
        driver.textsOwned = true;
        EXPECT_EQ(driver.UnloadDriver(false), 0);
        EXPECT_TRUE(driver.serviceName.has_value());  // not asked to release
        EXPECT_EQ(driver.UnloadDriver(true), 0);
        EXPECT_FALSE(driver.serviceName.has_value());
        EXPECT_FALSE(driver.textsOwned);
        EXPECT_TRUE(driver.installed);
    }
    EXPECT_TRUE(platform.calls.empty());
}

TEST(FirewallHookDriver, DestructorClosesTheDeviceThenUnloads) {
    FakePlatform platform;
    {
        ServiceConnection connection(platform);
        CFirewallHookDriver driver(platform, connection);
        MakeRunning(driver, platform);
    }
    // The device is already closed when the stop runs, so the stop closes nothing more.
    const std::vector<std::string> expected = {
        "close device",  "open manager",  "open service TestHook", "stop",
        "close service", "close manager", "open manager",          "open service TestHook",
        "delete",        "close service", "close manager"};
    EXPECT_EQ(platform.calls, expected);
}

}  // namespace
