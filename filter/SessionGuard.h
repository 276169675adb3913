#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "programs/ProcessRecord.h"

// What the guard needs of the system.
class GuardPlatform {
public:
    enum class SessionState { LoggedOn, Gone, Unknown };
    virtual ~GuardPlatform() = default;
    // What the program's own sweep would end, kept to the processes of `session`.
    virtual std::vector<uint32_t> FindBlocked(const std::vector<std::string>& programs,
                                              uint32_t session) = 0;
    // Lets go of what the sweeps kept, once no sweep follows soon.
    virtual void ReleaseSweeps() = 0;
    virtual bool EndProcess(uint32_t pid) = 0;
    // Unknown where the system cannot say.
    virtual SessionState QuerySession(uint32_t session) = 0;
    // Starts the registered program as the session's user, on its desktop.
    virtual bool StartProgram(uint32_t session) = 0;
};

constexpr uint64_t kGuardSweepMs = 800;
constexpr uint64_t kGuardFirstStartDelayMs = 2000;
constexpr uint64_t kGuardMaxStartDelayMs = 60000;
// A program back for this long was not ending at once: the next pause is the first again.
constexpr uint64_t kGuardSteadyMs = 60000;
// The clock check's baseline is renewed about as often as the program's tick.
constexpr uint64_t kGuardClockPeriodMs = 30000;

// The service's side of a session: while the program is gone it ends the
// blocked programs and the task manager in the user's session and starts the
// program again; for the whole session it watches the clock.
class SessionGuard {
public:
    enum class State {
        Idle,       // no session
        Running,    // the program is back and connected
        Gone,       // ended without the session's end: sweeping, starting it again
        LoggedOff,  // its user logged off: waiting for the program at the next log-on
    };

    SessionGuard(GuardPlatform& platform, Clock& wall, MonotonicClock& monotonic)
        : m_platform(platform), m_wall(wall), m_monotonic(monotonic) {}

    // A blocked program for the next Start.
    void AddProgram(std::string path);
    // The program's session starts or resumes, from the client `pid` in Windows
    // session `session`. True when the session has no end for the service.
    bool Start(int64_t remainingSeconds, uint32_t pid, uint32_t session);
    // The session is over (its time, or the key).
    void End();
    // The client's connection closed.
    void ClientGone(uint32_t pid);
    // The user of `session` logged off.
    void SessionLoggedOff(uint32_t session);
    // Called often (every 100 ms or so); true when it found the clock changed.
    bool Tick();

    State state() const { return m_state; }
    bool unbounded() const { return m_unbounded; }
    const std::vector<std::string>& programs() const { return m_programs; }
    uint64_t startDelayMs() const { return m_startDelayMs; }

private:
    void Sweep();
    void TryStart(uint64_t now);
    void TakeClockBaseline();
    bool ClockMoved();

    GuardPlatform& m_platform;
    Clock& m_wall;
    MonotonicClock& m_monotonic;
    State m_state = State::Idle;
    std::vector<std::string> m_pending;
    std::vector<std::string> m_programs;
    uint32_t m_pid = 0;
    uint32_t m_session = 0;
    bool m_loggedOff = false;
    bool m_unbounded = false;
    uint64_t m_endMs = 0;  // monotonic; meaningless when unbounded
    uint64_t m_nextSweepMs = 0;
    uint64_t m_nextStartMs = 0;
    uint64_t m_startDelayMs = kGuardFirstStartDelayMs;
    uint64_t m_backMs = 0;
    Seconds m_wallBase = 0;
    uint64_t m_monotonicBase = 0;
};
