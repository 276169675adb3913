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

// The addresses of the checked websites, in list order, each once: per site those of its
// host, then of the host with "www." toggled, then of the matching fixed rows (IPv4 only).
// Both names are asked for IPv6 addresses too, in the same order. Empty when the resolver
// cannot start; names that do not resolve only add nothing.
AddressList CollectWebsiteAddresses(const EntryList& websites, HostResolver& resolver,
                                    UrlCracker& cracker);
