#include "websites/AddressResolution.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/Text.h"

namespace {

bool IsSlash(char c) {
    return c == '/' || c == '\\';
}

// Byte by byte in the C locale, as the comparisons of the lists fold letters.
std::string Lowered(const std::string& text) {
    std::string lowered(text);
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

// "" when the parser refuses the text or finds no host in it.
std::string HostOf(UrlCracker& cracker, const std::string& url) {
    std::string host;
    if (!cracker.CrackHost(url, host))
        return std::string();
    return host;
}

void AddAnswers(HostResolver& resolver, const std::string& name, AddressList& list) {
    for (uint32_t address : resolver.Lookup(name))
        AddAddressOnce(address, list.ipv4);
    for (const Ipv6Address& address : resolver.Lookup6(name))
        AddAddressOnce(address, list.ipv6);
}

void AddFixedRows(const std::string& name, std::vector<uint32_t>& list) {
    const std::string lowered = Lowered(name);
    for (const FixedAddressRow& row : FixedAddressTable()) {
        if (lowered.find(row.fragment) == std::string::npos)
            continue;
        for (const std::array<uint8_t, 4>& octets : row.addresses)
            AddAddressOnce(AddressFromBytes(octets.data(), octets.size()), list);
    }
}

}  // namespace

uint32_t AddressFromBytes(const uint8_t* bytes, size_t length) {
    uint8_t octets[4] = {};
    std::memcpy(octets, bytes, std::min<size_t>(length, sizeof(octets)));
    uint32_t address = 0;
    std::memcpy(&address, octets, sizeof(address));
    return address;
}

void AddAddressOnce(uint32_t address, std::vector<uint32_t>& list) {
    if (std::find(list.begin(), list.end(), address) == list.end())
        list.push_back(address);
}

void AddAddressOnce(const Ipv6Address& address, std::vector<Ipv6Address>& list) {
    if (std::find(list.begin(), list.end(), address) == list.end())
        list.push_back(address);
}

std::string Ipv6Text(const Ipv6Address& address) {
    uint16_t groups[8];
    for (int i = 0; i < 8; ++i)
        groups[i] = static_cast<uint16_t>(address[2 * i] << 8 | address[2 * i + 1]);
    char text[8];
    // ::ffff:0:0/96 reads best in the mixed notation the RFC keeps for it.
    if (std::all_of(groups, groups + 5, [](uint16_t g) { return g == 0; }) && groups[5] == 0xFFFF) {
        std::string mapped = "::ffff:";
        for (int i = 12; i < 16; ++i) {
            std::snprintf(text, sizeof(text), i < 15 ? "%u." : "%u", address[i]);
            mapped += text;
        }
        return mapped;
    }
    int bestStart = -1, bestLength = 1;  // a lone zero group stays as it is
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && groups[j] == 0)
            ++j;
        if (j - i > bestLength) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j > i ? j : i + 1;
    }
    std::string out;
    for (int i = 0; i < 8; ++i) {
        if (i == bestStart) {
            out += "::";
            i += bestLength - 1;
            continue;
        }
        if (!out.empty() && out.back() != ':')
            out += ':';
        std::snprintf(text, sizeof(text), "%x", static_cast<unsigned>(groups[i]));
        out += text;
    }
    return out;
}

std::string RetryUrl(const std::string& text) {
    const size_t c = text.find(':');
    size_t start = 0;
    if (c != std::string::npos && text.size() > c + 3) {
        // Whatever sits at c + 1 goes too when c + 2 is a separator.
        if (IsSlash(text[c + 2]))
            start = c + 3;
        else if (IsSlash(text[c + 1]))
            start = c + 2;
        else
            start = c + 1;
    }
    return "http://" + text.substr(start);
}

std::string ToggleWww(const std::string& host) {
    if (host.size() > 4 && PathsEqualNoCase(host.substr(0, 4), "www."))
        return host.substr(4);
    return "www." + host;
}

AddressList CollectWebsiteAddresses(const EntryList& websites, HostResolver& resolver,
                                    UrlCracker& cracker) {
    AddressList list;
    if (!resolver.Start())
        return list;
    for (const ListEntry& entry : CheckedEntries(websites)) {
        std::string host = HostOf(cracker, entry.target);
        if (host.empty())
            host = HostOf(cracker, RetryUrl(entry.target));
        // A site without a host still gets the table's turn, which an empty name never
        // matches.
        std::string toggled;
        if (!host.empty()) {
            AddAnswers(resolver, host, list);
            toggled = ToggleWww(host);
            AddAnswers(resolver, toggled, list);
        }
        AddFixedRows(toggled, list.ipv4);
    }
    resolver.Cleanup();
    return list;
}
