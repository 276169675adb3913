#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "hook/HookPipe.h"
#include "serviceclient/ServiceGuard.h"
#include "pipe_only_platform.h"

namespace {

// Records each request's code and input length; answers a code with the status it is given.
struct StatusPlatform : PipeOnlyPlatform {
    std::map<uint32_t, std::optional<uint32_t>> status;
    std::vector<std::string> sent;

    bool Control(Handle, uint32_t, const void*, uint32_t) override { return false; }
    std::optional<uint32_t> ControlStatus(Handle, uint32_t code, const void*, uint32_t length) override {
        sent.push_back(std::to_string(code - IOCTL_HOOK_GUARD_PROGRAM) + ":" + std::to_string(length));
        return status.count(code) ? status[code] : std::optional<uint32_t>(kHookStatusOk);
    }
};

}  // namespace

TEST(ServiceGuard, SendsThePathsThenTheStartAndReadsTheReply) {
    using Reply = SessionGuardClient::Reply;
    // Codes as offsets from the program code: 0 program, 4 start, 8 end.
    const struct {
        const char* name;
        std::optional<uint32_t> programStatus, startStatus;
        Reply reply;
        std::vector<std::string> sent;
    } cases[] = {
        {"guarded", 0, 0, Reply::Guarded, {"0:8", "0:1", "4:8"}},
        {"unbounded", 0, kHookStatusUnbounded, Reply::Unbounded, {"0:8", "0:1", "4:8"}},
        {"an older service", kHookStatusFailed, 0, Reply::Refused, {"0:8"}},
        {"no reply to the start", 0, std::nullopt, Reply::Refused, {"0:8", "0:1", "4:8"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StatusPlatform platform;
        platform.status = {{IOCTL_HOOK_GUARD_PROGRAM, c.programStatus}, {IOCTL_HOOK_GUARD_START, c.startStatus}};
        CFirewallHookDriver driver(platform);
        ASSERT_TRUE(driver.OpenDevice());
        ServiceGuard guard(driver);
        // A path longer than the code carries is left to the program's own sweep.
        EXPECT_EQ(guard.StartGuard({"C:\\a.exe", std::string(kHookMaxTextInput + 1, 'x'), "b"}, 90), c.reply);
        guard.EndGuard();
        std::vector<std::string> sent = c.sent;
        sent.push_back("8:0");
        EXPECT_EQ(platform.sent, sent);
    }
}
