#include "filter/EngineOpenRetry.h"

#include <algorithm>

namespace {

// Short at first, for an engine that is nearly there; then every few seconds.
constexpr uint32_t kFirstWaitMs = 250;
constexpr uint32_t kLongestWaitMs = 4000;

}  // namespace

std::optional<uint32_t> EngineOpenRetry::After(uint32_t error) {
    if (error == kEngineNotSupported)
        return std::nullopt;
    const uint64_t elapsed = m_clock.Milliseconds() - m_start;
    if (elapsed >= m_periodMs)
        return std::nullopt;
    const uint64_t grown = static_cast<uint64_t>(kFirstWaitMs) << std::min<uint32_t>(m_waits, 8);
    const uint64_t wait = std::min({grown, static_cast<uint64_t>(kLongestWaitMs), m_periodMs - elapsed});
    ++m_waits;
    return static_cast<uint32_t>(wait);
}
