#include <gtest/gtest.h>

#include <map>

#include "filter/HookService.h"
#include "programs/ProcessMatch.h"
#include "native/filter/fake_filter_engine.h"

namespace {

constexpr uint32_t kPid = 500, kSession = 1;
const std::string kGame = "C:\\Games\\game.exe";

struct FakeGuardPlatform : GuardPlatform {
    std::map<uint32_t, std::pair<uint32_t, std::string>> processes;  // pid: session, path
    std::vector<uint32_t> ended;
    std::vector<uint64_t> startsAtS;
    SessionState state = SessionState::Unknown;
    FakeMonotonicClock* clock = nullptr;

    int releases = 0;

    std::vector<uint32_t> FindBlocked(const std::vector<std::string>& programs,
                                      uint32_t session) override {
        ProcessSnapshot snapshot;
        for (const auto& [pid, process] : processes)
            if (process.first == session)
                snapshot.push_back({pid, {process.second}});
        return FindBlockedProcesses(snapshot, programs);
    }
    void ReleaseSweeps() override { ++releases; }
    bool EndProcess(uint32_t pid) override {
        ended.push_back(pid);
        return processes.erase(pid) != 0;
    }
    SessionState QuerySession(uint32_t) override { return state; }
    bool StartProgram(uint32_t) override {
        startsAtS.push_back(clock->ms / 1000);
        return true;
    }
};

struct Guarded {
    FakeClock wall{0};
    FakeMonotonicClock monotonic{0};
    FakeGuardPlatform platform;
    SessionGuard guard{platform, wall, monotonic};
    Guarded() { platform.clock = &monotonic; }

    bool Start(int64_t remaining = 3600) {
        guard.AddProgram(kGame);
        return guard.Start(remaining, kPid, kSession);
    }
    // Both clocks run alike, ticked every 100 ms as the pipe does.
    void Run(uint64_t ms) {
        for (uint64_t t = 0; t < ms; t += 100) {
            monotonic.ms += 100;
            wall.now = static_cast<Seconds>(monotonic.ms / 1000);
            guard.Tick();
        }
    }
};

}  // namespace

TEST(SessionGuard, SweepsOnlyWhileTheProgramIsGoneAndOnlyInItsUsersSession) {
    Guarded g;
    g.Start();
    g.platform.processes = {{10, {kSession, kGame}},
                            {11, {2, kGame}},
                            {12, {kSession, "C:\\Windows\\System32\\Taskmgr.exe"}},
                            {13, {kSession, "C:\\Windows\\notepad.exe"}}};
    g.guard.ClientGone(kPid + 1);  // another client's end
    g.Run(5000);
    EXPECT_TRUE(g.platform.ended.empty());

    g.guard.ClientGone(kPid);
    g.Run(100);
    EXPECT_EQ(g.platform.ended, (std::vector<uint32_t>{10, 12}));
    g.platform.processes[14] = {kSession, "c:\\games\\GAME.EXE"};
    g.Run(800);
    EXPECT_EQ(g.platform.ended.back(), 14u) << "within one period";

    g.Start();
    EXPECT_EQ(g.platform.releases, 1);
    g.platform.processes[15] = {kSession, kGame};
    g.Run(5000);
    EXPECT_EQ(g.platform.ended.size(), 3u) << "back: the program sweeps for itself";
}

