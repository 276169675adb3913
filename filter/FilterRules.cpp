#include "filter/FilterRules.h"

#include <algorithm>
#include <cstdio>

namespace {

// The hook records keep IPv4 addresses and masks as the bytes are in memory
// (network order, first octet first); the platform wants host order values.
uint32_t HostOrder(uint32_t asInMemory) {
    uint8_t b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<uint8_t>(asInMemory >> (8 * i));
    return (static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) |
           (static_cast<uint32_t>(b[2]) << 8) | b[3];
}

// The prefix length of a contiguous mask, or -1.
int PrefixOf(uint32_t hostMask) {
    int bits = 0;
    while (bits < 32 && (hostMask & (0x80000000u >> bits)))
        ++bits;
    const uint32_t contiguous = bits == 0 ? 0 : (0xFFFFFFFFu << (32 - bits));
    return hostMask == contiguous ? bits : -1;
}

struct V4Side {
    bool any = true;
    uint32_t address = 0;  // host order
    uint32_t mask = 0;
    int prefix = 0;
};

struct V6Side {
    bool any = true;
    Ipv6Address address = {};
    uint8_t prefix = 0;
};

FilterCondition V4Condition(FilterField field, const V4Side& side) {
    FilterCondition c;
    c.field = field;
    c.kind = FilterCondition::Kind::V4AddressMask;
    c.v4Address = side.address & side.mask;
    c.v4Mask = side.mask;
    return c;
}

FilterCondition V6Condition(FilterField field, const Ipv6Address& address, uint8_t prefix) {
    FilterCondition c;
    c.field = field;
    c.kind = FilterCondition::Kind::V6AddressPrefix;
    c.v6Address = address;
    c.v6Prefix = prefix;
    return c;
}

// ::ffff:a.b.c.d, the form in which dual-stack sockets see IPv4 peers.
V6Side Mapped(const V4Side& side) {
    V6Side mapped;
    mapped.any = false;
    mapped.address[10] = 0xFF;
    mapped.address[11] = 0xFF;
    if (!side.any) {
        const uint32_t a = side.address & side.mask;
        mapped.address[12] = static_cast<uint8_t>(a >> 24);
        mapped.address[13] = static_cast<uint8_t>(a >> 16);
        mapped.address[14] = static_cast<uint8_t>(a >> 8);
        mapped.address[15] = static_cast<uint8_t>(a);
        mapped.prefix = static_cast<uint8_t>(96 + side.prefix);
    } else {
        mapped.prefix = 96;
    }
    return mapped;
}

void AddNumber(std::vector<FilterCondition>& out, FilterField field, FilterCondition::Kind kind,
               uint16_t value) {
    if (value == 0)
        return;
    FilterCondition c;
    c.field = field;
    c.kind = kind;
    c.number = value;
    out.push_back(c);
}

// Zero is "any": only the others become conditions. Outbound, the source port
// is ours; inbound, the destination port is.
void AddProtocolAndPorts(FilterDescription& d, bool outbound, uint16_t protocol, uint16_t sourcePort,
                         uint16_t destinationPort) {
    AddNumber(d.conditions, FilterField::Protocol, FilterCondition::Kind::Uint8, protocol);
    AddNumber(d.conditions, FilterField::LocalPort, FilterCondition::Kind::Uint16,
              outbound ? sourcePort : destinationPort);
    AddNumber(d.conditions, FilterField::RemotePort, FilterCondition::Kind::Uint16,
              outbound ? destinationPort : sourcePort);
}

FilterDescription Base(FilterLayer layer, bool drop, const std::vector<uint8_t>& data) {
    FilterDescription d;
    d.layer = layer;
    d.block = drop;
    d.weight = drop ? kBlockWeight : kPermitWeight;
    d.providerData = data;
    return d;
}

std::optional<V4Side> V4SideOf(uint32_t address, uint32_t mask) {
    V4Side side;
    side.address = HostOrder(address);
    side.mask = HostOrder(mask);
    side.prefix = PrefixOf(side.mask);
    if (side.prefix < 0)
        return std::nullopt;
    side.any = side.address == 0 || side.mask == 0;
    return side;
}

// Filters go only where the rule's address is the far end, so that an "any"
// side never becomes a condition on our own address (0.0.0.0 would match all
// of it, 127.0.0.1 our loopback). Traffic to D (source any) is outbound:
// connect, remote = D. Traffic from S (destination any) is inbound: accept,
// remote = S. With both named we cannot tell which side is ours, so both
// layers, each with the other address as local. Naming neither, a permit
// applies everywhere; a block would cut the whole network and is refused.
struct Layers {
    bool connect = false;
    bool accept = false;
};

std::optional<Layers> LayersFor(bool sourceAny, bool destinationAny, bool drop) {
    if (sourceAny && destinationAny && drop)
        return std::nullopt;
    Layers l;
    l.connect = !destinationAny || sourceAny;
    l.accept = !sourceAny || destinationAny;
    return l;
}

std::optional<std::vector<FilterDescription>> ForV4(const StoredRule& stored) {
    const HookRule rule = DecodeHookRule(stored.rule);
    if (rule.protocol > 255)
        return std::nullopt;
    const auto source = V4SideOf(rule.sourceAddress, rule.sourceMask);
    const auto destination = V4SideOf(rule.destinationAddress, rule.destinationMask);
    if (!source || !destination)
        return std::nullopt;
    const bool drop = rule.drop != 0;
    const std::vector<uint8_t> data = EncodeProviderData(stored);

    const auto layers = LayersFor(source->any, destination->any, drop);
    if (!layers)
        return std::nullopt;

    std::vector<FilterDescription> out;
    // Outbound: we are the source. Inbound: the peer is the source.
    for (FilterLayer layer : {FilterLayer::ConnectV4, FilterLayer::RecvAcceptV4}) {
        const bool outbound = layer == FilterLayer::ConnectV4;
        if (!(outbound ? layers->connect : layers->accept))
            continue;
        const V4Side& local = outbound ? *source : *destination;
        const V4Side& remote = outbound ? *destination : *source;
        FilterDescription d = Base(layer, drop, data);
        if (!local.any)
            d.conditions.push_back(V4Condition(FilterField::LocalAddress, local));
        if (!remote.any)
            d.conditions.push_back(V4Condition(FilterField::RemoteAddress, remote));
        AddProtocolAndPorts(d, outbound, rule.protocol, rule.sourcePort, rule.destinationPort);
        out.push_back(d);
    }
    // A dual-stack socket's IPv4 traffic is classified only at the V6 layers,
    // as IPv4-mapped addresses. The remote address is always limited to the
    // mapped range, so that "any" never reaches real IPv6.
    for (FilterLayer layer : {FilterLayer::ConnectV6, FilterLayer::RecvAcceptV6}) {
        const bool outbound = layer == FilterLayer::ConnectV6;
        if (!(outbound ? layers->connect : layers->accept))
            continue;
        const V4Side& local = outbound ? *source : *destination;
        const V4Side& remote = outbound ? *destination : *source;
        FilterDescription d = Base(layer, drop, data);
        if (!local.any) {
            const V6Side m = Mapped(local);
            d.conditions.push_back(V6Condition(FilterField::LocalAddress, m.address, m.prefix));
        }
        const V6Side r = Mapped(remote);
        d.conditions.push_back(V6Condition(FilterField::RemoteAddress, r.address, r.prefix));
        AddProtocolAndPorts(d, outbound, rule.protocol, rule.sourcePort, rule.destinationPort);
        out.push_back(d);
    }
    return out;
}

bool AnyAddress(const Ipv6Address& a, uint8_t prefix) {
    if (prefix == 0)
        return true;
    for (uint8_t b : a)
        if (b != 0)
            return false;
    return true;
}

std::optional<std::vector<FilterDescription>> ForV6(const StoredRule& stored) {
    const HookRule6 rule = DecodeHookRule6(stored.rule6);
    if (rule.protocol > 255 || rule.sourcePrefix > 128 || rule.destinationPrefix > 128)
        return std::nullopt;
    const bool drop = rule.drop != 0;
    const auto layers = LayersFor(AnyAddress(rule.sourceAddress, rule.sourcePrefix),
                                  AnyAddress(rule.destinationAddress, rule.destinationPrefix), drop);
    if (!layers)
        return std::nullopt;
    const std::vector<uint8_t> data = EncodeProviderData(stored);
    std::vector<FilterDescription> out;
    for (FilterLayer layer : {FilterLayer::ConnectV6, FilterLayer::RecvAcceptV6}) {
        const bool outbound = layer == FilterLayer::ConnectV6;
        if (!(outbound ? layers->connect : layers->accept))
            continue;
        FilterDescription d = Base(layer, drop, data);
        const Ipv6Address& local = outbound ? rule.sourceAddress : rule.destinationAddress;
        const uint8_t localPrefix = outbound ? rule.sourcePrefix : rule.destinationPrefix;
        const Ipv6Address& remote = outbound ? rule.destinationAddress : rule.sourceAddress;
        const uint8_t remotePrefix = outbound ? rule.destinationPrefix : rule.sourcePrefix;
        if (!AnyAddress(local, localPrefix))
            d.conditions.push_back(V6Condition(FilterField::LocalAddress, local, localPrefix));
        if (!AnyAddress(remote, remotePrefix))
            d.conditions.push_back(V6Condition(FilterField::RemoteAddress, remote, remotePrefix));
        AddProtocolAndPorts(d, outbound, rule.protocol, rule.sourcePort, rule.destinationPort);
        out.push_back(d);
    }
    return out;
}

}  // namespace

