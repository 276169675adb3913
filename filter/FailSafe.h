#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "base/Clock.h"

// Where the fail-safe keeps its count; only SYSTEM and Administrators may write it.
class FailSafeStore {
public:
    virtual ~FailSafeStore() = default;
    virtual std::optional<std::string> Read() = 0;
    virtual bool Write(const std::string& text) = 0;
    virtual void Erase() = 0;
};

constexpr int64_t kFailSafeGraceSeconds = 15 * 60;

// Counts the session's remaining time plus a grace down on the monotonic
// clock and says when the service must clear by itself. The count is kept on
// disk, so it survives a restart; time while the service is not running (the
// machine off) does not count.
class FailSafe {
public:
    FailSafe(FailSafeStore& store, MonotonicClock& clock) : m_store(store), m_clock(clock) {}

    // At service start: picks up a count an earlier run left. False when the
    // count was unreadable, which arms the fail-safe to fire at once.
    bool Resume();
    // The sixth code: seconds left, or -1 for a session without end. False
    // (and nothing changes) for any other negative value.
    bool Set(int64_t remainingSeconds);
    // A clear arrived: nothing is left to undo.
    void Disarm();
    // True once the remainder and the grace have run out. Also keeps the count
    // up to date, at most a minute behind.
    bool Expired();

    bool armed() const { return m_armed; }
    bool unbounded() const { return m_unbounded; }
    // Seconds until the service clears, or nothing when it never will.
    std::optional<int64_t> SecondsLeft();

private:
    int64_t LeftMs();
    void Save(int64_t leftSeconds);

    FailSafeStore& m_store;
    MonotonicClock& m_clock;
    bool m_armed = false;
    bool m_unbounded = false;
    int64_t m_budgetMs = 0;  // left at m_since
    uint64_t m_since = 0;
    int64_t m_savedSeconds = 0;
};

// The stored text: "unbounded" or "left <seconds>" (remainder plus grace).
std::string EncodeFailSafe(bool unbounded, int64_t leftSeconds);
// Nothing for text that is neither.
std::optional<int64_t> DecodeFailSafe(const std::string& text, bool* unbounded);
