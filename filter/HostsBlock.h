#pragma once
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "base/Clock.h"

// The hosts file, as the service sees it.
class HostsStore {
public:
    enum class ReadResult { Ok, Missing, Failed };
    virtual ~HostsStore() = default;
    virtual ReadResult Read(std::string* text) = 0;
    // Replaces the file (or creates it), keeping its attributes and ACL.
    virtual bool Write(const std::string& text) = 0;
    virtual bool Delete() = 0;
    // Changes whenever the file does (its size and time); cheap to ask.
    virtual std::string Stamp() = 0;
    virtual void FlushResolverCache() = 0;
};

constexpr size_t kMaxBlockedNames = 4096;
constexpr uint64_t kHostsCheckMs = 5000;

// The blocked names beside the rules: kept until cleared, in the file only
// while shown. Every change that leaves the file otherwise as it was is
// followed by a flush of the resolver's cache. False from a call that writes
// means the file could not be brought to what it should be; Check tries again.
class HostsBlock {
public:
    HostsBlock(HostsStore& store, MonotonicClock& clock, size_t maxNames = kMaxBlockedNames)
        : m_store(store), m_clock(clock), m_maxNames(maxNames) {}

    // At service start: takes the names a section of an earlier run holds and
    // keeps that section (a session goes on), or removes it and them.
    bool Recover(bool shown);
    // False for text that is no host name, or past the cap; a name already
    // held succeeds and adds nothing. Written at once while shown (see inSync).
    bool Add(const std::string& text);
    bool Show();
    bool Hide();
    bool Clear();
    // Every few seconds: puts the file right if it changed since we wrote it.
    bool Check();

    const std::vector<std::string>& names() const { return m_names; }
    bool shown() const { return m_shown; }
    bool inSync() const { return !m_dirty; }

private:
    bool Apply();

    HostsStore& m_store;
    MonotonicClock& m_clock;
    size_t m_maxNames;
    std::vector<std::string> m_names;  // in the order they came
    std::set<std::string> m_held;
    bool m_shown = false;
    bool m_dirty = true;  // the file is not known to be as it should
    std::string m_stamp;
    uint64_t m_lastCheck = 0;
    bool m_checked = false;
};
