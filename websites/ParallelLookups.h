#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "websites/AddressResolution.h"

// Which lookups of a batch are waiting, running, finished or given up. Times are
// milliseconds of one monotonic count. Not locked: its runner holds the lock.
class LookupBoard {
public:
    static constexpr size_t kNone = static_cast<size_t>(-1);
    static constexpr uint64_t kNever = UINT64_MAX;

    LookupBoard(size_t count, uint64_t timeoutMs);
    // The next waiting lookup, now running since `nowMs`; kNone when none waits.
    size_t Take(uint64_t nowMs);
    // False when the lookup had been given up: its answer no longer counts.
    bool Finish(size_t index);
    // Gives up the lookups running for `timeoutMs` or more; says how many.
    size_t Expire(uint64_t nowMs);
    // Gives up every waiting lookup, when no worker is left to take them.
    void GiveUpWaiting();
    bool Done() const { return m_open == 0; }
    size_t Waiting() const { return m_states.size() - m_next; }
    // When the earliest running lookup runs out of time; kNever when none runs.
    uint64_t NextDeadline() const;

private:
    enum class State : uint8_t { Waiting, Running, Finished, GivenUp };
    std::vector<State> m_states;
    std::vector<uint64_t> m_started;
    size_t m_next = 0;
    size_t m_open;  // not finished nor given up
    uint64_t m_timeoutMs;
};

// Starts a detached thread running the task; false when none could be started.
using ThreadStarter = std::function<bool(std::function<void()> task)>;

struct LookupLimits {
    size_t threads = 32;  // lookups in flight at once, given-up ones aside
    uint64_t timeoutMs = 10000;
    // Null: std::thread, with the platform's default stack.
    ThreadStarter startThread;
};

// One batch of lookups on worker threads: each name's IPv4 and IPv6 lookups apart, at most
// `threads` at a time, each given up after `timeoutMs` as if it had failed. The resolver
// cannot cancel a lookup, so a given-up worker runs on alone; it holds its share of the run
// and touches nothing else. The resolver's Cleanup follows the last worker.
class LookupRun : public std::enable_shared_from_this<LookupRun> {
public:
    // The answers in the names' order; nothing when the resolver could not start.
    using Done = std::function<void(std::optional<std::vector<NameAnswers>>)>;

    // Returns at once; `done` is called once, on a worker thread, unless cancelled first.
    static std::shared_ptr<LookupRun> Start(std::shared_ptr<HostResolver> resolver,
                                            std::vector<std::string> names, LookupLimits limits,
                                            Done done);
    // Once this returns, `done` has either returned or will never be called. Not to be
    // called from `done`.
    void Cancel();

    LookupRun(std::shared_ptr<HostResolver> resolver, std::vector<std::string> names,
              LookupLimits limits, Done done);
    ~LookupRun();

private:
    bool Spawn(std::function<void()> task);
    void Coordinate();
    void Work();
    // Starts up to `count` workers; how many started.
    size_t StartWorkers(size_t count);
    void Deliver(std::optional<std::vector<NameAnswers>> answers);

    const std::shared_ptr<HostResolver> m_resolver;
    const std::vector<std::string> m_names;
    const LookupLimits m_limits;
    const Done m_done;
    bool m_started = false;  // the resolver's Start succeeded

    std::mutex m_mutex;  // guards the board and the answers
    std::condition_variable m_changed;
    LookupBoard m_board;
    std::vector<NameAnswers> m_answers;

    std::mutex m_deliverMutex;  // held while `done` runs and while cancelling
    std::atomic<bool> m_cancelled{false};
};
