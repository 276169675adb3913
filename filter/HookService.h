#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "filter/FailSafe.h"
#include "filter/FilterHook.h"
#include "filter/HostsBlock.h"
#include "filter/ScheduleKeeper.h"
#include "filter/SessionGuard.h"
#include "hook/HookPipe.h"  // the reply statuses

// Where the service says what it did on its own (the event log on Windows).
class ServiceLog {
public:
    virtual ~ServiceLog() = default;
    virtual void Report(const std::string& text) = 0;
};

// What the pipe server calls: one request message in, one reply out.
class HookService {
public:
    HookService(FilterEngine& engine, FailSafeStore& store, MonotonicClock& clock, ServiceLog& log,
                HostsStore& hosts, size_t maxRules = kMaxHookRules)
        : m_engine(engine),
          m_hook(engine, maxRules),
          m_failSafe(store, clock),
          m_log(log),
          m_hosts(hosts, clock) {}

    // Adds our provider and sublayer and picks up what an earlier run left.
    // False when the engine refuses; the service then serves nobody.
    bool Startup();
    // The reply to one message, or nothing when the connection is to be
    // closed (a message longer than any request).
    std::optional<std::vector<uint8_t>> HandleMessage(const uint8_t* message, size_t size);
    // Called about ten times a second: the fail-safe's clear, the guard, and
    // the blocked names put back into the hosts file when someone took them out.
    void Tick();

    // The guard the session codes reach; without one they fail, as before.
    void SetGuard(SessionGuard* guard) { m_guard = guard; }
    // The keeper the schedule codes reach; without one they fail.
    void SetScheduleKeeper(ScheduleKeeper* keeper) { m_keeper = keeper; }
    // The registered client of the requests that follow (its process, Windows
    // session and user's SID), and its end.
    void ClientConnected(uint32_t pid, uint32_t session, const std::string& user);
    void ClientGone();
    // The client's user (a SID string), whose traffic alone the filters block.
    bool SetUser(const std::string& sid) { return m_hook.SetUser(sid); }
    void SessionLoggedOff(uint32_t session) {
        if (m_guard)
            m_guard->SessionLoggedOff(session);
    }
    void SessionLoggedOn(uint32_t session) {
        if (m_guard)
            m_guard->SessionLoggedOn(session);
        if (m_keeper)
            m_keeper->SessionLoggedOn();
    }
    // The service stops.
    void Shutdown() {
        if (m_guard)
            m_guard->Stop();
    }

    const FilterHook& hook() const { return m_hook; }
    FailSafe& failSafe() { return m_failSafe; }
    const HostsBlock& hosts() const { return m_hosts; }

private:
    bool Dispatch(uint32_t code, const std::vector<uint8_t>& input);
    void ReportHosts();
    // The status of a session code; nothing for any other code.
    std::optional<uint32_t> DispatchGuard(uint32_t code, const std::vector<uint8_t>& input);
    // The reply to a schedule code; nothing for any other code.
    std::optional<std::vector<uint8_t>> DispatchSchedule(uint32_t code,
                                                         const std::vector<uint8_t>& input);
    void KeepFailSafeUnbounded();
    // Rules, names and fail-safe, as at the key or the guard's own end.
    bool ClearAll();

    FilterEngine& m_engine;
    FilterHook m_hook;
    FailSafe m_failSafe;
    ServiceLog& m_log;
    bool m_clearFailureReported = false;  // once, not every second
    HostsBlock m_hosts;
    bool m_hostsFailureReported = false;
    SessionGuard* m_guard = nullptr;
    ScheduleKeeper* m_keeper = nullptr;
    std::optional<uint32_t> m_clientPid;
    uint32_t m_clientSession = 0;
    std::string m_clientUser;
    bool m_guardClearPending = false;  // the guard ended but the filters stayed
};

// The client's image path against the path registered at install, without
// regard to case (as the file system compares names).
bool IsRegisteredClient(const std::wstring& imagePath, const std::wstring& registeredPath);

// The path alone is not enough where the user may write the program's folder:
// the file there must also be the one registered, by its SHA-256. No recorded
// digest, or a file that could not be read, refuses the client.
using FileDigest = std::vector<uint8_t>;
bool IsRegisteredClient(const std::wstring& imagePath, const FileDigest& imageDigest,
                        const std::wstring& registeredPath, const FileDigest& registeredDigest);
