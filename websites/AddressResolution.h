#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hook/AddressList.h"
#include "lists/ListEntry.h"

// IPv4 addresses are held in network byte order: the memory bytes of the uint32_t are the
// dotted octets in order, exactly as the resolver hands them out. Nothing converts them.

// The first four bytes of a resolver's answer; missing bytes are zero.
uint32_t AddressFromBytes(const uint8_t* bytes, size_t length);

// Appends the address unless the list already holds it, so each keeps its first place.
void AddAddressOnce(uint32_t address, std::vector<uint32_t>& list);
void AddAddressOnce(const Ipv6Address& address, std::vector<Ipv6Address>& list);

// The standard text form (RFC 5952): lower-case hexadecimal groups without leading
// zeros, the longest run of two or more zero groups (the first of equals) as "::",
// and an IPv4-mapped address as ::ffff: and the dotted form.
std::string Ipv6Text(const Ipv6Address& address);

// The platform's name service.
class HostResolver {
public:
    virtual ~HostResolver() = default;
    // Readies the service; when false, nothing else is called, Cleanup included.
    virtual bool Start() = 0;
    virtual void Cleanup() = 0;
    // The name's IPv4 addresses in the answer's order; empty when it does not resolve.
    virtual std::vector<uint32_t> Lookup(const std::string& name) = 0;
    // Its IPv6 addresses in the answer's order; empty when it has none.
    virtual std::vector<Ipv6Address> Lookup6(const std::string& name) = 0;
    // The machine's own addresses, which a website's answers never block.
    virtual AddressList LocalAddresses() { return AddressList(); }
};

// The platform's URL parser. Fails on text without a scheme it knows.
class UrlCracker {
public:
    virtual ~UrlCracker() = default;
    // The host name alone: no scheme, user, password, port or path.
    virtual bool CrackHost(const std::string& url, std::string& host) = 0;
};

// Addresses added for every name that contains the lower-case fragment.
struct FixedAddressRow {
    const char* fragment;
    std::vector<std::array<uint8_t, 4>> addresses;  // dotted octets
};

// Tried in this order; a name may match several rows.
const std::vector<FixedAddressRow>& FixedAddressTable();

// What a text the parser refused is tried as next: "http://" and the text, with a scheme,
// its colon and up to two slashes or backslashes after it dropped.
std::string RetryUrl(const std::string& text);

// The host with a leading "www." (any case) removed, or with one put in front.
std::string ToggleWww(const std::string& host);

// False for answers no website can have: unspecified, "this network" (0.0.0.0/8),
// loopback, link-local, multicast, broadcast, and the machine's own. A mapped IPv4
// address (::ffff:a.b.c.d) is judged as its IPv4 address. Blocking one of these would
// cut off more than the site.
bool IsWebsiteAddress(uint32_t address, const AddressList& own);
bool IsWebsiteAddress(const Ipv6Address& address, const AddressList& own);

// A name the hosts file can hold: dot-separated labels of letters, digits and inner
// hyphens, 1 to 63 characters each, 253 in all, the last not all digits (so no address
// literal), no trailing dot.
bool IsBlockableHostName(const std::string& name);

// One checked website's two names: its host as written and with "www." toggled; both
// empty when no host was found in its text.
struct SiteNames {
    std::string host;
    std::string toggled;
};

// The checked websites' names, in list order.
std::vector<SiteNames> CheckedSiteNames(const EntryList& websites, UrlCracker& cracker);

// Every name to look up, each once, in first-asked order.
std::vector<std::string> NamesToLookUp(const std::vector<SiteNames>& sites);

// The names for the hosts file: those looked up that it can hold, each once
// (letter case aside), in first-asked order.
std::vector<std::string> BlockedNames(const std::vector<SiteNames>& sites);

// What one name's lookups gave; empty when they failed or were given up.
struct NameAnswers {
    std::vector<uint32_t> ipv4;
    std::vector<Ipv6Address> ipv6;
};

// The address list from the answers to NamesToLookUp(sites), one per name in that order:
// per site those of its host, then of its toggled name, then of the fixed rows the
// toggled name matches (IPv4 only), each address once and only when IsWebsiteAddress.
AddressList MergeSiteAnswers(const std::vector<SiteNames>& sites,
                             const std::vector<NameAnswers>& answers, const AddressList& own);

// The same, one lookup after another on this thread. Empty when the resolver cannot
// start; names that do not resolve only add nothing.
AddressList CollectWebsiteAddresses(const EntryList& websites, HostResolver& resolver,
                                    UrlCracker& cracker);
