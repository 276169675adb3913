#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "../fake_clock.h"
#include "filter/FailSafe.h"
#include "filter/FilterEngine.h"
#include "filter/HostsBlock.h"
#include "filter/HookService.h"
#include "filter/SessionGuard.h"

// The user of the program that talks to the service in these tests.
inline const std::string kClientUser = "S-1-5-21-1004336348-1177238915-682003330-1001";

// A filtering engine in memory with real transactions: adds and deletes become
// visible to others only at commit, and an abort drops them.
class FakeFilterEngine : public FilterEngine {
public:
    bool AddProviderAndSublayer() override { return providerAdded = !failProvider; }
    bool RemoveProviderAndSublayer() override {
        providerAdded = false;
        return true;
    }
    bool BeginTransaction() override {
        if (failBegin || inTransaction)
            return false;
        inTransaction = true;
        pendingAdds.clear();
        pendingDeletes.clear();
        return true;
    }
    bool CommitTransaction() override {
        // As on the platform, a failed commit leaves the transaction open.
        if (!inTransaction || failCommit)
            return false;
        inTransaction = false;
        for (uint64_t id : pendingDeletes)
            filters.erase(id);
        for (const auto& entry : pendingAdds)
            filters.insert(entry);
        ++commits;
        return true;
    }
    void AbortTransaction() override {
        inTransaction = false;
        pendingAdds.clear();
        pendingDeletes.clear();
    }
    bool AddFilter(const FilterDescription& filter, const std::string& user, uint64_t* id) override {
        if (!inTransaction || (failAddAt >= 0 && addCalls++ == failAddAt))
            return false;
        users[nextId] = user;
        *id = nextId++;
        pendingAdds[*id] = filter;
        return true;
    }
    bool DeleteFilter(uint64_t id) override {
        if (!inTransaction || failDelete || !Visible(id))
            return false;
        pendingDeletes.insert(id);
        return true;
    }
    bool EnumerateOurFilters(std::vector<EnumeratedFilter>* out) override {
        if (failEnumerate)
            return false;
        out->clear();
        for (const auto& entry : VisibleFilters()) {
            if (entry.second.provider == kHushwallProvider)
                out->push_back({entry.first, entry.second.providerData});
        }
        return true;
    }

    // Another program's filter, which we must never touch.
    uint64_t AddForeignFilter() {
        FilterDescription other;
        other.provider = FilterGuid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
        filters[nextId] = other;
        return nextId++;
    }
    size_t OurFilterCount() const {
        size_t n = 0;
        for (const auto& entry : filters)
            n += entry.second.provider == kHushwallProvider;
        return n;
    }

    std::map<uint64_t, FilterDescription> filters;  // committed
    std::map<uint64_t, std::string> users;          // of every filter added, by id
    bool providerAdded = false;
    bool failProvider = false, failBegin = false, failCommit = false, failDelete = false,
         failEnumerate = false;
    int failAddAt = -1;  // the add call (counted from 0) that fails
    int addCalls = 0;
    int commits = 0;
    bool inTransaction = false;

private:
    bool Visible(uint64_t id) const {
        return (filters.count(id) || pendingAdds.count(id)) && !pendingDeletes.count(id);
    }
    std::map<uint64_t, FilterDescription> VisibleFilters() const {
        std::map<uint64_t, FilterDescription> all = filters;
        if (inTransaction) {
            for (const auto& entry : pendingAdds)
                all.insert(entry);
            for (uint64_t id : pendingDeletes)
                all.erase(id);
        }
        return all;
    }

    uint64_t nextId = 1;
    std::map<uint64_t, FilterDescription> pendingAdds;
    std::set<uint64_t> pendingDeletes;
};

class MemoryFailSafeStore : public FailSafeStore {
public:
    std::optional<std::string> Read() override { return text; }
    bool Write(const std::string& t) override {
        text = t;
        ++writes;
        return true;
    }
    void Erase() override { text.reset(); }
    std::optional<std::string> text;
    int writes = 0;
};

class MemoryLog : public ServiceLog {
public:
    void Report(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

// The hosts file in memory; its stamp moves with every change, ours or another's.
class MemoryHostsStore : public HostsStore {
public:
    ReadResult Read(std::string* out) override {
        if (text && !failRead)
            *out = *text;
        return failRead ? ReadResult::Failed : text ? ReadResult::Ok : ReadResult::Missing;
    }
    bool Write(const std::string& t) override {
        ++writes;
        Edit(t);
        return true;
    }
    bool Delete() override {
        Edit(std::nullopt);
        return true;
    }
    std::string Stamp() override { return std::to_string(version); }
    void FlushResolverCache() override { ++flushes; }
    void Edit(std::optional<std::string> t) {
        text = std::move(t);
        ++version;
    }
    std::optional<std::string> text;
    int version = 0, writes = 0, flushes = 0;
    bool failRead = false;
};

// Users logged on to sessions, and the starts of the program in them; it ends nothing.
struct LoggedOnUsers : GuardPlatform {
    std::map<uint32_t, std::string> users;  // session: its user
    std::vector<std::pair<uint32_t, bool>> starts;

    std::vector<uint32_t> FindBlocked(const std::vector<std::string>&, uint32_t,
                                      const std::string&) override {
        return {};
    }
    void ReleaseSweeps() override {}
    bool EndProcess(uint32_t) override { return false; }
    SessionState QuerySession(uint32_t) override { return SessionState::Unknown; }
    std::string SessionUser(uint32_t session) override { return users[session]; }
    std::optional<uint32_t> FindUserSession(const std::string& user) override {
        for (const auto& [session, u] : users)
            if (u == user)
                return session;
        return std::nullopt;
    }
    bool StartProgram(uint32_t session, bool forSchedule) override {
        starts.emplace_back(session, forSchedule);
        return true;
    }
};
