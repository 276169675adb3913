#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/SettingsStore.h"
#include "base/Clock.h"
#include "hook/AddressList.h"
#include "serviceclient/ServiceGuard.h"

// The message-loop timers of a session.
class SessionTimers {
public:
    virtual ~SessionTimers() = default;
    // The 800 ms watcher timer, sweeping for these program paths.
    virtual void StartWatcher(const std::vector<std::string>& blockedPrograms) = 0;
    virtual void StopWatcher() = 0;
    // The main window's 30001 ms tick.
    virtual void StartSessionTimer() = 0;
    virtual void StopSessionTimer() = 0;
    // The beat to the filter service while it guards the session, every few seconds.
    virtual void StartBeatTimer() = 0;
    virtual void StopBeatTimer() = 0;
};

// The value under the user's Run key that starts the program at log-on.
class Autorun {
public:
    virtual ~Autorun() = default;
    virtual void Register() = 0;
    virtual void Remove() = 0;
};

// The notification-area icon as the session sees it.
class SessionTray {
public:
    virtual ~SessionTray() = default;
    // Adds the icon with the time left and hides the main window.
    virtual void HideToTray() = 0;
    virtual bool IconShown() = 0;
    // Copies the text into the icon's tooltip and asks the shell to update the icon.
    virtual void SetTooltip(const std::string& text) = 0;
};

// What the session needs of the main window and its pages.
class SessionHost {
public:
    virtual ~SessionHost() = default;
    // Sets `endTime` to a moment later than now; on false the user has been told.
    virtual bool ValidateDuration(Seconds& endTime) = 0;
    // Refuses when nothing is ticked and saves the default profile; on false the user has been
    // told.
    virtual bool SaveDefaultProfile() = 0;
    // The targets of the ticked program rows, in page order.
    virtual std::vector<std::string> CheckedPrograms() = 0;
    virtual void LockDefaultFiles() = 0;
    virtual void UnlockDefaultFiles() = 0;
    // A box owned by the main window, captioned with the application's name.
    virtual void ShowMessage(const char* text) = 0;
    // A box with no owner.
    virtual void ShowUnownedMessage(const char* text, const char* caption) = 0;
    // Outside the NT family only: mark a screen saver as running, so that the
    // system's task switching keys stay off.
    virtual void SetScreenSaverRunning(bool running) = 0;
};

enum class DriverControl { Start, Clear, Stop };

// What a session blocks of the ticked websites: their addresses and host names.
struct WebsiteTargets {
    AddressList addresses;
    std::vector<std::string> names;
    bool empty() const { return addresses.empty() && names.empty(); }
};

// Website blocking through the firewall hook driver.
class WebsiteBlocking {
public:
    virtual ~WebsiteBlocking() = default;
    // Starts looking up the ticked websites away from this thread; what they give is
    // handed to SessionEngine::OnWebsitesResolved with the same ticket, on this thread.
    virtual void StartLookups(uint64_t ticket) = 0;
    // Gives up the lookups still running; their outcome is never handed over.
    virtual void CancelLookups() = 0;
    virtual void WriteSessionLog(const AddressList& addresses) = 0;
    // False when an IPv4 rule was refused; IPv6 rules the hook refuses are left out.
    virtual bool LoadHookRules(const AddressList& addresses) = 0;
    // The host names, after the rules; a hook that refuses them leaves them out.
    virtual void SendNames(const std::vector<std::string>& names) = 0;
    virtual bool SendDriverControl(DriverControl code) = 0;
    // The time left in the started session, or nothing once it has no end, so
    // that the hook can let go by itself should the program never clear it.
    // A refusal changes nothing for the session.
    virtual void SendRemainingTime(std::optional<Seconds> remaining) = 0;
};

struct SessionServices {
    Clock& clock;
    MonotonicClock& monotonic;  // what the clock check measures the time of day against
    SessionTimers& timers;
    SettingsStore& settings;  // holds the session record
    Autorun& autorun;
    SessionTray& tray;
    SessionHost& host;
    WebsiteBlocking* websites = nullptr;  // null until a driver exists
    SessionGuardClient* guard = nullptr;  // used only while the service's pipe is open
};

constexpr const char* kTimeUpMessage = "BLOCKING Time is Up.";
constexpr const char* kTimeUpCaption = "Hushwall!";
constexpr const char* kRulesFailedMessage =
    "Website blocking will not be available.\nAn error occured while loading the IPs list into "
    "the firewall hook driver.";
constexpr const char* kStartFailedMessage =
    "Website blocking will not be available.\nAn error occured while starting the firewall hook "
    "driver.";
constexpr const char* kClearFailedMessage =
    "An error occured while unblocking the website addresses.";
constexpr const char* kStopFailedMessage =
    "An error occured while stopping the firewall hook driver.";

// Starts, ticks, stops and ends a blocking session.
class SessionEngine {
public:
    SessionEngine(const SessionServices& services, bool isNTPlatform)
        : m_s(services), m_isNTPlatform(isNTPlatform) {}

    // "Hushwall NOW!".
    void OnBlockNow();
    void StartBlocking();
    // A session the schedule asks for, of what CheckedPrograms and the lookups give now:
    // started hidden until `end`, or, when one runs, widened to them and to a later `end`.
    void StartScheduled(Seconds end);
    void OnSessionTick();
    // Undoes a session's effects; safe without one.
    void StopBlocking();
    // The window goes (log-off, the end of the process): as StopBlocking, but a
    // session the service guards keeps its rules, names and guard there.
    void StopForExit();
    // StopBlocking, then forgets the stored session and the autorun value.
    void EndBlocking();
    // The right access key ends the session, and the service's guard with it.
    void EndWithKey();
    // The beat timer's tick.
    void OnBeat();

    // The outcome of the lookups started with `ticket`: logged, then loaded into the hook,
    // which is started. Ignored once the session that asked for it has stopped.
    void OnWebsitesResolved(uint64_t ticket, const WebsiteTargets& targets);
    // Lookups are running for this session: the hook is not started yet.
    bool LookupsPending() const { return m_lookupsPending; }

    // Reads a stored record at start-up, and the session the service guards
    // for this user, whose end wins over a shorter or missing record; true
    // when a session is to be resumed.
    bool ResumeFromRecord(const std::string& record);
    // The filter service guards the running session.
    bool Guarded() const { return m_guarded; }

    bool blockingActive = false;
    bool timeChanged = false;
    Seconds lastTickTime = 0;
    Seconds endTime = 0;
    bool websiteBlockingAvailable = false;
    bool websitesBlocked = false;

private:
    void WriteRecord(const std::string& record);
    void TakeTickBaseline();
    void StartWebsiteBlocking();
    void StartGuard(const std::vector<std::string>& blockedPrograms);
    void Stop(bool exiting);
    void StopWebsiteBlocking(bool exiting);
    // From now on the session has no end: only the access key ends it.
    void OnClockChanged();
    // endTime - now, at least 0.
    Seconds RemainingSeconds();

    SessionServices m_s;
    bool m_isNTPlatform;
    // The monotonic count beside `lastTickTime`; never stored, since the count
    // starts again with the machine.
    uint64_t m_lastTickMs = 0;
    uint64_t m_lookupTicket = 0;
    bool m_lookupsPending = false;
    bool m_guarded = false;
    // The service's session had no end at resume: the clock-change branch at start.
    bool m_unboundedAtResume = false;
    // The service ended everything after the key: nothing more to clear.
    bool m_endedByService = false;
};
