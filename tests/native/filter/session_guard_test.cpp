#include <gtest/gtest.h>

#include <map>

#include "filter/HookService.h"
#include "programs/ProcessMatch.h"
#include "native/filter/fake_filter_engine.h"

namespace {

constexpr uint32_t kPid = 500, kSession = 1;
const std::string kGame = "C:\\Games\\game.exe";
const std::string kUser = "S-1-5-21-1-2-3-1001", kOther = "S-1-5-21-1-2-3-1002";

struct FakeGuardPlatform : LoggedOnUsers {
    struct Process {
        uint32_t session;
        std::string path;
        ProcessOwner owner{true, kUser};
    };
    std::map<uint32_t, Process> processes;
    std::vector<uint32_t> ended;
    std::vector<uint64_t> startsAtS;
    SessionState state = SessionState::Unknown;
    FakeMonotonicClock* clock = nullptr;

    int releases = 0;

    std::vector<uint32_t> FindBlocked(const std::vector<std::string>& programs, uint32_t session,
                                      const std::string& user) override {
        ProcessSnapshot snapshot;
        for (const auto& [pid, process] : processes)
            if (process.session == session && MayEndProcess(process.owner, user))
                snapshot.push_back({pid, {process.path}});
        return FindBlockedProcesses(snapshot, programs);
    }
    void ReleaseSweeps() override { ++releases; }
    bool EndProcess(uint32_t pid) override {
        ended.push_back(pid);
        return processes.erase(pid) != 0;
    }
    SessionState QuerySession(uint32_t) override { return state; }
    bool StartProgram(uint32_t, bool) override {
        startsAtS.push_back(clock->ms / 1000);
        return true;
    }
};

struct Guarded {
    FakeClock wall{0};
    FakeMonotonicClock monotonic{0};
    FakeGuardPlatform platform;
    MemoryFailSafeStore store;
    SessionGuard guard{platform, store, wall, monotonic};
    HookService* service = nullptr;  // ticked instead of the guard alone when set
    Guarded() { platform.clock = &monotonic; }

    bool Start(int64_t remaining = 3600, const std::string& user = kUser) {
        guard.AddProgram(kGame);
        return guard.Start(remaining, kPid, kSession, user) == SessionGuard::Outcome::Unbounded;
    }
    // Both clocks run alike, ticked every 100 ms as the pipe does.
    void Run(uint64_t ms) {
        for (uint64_t t = 0; t < ms; t += 100) {
            monotonic.ms += 100;
            wall.now = static_cast<Seconds>(monotonic.ms / 1000);
            if (service)
                service->Tick();
            else
                guard.Tick();
        }
    }
};

}  // namespace

