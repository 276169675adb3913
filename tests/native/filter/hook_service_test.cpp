#include <gtest/gtest.h>

#include "filter/HookService.h"
#include "hook/HookPipe.h"
#include "native/filter/fake_filter_engine.h"

namespace {

struct Service {
    FakeFilterEngine engine;
    FakeMonotonicClock clock;
    MemoryFailSafeStore store;
    MemoryLog log;
    MemoryHostsStore hosts;
    HookService service{engine, store, clock, log, hosts, 4};
};

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> b) { return b; }

std::vector<uint8_t> WithCode(uint32_t code, size_t inputLength, uint8_t fill = 0) {
    std::vector<uint8_t> input(inputLength, fill);
    return EncodeHookRequest(code, input.data(), static_cast<uint32_t>(input.size()));
}

}  // namespace

TEST(HookService, AnswersEveryMalformedMessageWithAFailure) {
    const struct {
        const char* name;
        std::vector<uint8_t> message;
    } cases[] = {
        {"empty", {}},
        {"short code", Bytes({0xC0, 0x20, 0x22})},
        {"unknown code", WithCode(0x232220D8, 0)},
        {"device code of another function", WithCode(0x2322A0C9, 28)},
        {"start with input", WithCode(IOCTL_HOOK_START, 1)},
        {"add one byte short", WithCode(IOCTL_HOOK_ADD_RULE, 27)},
        {"add one byte long", WithCode(IOCTL_HOOK_ADD_RULE, 29)},
        {"add6 with an IPv4 rule", WithCode(IOCTL_HOOK_ADD_RULE6, 28)},
        {"time short", WithCode(IOCTL_HOOK_SET_REMAINING, 7)},
        {"negative time", WithCode(IOCTL_HOOK_SET_REMAINING, 8, 0x80)},
        {"add6 prefix 255", WithCode(IOCTL_HOOK_ADD_RULE6, 44, 0xFF)},
    };
    Service s;
    ASSERT_TRUE(s.service.Startup());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto reply = s.service.HandleMessage(c.message.data(), c.message.size());
        ASSERT_TRUE(reply);
        EXPECT_EQ(DecodeHookReply(reply->data(), reply->size()), kHookStatusFailed);
    }
    EXPECT_EQ(s.service.hook().ruleCount(), 0u);
    EXPECT_FALSE(s.store.text);
    // Still serving: a good request succeeds afterwards.
    const auto start = WithCode(IOCTL_HOOK_START, 0);
    const auto reply = s.service.HandleMessage(start.data(), start.size());
    ASSERT_TRUE(reply);
    EXPECT_EQ(DecodeHookReply(reply->data(), reply->size()), kHookStatusOk);
}

TEST(HookService, ClosesTheConnectionOnAMessageLongerThanAnyRequest) {
    Service s;
    ASSERT_TRUE(s.service.Startup());
    const auto longest = WithCode(IOCTL_HOOK_ADD_NAME, kHookMaxTextInput);
    ASSERT_EQ(longest.size(), kHookMaxRequestSize);
    std::vector<uint8_t> longer = longest;
    longer.push_back(0);
    EXPECT_FALSE(s.service.HandleMessage(longer.data(), longer.size()));
    EXPECT_TRUE(s.service.HandleMessage(longest.data(), longest.size()));
}

TEST(HookService, ServesNobodyWhenTheEngineRefusesOurProvider) {
    Service s;
    s.engine.failProvider = true;
    EXPECT_FALSE(s.service.Startup());
    ASSERT_EQ(s.log.lines.size(), 1u);
}

TEST(ClientCheck, ComparesPathsWithoutRegardToCase) {
    const struct {
        const wchar_t* image;
        const wchar_t* registered;
        bool accepted;
    } cases[] = {
        {L"C:\\Program Files\\Hushwall\\Hushwall.exe", L"C:\\Program Files\\Hushwall\\Hushwall.exe", true},
        {L"c:\\program files\\hushwall\\HUSHWALL.EXE", L"C:\\Program Files\\Hushwall\\Hushwall.exe", true},
        {L"C:\\Users\\Zo\u00EB\\Hushwall.exe", L"C:\\USERS\\ZO\u00CB\\HUSHWALL.EXE", true},
        {L"C:\\Hushwall\\Hushwall.exe", L"C:\\Hushwall\\Hushwall.ex", false},
        {L"C:\\Hushwall\\Hushwall.exe ", L"C:\\Hushwall\\Hushwall.exe", false},
        {L"C:\\Hushwall\\Evil.exe", L"C:\\Hushwall\\Hushwall.exe", false},
        {L"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe", L"", false},
        {L"", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.image)));
        EXPECT_EQ(IsRegisteredClient(c.image, c.registered), c.accepted);
    }
}

TEST(HookServiceClient, TheFileAtThePathMustBeTheRegisteredOne) {
    const std::wstring path = L"C:\\Users\\Zo\\AppData\\Local\\Programs\\Hushwall\\Hushwall.exe";
    const FileDigest registered(32, 0xAB);
    FileDigest replaced = registered;
    replaced[31] ^= 1;
    const struct {
        const char* name;
        std::wstring image;
        FileDigest imageDigest;
        FileDigest registeredDigest;
        bool accepted;
    } cases[] = {
        {"the registered file", path, registered, registered, true},
        {"another program put in its place", path, replaced, registered, false},
        {"the file could not be read", path, {}, registered, false},
        {"no digest recorded", path, {}, {}, false},
        {"a short digest recorded", path, FileDigest(4, 0xAB), FileDigest(4, 0xAB), false},
        {"the right file elsewhere", L"C:\\Temp\\Hushwall.exe", registered, registered, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsRegisteredClient(c.image, c.imageDigest, path, c.registeredDigest), c.accepted);
    }
}
