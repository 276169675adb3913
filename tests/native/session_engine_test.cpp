#include "session/SessionEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "fake_clock.h"
#include "local_zone.h"
#include "session/SessionRecord.h"

namespace {

// Every fake writes what it was asked to do into one log, so the order of the
// steps can be checked across them.
using Log = std::vector<std::string>;

struct FakeTimers : SessionTimers {
    explicit FakeTimers(Log& log) : log(log) {}
    void StartWatcher(const std::vector<std::string>& programs) override {
        std::string line = "watcher on";
        for (const auto& p : programs)
            line += " " + p;
        log.push_back(line);
        watching = programs;
    }
    void StopWatcher() override {
        log.push_back("watcher off");
        watching.clear();
    }
    void StartSessionTimer() override {
        log.push_back("tick on");
        ticking = true;
    }
    void StopSessionTimer() override {
        log.push_back("tick off");
        ticking = false;
    }
    void StartBeatTimer() override {
        log.push_back("beat on");
        beating = true;
    }
    void StopBeatTimer() override { beating = false; }
    Log& log;
    bool beating = false;
    std::vector<std::string> watching;
    bool ticking = false;
};

struct FakeSettings : SettingsStore {
    explicit FakeSettings(Log& log) : log(log) {}
    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& fallback) override {
        auto it = values.find(section + "/" + entry);
        return it == values.end() ? fallback : it->second;
    }
    bool WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override {
        log.push_back("record '" + value + "'");
        values[section + "/" + entry] = value;
        return true;
    }
    std::string Record() { return GetString(kSessionSection, kSessionEntry, "<none>"); }
    Log& log;
    std::map<std::string, std::string> values;
};

struct FakeAutorun : Autorun {
    explicit FakeAutorun(Log& log) : log(log) {}
    void Register() override {
        log.push_back("autorun on");
        registered = true;
    }
    void Remove() override {
        log.push_back("autorun off");
        registered = false;
    }
    Log& log;
    bool registered = false;
};

struct FakeTray : SessionTray {
    explicit FakeTray(Log& log) : log(log) {}
    void HideToTray() override {
        log.push_back("hide to tray");
        shown = true;
    }
    bool IconShown() override { return shown; }
    void SetTooltip(const std::string& text) override {
        log.push_back("tooltip");
        tooltip = text;
    }
    Log& log;
    bool shown = false;
    std::string tooltip = "Hushwall!";
};

struct FakeHost : SessionHost {
    explicit FakeHost(Log& log) : log(log) {}
    bool ValidateDuration(Seconds& end) override {
        log.push_back("validate");
        if (validEnd)
            end = *validEnd;
        return validEnd.has_value();
    }
    bool SaveDefaultProfile() override {
        log.push_back("save default");
        return saveSucceeds;
    }
    std::vector<std::string> CheckedPrograms() override {
        log.push_back("read programs");
        return programs;
    }
    void LockDefaultFiles() override { log.push_back("lock"); }
    void UnlockDefaultFiles() override { log.push_back("unlock"); }
    void ShowMessage(const char* text) override {
        log.push_back("message");
        owned.push_back(text);
    }
    void ShowUnownedMessage(const char* text, const char* caption) override {
        log.push_back("unowned message");
        unowned.push_back(std::string(caption) + "|" + text);
    }
    void SetScreenSaverRunning(bool running) override {
        log.push_back(running ? "saver on" : "saver off");
    }
    Log& log;
    std::optional<Seconds> validEnd;
    bool saveSucceeds = true;
    std::vector<std::string> programs{"C:\\Games\\a.exe", "C:\\b.exe"};
    std::vector<std::string> owned;
    std::vector<std::string> unowned;
};

