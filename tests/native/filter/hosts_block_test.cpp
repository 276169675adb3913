// The blocked names through the service's messages, over a hosts file in memory.
#include <gtest/gtest.h>

#include "filter/HookService.h"
#include "filter/HostsSection.h"
#include "hook/HookPipe.h"
#include "native/filter/fake_filter_engine.h"

namespace {

const std::string kOriginal = "# hosts\r\n127.0.0.1 localhost";

struct Service {
    Service(FakeFilterEngine& e, MemoryHostsStore& h) : hosts(h), service(e, store, clock, log, h) {
        EXPECT_TRUE(service.Startup());
        service.SetUser(kClientUser);
    }
    uint32_t Send(uint32_t code, const std::string& input = std::string()) {
        const auto message =
            EncodeHookRequest(code, input.data(), static_cast<uint32_t>(input.size()));
        return *DecodeHookReply(service.HandleMessage(message.data(), message.size())->data(), 4);
    }
    std::vector<std::string> NamesInFile() const {
        return hosts.text ? StripHostsSection(*hosts.text).names : std::vector<std::string>();
    }
    void TickAfter(uint64_t ms) {
        clock.ms += ms;
        service.Tick();
    }
    MemoryHostsStore& hosts;
    FakeMonotonicClock clock;
    MemoryFailSafeStore store;
    MemoryLog log;
    HookService service;
};

std::string Rule() {
    const HookRuleBytes rule = EncodeHookRule(0, 0x0100007F);
    return std::string(rule.begin(), rule.end());
}

}  // namespace

TEST(HostsBlock, TheSectionLivesWhileStartedAndTheNamesUntilTheClear) {
    FakeFilterEngine engine;
    MemoryHostsStore hosts;
    hosts.text = kOriginal;
    Service s(engine, hosts);
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "Example.com"), kHookStatusOk);
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "example.COM"), kHookStatusOk) << "held already";
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "a.com\r\n0.0.0.0 b.com"), kHookStatusFailed);
    EXPECT_EQ(hosts.text, kOriginal) << "not before the start";
    EXPECT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "www.example.com"), kHookStatusOk);
    EXPECT_EQ(s.NamesInFile(), (std::vector<std::string>{"example.com", "www.example.com"}));
    EXPECT_EQ(s.Send(IOCTL_HOOK_STOP), kHookStatusOk);
    EXPECT_EQ(hosts.text, kOriginal);
    EXPECT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    EXPECT_EQ(s.NamesInFile().size(), 2u) << "kept over the stop";
    EXPECT_EQ(s.Send(IOCTL_HOOK_CLEAR_RULES), kHookStatusOk);
    EXPECT_EQ(hosts.text, kOriginal);
    EXPECT_EQ(hosts.flushes, 5) << "after each change";
    EXPECT_EQ(s.Send(IOCTL_HOOK_STOP), kHookStatusOk);
    EXPECT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    EXPECT_EQ(hosts.text, kOriginal) << "forgotten at the clear";

    ASSERT_EQ(s.Send(IOCTL_HOOK_STOP), kHookStatusOk);
    for (size_t i = 0; s.service.hosts().names().size() < kMaxBlockedNames; ++i)
        ASSERT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "n" + std::to_string(i) + ".com"), kHookStatusOk);
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "one-more.com"), kHookStatusFailed);
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "n0.com"), kHookStatusOk);
    EXPECT_TRUE(s.log.lines.empty());
}

// Someone takes our lines out or locks the file during a session.
TEST(HostsBlock, TheSectionIsPutBackWithinSecondsKeepingOtherEdits) {
    FakeFilterEngine engine;
    MemoryHostsStore hosts;
    hosts.text = kOriginal;
    Service s(engine, hosts);
    ASSERT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "example.com"), kHookStatusOk);
    ASSERT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    const std::string written = *hosts.text;

    const std::string edited = kOriginal + "\r\n10.0.0.1 intranet\r\n";
    hosts.Edit(edited);
    s.TickAfter(0);
    EXPECT_EQ(hosts.text, edited) << "not looked at more often than every few seconds";
    s.TickAfter(kHostsCheckMs);
    EXPECT_EQ(s.NamesInFile(), std::vector<std::string>{"example.com"});
    EXPECT_EQ(StripHostsSection(*hosts.text).text, edited);

    const int writes = hosts.writes;
    s.TickAfter(kHostsCheckMs);
    EXPECT_EQ(hosts.writes, writes) << "an unchanged file is not rewritten";

    hosts.failRead = true;  // never written unread; one report for the retries
    hosts.Edit(kOriginal);
    s.TickAfter(kHostsCheckMs);
    s.TickAfter(kHostsCheckMs);
    EXPECT_EQ(hosts.text, kOriginal);
    EXPECT_EQ(s.log.lines.size(), 1u);
    hosts.failRead = false;
    s.TickAfter(kHostsCheckMs);
    EXPECT_EQ(hosts.text, written);

    const HookTimeBytes time = EncodeHookTime(0);  // and the fail-safe's clear takes them out
    ASSERT_EQ(s.Send(IOCTL_HOOK_SET_REMAINING, std::string(time.begin(), time.end())),
              kHookStatusOk);
    s.TickAfter(kFailSafeGraceSeconds * 1000);
    EXPECT_EQ(hosts.text, kOriginal);
}

// A restarted service finds its names in the file; one that finds no session
// takes them out; a file that only our lines made goes.
TEST(HostsBlock, ARestartFindsTheNamesOfASessionAndRemovesThoseOfNone) {
    for (bool session : {true, false}) {
        SCOPED_TRACE(session);
        FakeFilterEngine engine;
        MemoryHostsStore hosts;
        {
            Service first(engine, hosts);
            ASSERT_EQ(first.Send(IOCTL_HOOK_ADD_RULE, Rule()), kHookStatusOk);
            ASSERT_EQ(first.Send(IOCTL_HOOK_ADD_NAME, "example.com"), kHookStatusOk);
            ASSERT_EQ(first.Send(IOCTL_HOOK_START), kHookStatusOk);
        }
        if (!session)
            engine.filters.clear();  // an administrator removed our filters meanwhile
        Service second(engine, hosts);
        EXPECT_EQ(second.NamesInFile().size(), session ? 1u : 0u);
        EXPECT_EQ(second.service.hosts().names().size(), session ? 1u : 0u);
        EXPECT_EQ(second.Send(IOCTL_HOOK_CLEAR_RULES), kHookStatusOk);
        EXPECT_FALSE(hosts.text) << "the file was not there before";
    }
}
