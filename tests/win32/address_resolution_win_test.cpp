// The system's URL parser and resolver, called for real.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "websites/AddressResolution_win.h"

namespace {

std::string Host(const std::string& url, bool* ok) {
    WinInetUrlCracker cracker;
    std::string host = "unchanged";
    *ok = cracker.CrackHost(url, host);
    return host;
}

std::vector<uint8_t> Bytes(uint32_t address) {
    std::vector<uint8_t> bytes(4);
    std::memcpy(bytes.data(), &address, 4);
    return bytes;
}

TEST(UrlCracker, GivesTheHostOfAbsoluteUrlsOnly) {
    bool ok = false;
    EXPECT_EQ(Host("http://www.example.com/path", &ok), "www.example.com");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Host("https://user:pw@host:8080/x", &ok), "host")
        << "without user, password, port or path";
    EXPECT_TRUE(ok);
    Host("example.com/path", &ok);
    EXPECT_FALSE(ok) << "no scheme";
    Host("", &ok);
    EXPECT_FALSE(ok);
}

TEST(WinsockResolver, LocalhostIsLoopbackInNetworkOrder) {
    WinsockResolver resolver;
    ASSERT_TRUE(resolver.Start());
    const std::vector<uint32_t> answers = resolver.Lookup("localhost");
    ASSERT_FALSE(answers.empty());
    EXPECT_EQ(Bytes(answers[0]), (std::vector<uint8_t>{127, 0, 0, 1}));
    EXPECT_TRUE(resolver.Lookup("no-such-host.invalid").empty());
    resolver.Cleanup();
}

TEST(WinsockResolver, IPv6AnswersFromGetaddrinfo) {
    WinsockResolver resolver;
    ASSERT_TRUE(resolver.Start());
    Ipv6Address loopback = {};
    loopback[15] = 1;
    EXPECT_EQ(resolver.Lookup6("::1"), std::vector<Ipv6Address>{loopback}) << "a literal, once";
    // This Wine answers localhost from the hosts file, which may have no ::1;
    // whatever comes must be loopback.
    for (const Ipv6Address& a : resolver.Lookup6("localhost"))
        EXPECT_EQ(Ipv6Text(a), "::1");
    EXPECT_TRUE(resolver.Lookup6("no-such-host.invalid").empty());
    EXPECT_TRUE(resolver.Lookup6("127.0.0.1").empty()) << "no IPv4-mapped answers";
    resolver.Cleanup();
}

TEST(CollectWebsiteAddresses, LoopbackIsLeftOutAndUnknownNamesAddNothingQuickly) {
    const EntryList websites = {
        {"localhost", "Local", true},
        {"http://192.0.2.7/", "Literal", true},
        {"http://no-such-host.invalid/", "Nowhere", true},
        {"http://192.0.2.8/", "Not ticked", false},
    };
    const DWORD before = ::GetTickCount();
    const std::vector<uint32_t> list = CollectWebsiteAddresses(websites).ipv4;
    const DWORD took = ::GetTickCount() - before;
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(Bytes(list[0]), (std::vector<uint8_t>{192, 0, 2, 7}));
    EXPECT_LT(took, 5000u);
}

TEST(WinsockResolver, TheMachinesOwnAddressesIncludeItsLoopbackAndAreNeverBlocked) {
    WinsockResolver resolver;
    const AddressList own = resolver.LocalAddresses();
    ASSERT_FALSE(own.ipv4.empty());
    const uint8_t loopback[4] = {127, 0, 0, 1};
    EXPECT_NE(std::find(own.ipv4.begin(), own.ipv4.end(), AddressFromBytes(loopback, 4)),
              own.ipv4.end());
    for (uint32_t address : own.ipv4)
        EXPECT_FALSE(IsWebsiteAddress(address, own));
}

}  // namespace