// Answers at once unless `deferred`, when the test hands the answer over itself.
struct FakeWebsites : WebsiteBlocking {
    explicit FakeWebsites(Log& log) : log(log) {}
    void StartLookups(uint64_t t) override {
        log.push_back("collect");
        ticket = t;
        if (!deferred)
            engine->OnWebsitesResolved(ticket, {addresses, names});
    }
    void CancelLookups() override { log.push_back("cancel"); }
    void SendNames(const std::vector<std::string>& sent) override {
        if (!sent.empty())
            log.push_back("names " + std::to_string(sent.size()));
    }
    void WriteSessionLog(const AddressList& list) override { log.push_back("log " + Count(list)); }
    bool LoadHookRules(const AddressList& list) override {
        log.push_back("rules " + Count(list));
        return rulesSucceed;
    }
    bool SendDriverControl(DriverControl code) override {
        const char* names[] = {"start", "clear", "stop"};
        log.push_back(std::string("driver ") + names[static_cast<int>(code)]);
        return failing != code;
    }
    void SendRemainingTime(std::optional<Seconds> remaining) override {
        log.push_back("remaining " + (remaining ? std::to_string(*remaining) : "none"));
    }
    static std::string Count(const AddressList& list) {
        return std::to_string(list.ipv4.size()) +
               (list.ipv6.empty() ? "" : "+" + std::to_string(list.ipv6.size()));
    }
    Log& log;
    AddressList addresses{{0x0100007F, 0x0200007F}, {}};
    std::vector<std::string> names;
    SessionEngine* engine = nullptr;
    bool deferred = false;
    uint64_t ticket = 0;
    bool rulesSucceed = true;
    std::optional<DriverControl> failing;
};

struct FakeGuard : SessionGuardClient {
    explicit FakeGuard(Log& log) : log(log) {}
    Reply StartGuard(const std::vector<std::string>& programs, std::optional<Seconds> remaining) override {
        std::string line = "guard";
        for (const auto& p : programs)
            line += " " + p;
        log.push_back(line + " " + (remaining ? std::to_string(*remaining) : "none"));
        return reply;
    }
    void EndGuard() override { log.push_back("guard end"); }
    std::optional<Held> QueryGuard() override {
        log.push_back("guard query");
        return held;
    }
    bool EndWithKey() override {
        log.push_back("guard key end");
        return keyEnds;
    }
    void Beat() override { log.push_back("guard beat"); }
    Log& log;
    Reply reply = Reply::Guarded;
    std::optional<Held> held;
    bool keyEnds = true;
};

class SessionEngineTest : public ::testing::Test {
protected:
    void SetUp() override { UseTimeZone("UTC"); }

    SessionEngine& Engine(bool isNT = true, bool withWebsites = false, bool withGuard = false) {
        WebsiteBlocking* sites = withWebsites ? &websites : nullptr;
        SessionServices services{clock,    monotonic, timers, settings, autorun, tray, host, sites,
                                 withGuard ? &guard : nullptr};
        engine = std::make_unique<SessionEngine>(services, isNT);
        engine->websiteBlockingAvailable = withWebsites;
        websites.engine = engine.get();
        return *engine;
    }

    // A counting session that ends `minutes` from the clock's now.
    SessionEngine& Running(Seconds minutes = 10, bool withWebsites = false) {
        SessionEngine& e = Engine(true, withWebsites);
        host.validEnd = clock.now + minutes * 60;
        e.OnBlockNow();
        log.clear();
        return e;
    }

    // Time passes alike for the time of day and the monotonic count.
    void Pass(Seconds seconds) {
        clock.now += seconds;
        monotonic.ms += seconds * 1000;
    }

    Log log;
    FakeClock clock{1796811340};  // 2026-12-09 10:15:40 UTC
    FakeMonotonicClock monotonic;
    FakeTimers timers{log};
    FakeSettings settings{log};
    FakeAutorun autorun{log};
    FakeTray tray{log};
    FakeHost host{log};
    FakeWebsites websites{log};
    FakeGuard guard{log};
    std::unique_ptr<SessionEngine> engine;
};

TEST_F(SessionEngineTest, BlockNowStartsInOrder) {
    SessionEngine& e = Engine();
    host.validEnd = clock.now + 3600;
    e.timeChanged = true;  // left over from an earlier session
    e.OnBlockNow();
    EXPECT_EQ(log, (Log{"validate", "save default", "hide to tray", "read programs", "autorun on",
                        "record '2026 12 9 11 15'", "watcher on C:\\Games\\a.exe C:\\b.exe",
                        "tick on", "lock"}));
    EXPECT_TRUE(e.blockingActive);
    EXPECT_FALSE(e.timeChanged);
    EXPECT_EQ(e.endTime, clock.now + 3600);
    EXPECT_EQ(e.lastTickTime, clock.now);
}

