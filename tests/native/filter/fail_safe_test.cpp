#include <gtest/gtest.h>

#include "filter/FailSafe.h"
#include "filter/HookService.h"
#include "hook/HookPipe.h"
#include "native/filter/fake_filter_engine.h"

namespace {

constexpr uint64_t kSecond = 1000;
constexpr int64_t kGrace = 15 * 60;

std::vector<uint8_t> Request(uint32_t code, const void* input = nullptr, uint32_t length = 0) {
    return EncodeHookRequest(code, input, length);
}

uint32_t Status(HookService& service, const std::vector<uint8_t>& message) {
    const auto reply = service.HandleMessage(message.data(), message.size());
    EXPECT_TRUE(reply);
    if (!reply)
        return 99;
    return *DecodeHookReply(reply->data(), reply->size());
}

}  // namespace

TEST(FailSafe, FiresAtTheRemainderPlusTheGraceAndNotBefore) {
    for (int64_t remaining : {0, 59, 3600, 7 * 86400}) {
        SCOPED_TRACE(remaining);
        FakeMonotonicClock clock;
        MemoryFailSafeStore store;
        FailSafe failSafe(store, clock);
        ASSERT_TRUE(failSafe.Set(remaining));
        clock.ms += (remaining + kGrace) * kSecond - 1;
        EXPECT_FALSE(failSafe.Expired());
        clock.ms += 1;
        EXPECT_TRUE(failSafe.Expired());
    }
}

TEST(FailSafe, ARestartResumesTheCountAndTimeOffDoesNotCount) {
    FakeMonotonicClock clock;
    MemoryFailSafeStore store;
    {
        FailSafe before(store, clock);
        ASSERT_TRUE(before.Set(3600));
        clock.ms += 1000 * kSecond;
        EXPECT_FALSE(before.Expired());  // keeps the file current
    }
    // The machine was off for a day; its tick count starts again from zero.
    clock.ms = 0;
    FailSafe after(store, clock);
    ASSERT_TRUE(after.Resume());
    const auto left = after.SecondsLeft();
    ASSERT_TRUE(left);
    EXPECT_LE(*left, 3600 + kGrace - 1000);
    EXPECT_GE(*left, 3600 + kGrace - 1000 - 60);  // the file lags at most a minute
    clock.ms += (*left) * kSecond - 1;
    EXPECT_FALSE(after.Expired());
    clock.ms += 1;
    EXPECT_TRUE(after.Expired());
}

TEST(FailSafe, AnUnboundedSessionNeverEndsByItself) {
    FakeMonotonicClock clock;
    MemoryFailSafeStore store;
    FailSafe failSafe(store, clock);
    ASSERT_TRUE(failSafe.Set(600));
    ASSERT_TRUE(failSafe.Set(kHookUnbounded));  // the clock was changed during the session
    clock.ms += 10ULL * 365 * 86400 * kSecond;
    EXPECT_FALSE(failSafe.Expired());
    EXPECT_FALSE(failSafe.SecondsLeft());
    FailSafe restarted(store, clock);
    ASSERT_TRUE(restarted.Resume());
    EXPECT_TRUE(restarted.unbounded());
    clock.ms += 10ULL * 365 * 86400 * kSecond;
    EXPECT_FALSE(restarted.Expired());
}

TEST(FailSafe, RefusesImpossibleTimesAndFiresAtOnceOnAnUnreadableFile) {
    FakeMonotonicClock clock;
    MemoryFailSafeStore store;
    FailSafe failSafe(store, clock);
    EXPECT_FALSE(failSafe.Set(-2));
    EXPECT_FALSE(failSafe.Set(INT64_MIN));
    EXPECT_FALSE(failSafe.Set(INT64_MAX));
    EXPECT_FALSE(failSafe.armed());
    EXPECT_FALSE(store.text);

    for (const char* text : {"", "left \n", "left 12x\n", "left 99999999999999999999\n", "left 5",
                             "unbounded"}) {
        SCOPED_TRACE(text);
        store.text = text;
        FailSafe resumed(store, clock);
        EXPECT_FALSE(resumed.Resume());
        EXPECT_TRUE(resumed.Expired());
    }
    store.text.reset();
    FailSafe none(store, clock);
    EXPECT_TRUE(none.Resume());
    EXPECT_FALSE(none.armed());
}

