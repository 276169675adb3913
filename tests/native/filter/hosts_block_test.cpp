// The blocked names through the service's messages, over a hosts file in memory.
#include <gtest/gtest.h>

#include "filter/HookService.h"
#include "filter/HostsSection.h"
#include "hook/HookPipe.h"
#include "native/filter/fake_filter_engine.h"

namespace {

const std::string kOriginal = "# hosts\r\n127.0.0.1 localhost";

struct Service {
    explicit Service(FakeFilterEngine& e, MemoryHostsStore& h) : engine(e), hosts(h) {}
    FakeFilterEngine& engine;
    MemoryHostsStore& hosts;
    FakeMonotonicClock clock;
    MemoryFailSafeStore store;
    MemoryLog log;
    HookService service{engine, store, clock, log, hosts};

    uint32_t Send(uint32_t code, const std::string& input = std::string()) {
        const auto message = EncodeHookRequest(code, input.data(), static_cast<uint32_t>(input.size()));
        const auto reply = service.HandleMessage(message.data(), message.size());
        return reply ? *DecodeHookReply(reply->data(), reply->size()) : 99;
    }
    uint32_t AddRule() {
        const HookRuleBytes rule = EncodeHookRule(0, 0x0100007F);
        return Send(IOCTL_HOOK_ADD_RULE, std::string(rule.begin(), rule.end()));
    }
    std::vector<std::string> NamesInFile() const {
        return hosts.text ? StripHostsSection(*hosts.text).names : std::vector<std::string>();
    }
};

}  // namespace

TEST(HostsBlock, TheSectionLivesWhileStartedAndTheNamesUntilTheClear) {
    FakeFilterEngine engine;
    MemoryHostsStore hosts;
    hosts.text = kOriginal;
    Service s(engine, hosts);
    ASSERT_TRUE(s.service.Startup());
    EXPECT_EQ(hosts.writes, 0);

    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "Example.com"), kHookStatusOk);
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "example.COM"), kHookStatusOk) << "held already";
    EXPECT_EQ(hosts.text, kOriginal) << "not before the start";
    EXPECT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    EXPECT_EQ(s.NamesInFile(), std::vector<std::string>{"example.com"});
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "www.example.com"), kHookStatusOk);
    EXPECT_EQ(s.NamesInFile(), (std::vector<std::string>{"example.com", "www.example.com"}));
    EXPECT_EQ(hosts.flushes, 2);

    EXPECT_EQ(s.Send(IOCTL_HOOK_STOP), kHookStatusOk);
    EXPECT_EQ(hosts.text, kOriginal);
    EXPECT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    EXPECT_EQ(s.NamesInFile().size(), 2u) << "kept over the stop";
    EXPECT_EQ(s.Send(IOCTL_HOOK_CLEAR_RULES), kHookStatusOk);
    EXPECT_EQ(hosts.text, kOriginal);
    EXPECT_EQ(hosts.flushes, 5);
    EXPECT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    EXPECT_EQ(hosts.text, kOriginal) << "forgotten at the clear";
    EXPECT_TRUE(s.log.lines.empty());
}

TEST(HostsBlock, RefusesWhatIsNoHostNameAndNamesPastTheCap) {
    FakeFilterEngine engine;
    MemoryHostsStore hosts;
    hosts.text = kOriginal;
    Service s(engine, hosts);
    ASSERT_TRUE(s.service.Startup());
    for (const std::string bad : {"a.com\r\n0.0.0.0 b.com", "a.com #", "a b", "%00", "a.com.", "\xE4.de"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, bad), kHookStatusFailed);
    }
    for (size_t i = 0; s.service.hosts().names().size() < kMaxBlockedNames; ++i)
        ASSERT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "n" + std::to_string(i) + ".com"), kHookStatusOk);
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "one-more.com"), kHookStatusFailed);
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "n0.com"), kHookStatusOk);
    ASSERT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    EXPECT_EQ(s.NamesInFile().size(), kMaxBlockedNames);
    EXPECT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "a.com\r\n0.0.0.0 b.com"), kHookStatusFailed);
    EXPECT_EQ(StripHostsSection(*hosts.text).text, kOriginal);
}

