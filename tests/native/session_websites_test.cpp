#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>
#include <set>
#include <string>
#include <vector>

#include "websites/SessionWebsites.h"
#include "pipe_only_platform.h"

namespace {

// Answers every request on an open connection, refusing the codes in `refused`
// from the `refuseFrom`-th request of that code on (0-based).
class RecordingPlatform : public PipeOnlyPlatform {
public:
    struct Request {
        uint32_t code;
        std::vector<uint8_t> input;
    };
    std::vector<Request> requests;
    std::set<uint32_t> refused;
    int refuseFrom = 0;

    bool Control(Handle, uint32_t code, const void* input, uint32_t length) override {
        const uint8_t* bytes = static_cast<const uint8_t*>(input);
        int earlier = 0;
        for (const Request& r : requests)
            earlier += r.code == code;
        requests.push_back({code, std::vector<uint8_t>(bytes, bytes + length)});
        return !(refused.count(code) && earlier >= refuseFrom);
    }

    std::vector<uint32_t> Codes() const {
        std::vector<uint32_t> codes;
        for (const Request& r : requests)
            codes.push_back(r.code);
        return codes;
    }
};

class NoResolver : public HostResolver {
public:
    bool Start() override { return true; }
    void Cleanup() override {}
    std::vector<uint32_t> Lookup(const std::string&) override { return {}; }
    std::vector<Ipv6Address> Lookup6(const std::string&) override { return {}; }
};

class NoCracker : public UrlCracker {
public:
    bool CrackHost(const std::string&, std::string&) override { return false; }
};

Ipv6Address V6(uint8_t last) {
    Ipv6Address a = {0x20, 0x01, 0x0d, 0xb8};
    a[15] = last;
    return a;
}

class SessionWebsitesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(driver.OpenDevice()); }

    RecordingPlatform platform;
    ServiceConnection connection{platform};
    CFirewallHookDriver driver{platform, connection};
    NoCracker cracker;
    SessionWebsites steps{driver, nullptr, "", std::make_shared<NoResolver>(), cracker, nullptr};
    const AddressList list{{0x0100000A, 0x0200000A}, {V6(1), V6(2), V6(3)}};
};

TEST_F(SessionWebsitesTest, IPv4ThenIPv6RulesThenStartThenTheTimeLeft) {
    ASSERT_TRUE(steps.LoadHookRules(list));
    ASSERT_TRUE(steps.SendDriverControl(DriverControl::Start));
    steps.SendRemainingTime(600);

    const uint32_t a4 = IOCTL_HOOK_ADD_RULE, a6 = IOCTL_HOOK_ADD_RULE6;
    EXPECT_EQ(platform.Codes(),
              (std::vector<uint32_t>{a4, a4, a4, a4, a6, a6, a6, a6, a6, a6, IOCTL_HOOK_START,
                                     IOCTL_HOOK_SET_REMAINING}));
    // Each IPv6 address as destination, then as source; the other side is "any".
    const Ipv6Address any = {};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        HookRule6Bytes to, from;
        ASSERT_EQ(platform.requests[4 + 2 * i].input.size(), kHookRule6Size);
        ASSERT_EQ(platform.requests[5 + 2 * i].input.size(), kHookRule6Size);
        std::memcpy(to.data(), platform.requests[4 + 2 * i].input.data(), kHookRule6Size);
        std::memcpy(from.data(), platform.requests[5 + 2 * i].input.data(), kHookRule6Size);
        EXPECT_EQ(DecodeHookRule6(to).destinationAddress, list.ipv6[i]);
        EXPECT_EQ(DecodeHookRule6(to).sourceAddress, any);
        EXPECT_EQ(DecodeHookRule6(from).sourceAddress, list.ipv6[i]);
        EXPECT_EQ(DecodeHookRule6(from).destinationAddress, any);
        EXPECT_EQ(DecodeHookRule6(to).drop, 1);
    }
    const HookTimeBytes time = EncodeHookTime(600);
    EXPECT_EQ(platform.requests.back().input, std::vector<uint8_t>(time.begin(), time.end()));
}