TEST(SessionGuard, StartsTheProgramAgainWithPausesThatGrowWhileItKeepsEnding) {
    const struct {
        const char* name;
        bool comesBack;
        uint64_t runsMs;  // how long it stays each time it is back
        std::vector<uint64_t> startsAtS;
    } cases[] = {
        {"never back", false, 0, {2, 6, 14, 30, 62, 122, 182}},
        {"ends at once", true, 500, {2, 7, 16, 33, 66, 127, 188}},
        {"runs a while each time", true, 61000, {2, 65, 129, 192}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Guarded g;
        g.Start();
        g.guard.ClientGone(kPid);
        for (size_t seen = 0; g.monotonic.ms < 200000;) {
            g.Run(100);
            if (c.comesBack && g.platform.startsAtS.size() > seen) {
                seen = g.platform.startsAtS.size();
                g.Run(500);
                g.Start();
                g.Run(c.runsMs);
                g.guard.ClientGone(kPid);
            }
        }
        EXPECT_EQ(g.platform.startsAtS, c.startsAtS);
    }
}

TEST(SessionGuard, AfterALogOffItNeitherSweepsNorStartsUntilTheProgramIsBack) {
    const struct {
        const char* name;
        bool noticeBefore, noticeAfter;  // the log-off notice, around the program's end
        GuardPlatform::SessionState state;
    } cases[] = {
        {"notice, then the program closes", true, false, GuardPlatform::SessionState::Unknown},
        {"program closes, then the notice", false, true, GuardPlatform::SessionState::Unknown},
        {"the session is gone", false, false, GuardPlatform::SessionState::Gone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Guarded g;
        g.Start();
        g.platform.state = c.state;
        g.guard.SessionLoggedOff(kSession + 1);
        if (c.noticeBefore)
            g.guard.SessionLoggedOff(kSession);
        g.guard.ClientGone(kPid);
        if (c.noticeAfter)
            g.guard.SessionLoggedOff(kSession);
        g.Run(2500);
        g.platform.processes[20] = {kSession, kGame};
        g.platform.ended.clear();
        g.Run(60000);
        EXPECT_TRUE(g.platform.startsAtS.empty());
        EXPECT_TRUE(g.platform.ended.empty());

        // The Run value starts it at the next log-on; it is guarded as before.
        g.platform.state = GuardPlatform::SessionState::LoggedOn;
        g.Start();
        g.guard.ClientGone(kPid);
        g.Run(2100);
        EXPECT_EQ(g.platform.startsAtS.size(), 1u);
        EXPECT_EQ(g.platform.ended, std::vector<uint32_t>{20});
    }
}

TEST(SessionGuard, EndsWithTheSessionOrItsTimeButNotWhileTheProgramRuns) {
    const struct {
        const char* name;
        std::vector<int64_t> starts;  // remaining seconds each start sends
        bool ended;
        uint64_t goneAfterMs;
        bool guarded;  // still guarding 60 s after the program's end
    } cases[] = {
        {"the key", {3600}, true, 0, false},
        {"time up while gone", {10}, false, 0, false},
        {"time up while running", {10}, false, 20000, false},
        {"a resumed program's shorter time", {100, 10}, false, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Guarded g;
        for (int64_t remaining : c.starts)
            g.Start(remaining);
        if (c.ended)
            g.guard.End();
        g.Run(c.goneAfterMs);
        EXPECT_EQ(g.guard.state(), c.ended ? SessionGuard::State::Idle : SessionGuard::State::Running);
        g.guard.ClientGone(kPid);
        g.Run(60000);
        EXPECT_EQ(g.guard.state() != SessionGuard::State::Idle, c.guarded);
        if (c.ended) {
            EXPECT_TRUE(g.platform.startsAtS.empty() && g.platform.ended.empty());
        }
    }
}

TEST(SessionGuard, AClockMovedWhileGuardedMakesTheSessionUnbounded) {
    const struct {
        const char* name;
        bool programGone;
        Seconds wallMove;  // on top of the time passing
        uint64_t monotonicMoveMs;
        bool unbounded;
    } cases[] = {
        {"forward past the end, program gone", true, 7200, 0, true},
        {"forward past the end, program running", false, 7200, 0, true},
        {"back an hour", true, -3600, 0, true},
        {"a machine asleep for two hours", true, 7200, 7200 * 1000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Guarded g;
        g.Start(3600);
        if (c.programGone)
            g.guard.ClientGone(kPid);
        g.Run(10000);
        g.wall.now += c.wallMove;
        g.monotonic.ms += c.monotonicMoveMs;
        EXPECT_EQ(g.guard.Tick(), c.unbounded);
        EXPECT_EQ(g.Start(0), c.unbounded) << "the program is told when it is back";
    }
}

TEST(SessionGuard, TheServiceAnswersTheCodesOnlyWithAGuardAndAClient) {
    FakeFilterEngine engine;
    MemoryFailSafeStore store;
    MemoryLog log;
    MemoryHostsStore hosts;
    Guarded g;
    HookService service(engine, store, g.monotonic, log, hosts);
    auto send = [&](uint32_t code, const std::vector<uint8_t>& input = {}) {
        const auto message = EncodeHookRequest(code, input.data(), static_cast<uint32_t>(input.size()));
        const auto reply = service.HandleMessage(message.data(), message.size());
        return DecodeHookReply(reply->data(), reply->size());
    };
    auto time = [](int64_t seconds) {
        const HookTimeBytes bytes = EncodeHookTime(seconds);
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    };
    ASSERT_TRUE(service.Startup());
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, time(60)), kHookStatusFailed) << "an older service's answer";
    service.SetGuard(&g.guard);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, time(60)), kHookStatusFailed) << "no client yet";
    service.ClientConnected(kPid, kSession);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, time(-2)), kHookStatusFailed);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_PROGRAM, std::vector<uint8_t>(kGame.begin(), kGame.end())), kHookStatusOk);
    const std::string share = "\\\\server\\share\\game.exe";  // never opened as SYSTEM
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_PROGRAM, std::vector<uint8_t>(share.begin(), share.end())),
              kHookStatusFailed);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, time(60)), kHookStatusOk);
    EXPECT_EQ(g.guard.programs(), std::vector<std::string>{kGame});

    // The websites' fail-safe loses its end with the clock too.
    EXPECT_EQ(send(IOCTL_HOOK_SET_REMAINING, time(3600)), kHookStatusOk);
    service.ClientGone();
    g.wall.now += 7200;
    service.Tick();
    EXPECT_TRUE(service.failSafe().unbounded());
    service.ClientConnected(kPid + 1, kSession);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, time(0)), kHookStatusUnbounded);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_END), kHookStatusOk);
    EXPECT_EQ(g.guard.state(), SessionGuard::State::Idle);
}
