#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filter/FilterHook.h"
#include "native/filter/fake_filter_engine.h"

namespace {

// A hook of the service once its client's user is known.
struct Hook : FilterHook {
    explicit Hook(FilterEngine& engine, size_t maxRules = kMaxHookRules)
        : FilterHook(engine, maxRules) {
        SetUser(kClientUser);
    }
};

HookRuleBytes To(uint8_t last) { return EncodeHookRule(0, static_cast<uint32_t>(last) << 24 | 10); }

enum Op { Add, Start, Stop, Clear };

}  // namespace

// Every sequence of four codes (256 of them) against a model of the contract:
// rules stay until cleared, filters exist exactly while started, every code
// succeeds.
TEST(FilterHook, EveryOrderOfTheCodesFollowsTheContract) {
    for (int sequence = 0; sequence < 256; ++sequence) {
        FakeFilterEngine engine;
        Hook hook(engine);
        size_t rules = 0;
        bool started = false;
        std::string trace;
        for (int step = 0, code = sequence; step < 4; ++step, code /= 4) {
            const Op op = static_cast<Op>(code % 4);
            trace += "ASTC"[op];
            bool ok = false;
            switch (op) {
            case Add: ok = hook.AddRule(To(static_cast<uint8_t>(step + 1))); ++rules; break;
            case Start: ok = hook.Start(); started = true; break;
            case Stop: ok = hook.Stop(); started = false; break;
            case Clear: ok = hook.Clear(); rules = 0; break;
            }
            SCOPED_TRACE(trace);
            ASSERT_TRUE(ok);
            EXPECT_EQ(hook.ruleCount(), rules);
            EXPECT_EQ(hook.started(), started);
            EXPECT_EQ(engine.OurFilterCount(), started ? rules * 2 : 0);
            EXPECT_FALSE(engine.inTransaction);
        }
    }
}