TEST_F(SessionEngineTest, BlockNowStopsAtARefusal) {
    SessionEngine& e = Engine();
    e.OnBlockNow();  // the duration is refused
    EXPECT_EQ(log, (Log{"validate"}));
    host.validEnd = clock.now + 60;
    host.saveSucceeds = false;
    log.clear();
    e.OnBlockNow();
    EXPECT_EQ(log, (Log{"validate", "save default"}));
    EXPECT_FALSE(e.blockingActive);
    EXPECT_EQ(settings.Record(), "<none>");
}

TEST_F(SessionEngineTest, StartTwiceDoesNothingTheSecondTime) {
    SessionEngine& e = Running();
    e.StartBlocking();
    EXPECT_TRUE(log.empty());
}

TEST_F(SessionEngineTest, OutsideNTTheScreenSaverSwitchFramesTheSession) {
    SessionEngine& e = Engine(false);
    host.validEnd = clock.now + 60;
    e.OnBlockNow();
    EXPECT_EQ(log[log.size() - 2], "saver on");
    log.clear();
    e.StopBlocking();
    EXPECT_EQ(log, (Log{"watcher off", "tick off", "saver off", "unlock"}));
}

TEST_F(SessionEngineTest, TicksFiftyNineSecondsApartAreNormal) {
    SessionEngine& e = Running(10);
    for (int i = 0; i < 5; ++i) {
        Pass(59);
        e.OnSessionTick();
        EXPECT_FALSE(e.timeChanged);
        EXPECT_EQ(e.lastTickTime, clock.now);
    }
    EXPECT_TRUE(timers.ticking);
    EXPECT_EQ(settings.Record(), "2026 12 9 10 25");
    EXPECT_EQ(tray.tooltip, "Hushwall!\nDays: 0 Hours: 0 Minutes: 5");
}

// Each step moves the time of day by `wall` seconds and the monotonic count by
// `ms`, then ticks; only the last step may find a changed clock.
struct ClockStep {
    Seconds wall;
    uint64_t ms;
};
struct ClockCase {
    const char* what;
    std::vector<ClockStep> steps;
    bool changed;
    uint64_t startMs = 5'000'000;
};

TEST_F(SessionEngineTest, TheClockCheckTellsAChangedClockFromSleepAndStalls) {
    const Seconds kSleep = 8 * 3600;
    const ClockCase cases[] = {
        {"a steady tick", {{30, 30001}}, false},
        {"whole-second readings either side", {{29, 30001}, {31, 30001}}, false},
        {"a late tick", {{59, 59000}}, false},
        {"a tick right after a late one", {{45, 45000}, {0, 400}}, false},
        {"a stall of two minutes", {{125, 125000}}, false},
        {"a night's sleep", {{kSleep, kSleep * 1000}}, false},
        {"sleep seen through the count's steps", {{kSleep, kSleep * 1000 + 16}}, false},
        {"twenty-nine seconds ahead", {{59, 30001}}, false},
        {"thirty seconds ahead", {{60, 30001}}, true},
        {"a minute ahead", {{90, 30001}}, true},
        {"a day ahead", {{86430, 30001}}, true},
        {"a thousand years ahead", {{1000LL * 366 * 86400 + 1, 30001}}, true},
        {"stood still", {{0, 30001}}, true},
        {"stood still after a tick half a second late", {{0, 29501}}, true},
        {"stood still, seen a tick later after a late one", {{0, 29000}, {0, 30001}}, true},
        {"went back", {{-5, 30001}}, true},
        {"twenty-nine seconds back", {{1, 30001}}, false},
        {"sleep, then a minute ahead", {{kSleep, kSleep * 1000}, {90, 30001}}, true},
        {"a minute ahead during sleep", {{kSleep + 60, kSleep * 1000}}, true},
        {"a minute back during sleep", {{kSleep - 60, kSleep * 1000}}, true},
        {"the count wraps", {{30, 30001}, {30, 30001}}, false, UINT64_MAX - 40000},
        {"the count wraps, the clock moves", {{30, 30001}, {90, 30001}}, true, UINT64_MAX - 40000},
    };
    for (const ClockCase& c : cases) {
        SCOPED_TRACE(c.what);
        clock.now = 1796811340;
        monotonic.ms = c.startMs;
        SessionEngine& e = Running(3 * 24 * 60);
        tray.shown = false;  // the changed-time text goes to the icon in any case
        for (const ClockStep& step : c.steps) {
            ASSERT_FALSE(e.timeChanged) << "changed before the last step";
            log.clear();
            clock.now += step.wall;
            monotonic.ms += step.ms;
            e.OnSessionTick();
        }
        EXPECT_EQ(e.timeChanged, c.changed);
        EXPECT_TRUE(e.blockingActive);
        EXPECT_FALSE(timers.watching.empty());
        if (c.changed) {
            EXPECT_FALSE(timers.ticking);
            EXPECT_EQ(tray.tooltip, "Hushwall!\nYou've changed the system time.");
            EXPECT_EQ(settings.Record(), "-");
            EXPECT_EQ(log, (Log{"tooltip", "tick off", "record '-'"}));
        } else {
            EXPECT_TRUE(timers.ticking);
            EXPECT_EQ(settings.Record(), FormatSessionRecord(e.endTime));
            EXPECT_TRUE(log.empty());
            EXPECT_EQ(e.lastTickTime, clock.now);
        }
    }
}