TEST(SessionGuard, SweepsOnlyWhileTheProgramIsGoneAndOnlyInItsUsersSession) {
    Guarded g;
    g.Start();
    g.platform.processes = {
        {10, {kSession, kGame}},
        {11, {2, kGame}},
        {12, {kSession, "C:\\Windows\\System32\\Taskmgr.exe"}},
        {13, {kSession, "C:\\Windows\\notepad.exe"}},
        // Never another user's, the machine's accounts', a critical or a protected one.
        {16, {kSession, kGame, {true, kOther}}},
        {17, {kSession, kGame, {true, "S-1-5-18"}}},
        {20, {kSession, kGame, {false, kUser}}},
        {21, {kSession, kGame, {true, kUser, true, false}}},
        {22, {kSession, kGame, {true, kUser, false, true}}}};
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

std::vector<uint8_t> Time(int64_t seconds) {
    const HookTimeBytes bytes = EncodeHookTime(seconds);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// The reply's status; the query's time left in `left`.
std::optional<uint32_t> Send(HookService& service, uint32_t code,
                             const std::vector<uint8_t>& input = {}, int64_t* left = nullptr) {
    const auto message = EncodeHookRequest(code, input.data(), static_cast<uint32_t>(input.size()));
    const auto reply = service.HandleMessage(message.data(), message.size());
    if (code != IOCTL_HOOK_GUARD_QUERY)
        return DecodeHookReply(reply->data(), reply->size());
    const auto timed = DecodeHookTimedReply(reply->data(), reply->size());
    *left = timed->remainingSeconds;
    return timed->status;
}

// The service over a guard, with one connected client of the session's user.
struct GuardedService : Guarded {
    FakeFilterEngine engine;
    MemoryFailSafeStore failSafe;
    MemoryLog log;
    MemoryHostsStore hosts;
    HookService hook{engine, failSafe, monotonic, log, hosts};
    GuardedService() {
        hook.SetGuard(&guard);
        service = &hook;
        hook.Startup();
        hook.ClientConnected(kPid, kSession, kUser);
    }
    void StartSession(int64_t seconds) {
        const HookRuleBytes rule = EncodeHookRule(0, 0x01020304);
        Send(hook, IOCTL_HOOK_ADD_RULE, std::vector<uint8_t>(rule.begin(), rule.end()));
        Send(hook, IOCTL_HOOK_START);
        Send(hook, IOCTL_HOOK_SET_REMAINING, Time(seconds));
        Send(hook, IOCTL_HOOK_GUARD_PROGRAM, std::vector<uint8_t>(kGame.begin(), kGame.end()));
        Send(hook, IOCTL_HOOK_GUARD_START, Time(seconds));
    }
};

TEST(SessionGuard, OnlyTheKeyOrTheServicesOwnEndEndsAGuardedSession) {
    constexpr uint32_t kNone = 0;
    const struct {
        const char* name;
        int64_t seconds;
        uint64_t waitMs;
        uint32_t code;
        bool accepted;  // and the session over, its filters gone
    } cases[] = {
        {"end an hour early", 3600, 0, IOCTL_HOOK_GUARD_END, false},
        {"clear an hour early", 3600, 0, IOCTL_HOOK_CLEAR_RULES, false},
        {"stop an hour early", 3600, 0, IOCTL_HOOK_STOP, false},
        {"clear 40 s early", 3600, 3560000, IOCTL_HOOK_CLEAR_RULES, false},
        {"clear at the program's time-up, 25 s early", 3600, 3575000, IOCTL_HOOK_CLEAR_RULES, true},
        {"end at the program's time-up, 25 s early", 3600, 3575000, IOCTL_HOOK_GUARD_END, true},
        {"the key an hour early", 3600, 0, IOCTL_HOOK_GUARD_KEY_END, true},
        {"nothing asked, the service's own end", 60, 60000, kNone, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedService s;
        s.StartSession(c.seconds);
        s.Run(c.waitMs);
        if (c.code != kNone) {
            EXPECT_EQ(Send(s.hook, c.code), c.accepted ? kHookStatusOk : kHookStatusFailed);
        }
        const bool over =
            c.accepted && c.code != IOCTL_HOOK_CLEAR_RULES && c.code != IOCTL_HOOK_STOP;
        // The program's own end sends its clear apart; the key and the service's end clear too.
        const bool cleared =
            c.accepted && c.code != IOCTL_HOOK_STOP && c.code != IOCTL_HOOK_GUARD_END;
        EXPECT_EQ(s.guard.guarding(), !over);
        EXPECT_EQ(s.hook.hook().ruleCount(), cleared ? 0u : 1u);
        EXPECT_EQ(s.failSafe.text.has_value(), !cleared);
        EXPECT_EQ(s.store.text.has_value(), !over);
    }
}

TEST(SessionGuard, TheStoredSessionIsTakenUpAfterARestart) {
    const struct {
        const char* name;
        Seconds offSeconds;  // the wall clock while the service was not running
        bool loggedOn;
        SessionGuard::Resumed resumed;
        int64_t leftSeconds;
        bool beats = false;  // Hushwall outlived the service's restart
    } cases[] = {
        {"service restarted, its user logged on", 0, true, SessionGuard::Resumed::Session, 3590},
        {"service restarted while Hushwall runs", 0, true, SessionGuard::Resumed::Session, 3590,
         true},
        {"machine off ten minutes, nobody logged on", 600, false, SessionGuard::Resumed::Session,
         2990},
        {"machine off past the end", 3600, false, SessionGuard::Resumed::EndedWhileOff, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Guarded before;
        before.Start(3600);
        before.Run(10000);
        before.guard.Stop();
        Guarded g;
        g.store.text = before.store.text;
        g.wall.now = before.wall.now + c.offSeconds;
        g.platform.users = {{4, kOther}};
        if (c.loggedOn)
            g.platform.users[2] = kUser;
        g.platform.processes = {{30, {2, kGame}}, {31, {3, kGame}}};
        EXPECT_EQ(g.guard.Resume(), c.resumed);
        EXPECT_EQ(g.guard.SecondsLeftFor(kUser).value_or(0), c.leftSeconds);
        if (c.beats)
            g.guard.Beat(kPid, 2, kUser);
        g.Run(10500);
        // One beat only: after 10 s it is swept for as frozen, but never started again.
        EXPECT_EQ(g.platform.ended,
                  c.loggedOn ? std::vector<uint32_t>{30} : std::vector<uint32_t>{});
        EXPECT_EQ(g.platform.startsAtS.size(), c.loggedOn && !c.beats ? 1u : 0u);
        if (c.loggedOn || c.resumed != SessionGuard::Resumed::Session)
            continue;
        // Matched by the user of the session that logged on, not by its number.
        g.guard.SessionLoggedOn(4);
        g.Run(20000);
        EXPECT_TRUE(g.platform.startsAtS.empty() && g.platform.ended.empty());
        g.platform.users[3] = kUser;
        g.guard.SessionLoggedOn(3);
        g.Run(10000);
        EXPECT_EQ(g.platform.ended, std::vector<uint32_t>{31});
        EXPECT_EQ(g.platform.startsAtS.size(), 1u);
    }
}

TEST(SessionGuard, AStartNeverShortensNorDropsAndAnswersOnlyItsUser) {
    Guarded g;
    g.Start(3600);
    g.guard.AddProgram("C:\\Other\\tool.exe");
    EXPECT_FALSE(g.Start(10)) << "an edited record's shorter end";
    EXPECT_EQ(g.guard.SecondsLeftFor(kUser), 3600);
    EXPECT_EQ(g.guard.programs(), (std::vector<std::string>{kGame, "C:\\Other\\tool.exe"}));
    EXPECT_FALSE(g.guard.SecondsLeftFor(kOther));
    EXPECT_EQ(g.guard.Start(7200, kPid, kSession, kOther), SessionGuard::Outcome::Refused);
    EXPECT_EQ(Guarded().guard.Start(60, kPid, kSession, "S-1-5-19"), SessionGuard::Outcome::Refused)
        << "the machine's accounts have no session to guard";
    EXPECT_TRUE(g.Start(-1));
    EXPECT_TRUE(g.Start(100)) << "unbounded stays so";
    EXPECT_EQ(g.guard.SecondsLeftFor(kUser), kHookUnbounded);
}

TEST(SessionGuard, AnotherUsersClientNeverMovesTheGuardedSessionsFilters) {
    GuardedService s;
    s.StartSession(3600);
    s.hook.ClientGone();
    s.hook.ClientConnected(kPid + 1, kSession + 1, kOther);
    const HookRuleBytes rule = EncodeHookRule(0, 0x05060708);
    Send(s.hook, IOCTL_HOOK_ADD_RULE, std::vector<uint8_t>(rule.begin(), rule.end()));
    ASSERT_FALSE(s.engine.users.empty());
    for (const auto& [id, user] : s.engine.users)
        EXPECT_EQ(user, kUser) << id;
}

TEST(SessionGuard, AFrozenProgramIsSweptForButNotStartedAgain) {
    Guarded g;
    g.Start();
    g.platform.processes = {{40, {kSession, kGame}}};
    g.Run(9000);
    EXPECT_TRUE(g.platform.ended.empty()) << "the start counts as a beat";
    g.guard.Beat(kPid, kSession, kUser);
    g.Run(9900);
    EXPECT_TRUE(g.platform.ended.empty());
    g.Run(200);
    EXPECT_EQ(g.platform.ended, std::vector<uint32_t>{40});
    g.Run(30000);
    EXPECT_TRUE(g.platform.startsAtS.empty()) << "the frozen one still holds the pipe";
    EXPECT_FALSE(g.guard.Beat(kPid, kSession, kOther));
    EXPECT_TRUE(g.guard.Beat(kPid, kSession, kUser));
    EXPECT_EQ(g.platform.releases, 1);
    g.platform.processes[41] = {kSession, kGame};
    g.Run(5000);
    EXPECT_EQ(g.platform.ended.size(), 1u) << "back: the program sweeps for itself";
}

TEST(SessionGuard, ThePendingListIsCappedAndForgottenWithItsClient) {
    Guarded g;
    for (size_t i = 0; i < kGuardMaxPrograms; ++i)
        ASSERT_TRUE(g.guard.AddProgram("C:\\p" + std::to_string(i) + ".exe"));
    EXPECT_FALSE(g.guard.AddProgram("C:\\one-more.exe"));
    EXPECT_FALSE(g.guard.AddProgram("C:\\a.exe\nprogram C:\\b.exe")) << "a line of the record";
    g.guard.ClientGone(kPid);
    g.guard.Start(60, kPid, kSession, kUser);
    EXPECT_TRUE(g.guard.programs().empty());
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
        EXPECT_EQ(g.guard.Tick().clockChanged, c.unbounded);
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
        return Send(service, code, input);
    };
    ASSERT_TRUE(service.Startup());
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, Time(60)), kHookStatusFailed)
        << "an older service's answer";
    service.SetGuard(&g.guard);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, Time(60)), kHookStatusFailed) << "no client yet";
    service.ClientConnected(kPid, kSession, kUser);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, Time(-2)), kHookStatusFailed);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_PROGRAM, std::vector<uint8_t>(kGame.begin(), kGame.end())), kHookStatusOk);
    const std::string share = "\\\\server\\share\\game.exe";  // never opened as SYSTEM
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_PROGRAM, std::vector<uint8_t>(share.begin(), share.end())),
              kHookStatusFailed);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, Time(60)), kHookStatusOk);
    EXPECT_EQ(g.guard.programs(), std::vector<std::string>{kGame});

    // The websites' fail-safe loses its end with the clock too.
    EXPECT_EQ(send(IOCTL_HOOK_SET_REMAINING, Time(3600)), kHookStatusOk);
    service.ClientGone();
    g.wall.now += 7200;
    service.Tick();
    EXPECT_TRUE(service.failSafe().unbounded());
    service.ClientConnected(kPid + 1, kSession, kUser);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_START, Time(0)), kHookStatusUnbounded);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_END), kHookStatusFailed) << "no end: only the key";
    int64_t left = 0;
    EXPECT_EQ(Send(service, IOCTL_HOOK_GUARD_QUERY, {}, &left), kHookStatusOk);
    EXPECT_EQ(left, kHookUnbounded);
    service.ClientConnected(kPid + 2, kSession, kOther);
    EXPECT_EQ(Send(service, IOCTL_HOOK_GUARD_QUERY, {}, &left), kHookStatusFailed);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_KEY_END), kHookStatusFailed) << "another user's key";
    service.ClientConnected(kPid + 1, kSession, kUser);
    EXPECT_EQ(send(IOCTL_HOOK_GUARD_KEY_END), kHookStatusOk);
    EXPECT_EQ(g.guard.state(), SessionGuard::State::Idle);
}