TEST(FilterHook, AFailingTransactionLeavesNoFilterOfOurs) {
    const struct {
        const char* name;
        int failAddAt;
        bool failCommit;
        bool failBegin;
    } cases[] = {
        {"first add", 0, false, false},
        {"add of the last rule", 5, false, false},
        {"commit", -1, true, false},
        {"begin", -1, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFilterEngine engine;
        Hook hook(engine);
        for (uint8_t i = 1; i <= 3; ++i)
            ASSERT_TRUE(hook.AddRule(To(i)));
        engine.failAddAt = c.failAddAt;
        engine.failCommit = c.failCommit;
        engine.failBegin = c.failBegin;
        EXPECT_FALSE(hook.Start());
        EXPECT_FALSE(hook.started());
        EXPECT_EQ(engine.OurFilterCount(), 0u);
        EXPECT_EQ(hook.ruleCount(), 3u);
        EXPECT_FALSE(engine.inTransaction);
        engine.failAddAt = -1;
        engine.failCommit = engine.failBegin = false;
        EXPECT_TRUE(hook.Start());
    }
}

TEST(FilterHook, AFailedAddWhileStartedKeepsTheEarlierFiltersAndDropsTheRule) {
    FakeFilterEngine engine;
    Hook hook(engine);
    ASSERT_TRUE(hook.AddRule(To(1)));
    ASSERT_TRUE(hook.Start());
    engine.failAddAt = engine.addCalls + 1;  // the second of the new rule's two filters
    EXPECT_FALSE(hook.AddRule(To(2)));
    EXPECT_EQ(engine.OurFilterCount(), 2u);
    EXPECT_EQ(hook.ruleCount(), 1u);
    engine.failAddAt = -1;
    ASSERT_TRUE(hook.Stop());
    ASSERT_TRUE(hook.Start());
    EXPECT_EQ(engine.OurFilterCount(), 2u);
}

TEST(FilterHook, ClearRemovesExactlyOursAndNothingOfAnotherProvider) {
    FakeFilterEngine engine;
    const uint64_t before = engine.AddForeignFilter();
    Hook hook(engine);
    ASSERT_TRUE(hook.AddRule(To(1)));
    ASSERT_TRUE(hook.Start());
    const uint64_t during = engine.AddForeignFilter();
    ASSERT_TRUE(hook.AddRule(To(2)));
    EXPECT_EQ(engine.filters.size(), 6u);
    ASSERT_TRUE(hook.Clear());
    EXPECT_EQ(engine.OurFilterCount(), 0u);
    EXPECT_EQ(engine.filters.size(), 2u);
    EXPECT_TRUE(engine.filters.count(before));
    EXPECT_TRUE(engine.filters.count(during));
}

TEST(FilterHook, ARestartedServiceRecoversRulesAndStateFromItsFilters) {
    FakeFilterEngine engine;
    engine.AddForeignFilter();
    {
        Hook crashed(engine);
        ASSERT_TRUE(crashed.AddRule(To(1)));
        HookRule6 six;
        six.destinationAddress[0] = 0x20;
        ASSERT_TRUE(crashed.AddRule6(EncodeHookRule6(six)));
        ASSERT_TRUE(crashed.AddRule(To(3)));
        ASSERT_TRUE(crashed.Start());
    }
    ASSERT_EQ(engine.OurFilterCount(), 5u);

    FilterHook hook(engine);
    ASSERT_TRUE(hook.Recover());
    EXPECT_TRUE(hook.started());
    EXPECT_EQ(hook.ruleCount(), 3u);
    // Stop and start again rebuild the same filters from the recovered rules.
    ASSERT_TRUE(hook.Stop());
    EXPECT_EQ(engine.OurFilterCount(), 0u);
    ASSERT_TRUE(hook.Start());
    EXPECT_EQ(engine.OurFilterCount(), 5u);
    // A later add keeps its place after the recovered ones.
    ASSERT_TRUE(hook.AddRule(To(4)));
    FilterHook again(engine);
    ASSERT_TRUE(again.Recover());
    EXPECT_EQ(again.ruleCount(), 4u);
    ASSERT_TRUE(again.Clear());
    EXPECT_EQ(engine.OurFilterCount(), 0u);
    EXPECT_EQ(engine.filters.size(), 1u);

    Hook fresh(engine);
    ASSERT_TRUE(fresh.Recover());
    EXPECT_FALSE(fresh.started());
    EXPECT_EQ(fresh.ruleCount(), 0u);
}

TEST(FilterHook, RefusesRulesBeyondItsCapAndRulesItCannotExpress) {
    FakeFilterEngine engine;
    Hook hook(engine, 2);
    EXPECT_TRUE(hook.AddRule(To(1)));
    EXPECT_TRUE(hook.AddRule(To(2)));
    EXPECT_FALSE(hook.AddRule(To(3)));
    ASSERT_TRUE(hook.Clear());
    HookRule odd;
    odd.protocol = 300;
    EXPECT_FALSE(hook.AddRule(EncodeHookRule(odd)));
    EXPECT_EQ(hook.ruleCount(), 0u);
}

// Hushwall sends all its rules again at each start during a session, to a
// service that may have restarted meanwhile.
TEST(FilterHook, ARuleHeldAlreadyAddsNothing) {
    HookRule other = DecodeHookRule(To(1));
    other.destinationPort = 443;
    for (const bool restart : {false, true}) {
        SCOPED_TRACE(restart ? "after a restart" : "in the same run");
        FakeFilterEngine engine;
        Hook first(engine);
        ASSERT_TRUE(first.AddRule(To(1)));
        ASSERT_TRUE(first.Start());
        Hook restarted(engine);
        ASSERT_TRUE(restarted.Recover());
        FilterHook& hook = restart ? restarted : first;
        EXPECT_TRUE(hook.AddRule(To(1)));
        EXPECT_EQ(engine.OurFilterCount(), 2u);
        EXPECT_TRUE(hook.AddRule(EncodeHookRule(other)));  // another port is another rule
        EXPECT_EQ(hook.ruleCount(), 2u);
        EXPECT_EQ(engine.OurFilterCount(), 4u);
    }
}

// An earlier build's filters, here on our own side and blocking everything,
// are replaced by this build's at recovery; another provider's stay.
TEST(FilterHook, RecoveryRebuildsFiltersOfAnEarlierLayout) {
    FakeFilterEngine engine;
    const uint64_t foreign = engine.AddForeignFilter();
    StoredRule to;
    to.number = 3;
    to.rule = To(1);
    StoredRule everything = to;
    everything.number = 4;
    everything.rule = EncodeHookRule(0, 0);
    for (const StoredRule& old : {to, everything}) {
        FilterDescription d;
        d.layer = FilterLayer::RecvAcceptV4;  // no condition: all inbound traffic
        d.providerData = EncodeProviderData(old);
        engine.filters[100 + old.number] = d;
    }
    Hook hook(engine);
    ASSERT_TRUE(hook.Recover());
    EXPECT_TRUE(hook.started());
    EXPECT_EQ(hook.ruleCount(), 1u);
    const auto filters = FiltersForRule(to);
    ASSERT_TRUE(filters);
    std::vector<std::string> expected{"foreign"}, now;
    for (const FilterDescription& d : *filters)
        expected.push_back(DescribeFilter(d));
    for (const auto& entry : engine.filters)
        now.push_back(entry.first == foreign ? "foreign" : DescribeFilter(entry.second));
    EXPECT_EQ(now, expected);
}

// Filters without a user would block the whole machine: its services and every
// other user. Text that is not a SID could widen the descriptor it goes into.
TEST(FilterHook, EveryFilterCarriesTheSessionsUserAndNoneIsAddedWithoutOne) {
    FakeFilterEngine engine;
    FilterHook hook(engine);
    ASSERT_TRUE(hook.AddRule(To(1)));
    for (const char* bad :
         {"", "S-1-5-21-1-2-3-1001)(A;;CC;;;WD", "S-1-", "S-1-5--18", "s-1-5-18", "S-1-5-"})
        EXPECT_FALSE(hook.SetUser(bad)) << bad;
    EXPECT_FALSE(hook.Start());
    EXPECT_EQ(engine.commits, 0);
    auto users = [&] {
        std::vector<std::string> out;
        for (const auto& entry : engine.filters)
            out.push_back(engine.users[entry.first]);
        return out;
    };
    ASSERT_TRUE(hook.SetUser(kClientUser));
    ASSERT_TRUE(hook.Start());
    ASSERT_TRUE(hook.AddRule(To(2)));
    EXPECT_EQ(users(), std::vector<std::string>(4, kClientUser));
    const std::string other = "S-1-5-21-1-2-3-1002";
    ASSERT_TRUE(hook.SetUser(other));
    EXPECT_EQ(users(), std::vector<std::string>(4, other)) << "moved to the new user";
    FilterHook restarted(engine);
    ASSERT_TRUE(restarted.Recover());
    EXPECT_EQ(restarted.user(), other);
}
