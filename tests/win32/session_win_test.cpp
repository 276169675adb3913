// A session run by the engine on the real adapters: the watcher's thread
// timer, the window's tick, the Run key, the registry record and the icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/RegistrySettings_win.h"
#include "app/TrayIcon_win.h"
#include "base/Clock_win.h"
#include "e2e/Driver.h"
#include "programs/ProcessPlatform_win.h"
#include "programs/WatcherTimer_win.h"
#include "session/SessionPlatform_win.h"
#include "session/SessionRecord.h"
#include "toolkit/Messages.h"
#include "hook/HookRule.h"
#include "websites/AddressResolution_win.h"
#include "websites/SessionWebsites.h"
#include "native/pipe_only_platform.h"

namespace {

constexpr const char* kAppName = "HushwallSessionTest";
// Short ticks, so that a test sees several.
constexpr UINT kTickMs = 1100;

class CountingHost : public WatcherHost {
public:
    bool HasMainWindow() override { return false; }
    void HideMainWindow() override {}
    void StartNotice() override {}
};

// The main window's part, with the programs to block handed in.
class Host : public SessionHost {
public:
    bool ValidateDuration(Seconds&) override { return false; }
    bool SaveDefaultProfile() override { return true; }
    std::vector<std::string> CheckedPrograms() override { return programs; }
    void LockDefaultFiles() override {}
    void UnlockDefaultFiles() override {}
    void ShowMessage(const char* text) override { ::ShowMessage(window, text, kAppName); }
    void ShowUnownedMessage(const char* text, const char* caption) override {
        ::ShowMessage(nullptr, text, caption);
    }
    void SetScreenSaverRunning(bool) override {}
    std::vector<std::string> programs;
    HWND window = nullptr;
};

// The time of day moved by the test, as a user moving the system clock would;
// the monotonic count beside it stays the system's own.
class MovableClock : public Clock {
public:
    Seconds Now() override { return m_real.Now() + offset; }
    Seconds offset = 0;

private:
    SystemClock m_real;
};

SessionEngine* g_engine = nullptr;

LRESULT CALLBACK TickWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == WindowSessionTimers::kSessionTimerId && g_engine) {
        g_engine->OnSessionTick();
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

class SessionWin : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::ForgetSession(kAppName);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = TickWindowProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "HushwallSessionTestWindow";
        ::RegisterClassA(&windowClass);
        window = ::CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10,
                                   nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        host.window = window;
        timers.SetWindow(window);
        tray.Init(window, ::LoadIconA(nullptr, IDI_APPLICATION), &engine.endTime);
        g_engine = &engine;
        SetMessageSink([this](const MessageRecord& record) {
            messages.push_back(record);
            return IDOK;
        });
    }
    void TearDown() override {
        engine.EndBlocking();
        tray.Remove();
        g_engine = nullptr;
        SetMessageSink(nullptr);
        ::DestroyWindow(window);
        for (auto& program : started)
            program->Kill();
        e2e::ForgetSession(kAppName);
    }

    std::string Helper(const std::string& name) {
        const std::string path = e2e::FreshFolder(name) + name + ".exe";
        EXPECT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), path.c_str(), FALSE));
        return path;
    }
    e2e::Program& Run(const std::string& exe) {
        started.push_back(std::make_unique<e2e::Program>());
        EXPECT_TRUE(e2e::Start(exe, *started.back())) << exe;
        return *started.back();
    }

    HWND window = nullptr;
    SystemClock clock;
    TickCountClock monotonic;
    SystemProcesses processes;
    CountingHost watcherHost;
    std::atomic<bool> noticeShowing{false};
    ProcessWatcher watcher{processes, watcherHost, noticeShowing};
    WindowSessionTimers timers{watcher, nullptr, kTickMs};
    RegistrySettings settings{kCompanyKey, kAppName};
    RunKeyAutorun autorun{kAppName, "C:\\Program Files\\Hushwall\\HushwallSessionTest.exe"};
    CTrayIcon tray{clock};
    Host host;
    SessionEngine engine{SessionServices{clock, monotonic, timers, settings, autorun, tray, host},
                         true};
    std::vector<MessageRecord> messages;
    std::vector<std::unique_ptr<e2e::Program>> started;
};

