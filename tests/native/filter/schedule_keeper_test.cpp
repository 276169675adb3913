#include <gtest/gtest.h>

#include <map>

#include "filter/HookService.h"
#include "native/filter/fake_filter_engine.h"
#include "schedule/ScheduleChange.h"
#include "schedule/ScheduleFile.h"
#include "serviceclient/ServiceSchedule.h"

namespace {

const std::string kUser = "S-1-5-21-1-2-3-1001", kOther = "S-1-5-21-1-2-3-1002";
constexpr Seconds kNow = 1'800'000'000;

ScheduleBlock Block(uint8_t days, int from, int to,
                    EntryList programs = {{"C:\\game.exe", "Game", true}}, Seconds until = 0) {
    return ScheduleBlock{days, from, to, std::move(programs), {}, until};
}

// The program's end of the pipe, answered by the service at once, or by an
// older service with `refusal`.
struct DirectPipe : ServicePipe {
    HookService* service = nullptr;
    std::optional<std::vector<uint8_t>> refusal;
    Handle Connect(const std::string&) override { return this; }
    Outcome Transact(Handle, const std::vector<uint8_t>& request,
                     std::vector<uint8_t>& reply) override {
        reply = refusal ? *refusal : *service->HandleMessage(request.data(), request.size());
        return Outcome::Replied;
    }
    void Disconnect(Handle) override {}
};

struct KeptService {
    FakeClock wall{kNow};
    FakeMonotonicClock monotonic;
    LoggedOnUsers platform;
    MemoryFailSafeStore store, failSafe;
    ScheduleKeeper keeper{platform, store, wall, monotonic};
    FakeFilterEngine engine;
    MemoryLog log;
    MemoryHostsStore hosts;
    HookService hook{engine, failSafe, monotonic, log, hosts};
    DirectPipe pipe;
    ServiceConnection connection{pipe};
    ServiceSchedule client{connection};

    KeptService() {
        pipe.service = &hook;
        hook.SetScheduleKeeper(&keeper);
        hook.Startup();
        hook.ClientConnected(500, 1, kUser);
        connection.Open();
    }
    void Run(uint64_t ms, const std::string& connected = "", const std::string& guarded = "") {
        for (uint64_t t = 0; t < ms; t += 500) {
            monotonic.ms += 500;
            keeper.Tick(connected, guarded);
        }
    }
};

}  // namespace

