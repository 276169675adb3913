#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "filter/FilterRules.h"

namespace {

// a.b.c.d as the hook records carry it: the bytes in memory in network order.
uint32_t Wire(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return static_cast<uint32_t>(a) | (static_cast<uint32_t>(b) << 8) |
           (static_cast<uint32_t>(c) << 16) | (static_cast<uint32_t>(d) << 24);
}

std::string Text(const FilterGuid& g) {
    char s[40];
    std::snprintf(s, sizeof s, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", g.data1,
                  g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                  g.data4[5], g.data4[6], g.data4[7]);
    return s;
}

StoredRule V4(const HookRule& rule) {
    StoredRule s;
    s.number = 7;
    s.rule = EncodeHookRule(rule);
    return s;
}

const std::string kMappedAny = "0:0:0:0:0:ffff:0:0/96";

}  // namespace

TEST(FilterIds, MatchTheDocumentedValues) {
    const struct {
        FilterGuid guid;
        const char* text;
    } cases[] = {
        {kLayerAleAuthConnectV4, "c38d57d1-05a7-4c33-904f-7fbceee60e82"},
        {kLayerAleAuthConnectV6, "4a72393b-319f-44bc-84c3-ba54dcb3b6b4"},
        {kLayerAleAuthRecvAcceptV4, "e1cd9fe7-f4b5-4273-96c0-592e487b8650"},
        {kLayerAleAuthRecvAcceptV6, "a3b42c97-9f04-4672-b87e-cee9c483257f"},
        {kConditionIpLocalAddress, "d9ee00de-c1ef-4617-bfe3-ffd8f5a08957"},
        {kConditionIpRemoteAddress, "b235ae9a-1d64-49b8-a44c-5ff3d9095045"},
        {kConditionIpProtocol, "3971ef2b-623e-4f9a-8cb1-6e79b806b9a7"},
        {kConditionIpLocalPort, "0c1ba1af-5765-453f-af22-a8f791ac775b"},
        {kConditionIpRemotePort, "c35a604d-d22b-4e1a-91b4-68f674ee674b"},
        {kConditionAleUserId, "af043a0a-b34d-4f86-979c-c90371af6e66"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(c.guid), c.text);
    EXPECT_EQ(Text(LayerKey(FilterLayer::RecvAcceptV4)), "e1cd9fe7-f4b5-4273-96c0-592e487b8650");
    EXPECT_EQ(Text(FieldKey(FilterField::RemotePort)), "c35a604d-d22b-4e1a-91b4-68f674ee674b");
    EXPECT_NE(kHushwallProvider, kHushwallSublayer);
}

TEST(FilterRules, EachIpv4RuleMatchesItsAddressAsTheFarEnd) {
    HookRule to;  // the program's rule for traffic to 93.184.216.34
    to.destinationAddress = Wire(93, 184, 216, 34);
    HookRule from;
    from.sourceAddress = Wire(93, 184, 216, 34);
    HookRule subnet;  // TCP from 10.1.2.0/24 port 1000 to any, port 443
    subnet.protocol = 6;
    subnet.sourceAddress = Wire(10, 1, 2, 99);
    subnet.sourceMask = Wire(255, 255, 255, 0);
    subnet.sourcePort = 1000;
    subnet.destinationPort = 443;
    HookRule between = to;
    between.sourceAddress = Wire(10, 0, 0, 1);
    HookRule pass = to;
    pass.drop = 0;
    HookRule passAll;
    passAll.drop = 0;

    const struct {
        const char* name;
        HookRule rule;
        std::vector<std::string> filters;
    } cases[] = {
        {"to", to, {"connect4 block remote=93.184.216.34/255.255.255.255", "connect6 block remote=0:0:0:0:0:ffff:5db8:d822/128"}},
        {"from", from, {"accept4 block remote=93.184.216.34/255.255.255.255", "accept6 block remote=0:0:0:0:0:ffff:5db8:d822/128"}},
        {"subnet",
         subnet,
         {"accept4 block remote=10.1.2.0/255.255.255.0 protocol=6 localport=443 remoteport=1000",
          "accept6 block remote=0:0:0:0:0:ffff:a01:200/120 protocol=6 localport=443 remoteport=1000"}},
        {"between",
         between,
         {"connect4 block local=10.0.0.1/255.255.255.255 remote=93.184.216.34/255.255.255.255",
          "accept4 block local=93.184.216.34/255.255.255.255 remote=10.0.0.1/255.255.255.255",
          "connect6 block local=0:0:0:0:0:ffff:a00:1/128 remote=0:0:0:0:0:ffff:5db8:d822/128",
          "accept6 block local=0:0:0:0:0:ffff:5db8:d822/128 remote=0:0:0:0:0:ffff:a00:1/128"}},
        {"pass", pass, {"connect4 permit remote=93.184.216.34/255.255.255.255", "connect6 permit remote=0:0:0:0:0:ffff:5db8:d822/128"}},
        {"pass everything",
         passAll,
         {"connect4 permit", "accept4 permit", "connect6 permit remote=" + kMappedAny,
          "accept6 permit remote=" + kMappedAny}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto filters = FiltersForRule(V4(c.rule));
        ASSERT_TRUE(filters);
        std::vector<std::string> texts;
        for (const FilterDescription& d : *filters) {
            texts.push_back(DescribeFilter(d));
            EXPECT_EQ(d.weight, c.rule.drop ? kBlockWeight : kPermitWeight);
            EXPECT_EQ(d.flags, kFilterFlagPersistent);
            EXPECT_EQ(d.provider, kHushwallProvider);
            EXPECT_EQ(d.sublayer, kHushwallSublayer);
            const bool v4Layer = d.layer == FilterLayer::ConnectV4 || d.layer == FilterLayer::RecvAcceptV4;
            for (const FilterCondition& cond : d.conditions) {
                const bool address = cond.field == FilterField::LocalAddress || cond.field == FilterField::RemoteAddress;
                const auto want = address ? (v4Layer ? FilterCondition::Kind::V4AddressMask
                                                     : FilterCondition::Kind::V6AddressPrefix)
                                          : cond.field == FilterField::Protocol ? FilterCondition::Kind::Uint8
                                                                                : FilterCondition::Kind::Uint16;
                EXPECT_EQ(cond.kind, want);
            }
            const auto back = DecodeProviderData(d.providerData);
            ASSERT_TRUE(back);
            EXPECT_EQ(back->number, 7u);
            EXPECT_EQ(back->rule, EncodeHookRule(c.rule));
        }
        EXPECT_EQ(texts, c.filters);
    }
    EXPECT_GT(kPermitWeight, kBlockWeight);
    EXPECT_LE(kPermitWeight, 15);  // the platform's 4-bit weight
}

TEST(FilterRules, Ipv6RulesMatchTheirAddressAsTheFarEnd) {
    HookRule6 to;
    to.destinationAddress = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    HookRule6 prefixed;
    prefixed.sourceAddress = {0x20, 0x01, 0x0d, 0xb8};
    prefixed.sourcePrefix = 32;
    prefixed.protocol = 17;
    prefixed.destinationPort = 53;
    prefixed.drop = 0;

    const struct {
        const char* name;
        HookRule6 rule;
        std::vector<std::string> filters;
    } cases[] = {
        {"to", to, {"connect6 block remote=2001:db8:0:0:0:0:0:1/128"}},
        {"prefixed permit", prefixed, {"accept6 permit remote=2001:db8:0:0:0:0:0:0/32 protocol=17 localport=53"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StoredRule s;
        s.ipv6 = true;
        s.rule6 = EncodeHookRule6(c.rule);
        const auto filters = FiltersForRule(s);
        ASSERT_TRUE(filters);
        std::vector<std::string> texts;
        for (const FilterDescription& d : *filters)
            texts.push_back(DescribeFilter(d));
        EXPECT_EQ(texts, c.filters);
        const auto back = DecodeProviderData((*filters)[0].providerData);
        ASSERT_TRUE(back);
        EXPECT_TRUE(back->ipv6);
        EXPECT_EQ(back->rule6, s.rule6);
    }
}

// Including blocks of every address, which would cut the whole network.
TEST(FilterRules, RulesThePlatformCannotExpressAndBlocksOfEverythingAreRefused) {
    HookRule protocol;
    protocol.protocol = 256;
    protocol.destinationAddress = Wire(10, 0, 0, 1);
    HookRule holes;
    holes.destinationAddress = Wire(10, 0, 0, 1);
    holes.destinationMask = Wire(255, 0, 255, 0);
    HookRule everything;
    HookRule maskedAway;  // a zero mask makes the address "any"
    maskedAway.destinationAddress = Wire(93, 184, 216, 34);
    maskedAway.destinationMask = 0;
    for (const HookRule& rule : {protocol, holes, everything, maskedAway})
        EXPECT_FALSE(FiltersForRule(V4(rule)));

    HookRule6 tooLong;
    tooLong.destinationAddress[0] = 0x20;
    tooLong.destinationPrefix = 129;
    HookRule6 anywhere;
    HookRule6 zeroPrefix = tooLong;
    zeroPrefix.destinationPrefix = 0;
    for (const HookRule6& rule : {tooLong, anywhere, zeroPrefix}) {
        StoredRule s;
        s.ipv6 = true;
        s.rule6 = EncodeHookRule6(rule);
        EXPECT_FALSE(FiltersForRule(s));
    }
}

TEST(FilterRules, ProviderDataOfAnotherShapeIsNotARule) {
    EXPECT_FALSE(DecodeProviderData({}));
    EXPECT_FALSE(DecodeProviderData({1, 0, 0, 0, 4, 0}));
    std::vector<uint8_t> six(5 + kHookRuleSize, 0);
    six[4] = 6;  // an IPv6 tag on an IPv4-sized record
    EXPECT_FALSE(DecodeProviderData(six));
}