TEST_F(SessionWebsitesTest, ARefusedIPv6RuleLeavesTheRestOutButNotIPv4) {
    for (int from : {0, 1, 3}) {
        SCOPED_TRACE(from);
        platform.requests.clear();
        platform.refused = {IOCTL_HOOK_ADD_RULE6};
        platform.refuseFrom = from;
        EXPECT_TRUE(steps.LoadHookRules(list));
        const std::vector<uint32_t> codes = platform.Codes();
        // Stops at the refused request: `from` accepted, one refused, none after.
        EXPECT_EQ(std::count(codes.begin(), codes.end(), IOCTL_HOOK_ADD_RULE6), from + 1);
        EXPECT_EQ(codes.back(), IOCTL_HOOK_ADD_RULE6);
        EXPECT_EQ(std::count(codes.begin(), codes.end(), IOCTL_HOOK_ADD_RULE), 4);
    }
    // A refused IPv4 rule still fails the whole load, before any IPv6 rule.
    platform.requests.clear();
    platform.refused = {IOCTL_HOOK_ADD_RULE};
    platform.refuseFrom = 1;
    EXPECT_FALSE(steps.LoadHookRules(list));
    EXPECT_EQ(platform.Codes(), (std::vector<uint32_t>{IOCTL_HOOK_ADD_RULE, IOCTL_HOOK_ADD_RULE}));
}

TEST_F(SessionWebsitesTest, NamesGoOneARequestUntilTheFirstRefusal) {
    steps.SendNames({"a.example", "www.a.example", "b.example"});
    ASSERT_EQ(platform.Codes(), std::vector<uint32_t>(3, IOCTL_HOOK_ADD_NAME));
    const std::vector<uint8_t> second = platform.requests[1].input;
    EXPECT_EQ(std::string(second.begin(), second.end()), "www.a.example") << "no terminator";
    platform.requests.clear();
    platform.refused = {IOCTL_HOOK_ADD_NAME};
    platform.refuseFrom = 0;
    steps.SendNames({"a.example", "b.example"});
    EXPECT_EQ(platform.requests.size(), 1u);
}

// Answers two of the four names, one with a loopback address among its answers.
class EchoResolver : public NoResolver {
public:
    std::vector<uint32_t> Lookup(const std::string& name) override {
        if (name == "www.b.example")
            return {0x0100000A, 0x0300000A};
        return name == "a.example" ? std::vector<uint32_t>{0x0300000A, 0x0100007F}
                                   : std::vector<uint32_t>{};
    }
};

class HostCracker : public UrlCracker {
public:
    bool CrackHost(const std::string& url, std::string& host) override {
        host = url;
        return true;
    }
};

TEST_F(SessionWebsitesTest, LookupsHandTheMergedAddressesAndNamesOverWithTheirTicket) {
    HostCracker hosts;
    std::promise<std::pair<uint64_t, WebsiteTargets>> got;
    SessionWebsites lookups{driver,
                            [] {
                                return EntryList{{"a.example", "", true}, {"b.example", "", true}};
                            },
                            "",
                            std::make_shared<EchoResolver>(),
                            hosts,
                            [&](uint64_t ticket, WebsiteTargets targets) {
                                got.set_value({ticket, std::move(targets)});
                            }};
    lookups.StartLookups(7);
    std::future<std::pair<uint64_t, WebsiteTargets>> outcome = got.get_future();
    ASSERT_EQ(outcome.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const auto [ticket, targets] = outcome.get();
    EXPECT_EQ(ticket, 7u);
    EXPECT_EQ(targets.addresses.ipv4, (std::vector<uint32_t>{0x0300000A, 0x0100000A}))
        << "in site order, loopback left out";
    EXPECT_EQ(targets.names, (std::vector<std::string>{"a.example", "www.a.example", "b.example",
                                                       "www.b.example"}));
}

TEST_F(SessionWebsitesTest, NoEndIsSentAsUnbounded) {
    steps.SendRemainingTime(std::nullopt);
    const HookTimeBytes unbounded = EncodeHookTime(kHookUnbounded);
    ASSERT_EQ(platform.requests.size(), 1u);
    EXPECT_EQ(platform.requests[0].code, IOCTL_HOOK_SET_REMAINING);
    EXPECT_EQ(platform.requests[0].input, std::vector<uint8_t>(unbounded.begin(), unbounded.end()));
}

}  // namespace