TEST(ScheduleKeeper, BlockingMoreCountsAtOnceAndBlockingLessADayLater) {
    const ScheduleBlock workdays = Block(0x1F, 9 * 60, 17 * 60);
    const Seconds later = kNow + kLoosenDelay;
    const struct {
        const char* name;
        Schedule kept, submitted;
        std::vector<std::pair<uint8_t, Seconds>> merged;  // days and until of each block
    } cases[] = {
        {"unchanged", {workdays}, {workdays}, {{0x1F, 0}}},
        {"longer and every day", {workdays}, {Block(kEveryDay, 8 * 60, 18 * 60)}, {{kEveryDay, 0}}},
        {"deleted", {workdays}, {}, {{0x1F, later}}},
        {"a day fewer", {workdays}, {Block(0x0F, 9 * 60, 17 * 60)}, {{0x0F, 0}, {0x1F, later}}},
        {"rows in the program's order",
         {workdays, Block(0x40, 0, 60)},
         {Block(0x0F, 540, 1020), Block(0x1F, 540, 1020, workdays.programs, later),
          Block(0x40, 0, 60)},
         {{0x0F, 0}, {0x1F, later}, {0x40, 0}}},
        {"fewer entries",
         {workdays},
         {Block(0x1F, 9 * 60, 17 * 60, {})},
         {{0x1F, 0}, {0x1F, later}}},
        {"the program's copy waits less",
         {workdays},
         {Block(0x1F, 540, 1020, workdays.programs, kNow + 60)},
         {{0x1F, later}}},
        {"a copy never kept", {}, {Block(0x1F, 540, 1020, workdays.programs, later)}, {}},
        {"a retired block keeps its time",
         {Block(0x1F, 540, 1020, workdays.programs, kNow + 99)},
         {},
         {{0x1F, kNow + 99}}},
        {"a retired block whose time came",
         {Block(0x1F, 540, 1020, workdays.programs, kNow)},
         {},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::pair<uint8_t, Seconds>> merged;
        for (const ScheduleBlock& b : MergeSubmitted(c.kept, c.submitted, kNow))
            merged.emplace_back(b.days, b.until);
        EXPECT_EQ(merged, c.merged);
    }
}

TEST(ScheduleKeeper, TheProgramsScheduleGoesThroughThePipeInPiecesAndIsKeptPerUser) {
    KeptService s;
    Schedule big = {Block(0x1F, 540, 1020, {})};
    for (int i = 0; i < 60; ++i)
        big[0].programs.push_back(
            {"C:\\Programs\\game number " + std::to_string(i) + ".exe", "", true});
    ASSERT_GT(EncodeSchedule(big).size(), 2 * kHookMaxTextInput);
    Schedule kept;
    EXPECT_EQ(s.client.Fetch(kept), ServiceSchedule::Kept::None);
    ASSERT_TRUE(s.client.Submit(big));
    ASSERT_EQ(s.client.Fetch(kept), ServiceSchedule::Kept::Some);
    EXPECT_EQ(EncodeSchedule(kept), EncodeSchedule(big));

    ASSERT_TRUE(s.client.Submit({}));
    ASSERT_EQ(s.client.Fetch(kept), ServiceSchedule::Kept::Some);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].until, kNow + kLoosenDelay) << "deleted, it waits a day";
    s.hook.ClientConnected(501, 1, kOther);
    EXPECT_EQ(s.client.Fetch(kept), ServiceSchedule::Kept::None) << "another user's";
    s.pipe.refusal = EncodeHookReply(kHookStatusFailed);
    EXPECT_EQ(s.client.Fetch(kept), ServiceSchedule::Kept::Unknown) << "an older service";
    s.pipe.refusal.reset();
    EXPECT_FALSE(s.keeper.AddPart(std::vector<uint8_t>(kMaxKeptSchedule + 1)));
    EXPECT_EQ(
        s.hook.HandleMessage(EncodeHookRequest(IOCTL_HOOK_SCHEDULE_SET, nullptr, 0).data(), 4),
        EncodeHookReply(kHookStatusFailed))
        << "pieces that are no schedule change nothing";

    // A restarted service takes up what it kept; a damaged record, nothing.
    ScheduleKeeper again(s.platform, s.store, s.wall, s.monotonic);
    ASSERT_TRUE(again.Resume());
    EXPECT_EQ(again.Encoded(kUser), s.keeper.Encoded(kUser));
    s.store.text = s.store.text->substr(0, s.store.text->size() - 1);
    EXPECT_FALSE(ScheduleKeeper(s.platform, s.store, s.wall, s.monotonic).Resume());
}

TEST(ScheduleKeeper, StartsTheProgramInItsUsersSessionOnlyWhileNothingElseRunsIt) {
    KeptService s;
    s.platform.users = {{3, kUser}};
    ASSERT_TRUE(s.client.Submit({Block(kEveryDay, 0, 0)}));  // all day, every day
    s.hook.ClientGone();
    s.keeper.Resume();
    s.Run(9000);
    EXPECT_TRUE(s.platform.starts.empty()) << "the Run value starts it first after a log-on";
    s.Run(1000 + kKeeperCheckMs);  // the check comes once a second
    ASSERT_EQ(s.platform.starts.size(), 1u);
    EXPECT_EQ(s.platform.starts[0], std::make_pair(3u, true))
        << "behind its icon, in its user's session";
    s.Run(kKeeperFirstRetryMs + 5000);
    EXPECT_EQ(s.platform.starts.size(), 2u) << "a start that did not connect is tried again";
    s.Run(kKeeperMaxRetryMs, kUser);
    s.Run(kKeeperMaxRetryMs, "", kUser);
    s.platform.users = {{3, kOther}};
    s.Run(kKeeperMaxRetryMs);
    EXPECT_EQ(s.platform.starts.size(), 2u) << "running, guarded, or its user not logged on";

    s.platform.users = {{3, kUser}};
    s.keeper.KeyEnded(kUser);
    s.wall.now += 60;
    s.Run(kKeeperMaxRetryMs);
    EXPECT_EQ(s.platform.starts.size(), 2u) << "the key ended today's run";
}