TEST_F(SessionEngineTest, AStalledOrSleepingSessionEndsAtItsEndTime) {
    for (Seconds gap : {Seconds{65}, Seconds{8 * 3600}}) {
        SCOPED_TRACE(gap);
        SessionEngine& e = Running(1);
        host.unowned.clear();
        Pass(gap);
        e.OnSessionTick();
        EXPECT_FALSE(e.timeChanged);
        EXPECT_FALSE(e.blockingActive);
        EXPECT_EQ(host.unowned, (std::vector<std::string>{"Hushwall!|BLOCKING Time is Up."}));
        EXPECT_EQ(settings.Record(), "");
    }
}

// After a restart of the machine the count starts again far below the last
// process's readings; the stored record alone decides how the session goes on.
TEST_F(SessionEngineTest, AfterARestartTheRecordDecides) {
    for (const char* record : {"2026 12 9 12 0", "-"}) {
        SCOPED_TRACE(record);
        monotonic.ms = 3000;
        SessionEngine& e = Engine();
        ASSERT_TRUE(e.ResumeFromRecord(record));
        e.StartBlocking();
        Pass(30);
        e.OnSessionTick();
        EXPECT_EQ(e.timeChanged, record == std::string("-"));
        EXPECT_TRUE(e.blockingActive);
        EXPECT_EQ(settings.Record(), record);
    }
}

TEST_F(SessionEngineTest, AnUnboundedSessionNeverEndsByTime) {
    SessionEngine& e = Running(1);
    clock.now -= 100;
    e.OnSessionTick();
    Seconds lastTick = e.lastTickTime;
    clock.now += 86400 * 30;
    log.clear();
    e.OnSessionTick();
    EXPECT_TRUE(e.blockingActive);
    EXPECT_EQ(e.lastTickTime, lastTick);
    EXPECT_EQ(log, (Log{"tooltip", "tick off", "record '-'"}));
    EXPECT_TRUE(host.unowned.empty());
}

TEST_F(SessionEngineTest, EndsOnlyWhenNowIsLaterThanTheEnd) {
    SessionEngine& e = Running(1);
    e.endTime = clock.now + 30;
    Pass(30);  // equal: not yet
    e.OnSessionTick();
    EXPECT_TRUE(e.blockingActive);
    EXPECT_EQ(tray.tooltip, "Hushwall!\nLess than one minute.");
    EXPECT_TRUE(host.unowned.empty());

    Pass(30);
    log.clear();
    e.OnSessionTick();
    EXPECT_FALSE(e.blockingActive);
    EXPECT_EQ(log, (Log{"watcher off", "tick off", "unlock", "autorun off", "record ''", "tooltip",
                        "unowned message"}));
    EXPECT_EQ(host.unowned, (std::vector<std::string>{"Hushwall!|BLOCKING Time is Up."}));
    EXPECT_EQ(tray.tooltip, "Hushwall!\nDays: 0 Hours: 0 Minutes: 0");
    EXPECT_FALSE(autorun.registered);
    EXPECT_EQ(settings.Record(), "");
}

TEST_F(SessionEngineTest, NoTooltipWithoutTheIcon) {
    SessionEngine& e = Running(1);
    tray.shown = false;  // the access-key dialog has taken the icon away
    Pass(30);
    e.OnSessionTick();
    EXPECT_TRUE(log.empty());
    Pass(31);
    e.OnSessionTick();
    EXPECT_EQ(std::count(log.begin(), log.end(), "tooltip"), 0);
    EXPECT_EQ(host.unowned.size(), 1u);
}

