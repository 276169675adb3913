#pragma once
#include <cstdint>
#include <optional>

#include "base/Clock.h"

// At boot the filtering engine may not answer yet when the service starts,
// even after the service it lives in reports running. A service that stops
// then is not started again until the next boot, so it keeps trying for a
// while first.
constexpr uint64_t kEngineOpenPeriodMs = 60000;
// RPC_S_CANNOT_SUPPORT: this system has no filtering engine at all (Wine
// answers so); waiting cannot help.
constexpr uint32_t kEngineNotSupported = 1764;

class EngineOpenRetry {
public:
    explicit EngineOpenRetry(MonotonicClock& clock, uint64_t periodMs = kEngineOpenPeriodMs)
        : m_clock(clock), m_start(clock.Milliseconds()), m_periodMs(periodMs) {}

    // After a failed open: how long to wait before the next one, or nothing
    // when the service is to give up.
    std::optional<uint32_t> After(uint32_t error);
    // Rises with each wait, for the service manager's checkpoint.
    uint32_t waits() const { return m_waits; }

private:
    MonotonicClock& m_clock;
    uint64_t m_start;
    uint64_t m_periodMs;
    uint32_t m_waits = 0;
};
