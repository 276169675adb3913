#include "websites/ParallelLookups.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

namespace {

uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

LookupBoard::LookupBoard(size_t count, uint64_t timeoutMs)
    : m_states(count, State::Waiting), m_started(count, 0), m_open(count), m_timeoutMs(timeoutMs) {}

size_t LookupBoard::Take(uint64_t nowMs) {
    if (m_next == m_states.size())
        return kNone;
    m_states[m_next] = State::Running;
    m_started[m_next] = nowMs;
    return m_next++;
}

bool LookupBoard::Finish(size_t index) {
    if (m_states[index] != State::Running)
        return false;
    m_states[index] = State::Finished;
    --m_open;
    return true;
}

size_t LookupBoard::Expire(uint64_t nowMs) {
    size_t expired = 0;
    for (size_t i = 0; i < m_next; ++i) {
        if (m_states[i] == State::Running && nowMs - m_started[i] >= m_timeoutMs) {
            m_states[i] = State::GivenUp;
            --m_open;
            ++expired;
        }
    }
    return expired;
}

void LookupBoard::GiveUpWaiting() {
    for (; m_next < m_states.size(); ++m_next) {
        m_states[m_next] = State::GivenUp;
        --m_open;
    }
}

uint64_t LookupBoard::NextDeadline() const {
    uint64_t deadline = kNever;
    for (size_t i = 0; i < m_next; ++i)
        if (m_states[i] == State::Running)
            deadline = std::min(deadline, m_started[i] + m_timeoutMs);
    return deadline;
}

LookupRun::LookupRun(std::shared_ptr<HostResolver> resolver, std::vector<std::string> names,
                     LookupLimits limits, Done done)
    : m_resolver(std::move(resolver)),
      m_names(std::move(names)),
      m_limits(limits),
      m_done(std::move(done)),
      m_board(m_names.size() * 2, limits.timeoutMs),
      m_answers(m_names.size()) {}

LookupRun::~LookupRun() {
    if (m_started)
        m_resolver->Cleanup();
}

std::shared_ptr<LookupRun> LookupRun::Start(std::shared_ptr<HostResolver> resolver,
                                            std::vector<std::string> names, LookupLimits limits,
                                            Done done) {
    auto run =
        std::make_shared<LookupRun>(std::move(resolver), std::move(names), limits, std::move(done));
    if (!run->Spawn([run] { run->Coordinate(); })) {
        // No thread to spare: the websites are then left unblocked, as when nothing resolves.
        run->Deliver(std::vector<NameAnswers>(run->m_names.size()));
    }
    return run;
}

bool LookupRun::Spawn(std::function<void()> task) {
    if (m_limits.startThread)
        return m_limits.startThread(std::move(task));
    try {
        std::thread(std::move(task)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void LookupRun::Cancel() {
    {
        std::lock_guard<std::mutex> deliver(m_deliverMutex);
        m_cancelled = true;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_changed.notify_all();
}

void LookupRun::Deliver(std::optional<std::vector<NameAnswers>> answers) {
    std::lock_guard<std::mutex> deliver(m_deliverMutex);
    if (!m_cancelled && m_done)
        m_done(std::move(answers));
}

size_t LookupRun::StartWorkers(size_t count) {
    size_t started = 0;
    auto self = shared_from_this();
    for (; started < count; ++started) {
        if (!Spawn([self] { self->Work(); }))
            break;
    }
    return started;
}

void LookupRun::Coordinate() {
    if (!m_resolver->Start()) {
        Deliver(std::nullopt);
        return;
    }
    m_started = true;
    std::unique_lock<std::mutex> lock(m_mutex);
    size_t working = StartWorkers(std::min(m_limits.threads, m_board.Waiting()));
    if (working == 0)
        m_board.GiveUpWaiting();
    while (!m_cancelled && !m_board.Done()) {
        const uint64_t deadline = m_board.NextDeadline();
        if (deadline == LookupBoard::kNever) {
            m_changed.wait(lock);
        } else {
            const uint64_t now = NowMs();
            if (deadline > now)
                m_changed.wait_for(lock, std::chrono::milliseconds(deadline - now));
        }
        // A worker whose lookup is given up leaves; another takes its place.
        const size_t expired = m_board.Expire(NowMs());
        const size_t wanted = std::min(expired, m_board.Waiting());
        if (wanted > 0 && StartWorkers(wanted) == 0 &&
            m_board.NextDeadline() == LookupBoard::kNever)
            m_board.GiveUpWaiting();
    }
    if (m_cancelled)
        return;
    std::vector<NameAnswers> answers = m_answers;
    lock.unlock();
    Deliver(std::move(answers));
}

void LookupRun::Work() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_cancelled) {
        const size_t task = m_board.Take(NowMs());
        if (task == LookupBoard::kNone)
            break;
        lock.unlock();
        // Even tasks ask for IPv4, odd ones for IPv6, of the same name.
        const std::string& name = m_names[task / 2];
        NameAnswers got;
        if (task % 2 == 0)
            got.ipv4 = m_resolver->Lookup(name);
        else
            got.ipv6 = m_resolver->Lookup6(name);
        lock.lock();
        if (!m_board.Finish(task))
            break;
        if (task % 2 == 0)
            m_answers[task / 2].ipv4 = std::move(got.ipv4);
        else
            m_answers[task / 2].ipv6 = std::move(got.ipv6);
        m_changed.notify_all();
    }
}
