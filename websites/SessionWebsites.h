#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "lists/ListEntry.h"
#include "session/SessionEngine.h"
#include "websites/AddressResolution.h"
#include "websites/FirewallHookDriver.h"
#include "websites/ParallelLookups.h"

// The website steps of a session: the ticked websites' addresses and names, the session
// log, and the firewall hook driver's rules, names, hook and remaining time.
// The driver and cracker must outlive it; the lookups share the resolver.
class SessionWebsites : public WebsiteBlocking {
public:
    // Hears the outcome of each batch of lookups, on a worker thread; it must take it to
    // the engine's thread and touch nothing that may be gone by then.
    using Resolved = std::function<void(uint64_t ticket, WebsiteTargets targets)>;

    SessionWebsites(CFirewallHookDriver& driver, std::function<EntryList()> websites,
                    std::string exeFolder, std::shared_ptr<HostResolver> resolver,
                    UrlCracker& cracker, Resolved resolved, LookupLimits limits = LookupLimits())
        : m_driver(driver),
          m_websites(std::move(websites)),
          m_exeFolder(std::move(exeFolder)),
          m_resolver(std::move(resolver)),
          m_cracker(cracker),
          m_resolved(std::move(resolved)),
          m_limits(limits) {}
    // Nothing is handed over once it is gone.
    ~SessionWebsites() override { CancelLookups(); }

    void StartLookups(uint64_t ticket) override;
    void CancelLookups() override;
    void WriteSessionLog(const AddressList& addresses) override;
    bool LoadHookRules(const AddressList& addresses) override;
    void SendNames(const std::vector<std::string>& names) override;
    bool SendDriverControl(DriverControl code) override;
    void SendRemainingTime(std::optional<Seconds> remaining) override;

private:
    CFirewallHookDriver& m_driver;
    std::function<EntryList()> m_websites;
    std::string m_exeFolder;
    std::shared_ptr<HostResolver> m_resolver;
    UrlCracker& m_cracker;
    Resolved m_resolved;
    LookupLimits m_limits;
    std::shared_ptr<LookupRun> m_run;
};
