#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "lists/ListEntry.h"
#include "websites/AddressResolution.h"

// Windows Sockets 2.2 and its IPv4 host lookup.
class WinsockResolver : public HostResolver {
public:
    bool Start() override;
    void Cleanup() override;
    std::vector<uint32_t> Lookup(const std::string& name) override;
};

// WinInet: the text canonicalised in browser mode, then split.
class WinInetUrlCracker : public UrlCracker {
public:
    bool CrackHost(const std::string& url, std::string& host) override;
};

// The addresses of the checked websites through the system's resolver and URL parser.
std::vector<uint32_t> CollectWebsiteAddresses(const EntryList& websites);