const FilterGuid& LayerKey(FilterLayer layer) {
    switch (layer) {
    case FilterLayer::ConnectV4: return kLayerAleAuthConnectV4;
    case FilterLayer::RecvAcceptV4: return kLayerAleAuthRecvAcceptV4;
    case FilterLayer::ConnectV6: return kLayerAleAuthConnectV6;
    case FilterLayer::RecvAcceptV6: break;
    }
    return kLayerAleAuthRecvAcceptV6;
}

const FilterGuid& FieldKey(FilterField field) {
    switch (field) {
    case FilterField::LocalAddress: return kConditionIpLocalAddress;
    case FilterField::RemoteAddress: return kConditionIpRemoteAddress;
    case FilterField::Protocol: return kConditionIpProtocol;
    case FilterField::LocalPort: return kConditionIpLocalPort;
    case FilterField::RemotePort: break;
    }
    return kConditionIpRemotePort;
}

std::optional<std::vector<FilterDescription>> FiltersForRule(const StoredRule& rule) {
    return rule.ipv6 ? ForV6(rule) : ForV4(rule);
}

// u32 rule number (little-endian), u8 family (4 or 6), then the rule record.
std::vector<uint8_t> EncodeProviderData(const StoredRule& rule) {
    std::vector<uint8_t> out;
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(rule.number >> (8 * i)));
    out.push_back(rule.ipv6 ? 6 : 4);
    if (rule.ipv6)
        out.insert(out.end(), rule.rule6.begin(), rule.rule6.end());
    else
        out.insert(out.end(), rule.rule.begin(), rule.rule.end());
    return out;
}