TEST_F(SessionEngineTest, EndBlockingWithoutASessionTouchesNothing) {
    SessionEngine& e = Engine();
    e.EndBlocking();
    EXPECT_TRUE(log.empty());
}

TEST_F(SessionEngineTest, StopRunsItsStepsWithoutASession) {
    SessionEngine& e = Engine(true, true);
    e.StopBlocking();
    // The clear request goes out even when no rules of ours are loaded.
    EXPECT_EQ(log, (Log{"watcher off", "tick off", "driver clear", "unlock"}));
}

TEST_F(SessionEngineTest, ResumeFromTheMarkerStoresItAgain) {
    SessionEngine& e = Engine();
    ASSERT_TRUE(e.ResumeFromRecord("-"));
    EXPECT_TRUE(e.timeChanged);
    EXPECT_EQ(e.endTime, 0);
    e.StartBlocking();
    EXPECT_EQ(settings.Record(), "-");
    Pass(30);
    e.OnSessionTick();
    EXPECT_EQ(tray.tooltip, "Hushwall!\nYou've changed the system time.");
    EXPECT_TRUE(e.blockingActive);
}

TEST_F(SessionEngineTest, ResumeOfAPassedEndEndsAtTheFirstTick) {
    SessionEngine& e = Engine();
    ASSERT_TRUE(e.ResumeFromRecord("2026 12 9 9 0"));
    e.StartBlocking();
    EXPECT_TRUE(autorun.registered);
    EXPECT_EQ(settings.Record(), "2026 12 9 9 0");
    Pass(30);
    e.OnSessionTick();
    EXPECT_FALSE(e.blockingActive);
    EXPECT_EQ(host.unowned.size(), 1u);
    EXPECT_EQ(settings.Record(), "");
}

TEST_F(SessionEngineTest, EmptyRecordResumesNothing) {
    SessionEngine& e = Engine();
    EXPECT_FALSE(e.ResumeFromRecord(""));
    EXPECT_FALSE(e.timeChanged);
}

TEST_F(SessionEngineTest, WebsiteStepsAtStartAndStop) {
    SessionEngine& e = Running(10, true);
    EXPECT_TRUE(e.websitesBlocked);
    e.EndBlocking();
    EXPECT_EQ(log, (Log{"watcher off", "tick off", "driver clear", "driver stop", "unlock",
                        "autorun off", "record ''"}));
    EXPECT_FALSE(e.websitesBlocked);
    EXPECT_TRUE(host.owned.empty());
}

TEST_F(SessionEngineTest, WebsiteStartOrder) {
    SessionEngine& e = Engine(true, true);
    host.validEnd = clock.now + 60;
    e.OnBlockNow();
    Log tail(log.end() - 6, log.end());
    EXPECT_EQ(tail, (Log{"lock", "collect", "log 2", "rules 2", "driver start", "remaining 60"}));
}

// The lookups answer later: only the running session's own answer reaches the driver,
// names between the rules and the start, and a stop cancels what is left.
TEST_F(SessionEngineTest, LateAnswersReachOnlyTheirOwnRunningSession) {
    websites.deferred = true;
    websites.names = {"a.example", "www.a.example"};
    SessionEngine& e = Running(10, true);
    EXPECT_TRUE(e.LookupsPending());
    const uint64_t first = websites.ticket;
    e.StopBlocking();
    EXPECT_EQ(log, (Log{"watcher off", "tick off", "cancel", "driver clear", "unlock"}));
    log.clear();
    e.OnWebsitesResolved(first, {websites.addresses, websites.names});
    EXPECT_TRUE(log.empty()) << "after its session stopped";

    e.StartBlocking();
    ASSERT_NE(websites.ticket, first);
    log.clear();
    e.OnWebsitesResolved(first, {websites.addresses, websites.names});
    EXPECT_TRUE(log.empty()) << "an older session's answer";
    Pass(30);
    e.OnWebsitesResolved(websites.ticket, {websites.addresses, websites.names});
    EXPECT_EQ(log, (Log{"log 2", "rules 2", "names 2", "driver start", "remaining 570"}));
    EXPECT_FALSE(e.LookupsPending());
    log.clear();
    e.OnWebsitesResolved(websites.ticket, {websites.addresses, websites.names});
    EXPECT_TRUE(log.empty()) << "answered twice";
    e.StopBlocking();
    EXPECT_EQ(std::count(log.begin(), log.end(), "cancel"), 0);

    // Names alone, when no address resolved, are still blocked.
    e.StartBlocking();
    log.clear();
    e.OnWebsitesResolved(websites.ticket, {AddressList(), websites.names});
    EXPECT_EQ(log, (Log{"log 0", "rules 0", "names 2", "driver start", "remaining 570"}));
}