TEST_F(SessionWin, BlocksTheTickedProgramAndEndsWithoutATrace) {
    const std::string game = Helper("hw-session-game");
    const std::string other = Helper("hw-session-other");
    ASSERT_TRUE(e2e::ChangeOneByte(other)) << "else a copy of the blocked one";
    host.programs = {game};
    engine.endTime = clock.Now() + 10 * 60;
    tray.HideToTray();
    engine.StartBlocking();

    EXPECT_EQ(e2e::RunValue(kAppName), "C:\\Program Files\\Hushwall\\HushwallSessionTest.exe");
    EXPECT_EQ(e2e::SessionRecord(kAppName), FormatSessionRecord(engine.endTime));
    EXPECT_NE(WatcherTimerId(), 0u);

    e2e::Program& blocked = Run(game);
    e2e::Program& allowed = Run(other);
    EXPECT_TRUE(e2e::PumpUntil([&] { return !blocked.Running(); }, 2500))
        << "ended within a few sweeps";
    EXPECT_TRUE(allowed.Running());

    // Ticks come and go without changing the session.
    e2e::Pump(2 * kTickMs + 300);
    EXPECT_TRUE(engine.blockingActive);
    EXPECT_FALSE(engine.timeChanged);
    EXPECT_EQ(tray.Tooltip(), "Hushwall!\nDays: 0 Hours: 0 Minutes: 10");
    EXPECT_TRUE(messages.empty());

    engine.EndBlocking();
    EXPECT_EQ(e2e::RunValue(kAppName), "<none>");
    EXPECT_EQ(e2e::SessionRecord(kAppName), "");
    EXPECT_EQ(WatcherTimerId(), 0u);
    e2e::Program& again = Run(game);
    e2e::Pump(1800);
    EXPECT_TRUE(again.Running()) << "no sweeps after the end";
}

TEST_F(SessionWin, EndsAtItsTimeWithTheTimeUpMessage) {
    const std::string game = Helper("hw-session-timeup");
    host.programs = {game};
    engine.endTime = clock.Now() + 1;
    tray.HideToTray();
    engine.StartBlocking();
    e2e::Program& blocked = Run(game);
    EXPECT_TRUE(e2e::PumpUntil([&] { return !blocked.Running(); }, 2500));

    ASSERT_TRUE(e2e::PumpUntil([&] { return !messages.empty(); }, 4 * kTickMs));
    EXPECT_FALSE(engine.blockingActive);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].owner, nullptr);
    EXPECT_EQ(messages[0].caption, "Hushwall!");
    EXPECT_EQ(messages[0].text, "BLOCKING Time is Up.");
    EXPECT_EQ(tray.Tooltip(), "Hushwall!\nDays: 0 Hours: 0 Minutes: 0");
    EXPECT_TRUE(tray.trayIconShown) << "the icon stays until it is clicked";
    EXPECT_EQ(e2e::RunValue(kAppName), "<none>");
    EXPECT_EQ(e2e::SessionRecord(kAppName), "");

    e2e::Pump(2 * kTickMs);
    EXPECT_EQ(messages.size(), 1u) << "the tick is gone with the session";
}

// The prefix has no clock of its own: SetSystemTime would move the machine's.
// The time of day is moved through the engine's clock instead.
TEST_F(SessionWin, AChangedClockMakesTheSessionUnbounded) {
    struct Case {
        const char* what;
        Seconds offset;
    };
    for (Case c : {Case{"two minutes ahead", 120}, Case{"forty-five seconds back", -45}}) {
        SCOPED_TRACE(c.what);
        MovableClock wall;
        SessionEngine moved{SessionServices{wall, monotonic, timers, settings, autorun, tray, host},
                            true};
        g_engine = &moved;
        moved.endTime = wall.Now() + 600;
        tray.HideToTray();
        moved.StartBlocking();
        e2e::Pump(2 * kTickMs + 300);
        ASSERT_FALSE(moved.timeChanged) << "normal ticks first";
        wall.offset = c.offset;
        ASSERT_TRUE(e2e::PumpUntil([&] { return moved.timeChanged; }, 3 * kTickMs));
        EXPECT_TRUE(moved.blockingActive);
        EXPECT_EQ(e2e::SessionRecord(kAppName), "-");
        EXPECT_EQ(tray.Tooltip(), "Hushwall!\nYou've changed the system time.");
        EXPECT_NE(WatcherTimerId(), 0u) << "programs stay blocked";
        // No more ticks: the session has no end by time.
        moved.endTime = wall.Now() - 1;
        e2e::Pump(2 * kTickMs);
        EXPECT_TRUE(moved.blockingActive);
        EXPECT_TRUE(messages.empty());
        moved.EndBlocking();
        tray.Remove();
        g_engine = &engine;
        EXPECT_EQ(e2e::SessionRecord(kAppName), "");
    }
}

