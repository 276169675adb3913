#pragma once
#include <functional>
#include <string>

#include "lists/ListEntry.h"
#include "session/SessionEngine.h"
#include "websites/AddressResolution.h"
#include "websites/FirewallHookDriver.h"

// The website steps of a session: the ticked websites' addresses, the session
// log, and the firewall hook driver's rules, hook and remaining time.
// The driver, resolver and cracker must outlive it.
class SessionWebsites : public WebsiteBlocking {
public:
    SessionWebsites(CFirewallHookDriver& driver, std::function<EntryList()> websites,
                    std::string exeFolder, HostResolver& resolver, UrlCracker& cracker)
        : m_driver(driver),
          m_websites(std::move(websites)),
          m_exeFolder(std::move(exeFolder)),
          m_resolver(resolver),
          m_cracker(cracker) {}

    AddressList CollectWebsiteAddresses() override;
    void WriteSessionLog(const AddressList& addresses) override;
    bool LoadHookRules(const AddressList& addresses) override;
    bool SendDriverControl(DriverControl code) override;
    void SendRemainingTime(std::optional<Seconds> remaining) override;

private:
    CFirewallHookDriver& m_driver;
    std::function<EntryList()> m_websites;
    std::string m_exeFolder;
    HostResolver& m_resolver;
    UrlCracker& m_cracker;
};
