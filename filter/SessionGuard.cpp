#include "filter/SessionGuard.h"

#include <algorithm>

#include "base/Text.h"
#include "hook/HookRule.h"
#include "session/ClockCheck.h"

namespace {

// Longer than any session; keeps the millisecond sum far from overflow.
constexpr int64_t kFarSeconds = 1000LL * 366 * 86400;

bool IsMachineAccount(const std::string& sid) {
    return sid == "S-1-5-18" || sid == "S-1-5-19" || sid == "S-1-5-20";
}

// Text after `prefix` on a line that starts with it.
bool Field(const std::string& line, const char* prefix, std::string* rest) {
    const std::string p = prefix;
    if (line.compare(0, p.size(), p) != 0)
        return false;
    *rest = line.substr(p.size());
    return true;
}

std::optional<int64_t> Number(const std::string& text) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

bool MayEndProcess(const ProcessOwner& owner, const std::string& sessionUser) {
    return owner.known && !sessionUser.empty() && owner.user == sessionUser &&
           !IsMachineAccount(owner.user) && !owner.critical && !owner.protectedProcess;
}

std::string EncodeGuardRecord(const GuardRecord& record) {
    std::string text = "user " + record.user + "\n";
    if (record.unbounded)
        text += "unbounded\n";
    else
        text += "left " + std::to_string(record.leftSeconds) + " at " +
                std::to_string(record.savedAt) + "\n";
    for (const std::string& path : record.programs)
        text += "program " + path + "\n";
    return text;
}

std::optional<GuardRecord> DecodeGuardRecord(const std::string& text) {
    GuardRecord record;
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
        lines.push_back(text.substr(from, nl - from));
    if (from != text.size() || lines.size() < 2 || !Field(lines[0], "user S-", &record.user))
        return std::nullopt;
    record.user = "S-" + record.user;
    std::string rest;
    if (lines[1] == "unbounded") {
        record.unbounded = true;
    } else if (Field(lines[1], "left ", &rest)) {
        const size_t at = rest.find(" at ");
        const auto left = Number(rest.substr(0, at));
        const auto saved = at == std::string::npos ? std::nullopt : Number(rest.substr(at + 4));
        if (!left || !saved)
            return std::nullopt;
        record.leftSeconds = *left;
        record.savedAt = *saved;
    } else {
        return std::nullopt;
    }
    for (size_t i = 2; i < lines.size(); ++i) {
        if (!Field(lines[i], "program ", &rest) || rest.empty() ||
            record.programs.size() >= kGuardMaxPrograms)
            return std::nullopt;
        record.programs.push_back(rest);
    }
    return record;
}

SessionGuard::Resumed SessionGuard::Resume() {
    const auto text = m_store.Read();
    if (!text)
        return Resumed::Nothing;
    const auto record = DecodeGuardRecord(*text);
    if (!record) {
        // Only an administrator can have written it; fail towards unblocking.
        m_store.Erase();
        return Resumed::Unreadable;
    }
    const uint64_t now = m_monotonic.Milliseconds();
    // While the service was not running only the wall clock saw the time pass.
    const Seconds off = std::max<Seconds>(0, m_wall.Now() - record->savedAt);
    if (!record->unbounded && record->leftSeconds <= off) {
        m_store.Erase();
        return Resumed::EndedWhileOff;
    }
    m_user = record->user;
    m_programs = record->programs;
    m_unbounded = record->unbounded;
    m_endMs =
        m_unbounded
            ? 0
            : now + static_cast<uint64_t>(std::min(record->leftSeconds - off, kFarSeconds)) * 1000;
    m_startDelayMs = kGuardFirstStartDelayMs;
    TakeClockBaseline();
    m_state = State::LoggedOff;
    if (const auto session = m_platform.FindUserSession(m_user)) {
        m_session = *session;
        // A Hushwall that outlived the service shows up with its next beat first.
        BeginGone(now, kGuardLogOnStartDelayMs);
    }
    Save();
    return Resumed::Session;
}

bool SessionGuard::AddProgram(std::string path) {
    if (path.empty() || path.size() > kHookMaxTextInput || m_pending.size() >= kGuardMaxPrograms ||
        path.find_first_of(std::string("\n\r\0", 3)) != std::string::npos)
        return false;
    m_pending.push_back(std::move(path));
    return true;
}

SessionGuard::Outcome SessionGuard::Start(int64_t remainingSeconds, uint32_t pid, uint32_t session,
                                          const std::string& user) {
    if (user.empty() || IsMachineAccount(user) || (m_state != State::Idle && user != m_user)) {
        m_pending.clear();
        return Outcome::Refused;
    }
    const uint64_t now = m_monotonic.Milliseconds();
    const bool fresh = m_state == State::Idle;
    if (fresh) {
        m_unbounded = false;
        m_startDelayMs = kGuardFirstStartDelayMs;
        m_endMs = 0;
        m_programs.clear();
        m_user = user;
        TakeClockBaseline();
    } else if (!m_unbounded && ClockMoved()) {
        m_unbounded = true;
    }
    for (std::string& path : m_pending) {
        const bool known =
            std::any_of(m_programs.begin(), m_programs.end(),
                        [&](const std::string& p) { return PathsEqualNoCase(p, path); });
        if (!known && m_programs.size() < kGuardMaxPrograms)
            m_programs.push_back(std::move(path));
    }
    m_pending.clear();
    m_pid = pid;
    m_session = session;
    m_loggedOff = false;
    if (remainingSeconds < 0) {
        m_unbounded = true;
    } else if (!m_unbounded) {
        const uint64_t end = now + static_cast<uint64_t>(std::min(remainingSeconds, kFarSeconds)) * 1000;
        // Our own count is what a moved clock or an edited record cannot shorten.
        m_endMs = fresh ? end : std::max(m_endMs, end);
    }
    StopSweeping();
    m_state = State::Running;
    m_backMs = now;
    m_beatMs = now;
    Save();
    return m_unbounded ? Outcome::Unbounded : Outcome::Bounded;
}

bool SessionGuard::MayEnd() {
    if (m_state == State::Idle)
        return true;
    return !m_unbounded && m_endMs <= m_monotonic.Milliseconds() + kGuardEndSlackMs;
}

void SessionGuard::End() {
    StopSweeping();
    if (m_state != State::Idle)
        m_store.Erase();
    m_state = State::Idle;
    m_programs.clear();
    m_pending.clear();
    m_user.clear();
    m_unbounded = false;
    m_loggedOff = false;
}

void SessionGuard::Stop() {
    StopSweeping();
    if (m_state != State::Idle)
        Save();
}

std::optional<int64_t> SessionGuard::SecondsLeftFor(const std::string& user) {
    if (m_state == State::Idle || user.empty() || user != m_user)
        return std::nullopt;
    if (m_unbounded)
        return kHookUnbounded;
    const uint64_t now = m_monotonic.Milliseconds();
    return m_endMs > now ? static_cast<int64_t>((m_endMs - now + 999) / 1000) : 0;
}

bool SessionGuard::Beat(uint32_t pid, uint32_t session, const std::string& user) {
    if (m_state == State::Idle || user.empty() || user != m_user)
        return false;
    const uint64_t now = m_monotonic.Milliseconds();
    // A program that outlived a restart of the service is back by its beat alone.
    if (m_state != State::Running || pid != m_pid) {
        m_state = State::Running;
        m_pid = pid;
        m_session = session;
        m_loggedOff = false;
        m_backMs = now;
    }
    m_beatMs = now;
    StopSweeping();
    return true;
}

void SessionGuard::ClientGone(uint32_t pid) {
    m_pending.clear();
    if (m_state != State::Running || pid != m_pid)
        return;
    const uint64_t now = m_monotonic.Milliseconds();
    if (now - m_backMs >= kGuardSteadyMs)
        m_startDelayMs = kGuardFirstStartDelayMs;
    if (m_loggedOff) {
        StopSweeping();
        m_state = State::LoggedOff;
        return;
    }
    BeginGone(now, m_startDelayMs);
}

void SessionGuard::SessionLoggedOff(uint32_t session) {
    if (m_state == State::Idle || session != m_session)
        return;
    m_loggedOff = true;
    if (m_state == State::Gone) {
        m_state = State::LoggedOff;
        StopSweeping();
    }
}

void SessionGuard::SessionLoggedOn(uint32_t session) {
    if (m_state != State::LoggedOff || m_platform.SessionUser(session) != m_user)
        return;
    m_session = session;
    m_loggedOff = false;
    BeginGone(m_monotonic.Milliseconds(), kGuardLogOnStartDelayMs);
}

void SessionGuard::BeginGone(uint64_t now, uint64_t startDelay) {
    m_state = State::Gone;
    m_nextSweepMs = now;
    m_nextStartMs = now + startDelay;
}

SessionGuard::TickResult SessionGuard::Tick() {
    TickResult result;
    if (m_state == State::Idle)
        return result;
    if (!m_unbounded && ClockMoved()) {
        m_unbounded = true;
        result.clockChanged = true;
        Save();
    }
    const uint64_t now = m_monotonic.Milliseconds();
    if (!m_unbounded && now >= m_endMs) {
        End();
        result.ended = true;
        return result;
    }
    if (now - m_savedMs >= kGuardSaveMs)
        Save();
    const bool frozen = m_state == State::Running && now - m_beatMs >= kGuardBeatTimeoutMs;
    if (m_state != State::Gone && !frozen)
        return result;
    if (now >= m_nextSweepMs) {
        Sweep();
        m_nextSweepMs = now + kGuardSweepMs;
    }
    // A frozen program still holds the pipe and its single-instance claim.
    if (m_state == State::Gone && now >= m_nextStartMs)
        TryStart(now);
    return result;
}

void SessionGuard::Sweep() {
    m_sweeping = true;
    for (uint32_t pid : m_platform.FindBlocked(m_programs, m_session, m_user))
        m_platform.EndProcess(pid);
}

void SessionGuard::StopSweeping() {
    if (m_sweeping)
        m_platform.ReleaseSweeps();
    m_sweeping = false;
}

void SessionGuard::TryStart(uint64_t now) {
    if (m_platform.QuerySession(m_session) == GuardPlatform::SessionState::Gone) {
        // Its processes are gone with it; the next log-on starts the program.
        StopSweeping();
        m_state = State::LoggedOff;
        return;
    }
    m_platform.StartProgram(m_session, false);
    // Until it is back, or should it end at once again, each pause is twice the last.
    m_startDelayMs = std::min(m_startDelayMs * 2, kGuardMaxStartDelayMs);
    m_nextStartMs = now + m_startDelayMs;
}

void SessionGuard::Save() {
    const uint64_t now = m_monotonic.Milliseconds();
    GuardRecord record;
    record.user = m_user;
    record.unbounded = m_unbounded;
    record.leftSeconds = m_endMs > now ? static_cast<int64_t>((m_endMs - now + 999) / 1000) : 0;
    record.savedAt = m_wall.Now();
    record.programs = m_programs;
    m_store.Write(EncodeGuardRecord(record));
    m_savedMs = now;
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
