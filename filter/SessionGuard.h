#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "filter/FailSafe.h"  // FailSafeStore: the guard's record is kept the same way
#include "programs/ProcessRecord.h"

// Who runs a process, as far as the guard may end it.
struct ProcessOwner {
    bool known = false;  // the token could be read
    std::string user;    // SID string
    bool critical = false;
    bool protectedProcess = false;
};

// Only the session's user's own ordinary processes: never the machine's
// accounts', another user's, or a critical or protected process.
bool MayEndProcess(const ProcessOwner& owner, const std::string& sessionUser);

// What the guard needs of the system.
class GuardPlatform {
public:
    enum class SessionState { LoggedOn, Gone, Unknown };
    virtual ~GuardPlatform() = default;
    // What the program's own sweep would end, kept to the processes of `session`
    // that MayEndProcess allows for `user`.
    virtual std::vector<uint32_t> FindBlocked(const std::vector<std::string>& programs,
                                              uint32_t session, const std::string& user) = 0;
    // Lets go of what the sweeps kept, once no sweep follows soon.
    virtual void ReleaseSweeps() = 0;
    virtual bool EndProcess(uint32_t pid) = 0;
    // Unknown where the system cannot say.
    virtual SessionState QuerySession(uint32_t session) = 0;
    // The SID of the user logged on to `session`; empty when none or unknown.
    virtual std::string SessionUser(uint32_t session) = 0;
    // A session `user` is logged on to, if any.
    virtual std::optional<uint32_t> FindUserSession(const std::string& user) = 0;
    // Starts the registered program as the session's user, on its desktop;
    // for a block of the schedule, behind its icon as at log-on.
    virtual bool StartProgram(uint32_t session, bool forSchedule) = 0;
};

constexpr uint64_t kGuardSweepMs = 800;
constexpr uint64_t kGuardFirstStartDelayMs = 2000;
constexpr uint64_t kGuardMaxStartDelayMs = 60000;
// At a log-on the Run value usually starts the program first, and after a restart of the
// service a program still running beats first; a second one would only complain.
constexpr uint64_t kGuardLogOnStartDelayMs = 10000;
// A program back for this long was not ending at once: the next pause is the first again.
constexpr uint64_t kGuardSteadyMs = 60000;
// The clock check's baseline is renewed about as often as the program's tick.
constexpr uint64_t kGuardClockPeriodMs = 30000;
// A connected program without a beat for this long is frozen: the guard sweeps for it.
constexpr uint64_t kGuardBeatTimeoutMs = 10000;
// The program notices its end at its own tick, up to one tick late or early.
constexpr uint64_t kGuardEndSlackMs = 30000;
// The record's count is at most this far behind after a crash.
constexpr uint64_t kGuardSaveMs = 60000;
constexpr size_t kGuardMaxPrograms = 256;

// The guarded session as stored: "user <SID>", then "left <s> at <wall s>" or
// "unbounded", then "program <path>" lines.
struct GuardRecord {
    std::string user;
    bool unbounded = false;
    int64_t leftSeconds = 0;
    Seconds savedAt = 0;
    std::vector<std::string> programs;
};
std::string EncodeGuardRecord(const GuardRecord& record);
std::optional<GuardRecord> DecodeGuardRecord(const std::string& text);

// The service's side of a session. It alone decides when the session ends: at
// its own end (kept across restarts), or by the key. While the program is gone
// or frozen it ends the blocked programs and the task manager of the session's
// user, and starts the program again; for the whole session it watches the clock.
class SessionGuard {
public:
    enum class State {
        Idle,       // no session
        Running,    // the program is back and connected
        Gone,       // ended without the session's end: sweeping, starting it again
        LoggedOff,  // its user is not logged on: waiting for a log-on or the program
    };
    enum class Outcome { Refused, Bounded, Unbounded };
    enum class Resumed { Nothing, Session, EndedWhileOff, Unreadable };
    struct TickResult {
        bool clockChanged = false;
        bool ended = false;  // its own end came: the caller clears the rest
    };

    SessionGuard(GuardPlatform& platform, FailSafeStore& store, Clock& wall,
                 MonotonicClock& monotonic)
        : m_platform(platform), m_store(store), m_wall(wall), m_monotonic(monotonic) {}

    // At service start: takes up the stored session, in its user's session if
    // they are logged on.
    Resumed Resume();
    // A blocked program for the next Start; false beyond kGuardMaxPrograms or for a malformed path.
    bool AddProgram(std::string path);
    // The program's session starts or resumes, from the client `pid` of `user`
    // in Windows session `session`. Never shortens the end nor drops a program.
    Outcome Start(int64_t remainingSeconds, uint32_t pid, uint32_t session,
                  const std::string& user);
    // Whether an end, clear or stop asked by the program may be done now.
    bool MayEnd();
    // The key, or the end accepted by MayEnd.
    void End();
    // The service stops: the record is brought up to date, the handles let go.
    void Stop();
    // The time left for a query of `user`: seconds, kHookUnbounded-style -1, or nothing.
    std::optional<int64_t> SecondsLeftFor(const std::string& user);
    // The connected program `pid` of `user` is alive; false when it is no program of the session's
    // user.
    bool Beat(uint32_t pid, uint32_t session, const std::string& user);
    // The client's connection closed.
    void ClientGone(uint32_t pid);
    void SessionLoggedOff(uint32_t session);
    void SessionLoggedOn(uint32_t session);
    // Called often (every 100 ms or so).
    TickResult Tick();

    State state() const { return m_state; }
    bool guarding() const { return m_state != State::Idle; }
    bool unbounded() const { return m_unbounded; }
    const std::string& user() const { return m_user; }
    const std::vector<std::string>& programs() const { return m_programs; }
    uint64_t startDelayMs() const { return m_startDelayMs; }

private:
    void Sweep();
    void StopSweeping();
    void TryStart(uint64_t now);
    void BeginGone(uint64_t now, uint64_t startDelay);
    void Save();
    void TakeClockBaseline();
    bool ClockMoved();

    GuardPlatform& m_platform;
    FailSafeStore& m_store;
    Clock& m_wall;
    MonotonicClock& m_monotonic;
    State m_state = State::Idle;
    std::vector<std::string> m_pending;
    std::vector<std::string> m_programs;
    std::string m_user;
    uint32_t m_pid = 0;
    uint32_t m_session = 0;
    bool m_loggedOff = false;
    bool m_unbounded = false;
    bool m_sweeping = false;
    uint64_t m_endMs = 0;  // monotonic; meaningless when unbounded
    uint64_t m_nextSweepMs = 0;
    uint64_t m_nextStartMs = 0;
    uint64_t m_startDelayMs = kGuardFirstStartDelayMs;
    uint64_t m_backMs = 0;
    uint64_t m_beatMs = 0;
    uint64_t m_savedMs = 0;
    Seconds m_wallBase = 0;
    uint64_t m_monotonicBase = 0;
};
