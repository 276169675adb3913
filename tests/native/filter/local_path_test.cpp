#include <gtest/gtest.h>

#include "filter/HookService.h"
#include "filter/LocalPath.h"
#include "native/filter/fake_filter_engine.h"

TEST(LocalPath, OnlyAbsolutePathsOnALocalDriveLetterPass) {
    const struct {
        const char* path;
        bool local;
    } cases[] = {
        {"C:\\Games\\game.exe", true},
        {"z:\\x.exe", true},
        {"C:\\Program Files\\A\\..\\B\\b.exe", true},
        {"C:\\a/b.exe", true},  // the system reads a slash as a backslash
        {"C:\\Games\\console.exe", true},
        {"C:\\Games\\com10.exe", true},
        {"\\\\server\\share\\game.exe", false},
        {"//server/share/game.exe", false},
        {"\\/server\\share\\game.exe", false},
        {"\\\\?\\UNC\\server\\share\\game.exe", false},
        {"\\\\?\\C:\\Games\\game.exe", false},
        {"\\\\.\\C:\\Games\\game.exe", false},
        {"\\\\.\\pipe\\HushwallFilter", false},
        {"\\??\\C:\\Games\\game.exe", false},
        {"\\Games\\game.exe", false},
        {"Games\\game.exe", false},
        {"C:Games\\game.exe", false},
        {"C:/Games/game.exe", false},
        {"1:\\game.exe", false},
        {"C:\\", false},
        {"", false},
        {"C:\\Games\\game.exe:stream", false},
        {"C:\\Games\\game.exe::$DATA", false},
        {"C:\\Games\\CON", false},
        {"C:\\Games\\nul.txt", false},
        {"C:\\Games\\Com1 .exe", false},
        {"C:\\LPT9\\x.exe", false},
        {"C:\\Games\\game\n.exe", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsLocalDrivePath(std::string(c.path)), c.local) << c.path;
        const std::string narrow(c.path);
        EXPECT_EQ(IsLocalDrivePath(std::wstring(narrow.begin(), narrow.end())), c.local) << c.path;
    }
    EXPECT_FALSE(IsLocalDrivePath(std::string("C:\\Games\\game.exe\0.txt", 22)));
}

namespace {

struct NoProcesses : GuardPlatform {
    std::vector<uint32_t> FindBlocked(const std::vector<std::string>&, uint32_t) override { return {}; }
    void ReleaseSweeps() override {}
    bool EndProcess(uint32_t) override { return false; }
    SessionState QuerySession(uint32_t) override { return SessionState::LoggedOn; }
    bool StartProgram(uint32_t) override { return false; }
};

}  // namespace

TEST(LocalPath, TheServiceRefusesAGuardedProgramOffTheLocalDrives) {
    FakeFilterEngine engine;
    FakeMonotonicClock clock;
    MemoryFailSafeStore store;
    MemoryLog log;
    MemoryHostsStore hosts;
    FakeClock wall{0};
    NoProcesses platform;
    SessionGuard guard(platform, wall, clock);
    HookService service(engine, store, clock, log, hosts);
    service.SetGuard(&guard);
    service.ClientConnected(500, 1);
    auto send = [&](const std::string& input, uint32_t code = IOCTL_HOOK_GUARD_PROGRAM) {
        const auto message = EncodeHookRequest(code, input.data(), static_cast<uint32_t>(input.size()));
        const auto reply = service.HandleMessage(message.data(), message.size());
        return DecodeHookReply(reply->data(), reply->size());
    };
    EXPECT_EQ(send("\\\\server\\share\\game.exe"), kHookStatusFailed);
    EXPECT_EQ(send("C:\\Games\\game.exe"), kHookStatusOk);
    const HookTimeBytes time = EncodeHookTime(60);
    EXPECT_EQ(send(std::string(time.begin(), time.end()), IOCTL_HOOK_GUARD_START), kHookStatusOk);
    EXPECT_EQ(guard.programs(), std::vector<std::string>{"C:\\Games\\game.exe"});
}
