#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "filter/HookService.h"
#include "filter/SessionGuard.h"
#include "hook/HookPipe.h"
#include "native/filter/fake_filter_engine.h"

namespace {

constexpr uint32_t kPid = 500;
constexpr uint32_t kSession = 1;
const std::string kGame = "C:\\Games\\game.exe";

struct FakeGuardPlatform : GuardPlatform {
    struct Process {
        uint32_t session;
        std::string path;
    };
    std::map<uint32_t, Process> processes;
    std::vector<uint32_t> ended;
    std::vector<uint64_t> startsAtMs;
    SessionState state = SessionState::Unknown;
    FakeMonotonicClock* clock = nullptr;

    ProcessSnapshot TakeSnapshot(const std::vector<std::string>&) override {
        ProcessSnapshot snapshot;
        for (const auto& [pid, process] : processes)
            snapshot.push_back({pid, {process.path}});
        return snapshot;
    }
    std::optional<uint32_t> SessionOf(uint32_t pid) override {
        const auto found = processes.find(pid);
        return found == processes.end() ? std::nullopt : std::optional<uint32_t>(found->second.session);
    }
    bool EndProcess(uint32_t pid) override {
        ended.push_back(pid);
        processes.erase(pid);
        return true;
    }
    SessionState QuerySession(uint32_t) override { return state; }
    bool StartProgram(uint32_t) override {
        startsAtMs.push_back(clock->ms);
        return true;
    }
};

struct Guarded {
    FakeClock wall;
    FakeMonotonicClock monotonic{0};
    FakeGuardPlatform platform;
    SessionGuard guard{platform, wall, monotonic};
    Guarded() { platform.clock = &monotonic; }

