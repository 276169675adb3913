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

void AddFixedRows(const std::string& name, const AddressList& own, std::vector<uint32_t>& list) {
    const std::string lowered = Lowered(name);
    for (const FixedAddressRow& row : FixedAddressTable()) {
        if (lowered.find(row.fragment) == std::string::npos)
            continue;
        for (const std::array<uint8_t, 4>& octets : row.addresses) {
            const uint32_t address = AddressFromBytes(octets.data(), octets.size());
            if (IsWebsiteAddress(address, own))
                AddAddressOnce(address, list);
        }
    }
}

void AddAnswers(const NameAnswers& answers, const AddressList& own, AddressList& list) {
    for (uint32_t address : answers.ipv4)
        if (IsWebsiteAddress(address, own))
            AddAddressOnce(address, list.ipv4);
    for (const Ipv6Address& address : answers.ipv6)
        if (IsWebsiteAddress(address, own))
            AddAddressOnce(address, list.ipv6);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetterOrDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
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

bool IsWebsiteAddress(uint32_t address, const AddressList& own) {
    uint8_t b[4];
    std::memcpy(b, &address, sizeof(b));
    if (b[0] == 0 || b[0] == 127)  // "this network" with 0.0.0.0, loopback
        return false;
    if (b[0] == 169 && b[1] == 254)  // link-local
        return false;
    if ((b[0] & 0xF0) == 224)  // multicast
        return false;
    if (address == 0xFFFFFFFF)  // broadcast
        return false;
    return std::find(own.ipv4.begin(), own.ipv4.end(), address) == own.ipv4.end();
}

bool IsWebsiteAddress(const Ipv6Address& address, const AddressList& own) {
    static const uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(address.data(), kMapped, sizeof(kMapped)) == 0)
        return IsWebsiteAddress(AddressFromBytes(address.data() + 12, 4), own);
    const bool zeroUpTo15 =
        std::all_of(address.begin(), address.end() - 1, [](uint8_t b) { return b == 0; });
    if (zeroUpTo15 && address[15] <= 1)  // unspecified, loopback
        return false;
    if (address[0] == 0xFE && (address[1] & 0xC0) == 0x80)  // link-local
        return false;
    if (address[0] == 0xFF)  // multicast
        return false;
    return std::find(own.ipv6.begin(), own.ipv6.end(), address) == own.ipv6.end();
}

bool IsBlockableHostName(const std::string& name) {
    if (name.empty() || name.size() > 253)
        return false;
    size_t start = 0;
    bool lastAllDigits = false;
    while (true) {
        size_t end = name.find('.', start);
        if (end == std::string::npos)
            end = name.size();
        const size_t length = end - start;
        if (length == 0 || length > 63 || name[start] == '-' || name[end - 1] == '-')
            return false;
        lastAllDigits = true;
        for (size_t i = start; i < end; ++i) {
            if (!IsLetterOrDigit(name[i]) && name[i] != '-')
                return false;
            lastAllDigits = lastAllDigits && IsDigit(name[i]);
        }
        if (end == name.size())
            return !lastAllDigits;
        start = end + 1;
    }
}

std::vector<SiteNames> CheckedSiteNames(const EntryList& websites, UrlCracker& cracker) {
    std::vector<SiteNames> sites;
    for (const ListEntry& entry : CheckedEntries(websites)) {
        SiteNames site;
        site.host = HostOf(cracker, entry.target);
        if (site.host.empty())
            site.host = HostOf(cracker, RetryUrl(entry.target));
        // A site without a host still gets the table's turn, which an empty name never
        // matches.
        if (!site.host.empty())
            site.toggled = ToggleWww(site.host);
        sites.push_back(site);
    }
    return sites;
}

std::vector<std::string> NamesToLookUp(const std::vector<SiteNames>& sites) {
    std::vector<std::string> names;
    for (const SiteNames& site : sites) {
        if (site.host.empty())
            continue;
        for (const std::string* name : {&site.host, &site.toggled})
            if (std::find(names.begin(), names.end(), *name) == names.end())
                names.push_back(*name);
    }
    return names;
}

std::vector<std::string> BlockedNames(const std::vector<SiteNames>& sites) {
    std::vector<std::string> names;
    for (const std::string& name : NamesToLookUp(sites)) {
        if (!IsBlockableHostName(name))
            continue;
        const bool listed = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
            return PathsEqualNoCase(n, name);
        });
        if (!listed)
            names.push_back(name);
    }
    return names;
}

AddressList MergeSiteAnswers(const std::vector<SiteNames>& sites,
                             const std::vector<NameAnswers>& answers, const AddressList& own) {
    const std::vector<std::string> names = NamesToLookUp(sites);
    const NameAnswers none;
    auto answersOf = [&](const std::string& name) -> const NameAnswers& {
        const size_t i =
            static_cast<size_t>(std::find(names.begin(), names.end(), name) - names.begin());
        return i < answers.size() ? answers[i] : none;
    };
    AddressList list;
    for (const SiteNames& site : sites) {
        if (!site.host.empty()) {
            AddAnswers(answersOf(site.host), own, list);
            AddAnswers(answersOf(site.toggled), own, list);
        }
        AddFixedRows(site.toggled, own, list.ipv4);
    }
    return list;
}

AddressList CollectWebsiteAddresses(const EntryList& websites, HostResolver& resolver,
                                    UrlCracker& cracker) {
    if (!resolver.Start())
        return AddressList();
    const std::vector<SiteNames> sites = CheckedSiteNames(websites, cracker);
    std::vector<NameAnswers> answers;
    for (const std::string& name : NamesToLookUp(sites))
        answers.push_back({resolver.Lookup(name), resolver.Lookup6(name)});
    const AddressList list = MergeSiteAnswers(sites, answers, resolver.LocalAddresses());
    resolver.Cleanup();
    return list;
}
