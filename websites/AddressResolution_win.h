#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "lists/ListEntry.h"
#include "websites/AddressResolution.h"
#include "websites/ParallelLookups.h"

// Windows Sockets 2.2: its IPv4 host lookup, and getaddrinfo for IPv6.
class WinsockResolver : public HostResolver {
public:
    bool Start() override;
    void Cleanup() override;
    std::vector<uint32_t> Lookup(const std::string& name) override;
    std::vector<Ipv6Address> Lookup6(const std::string& name) override;
    // The unicast addresses of every adapter, from GetAdaptersAddresses.
    AddressList LocalAddresses() override;
};

// WinInet: the text canonicalised in browser mode, then split.
class WinInetUrlCracker : public UrlCracker {
public:
    bool CrackHost(const std::string& url, std::string& host) override;
};

// The addresses of the checked websites through the system's resolver and URL parser.
AddressList CollectWebsiteAddresses(const EntryList& websites);

// Every name of 200 sites in flight at once, on threads with small stacks: a
// 32-bit process cannot reserve the default stack for each of them.
LookupLimits WinsockLookupLimits();
