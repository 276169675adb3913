#pragma once
#include "session/SessionEngine.h"
#include "websites/FirewallHookDriver.h"

// The session's guard codes over the filter service's connection. The driver
// must outlive it.
class ServiceGuard : public SessionGuardClient {
public:
    explicit ServiceGuard(CFirewallHookDriver& driver) : m_driver(driver) {}

    Reply StartGuard(const std::vector<std::string>& blockedPrograms,
                     std::optional<Seconds> remaining) override;
    void EndGuard() override;

private:
    CFirewallHookDriver& m_driver;
};