TEST_F(SessionEngineTest, IPv6AloneStillLoadsAndStarts) {
    websites.addresses = {{}, {Ipv6Address{0x20, 0x01, 0x0d, 0xb8}}};
    SessionEngine& e = Engine(true, true);
    host.validEnd = clock.now + 60;
    e.OnBlockNow();
    Log tail(log.end() - 4, log.end());
    EXPECT_EQ(tail, (Log{"log 0+1", "rules 0+1", "driver start", "remaining 60"}));
    EXPECT_TRUE(e.websitesBlocked);
}

// What the hook is told of the time left: after the start code, again on resume,
// and nothing once the clock has moved; never without a started hook.
TEST_F(SessionEngineTest, RemainingTimeFollowsTheSession) {
    struct Case {
        const char* name;
        const char* record;  // resumed from; null: "Hushwall NOW!" for 10 minutes
        Seconds tickAfter;   // then one tick 30 s later, the time of day this far on; 0: none
        bool addresses;
        std::optional<DriverControl> failing;
        Log expected;
    };
    const Case cases[] = {
        {"started", nullptr, 0, true, {}, {"remaining 600"}},
        {"clock moved on", nullptr, 90, true, {}, {"remaining 600", "remaining none"}},
        {"clock went back", nullptr, -5, true, {}, {"remaining 600", "remaining none"}},
        {"normal tick", nullptr, 30, true, {}, {"remaining 600"}},
        {"resumed", "2026 12 9 10 45", 0, true, {}, {"remaining 1760"}},
        {"resumed after its end", "2026 12 9 9 0", 0, true, {}, {"remaining 0"}},
        {"resumed unbounded", "-", 30, true, {}, {"remaining none", "remaining none"}},
        {"start refused", nullptr, 90, true, DriverControl::Start, {}},
        {"nothing to block", nullptr, 90, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        websites.failing = c.failing;
        websites.addresses = c.addresses ? AddressList{{0x0100007F}, {}} : AddressList{};
        SessionEngine& e = Engine(true, true);
        if (c.record) {
            ASSERT_TRUE(e.ResumeFromRecord(c.record));
            e.StartBlocking();
        } else {
            host.validEnd = clock.now + 600;
            e.OnBlockNow();
        }
        if (c.tickAfter) {
            clock.now += c.tickAfter;
            monotonic.ms += 30000;
            e.OnSessionTick();
            clock.now -= c.tickAfter;
        }
        Log sent;
        for (const auto& line : log)
            if (line.rfind("remaining", 0) == 0)
                sent.push_back(line);
        EXPECT_EQ(sent, c.expected);
        e.StopBlocking();
    }
}

TEST_F(SessionEngineTest, NoAddressesMeansNoDriverRequestAtStart) {
    websites.addresses = {};
    SessionEngine& e = Running(10, true);
    EXPECT_FALSE(e.websitesBlocked);
    e.StopBlocking();
    EXPECT_EQ(log, (Log{"watcher off", "tick off", "driver clear", "unlock"}));
}

TEST_F(SessionEngineTest, EachDriverFailureIsToldAndTheSessionGoesOn) {
    websites.rulesSucceed = false;
    SessionEngine& e = Running(10, true);
    EXPECT_TRUE(e.blockingActive);
    EXPECT_FALSE(e.websitesBlocked);
    EXPECT_EQ(host.owned, (std::vector<std::string>{kRulesFailedMessage}));
    EXPECT_STREQ(kRulesFailedMessage,
                 "Website blocking will not be available.\nAn error occured while loading the "
                 "IPs list into the firewall hook driver.");
    e.EndBlocking();

    host.owned.clear();
    websites.rulesSucceed = true;
    websites.failing = DriverControl::Start;
    SessionEngine& e2 = Running(10, true);
    EXPECT_TRUE(e2.blockingActive);
    EXPECT_FALSE(e2.websitesBlocked);
    EXPECT_EQ(host.owned, (std::vector<std::string>{kStartFailedMessage}));
    EXPECT_STREQ(kStartFailedMessage,
                 "Website blocking will not be available.\nAn error occured while starting the "
                 "firewall hook driver.");
}

TEST_F(SessionEngineTest, StopFailuresAreToldAndStoppingGoesOn) {
    websites.failing = DriverControl::Clear;
    SessionEngine& e = Running(10, true);
    e.EndBlocking();
    EXPECT_EQ(
        host.owned,
        (std::vector<std::string>{"An error occured while unblocking the website addresses."}));
    EXPECT_FALSE(e.websitesBlocked);

    host.owned.clear();
    websites.failing = DriverControl::Stop;
    SessionEngine& e2 = Running(10, true);
    e2.EndBlocking();
    EXPECT_EQ(
        host.owned,
        (std::vector<std::string>{"An error occured while stopping the firewall hook driver."}));
    EXPECT_TRUE(e2.websitesBlocked);
    EXPECT_EQ(log.back(), "record ''");
    EXPECT_NE(std::find(log.begin(), log.end(), "unlock"), log.end());
}

TEST_F(SessionEngineTest, WithoutTheDriverNoWebsiteStepRuns) {
    SessionEngine& e = Running(10, false);
    e.EndBlocking();
    for (const auto& line : log)
        EXPECT_EQ(line.find("driver"), std::string::npos) << line;
}

}  // namespace