// The service end to end over the fake engine: the fail-safe clears the
// filters and says why; a clear from the program disarms it.
TEST(FailSafe, TheServiceClearsByItselfOnlyWhenNoClearCame) {
    for (bool clearArrives : {false, true}) {
        SCOPED_TRACE(clearArrives);
        FakeFilterEngine engine;
        FakeMonotonicClock clock;
        MemoryFailSafeStore store;
        MemoryLog log;
        MemoryHostsStore hosts;
        HookService service(engine, store, clock, log, hosts);
        ASSERT_TRUE(service.Startup());
        service.SetUser(kClientUser);
        const HookRuleBytes rule = EncodeHookRule(0, 0x0100007F);
        const HookTimeBytes time = EncodeHookTime(60);
        ASSERT_EQ(Status(service, Request(IOCTL_HOOK_ADD_RULE, rule.data(), rule.size())), 0u);
        ASSERT_EQ(Status(service, Request(IOCTL_HOOK_START)), 0u);
        ASSERT_EQ(Status(service, Request(IOCTL_HOOK_SET_REMAINING, time.data(), time.size())), 0u);
        ASSERT_TRUE(store.text);
        if (clearArrives) {
            ASSERT_EQ(Status(service, Request(IOCTL_HOOK_CLEAR_RULES)), 0u);
            EXPECT_FALSE(store.text);
        }
        clock.ms += (60 + kGrace) * kSecond - 1;
        service.Tick();
        EXPECT_EQ(engine.OurFilterCount(), clearArrives ? 0u : 2u);
        EXPECT_TRUE(log.lines.empty());
        clock.ms += 1;
        service.Tick();
        EXPECT_EQ(engine.OurFilterCount(), 0u);
        EXPECT_EQ(service.hook().ruleCount(), 0u);
        EXPECT_EQ(log.lines.size(), clearArrives ? 0u : 1u);
        EXPECT_FALSE(store.text);
    }
}

TEST(FailSafe, AServiceRestartedAfterTheDeadlineClearsAtStart) {
    FakeFilterEngine engine;
    FakeMonotonicClock clock;
    MemoryFailSafeStore store;
    MemoryLog log;
    MemoryHostsStore hosts;
    {
        HookService first(engine, store, clock, log, hosts);
        ASSERT_TRUE(first.Startup());
        first.SetUser(kClientUser);
        const HookRuleBytes rule = EncodeHookRule(0, 0x0100007F);
        const HookTimeBytes time = EncodeHookTime(0);
        first.HandleMessage(Request(IOCTL_HOOK_ADD_RULE, rule.data(), rule.size()).data(), 32);
        first.HandleMessage(Request(IOCTL_HOOK_START).data(), 4);
        first.HandleMessage(Request(IOCTL_HOOK_SET_REMAINING, time.data(), time.size()).data(), 12);
        ASSERT_EQ(engine.OurFilterCount(), 2u);
        clock.ms += (kGrace - 30) * kSecond;
        first.Tick();
    }
    HookService second(engine, store, clock, log, hosts);
    ASSERT_TRUE(second.Startup());
    EXPECT_TRUE(second.hook().started());
    EXPECT_EQ(engine.OurFilterCount(), 2u);
    clock.ms += 90 * kSecond;
    engine.failBegin = true;  // the engine refuses for a while: one report, retried every tick
    second.Tick();
    second.Tick();
    EXPECT_EQ(engine.OurFilterCount(), 2u);
    EXPECT_EQ(log.lines.size(), 1u);
    engine.failBegin = false;
    second.Tick();
    EXPECT_EQ(engine.OurFilterCount(), 0u);
    EXPECT_EQ(log.lines.size(), 2u);
}