    bool Start(int64_t remaining = 3600) {
        guard.AddProgram(kGame);
        return guard.Start(remaining, kPid, kSession);
    }
    // Time passes alike on both clocks, ticking every 100 ms as the pipe does.
    void Run(uint64_t ms) {
        for (uint64_t t = 0; t < ms; t += 100) {
            monotonic.ms += 100;
            wall.now = static_cast<Seconds>(1'000'000'000 + monotonic.ms / 1000);
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
    g.Run(5000);
    EXPECT_TRUE(g.platform.ended.empty()) << "the program sweeps for itself";

    g.guard.ClientGone(kPid + 1);
    g.Run(1000);
    EXPECT_TRUE(g.platform.ended.empty()) << "another client's end changes nothing";

    g.guard.ClientGone(kPid);
    g.Run(100);
    EXPECT_EQ(g.platform.ended, (std::vector<uint32_t>{10, 12}));
    g.platform.processes[14] = {kSession, "c:\\games\\GAME.EXE"};
    g.Run(800);
    EXPECT_EQ(g.platform.ended.back(), 14u) << "within one period";

    // Back: the guard's sweep stops.
    g.Start();
    g.platform.processes[15] = {kSession, kGame};
    g.Run(5000);
    EXPECT_EQ(g.platform.ended.size(), 3u);
}

TEST(SessionGuard, StartsTheProgramAgainWithPausesThatGrowWhileItKeepsEnding) {
    const struct {
        const char* name;
        bool comesBack;
        uint64_t runsMs;  // how long it stays once back
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
        size_t seen = 0;
        while (g.monotonic.ms < 200000) {
            g.Run(100);
            if (c.comesBack && g.platform.startsAtMs.size() > seen) {
                seen = g.platform.startsAtMs.size();
                g.Run(500);
                g.Start();
                g.Run(c.runsMs);
                g.guard.ClientGone(kPid);
            }
        }
        std::vector<uint64_t> startsAtS;
        for (uint64_t ms : g.platform.startsAtMs)
            startsAtS.push_back(ms / 1000);
        EXPECT_EQ(startsAtS, c.startsAtS);
    }
}

TEST(SessionGuard, AfterALogOffItNeitherSweepsNorStartsUntilTheProgramIsBack) {
    const struct {
        const char* name;
        bool noticeBeforeGone;
        bool noticeAfterGone;
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
        if (c.noticeBeforeGone)
            g.guard.SessionLoggedOff(kSession);
        g.guard.SessionLoggedOff(kSession + 1);
        g.guard.ClientGone(kPid);
        if (c.noticeAfterGone)
            g.guard.SessionLoggedOff(kSession);
        g.Run(2500);  // past the first start
        g.platform.processes[20] = {kSession, kGame};
        g.platform.ended.clear();
        g.Run(60000);
        EXPECT_EQ(g.guard.state(), SessionGuard::State::LoggedOff);
        EXPECT_TRUE(g.platform.startsAtMs.empty());
        EXPECT_TRUE(g.platform.ended.empty());

        // At the next log-on the Run value starts it; it is guarded as before.
        g.platform.state = GuardPlatform::SessionState::LoggedOn;
        g.Start();
        g.guard.ClientGone(kPid);
        g.Run(2100);
        EXPECT_EQ(g.platform.startsAtMs.size(), 1u);
        EXPECT_EQ(g.platform.ended, std::vector<uint32_t>{20});
    }
}

TEST(SessionGuard, EndsWithTheSessionsEndOrItsTimeButNeverWhileTheProgramRuns) {
    Guarded ended;
    ended.Start();
    ended.guard.End();
    ended.guard.ClientGone(kPid);
    ended.platform.processes[30] = {kSession, kGame};
    ended.Run(10000);
    EXPECT_TRUE(ended.platform.ended.empty());
    EXPECT_TRUE(ended.platform.startsAtMs.empty());

    Guarded timeUp;
    timeUp.Start(10);
    timeUp.Run(20000);
    EXPECT_EQ(timeUp.guard.state(), SessionGuard::State::Running) << "the program ends it itself";
    timeUp.guard.ClientGone(kPid);
    timeUp.Run(5000);
    EXPECT_EQ(timeUp.guard.state(), SessionGuard::State::Idle);
    EXPECT_TRUE(timeUp.platform.startsAtMs.empty());

    // A resumed program's shorter time does not shorten the service's count.
    Guarded resumed;
    resumed.Start(100);
    resumed.Start(10);
    resumed.guard.ClientGone(kPid);
    resumed.Run(50000);
    EXPECT_EQ(resumed.guard.state(), SessionGuard::State::Gone);
}

TEST(SessionGuard, AClockMovedWhileGuardedMakesTheSessionUnbounded) {
    const struct {
        const char* name;
        bool programGone;
        Seconds wallMove;  // seconds the time of day moves by itself, on top of the time passing
        bool unbounded;
    } cases[] = {
        {"forward past the end, program gone", true, 7200, true},
        {"forward past the end, program running", false, 7200, true},
        {"back an hour, program gone", true, -3600, true},
        {"a few seconds of drift", true, 2, false},
        {"none", false, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Guarded g;
        g.Start(3600);
        if (c.programGone)
            g.guard.ClientGone(kPid);
        g.Run(10000);
        g.wall.now += c.wallMove;
        g.monotonic.ms += 100;
        EXPECT_EQ(g.guard.Tick(), c.unbounded);
        g.Run(4000 * 1000);  // past the session's end
        EXPECT_EQ(g.guard.state() != SessionGuard::State::Idle, c.unbounded || !c.programGone);
        if (g.guard.state() != SessionGuard::State::Idle) {
            EXPECT_EQ(g.Start(0), c.unbounded) << "the program is told when it is back";
        }
    }

    // Sleep moves both clocks alike.
    Guarded slept;
    slept.Start(3600);
    slept.monotonic.ms += 2 * 3600 * 1000;
    slept.wall.now += 2 * 3600;
    EXPECT_FALSE(slept.guard.Tick());
}

TEST(SessionGuard, TheServiceAnswersTheCodesOnlyWithAGuardAndAClient) {
    FakeFilterEngine engine;
    FakeMonotonicClock monotonic;
    MemoryFailSafeStore store;
    MemoryLog log;
    HookService service(engine, store, monotonic, log);
    FakeClock wall;
    FakeGuardPlatform platform;
    platform.clock = &monotonic;
    SessionGuard guard(platform, wall, monotonic);
    auto send = [&](uint32_t code, int64_t time) {
        const HookTimeBytes bytes = EncodeHookTime(time);
        const auto message = EncodeHookRequest(code, bytes.data(), code == IOCTL_HOOK_GUARD_START ? 8 : 0);
        const auto reply = service.HandleMessage(message.data(), message.size());
        return DecodeHookReply(reply->data(), reply->size());
    };
    ASSERT_TRUE(service.Startup());
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, 60), kHookStatusFailed) << "an older service's answer";
    service.SetGuard(&guard);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, 60), kHookStatusFailed) << "no client yet";
    service.ClientConnected(kPid, kSession);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, -2), kHookStatusFailed);
    const auto program = EncodeHookRequest(IOCTL_HOOK_GUARD_PROGRAM, kGame.data(), static_cast<uint32_t>(kGame.size()));
    EXPECT_EQ(DecodeHookReply(service.HandleMessage(program.data(), program.size())->data(), 4), kHookStatusOk);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, 60), kHookStatusOk);
    EXPECT_EQ(guard.programs(), std::vector<std::string>{kGame});

    // The websites' fail-safe too loses its end when the clock moves.
    const HookTimeBytes hour = EncodeHookTime(3600);
    const auto remaining = EncodeHookRequest(IOCTL_HOOK_SET_REMAINING, hour.data(), 8);
    service.HandleMessage(remaining.data(), remaining.size());
    service.ClientGone();
    EXPECT_EQ(guard.state(), SessionGuard::State::Gone);
    wall.now += 7200;
    service.Tick();
    EXPECT_TRUE(service.failSafe().unbounded());
    service.ClientConnected(kPid + 1, kSession);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, 0), kHookStatusUnbounded);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_END, 0), kHookStatusOk);
    EXPECT_EQ(guard.state(), SessionGuard::State::Idle);
}