std::optional<StoredRule> DecodeProviderData(const std::vector<uint8_t>& data) {
    if (data.size() < 5)
        return std::nullopt;
    StoredRule rule;
    for (int i = 0; i < 4; ++i)
        rule.number |= static_cast<uint32_t>(data[i]) << (8 * i);
    if (data[4] == 4 && data.size() >= 5 + kHookRuleSize) {
        std::copy(data.begin() + 5, data.begin() + 5 + kHookRuleSize, rule.rule.begin());
    } else if (data[4] == 6 && data.size() >= 5 + kHookRule6Size) {
        rule.ipv6 = true;
        std::copy(data.begin() + 5, data.begin() + 5 + kHookRule6Size, rule.rule6.begin());
    } else {
        return std::nullopt;
    }
    return rule;
}

std::string ProviderDataUser(const std::vector<uint8_t>& data) {
    if (data.size() < 5 || (data[4] != 4 && data[4] != 6))
        return std::string();
    const size_t end = 5 + (data[4] == 4 ? kHookRuleSize : kHookRule6Size);
    return data.size() > end ? std::string(data.begin() + end, data.end()) : std::string();
}

bool IsSidString(const std::string& text) {
    if (text.size() < 5 || text.size() > 184 || text.compare(0, 4, "S-1-") != 0 || text.back() == '-')
        return false;
    for (size_t i = 4; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '-' ? text[i - 1] == '-' : (c < '0' || c > '9'))
            return false;
    }
    return true;
}

std::string DescribeFilter(const FilterDescription& filter) {
    static const char* const layers[] = {"connect4", "accept4", "connect6", "accept6"};
    static const char* const fields[] = {"local", "remote", "protocol", "localport", "remoteport"};
    std::string out = layers[static_cast<int>(filter.layer)];
    out += filter.block ? " block" : " permit";
    for (const FilterCondition& c : filter.conditions) {
        char value[64];
        switch (c.kind) {
        case FilterCondition::Kind::V4AddressMask:
            std::snprintf(value, sizeof value, "%u.%u.%u.%u/%u.%u.%u.%u", c.v4Address >> 24,
                          (c.v4Address >> 16) & 0xFF, (c.v4Address >> 8) & 0xFF, c.v4Address & 0xFF,
                          c.v4Mask >> 24, (c.v4Mask >> 16) & 0xFF, (c.v4Mask >> 8) & 0xFF,
                          c.v4Mask & 0xFF);
            break;
        case FilterCondition::Kind::V6AddressPrefix: {
            int n = 0;
            for (int i = 0; i < 16; i += 2)
                n += std::snprintf(value + n, sizeof value - n, i ? ":%x" : "%x",
                                   (c.v6Address[i] << 8) | c.v6Address[i + 1]);
            std::snprintf(value + n, sizeof value - n, "/%u", c.v6Prefix);
            break;
        }
        default:
            std::snprintf(value, sizeof value, "%u", c.number);
            break;
        }
        out += std::string(" ") + fields[static_cast<int>(c.field)] + "=" + value;
    }
    return out;
}