TEST_F(SessionEngineTest, TheServiceGuardsEveryStartAndOnlyTheSessionsEndEndsTheGuard) {
    const struct {
        const char* name;
        SessionGuardClient::Reply reply;
        bool unbounded;
    } cases[] = {
        {"guarded", SessionGuardClient::Reply::Guarded, false},
        {"an older service", SessionGuardClient::Reply::Refused, false},
        {"the service saw the clock change", SessionGuardClient::Reply::Unbounded, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        guard.reply = c.reply;
        SessionEngine& e = Engine(true, true, true);
        websites.addresses = {};
        host.validEnd = clock.now + 600;
        e.OnBlockNow();
        const auto at = std::find(log.begin(), log.end(), "guard C:\\Games\\a.exe C:\\b.exe 600");
        ASSERT_NE(at, log.end());
        const Log unboundedSteps{"beat on", "tooltip", "tick off", "record '-'"};
        const bool refused = c.reply == SessionGuardClient::Reply::Refused;
        EXPECT_EQ(Log(at + 1, log.end()), c.unbounded ? unboundedSteps : refused ? Log{} : Log{"beat on"});
        EXPECT_EQ(e.Guarded(), !refused);
        EXPECT_EQ(e.timeChanged, c.unbounded);
        // The window's own stop leaves the session to the guard; the end does not.
        e.StopBlocking();
        EXPECT_EQ(std::count(log.begin(), log.end(), "guard end"), 0);
        // Sent again at every start; once unbounded, without an end.
        log.clear();
        e.StartBlocking();
        const std::string again = c.unbounded ? "none" : "600";
        EXPECT_EQ(std::count(log.begin(), log.end(), "guard C:\\Games\\a.exe C:\\b.exe " + again), 1);
        e.EndBlocking();
        EXPECT_EQ(std::count(log.begin(), log.end(), "guard end"), 1);
    }
}

// The record is the user's copy: the service's session is never cut short by it.
TEST_F(SessionEngineTest, TheServicesEndWinsOverAShorterOrMissingRecord) {
    using Held = SessionGuardClient::Held;
    const Seconds now = 1796811340;  // 10:15:40
    const struct {
        const char* name;
        const char* record;
        std::optional<Held> held;
        bool resumed;
        Seconds end;        // 0: without end, the clock-changed branch at start
        const char* after;  // the record once started
    } cases[] = {
        {"a shorter record", "2026 12 9 10 20", Held{3600}, true, now + 3600, "2026 12 9 11 15"},
        {"no record", "", Held{600}, true, now + 600, "2026 12 9 10 25"},
        {"a longer record", "2026 12 9 12 0", Held{600}, true, 1796817600, "2026 12 9 12 0"},
        {"no session at the service", "", std::nullopt, false, 0, "<none>"},
        {"no end at the service", "2026 12 9 12 0", Held{}, true, 0, "-"},
        {"no end in the record", "-", Held{600}, true, 0, "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.values.clear();
        guard.held = c.held;
        SessionEngine& e = Engine(true, true, true);
        ASSERT_EQ(e.ResumeFromRecord(c.record), c.resumed);
        if (c.resumed)
            e.StartBlocking();
        EXPECT_EQ(settings.Record(), c.after);
        if (!c.resumed)
            continue;
        EXPECT_EQ(e.timeChanged, c.end == 0);
        if (c.end) {
            EXPECT_EQ(e.endTime, c.end);
        }
        // The service's session without end takes the clock-changed branch at once.
        EXPECT_EQ(timers.ticking, c.end != 0 || c.held->remaining);
        e.StopBlocking();
    }
}

// Only the key ends a guarded session early; the end of the process leaves it
// to the service; at time-up a refusal is the service's to handle.
TEST_F(SessionEngineTest, HowAGuardedSessionEnds) {
    using Reply = SessionGuardClient::Reply;
    enum How { Key, TimeUp, Exit };
    const struct {
        const char* name;
        Reply reply;
        bool keyEnds;
        How how;
        std::optional<DriverControl> failing;
        Log expected;  // the guard's and driver's steps
    } cases[] = {
        {"the key", Reply::Guarded, true, Key, {}, {"guard beat", "guard key end"}},
        {"the key, an older service", Reply::Refused, false, Key, {},
         {"guard key end", "driver clear", "driver stop", "guard end"}},
        {"time-up, refused before the service's end", Reply::Guarded, true, TimeUp, DriverControl::Clear,
         {"guard beat", "driver clear", "driver stop", "guard end"}},
        {"the end of the process", Reply::Guarded, true, Exit, {}, {"guard beat"}},
        {"the end of the process without the guard", Reply::Refused, true, Exit, {},
         {"driver clear", "driver stop"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        guard.reply = c.reply;
        guard.keyEnds = c.keyEnds;
        websites.failing = c.failing;
        SessionEngine& e = Engine(true, true, true);
        host.validEnd = clock.now + 60;
        e.OnBlockNow();
        ASSERT_TRUE(e.websitesBlocked);
        log.clear();
        e.OnBeat();  // only while the service guards the session
        if (c.how == Key) {
            e.EndWithKey();
        } else if (c.how == TimeUp) {
            Pass(61);
            e.OnSessionTick();
        } else {
            e.StopForExit();
        }
        Log steps;
        for (const auto& line : log)
            if (line.rfind("guard", 0) == 0 || line.rfind("driver", 0) == 0)
                steps.push_back(line);
        EXPECT_EQ(steps, c.expected);
        EXPECT_TRUE(host.owned.empty()) << host.owned.front();
        EXPECT_FALSE(e.blockingActive);
        EXPECT_FALSE(timers.beating);
        EXPECT_EQ(settings.Record(), c.how == Exit ? FormatSessionRecord(e.endTime) : "");
        log.clear();
        e.OnBeat();
        EXPECT_TRUE(log.empty()) << "no beat after the session";
    }
}

namespace {

TEST_F(SessionEngineTest, AScheduledSessionStartsHiddenAndWideningNeverShortensIt) {
    SessionEngine& e = Engine(true, true, true);
    e.StartScheduled(clock.now + 600);
    EXPECT_EQ(std::count(log.begin(), log.end(), "hide to tray"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "validate"), 0);
    EXPECT_EQ(settings.Record(), "2026 12 9 10 25");
    host.programs = {"C:\\chat.exe"};
    log.clear();
    e.StartScheduled(clock.now + 300);
    // The watcher, the hook and the guard take the wider lists; the end stays.
    EXPECT_EQ(log, (Log{"read programs", "watcher on C:\\chat.exe", "driver clear", "driver stop",
                        "collect", "log 2", "rules 2", "driver start", "remaining 600",
                        "guard C:\\chat.exe 600", "beat on", "tooltip"}));
    e.StartScheduled(clock.now + 900);
    EXPECT_EQ(e.endTime, clock.now + 900);
    EXPECT_EQ(settings.Record(), "2026 12 9 10 30");
}

}  // namespace
