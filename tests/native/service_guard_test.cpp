#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "hook/HookPipe.h"
#include "websites/ServiceGuard.h"

namespace {

// Answers each code with the status it is given; records the codes and texts.
class StatusPlatform : public DriverPlatform {
public:
    std::map<uint32_t, std::optional<uint32_t>> status;
    std::vector<std::string> sent;

    Handle OpenManager() override { return nullptr; }
    Handle OpenDriverService(Handle, const std::string&) override { return nullptr; }
    bool StopService(Handle) override { return false; }
    bool RemoveService(Handle) override { return false; }
    void CloseService(Handle) override {}
    Handle OpenDevice(const std::string&) override { return this; }
    bool Control(Handle device, uint32_t code, const void* input, uint32_t length) override {
        return ControlStatus(device, code, input, length) == std::optional<uint32_t>(0);
    }
    std::optional<uint32_t> ControlStatus(Handle, uint32_t code, const void* input, uint32_t length) override {
        const char* text = static_cast<const char*>(input);
        if (code == IOCTL_HOOK_GUARD_PROGRAM)
            sent.push_back(std::string(text, length));
        else if (code == IOCTL_HOOK_GUARD_START) {
            HookTimeBytes time;
            std::memcpy(time.data(), input, time.size());
            sent.push_back("start " + std::to_string(DecodeHookTime(time)));
        }
        else
            sent.push_back("code " + std::to_string(code));
        const auto found = status.find(code);
        return found == status.end() ? std::optional<uint32_t>(kHookStatusOk) : found->second;
    }
    void CloseDevice(Handle) override {}
};

}  // namespace

TEST(ServiceGuard, SendsThePathsThenTheStartAndReadsTheReply) {
    using Reply = SessionGuardClient::Reply;
    const std::string tooLong(kHookMaxTextInput + 1, 'x');
    const struct {
        const char* name;
        std::optional<uint32_t> programStatus, startStatus;
        Reply reply;
        std::vector<std::string> sent;
    } cases[] = {
        {"guarded", 0, 0, Reply::Guarded, {"C:\\a.exe", "C:\\b.exe", "start 90"}},
        {"unbounded", 0, kHookStatusUnbounded, Reply::Unbounded, {"C:\\a.exe", "C:\\b.exe", "start 90"}},
        {"an older service", kHookStatusFailed, 0, Reply::Refused, {"C:\\a.exe"}},
        {"no reply to the start", 0, std::nullopt, Reply::Refused, {"C:\\a.exe", "C:\\b.exe", "start 90"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StatusPlatform platform;
        CFirewallHookDriver driver(platform);
        ASSERT_TRUE(driver.OpenDevice());
        platform.status[IOCTL_HOOK_GUARD_PROGRAM] = c.programStatus;
        platform.status[IOCTL_HOOK_GUARD_START] = c.startStatus;
        ServiceGuard guard(driver);
        EXPECT_EQ(guard.StartGuard({"C:\\a.exe", tooLong, "C:\\b.exe"}, 90), c.reply);
        EXPECT_EQ(platform.sent, c.sent);
    }
    StatusPlatform platform;
    CFirewallHookDriver driver(platform);
    ASSERT_TRUE(driver.OpenDevice());
    ServiceGuard guard(driver);
    EXPECT_EQ(guard.StartGuard({}, std::nullopt), Reply::Guarded);
    guard.EndGuard();
    EXPECT_EQ(platform.sent, (std::vector<std::string>{"start -1", "code " + std::to_string(IOCTL_HOOK_GUARD_END)}));
}