// A process that does not run its message loop for over a minute, as on a
// loaded or sleeping machine, meets one late tick that sees both clocks moved alike.
TEST_F(SessionWin, AStalledSessionEndsAtItsEndTime) {
    engine.endTime = clock.Now() + 20;
    tray.HideToTray();
    engine.StartBlocking();
    e2e::Pump(kTickMs + 300);
    ASSERT_TRUE(engine.blockingActive);
    ::Sleep(62000);
    ASSERT_TRUE(e2e::PumpUntil([&] { return !messages.empty(); }, 4 * kTickMs));
    EXPECT_FALSE(engine.timeChanged);
    EXPECT_FALSE(engine.blockingActive);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "BLOCKING Time is Up.");
    EXPECT_EQ(e2e::SessionRecord(kAppName), "");
}

// Stands in for the filter service's pipe, so the session's calls can be read.
class DeviceStandIn : public PipeOnlyPlatform {
public:
    bool Control(Handle, uint32_t code, const void* input, uint32_t length) override {
        codes.push_back(code);
        if (code == IOCTL_HOOK_ADD_RULE && length == kHookRuleSize)
            rules.emplace_back(static_cast<const uint8_t*>(input),
                               static_cast<const uint8_t*>(input) + length);
        if (code == IOCTL_HOOK_SET_REMAINING && length == kHookTimeSize)
            times.emplace_back(static_cast<const uint8_t*>(input),
                               static_cast<const uint8_t*>(input) + length);
        return true;
    }
    std::vector<uint32_t> codes;
    std::vector<std::vector<uint8_t>> rules;
    std::vector<std::vector<uint8_t>> times;
};

TEST_F(SessionWin, TheTickedWebsitesGoToTheLogAndTheDriver) {
    const std::string folder = e2e::FreshFolder("session-websites");
    DeviceStandIn device;
    ServiceConnection connection(device);
    CFirewallHookDriver driver(device, connection);
    WinInetUrlCracker cracker;
    ASSERT_TRUE(driver.OpenDevice());
    std::mutex mutex;
    std::vector<std::pair<uint64_t, WebsiteTargets>> outcomes;
    SessionWebsites steps(
        driver,
        [] {
            return EntryList{{"192.0.2.7", "Literal", true}, {"unticked.invalid", "Off", false}};
        },
        folder, std::make_shared<WinsockResolver>(), cracker,
        [&](uint64_t ticket, WebsiteTargets targets) {
            std::lock_guard<std::mutex> lock(mutex);
            outcomes.emplace_back(ticket, std::move(targets));
        });
    SessionEngine withWebsites{
        SessionServices{clock, monotonic, timers, settings, autorun, tray, host, &steps}, true};
    g_engine = &withWebsites;
    withWebsites.websiteBlockingAvailable = driver.IsOpen();
    withWebsites.endTime = clock.Now() + 600;
    withWebsites.StartBlocking();
    EXPECT_TRUE(withWebsites.LookupsPending());
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            std::lock_guard<std::mutex> lock(mutex);
            return !outcomes.empty();
        },
        15000));
    withWebsites.OnWebsitesResolved(outcomes[0].first, outcomes[0].second);

    // The literal resolves to itself; its "www." twin to nothing.
    EXPECT_TRUE(withWebsites.websitesBlocked);
    EXPECT_EQ(device.codes, (std::vector<uint32_t>{IOCTL_HOOK_ADD_RULE, IOCTL_HOOK_ADD_RULE,
                                                   IOCTL_HOOK_START, IOCTL_HOOK_SET_REMAINING}))
        << "no IPv6 rule, and no name: a literal is no host name";
    HookTimeBytes left;
    ASSERT_EQ(device.times.size(), 1u);
    std::memcpy(left.data(), device.times[0].data(), kHookTimeSize);
    EXPECT_GT(DecodeHookTime(left), 590);
    EXPECT_LE(DecodeHookTime(left), 600);
    ASSERT_EQ(device.rules.size(), 2u);
    const std::vector<uint8_t> local = {192, 0, 2, 7};
    EXPECT_EQ(std::vector<uint8_t>(device.rules[0].begin() + 8, device.rules[0].begin() + 12),
              local)
        << "first the traffic to the address";
    EXPECT_EQ(std::vector<uint8_t>(device.rules[1].begin() + 4, device.rules[1].begin() + 8), local)
        << "then the traffic from it";

    std::ifstream log(folder + "default.log", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "\r\nNew Session Log\r\n\r\n192.0.2.7\r\n\r\nEnd Session Log\r\n");

    withWebsites.EndBlocking();
    EXPECT_EQ(device.codes.size(), 6u);
    EXPECT_EQ(device.codes[4], IOCTL_HOOK_CLEAR_RULES);
    EXPECT_EQ(device.codes[5], IOCTL_HOOK_STOP);
    EXPECT_FALSE(withWebsites.websitesBlocked);
    EXPECT_TRUE(messages.empty());
    g_engine = &engine;
}

}  // namespace
