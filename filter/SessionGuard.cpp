#include "filter/SessionGuard.h"

#include <algorithm>

#include "programs/ProcessMatch.h"
#include "session/ClockCheck.h"

namespace {

// Longer than any session; keeps the millisecond sum far from overflow.
constexpr int64_t kFarSeconds = 1000LL * 366 * 86400;

}  // namespace

void SessionGuard::AddProgram(std::string path) {
    m_pending.push_back(std::move(path));
}

bool SessionGuard::Start(int64_t remainingSeconds, uint32_t pid, uint32_t session) {
    const uint64_t now = m_monotonic.Milliseconds();
    const bool fresh = m_state == State::Idle;
    if (fresh) {
        m_unbounded = false;
        m_startDelayMs = kGuardFirstStartDelayMs;
        m_endMs = 0;
        TakeClockBaseline();
    } else if (!m_unbounded && ClockMoved()) {
        m_unbounded = true;
    }
    m_programs = std::move(m_pending);
    m_pending.clear();
    m_pid = pid;
    m_session = session;
    m_loggedOff = false;
    if (remainingSeconds < 0) {
        m_unbounded = true;
    } else if (!m_unbounded) {
        const uint64_t end = now + static_cast<uint64_t>(std::min(remainingSeconds, kFarSeconds)) * 1000;
        // Our own count is what a moved clock cannot shorten.
        m_endMs = fresh ? end : std::max(m_endMs, end);
    }
    if (m_state == State::Gone || m_state == State::LoggedOff)
        m_platform.ReleaseSweeps();
    m_state = State::Running;
    m_backMs = now;
    return m_unbounded;
}

void SessionGuard::End() {
    if (m_state == State::Gone || m_state == State::LoggedOff)
        m_platform.ReleaseSweeps();
    m_state = State::Idle;
    m_programs.clear();
    m_pending.clear();
    m_unbounded = false;
    m_loggedOff = false;
}

void SessionGuard::ClientGone(uint32_t pid) {
    if (m_state != State::Running || pid != m_pid)
        return;
    const uint64_t now = m_monotonic.Milliseconds();
    if (now - m_backMs >= kGuardSteadyMs)
        m_startDelayMs = kGuardFirstStartDelayMs;
    m_state = m_loggedOff ? State::LoggedOff : State::Gone;
    m_nextSweepMs = now;
    m_nextStartMs = now + m_startDelayMs;
}

void SessionGuard::SessionLoggedOff(uint32_t session) {
    if (m_state == State::Idle || session != m_session)
        return;
    m_loggedOff = true;
    if (m_state == State::Gone) {
        m_state = State::LoggedOff;
        m_platform.ReleaseSweeps();
    }
}

bool SessionGuard::Tick() {
    if (m_state == State::Idle)
        return false;
    bool changed = false;
    if (!m_unbounded && ClockMoved()) {
        m_unbounded = true;
        changed = true;
    }
    const uint64_t now = m_monotonic.Milliseconds();
    // A running program ends its session itself, at its own tick.
    if (!m_unbounded && now >= m_endMs && m_state != State::Running) {
        End();
        return changed;
    }
    if (m_state != State::Gone)
        return changed;
    if (now >= m_nextSweepMs) {
        Sweep();
        m_nextSweepMs = now + kGuardSweepMs;
    }
    if (now >= m_nextStartMs)
        TryStart(now);
    return changed;
}

void SessionGuard::Sweep() {
    for (uint32_t pid : m_platform.FindBlocked(m_programs, m_session))
        m_platform.EndProcess(pid);
}

void SessionGuard::TryStart(uint64_t now) {
    if (m_platform.QuerySession(m_session) == GuardPlatform::SessionState::Gone) {
        // Its processes are gone with it; the Run value starts the program at the next log-on.
        m_state = State::LoggedOff;
        return;
    }
    m_platform.StartProgram(m_session);
    // Until it is back, or should it end at once again, each pause is twice the last.
    m_startDelayMs = std::min(m_startDelayMs * 2, kGuardMaxStartDelayMs);
    m_nextStartMs = now + m_startDelayMs;
}

void SessionGuard::TakeClockBaseline() {
    m_wallBase = m_wall.Now();
    m_monotonicBase = m_monotonic.Milliseconds();
}

bool SessionGuard::ClockMoved() {
    const Seconds wall = m_wall.Now();
    const uint64_t monotonic = m_monotonic.Milliseconds();
    if (ClockChanged(wall - m_wallBase, monotonic - m_monotonicBase))
        return true;
    if (monotonic - m_monotonicBase >= kGuardClockPeriodMs)
        TakeClockBaseline();
    return false;
}
