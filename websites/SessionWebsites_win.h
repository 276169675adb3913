#pragma once
#include <functional>
#include <string>

#include "lists/ListEntry.h"
#include "session/SessionEngine.h"
#include "websites/FirewallHookDriver.h"

// The website steps of a session: the ticked websites' addresses, the session
// log, and the firewall hook driver's rules and hook.
class SessionWebsites : public WebsiteBlocking {
public:
    SessionWebsites(CFirewallHookDriver& driver, std::function<EntryList()> websites,
                    std::string exeFolder)
        : m_driver(driver), m_websites(std::move(websites)), m_exeFolder(std::move(exeFolder)) {}

    std::vector<uint32_t> CollectWebsiteAddresses() override;
    void WriteSessionLog(const std::vector<uint32_t>& addresses) override;
    bool LoadHookRules(const std::vector<uint32_t>& addresses) override;
    bool SendDriverControl(DriverControl code) override;

private:
    CFirewallHookDriver& m_driver;
    std::function<EntryList()> m_websites;
    std::string m_exeFolder;
};
