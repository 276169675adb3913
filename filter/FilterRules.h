#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "filter/FilterIds.h"
#include "hook/HookRule.h"

// How one hook rule becomes filters of the filtering platform, as plain data
// that the engine adapter copies into the platform's structures.

enum class FilterLayer { ConnectV4, RecvAcceptV4, ConnectV6, RecvAcceptV6 };
const FilterGuid& LayerKey(FilterLayer layer);

enum class FilterField { LocalAddress, RemoteAddress, Protocol, LocalPort, RemotePort };
const FilterGuid& FieldKey(FilterField field);

// Every condition matches by equality; an address matches under its mask or prefix.
struct FilterCondition {
    enum class Kind { V4AddressMask, V6AddressPrefix, Uint8, Uint16 };
    FilterField field = FilterField::RemoteAddress;
    Kind kind = Kind::Uint8;
    uint32_t v4Address = 0;  // host byte order, as the platform wants it
    uint32_t v4Mask = 0;     // host byte order
    Ipv6Address v6Address = {};
    uint8_t v6Prefix = 0;
    uint16_t number = 0;  // protocol or port
};

// Weights within our sublayer (the platform's 4-bit weight): a permit rule
// outweighs a block rule, so drop 0 carves an exception out of a wider block.
constexpr uint8_t kBlockWeight = 4;
constexpr uint8_t kPermitWeight = 12;

struct FilterDescription {
    FilterLayer layer = FilterLayer::ConnectV4;
    std::vector<FilterCondition> conditions;
    bool block = true;
    uint8_t weight = kBlockWeight;
    uint32_t flags = kFilterFlagPersistent;
    FilterGuid provider = kHushwallProvider;
    FilterGuid sublayer = kHushwallSublayer;
    // The rule itself, so that a restarted service can rebuild its rules.
    std::vector<uint8_t> providerData;
};

// One rule as the hook keeps it: its place in the order of adds and its record.
struct StoredRule {
    uint32_t number = 0;
    bool ipv6 = false;
    HookRuleBytes rule = {};
    HookRule6Bytes rule6 = {};
};

// Nothing for a rule the platform cannot express (a protocol above 255, a mask
// whose bits are not contiguous, a prefix above 128) and for a block that names
// no address on either side. Each filter matches the rule's address as the far end.
std::optional<std::vector<FilterDescription>> FiltersForRule(const StoredRule& rule);

// One line for logs and the test engine, e.g.
// "connect4 block remote=93.184.216.34/255.255.255.255 protocol=6".
std::string DescribeFilter(const FilterDescription& filter);

std::vector<uint8_t> EncodeProviderData(const StoredRule& rule);
// The rule, whatever follows its record (the user, see ProviderDataUser).
std::optional<StoredRule> DecodeProviderData(const std::vector<uint8_t>& data);
// What follows the rule's record: the filters' user, so that a restarted
// service adds them again for the same user. Empty for data without one.
std::string ProviderDataUser(const std::vector<uint8_t>& data);

// "S-1-" and then numbers between dashes: nothing that could change the
// security descriptor the SID is written into.
bool IsSidString(const std::string& text);
