#include "filter/FailSafe.h"

#include <cstdlib>

std::string EncodeFailSafe(bool unbounded, int64_t leftSeconds) {
    if (unbounded)
        return "unbounded\n";
    return "left " + std::to_string(leftSeconds) + "\n";
}

std::optional<int64_t> DecodeFailSafe(const std::string& text, bool* unbounded) {
    *unbounded = false;
    if (text == "unbounded\n") {
        *unbounded = true;
        return 0;
    }
    const std::string prefix = "left ";
    if (text.size() < prefix.size() + 2 || text.compare(0, prefix.size(), prefix) != 0 ||
        text.back() != '\n' || text.size() > prefix.size() + 20)
        return std::nullopt;
    int64_t value = 0;
    for (size_t i = prefix.size(); i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 100LL * 365 * 86400)  // no session is longer than a century
            return std::nullopt;
    }
    return value;
}

bool FailSafe::Resume() {
    m_armed = false;
    m_unbounded = false;
    const auto text = m_store.Read();
    if (!text)
        return true;
    bool unbounded = false;
    const auto left = DecodeFailSafe(*text, &unbounded);
    m_armed = true;
    m_since = m_clock.Milliseconds();
    if (!left) {
        // Only an administrator can have written it; fail towards unblocking.
        m_budgetMs = 0;
        return false;
    }
    m_unbounded = unbounded;
    m_budgetMs = *left * 1000;
    m_savedSeconds = *left;
    return true;
}

bool FailSafe::Set(int64_t remainingSeconds) {
    if (remainingSeconds < -1 || remainingSeconds > 100LL * 365 * 86400)
        return false;
    m_armed = true;
    m_since = m_clock.Milliseconds();
    m_unbounded = remainingSeconds == -1;
    m_budgetMs = m_unbounded ? 0 : (remainingSeconds + kFailSafeGraceSeconds) * 1000;
    Save(m_unbounded ? 0 : remainingSeconds + kFailSafeGraceSeconds);
    return true;
}

void FailSafe::Disarm() {
    m_armed = false;
    m_unbounded = false;
    m_store.Erase();
}

int64_t FailSafe::LeftMs() {
    const uint64_t now = m_clock.Milliseconds();
    const int64_t elapsed = now > m_since ? static_cast<int64_t>(now - m_since) : 0;
    return m_budgetMs > elapsed ? m_budgetMs - elapsed : 0;
}

std::optional<int64_t> FailSafe::SecondsLeft() {
    if (!m_armed || m_unbounded)
        return std::nullopt;
    return (LeftMs() + 999) / 1000;
}

bool FailSafe::Expired() {
    if (!m_armed || m_unbounded)
        return false;
    const int64_t left = LeftMs();
    if (left == 0)
        return true;
    const int64_t seconds = (left + 999) / 1000;
    if (m_savedSeconds - seconds >= 60)
        Save(seconds);
    return false;
}

void FailSafe::Save(int64_t leftSeconds) {
    m_store.Write(EncodeFailSafe(m_unbounded, leftSeconds));
    m_savedSeconds = leftSeconds;
}