TEST(HostsBlock, TheFailSafesClearTakesTheNamesOut) {
    FakeFilterEngine engine;
    MemoryHostsStore hosts;
    hosts.text = kOriginal;
    Service s(engine, hosts);
    ASSERT_TRUE(s.service.Startup());
    ASSERT_EQ(s.AddRule(), kHookStatusOk);
    ASSERT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "example.com"), kHookStatusOk);
    ASSERT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    const HookTimeBytes time = EncodeHookTime(0);
    ASSERT_EQ(s.Send(IOCTL_HOOK_SET_REMAINING, std::string(time.begin(), time.end())), kHookStatusOk);
    s.clock.ms += kFailSafeGraceSeconds * 1000;
    s.service.Tick();
    EXPECT_EQ(engine.OurFilterCount(), 0u);
    EXPECT_EQ(hosts.text, kOriginal);
}

// Someone takes our lines out or edits the file during a session.
TEST(HostsBlock, TheSectionIsPutBackWithinSecondsKeepingOtherEdits) {
    FakeFilterEngine engine;
    MemoryHostsStore hosts;
    hosts.text = kOriginal;
    Service s(engine, hosts);
    ASSERT_TRUE(s.service.Startup());
    ASSERT_EQ(s.Send(IOCTL_HOOK_ADD_NAME, "example.com"), kHookStatusOk);
    ASSERT_EQ(s.Send(IOCTL_HOOK_START), kHookStatusOk);
    const std::string written = *hosts.text;

    hosts.Edit(kOriginal + "\r\n10.0.0.1 intranet\r\n");
    s.service.Tick();
    EXPECT_TRUE(s.NamesInFile().empty()) << "not looked at more often than every few seconds";
    s.clock.ms += kHostsCheckMs;
    s.service.Tick();
    EXPECT_EQ(s.NamesInFile(), std::vector<std::string>{"example.com"});
    EXPECT_EQ(StripHostsSection(*hosts.text).text, kOriginal + "\r\n10.0.0.1 intranet\r\n");

    hosts.Edit(std::nullopt);  // the file deleted
    s.clock.ms += kHostsCheckMs;
    s.service.Tick();
    EXPECT_EQ(s.NamesInFile(), std::vector<std::string>{"example.com"});
    s.clock.ms += kHostsCheckMs;
    const int before = hosts.writes;
    s.service.Tick();
    EXPECT_EQ(hosts.writes, before) << "an unchanged file is not rewritten";

    hosts.failRead = true;  // locked by another program: one report, no write
    hosts.Edit(kOriginal);
    s.clock.ms += kHostsCheckMs;
    s.service.Tick();
    s.clock.ms += kHostsCheckMs;
    s.service.Tick();
    EXPECT_EQ(hosts.text, kOriginal);
    EXPECT_EQ(s.log.lines.size(), 1u);
    hosts.failRead = false;
    s.clock.ms += kHostsCheckMs;
    s.service.Tick();
    EXPECT_EQ(hosts.text, written);
    EXPECT_EQ(s.Send(IOCTL_HOOK_CLEAR_RULES), kHookStatusOk);
    EXPECT_EQ(hosts.text, kOriginal);
}

// A restarted service finds its names in the file; one that finds no session
// takes them out; a file that only our lines made goes.
TEST(HostsBlock, ARestartFindsTheNamesOfASessionAndRemovesThoseOfNone) {
    for (bool session : {true, false}) {
        SCOPED_TRACE(session);
        FakeFilterEngine engine;
        MemoryHostsStore hosts;  // no file before the session
        {
            Service first(engine, hosts);
            ASSERT_TRUE(first.service.Startup());
            ASSERT_EQ(first.AddRule(), kHookStatusOk);
            ASSERT_EQ(first.Send(IOCTL_HOOK_ADD_NAME, "example.com"), kHookStatusOk);
            ASSERT_EQ(first.Send(IOCTL_HOOK_START), kHookStatusOk);
            ASSERT_TRUE(hosts.text);
        }
        if (!session)
            engine.filters.clear();  // as if an administrator had removed our filters meanwhile
        Service second(engine, hosts);
        ASSERT_TRUE(second.service.Startup());
        EXPECT_EQ(second.service.hook().started(), session);
        EXPECT_EQ(second.NamesInFile(), session ? std::vector<std::string>{"example.com"} : std::vector<std::string>{});
        EXPECT_EQ(second.service.hosts().names().size(), session ? 1u : 0u);
        EXPECT_EQ(second.Send(IOCTL_HOOK_CLEAR_RULES), kHookStatusOk);
        EXPECT_FALSE(hosts.text) << "the file was not there before";
    }
}
