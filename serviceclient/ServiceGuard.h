#pragma once
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "serviceclient/ServiceConnection.h"

// The filter service's guard of the session: it keeps the session while the
// program is gone, and once it guards one, it alone decides when it ends.
class SessionGuardClient {
public:
    enum class Reply { Refused, Guarded, Unbounded };
    // A session the service guards for this user: the time left, or nothing
    // once it has no end.
    struct Held {
        std::optional<Seconds> remaining;
    };
    virtual ~SessionGuardClient() = default;
    // The blocked programs, then the time left (nothing: no end). Unbounded
    // when the service saw the clock change; Refused by a service without a guard.
    virtual Reply StartGuard(const std::vector<std::string>& blockedPrograms,
                             std::optional<Seconds> remaining) = 0;
    // Nothing when the service guards no session for this user, or has no guard.
    virtual std::optional<Held> QueryGuard() = 0;
    // The session reached its end.
    virtual void EndGuard() = 0;
    // After the right access key; true when the service ended the guard and
    // cleared the rules, the names and the fail-safe itself.
    virtual bool EndWithKey() = 0;
    // The program still runs: sent every few seconds of a guarded session.
    virtual void Beat() = 0;
};

// The session's guard codes over the filter service's connection, which must
// outlive it.
class ServiceGuard : public SessionGuardClient {
public:
    explicit ServiceGuard(ServiceConnection& connection) : m_connection(connection) {}

    Reply StartGuard(const std::vector<std::string>& blockedPrograms,
                     std::optional<Seconds> remaining) override;
    std::optional<Held> QueryGuard() override;
    void EndGuard() override;
    bool EndWithKey() override;
    void Beat() override;

private:
    ServiceConnection& m_connection;
};
