#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "websites/AddressResolution.h"

namespace {

using Names = std::vector<std::string>;

// The dotted form read from the value's memory bytes, which hold network order.
std::string Dotted(uint32_t address) {
    uint8_t b[4];
    std::memcpy(b, &address, 4);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

Names Dotted(const std::vector<uint32_t>& list) {
    Names out;
    for (uint32_t address : list)
        out.push_back(Dotted(address));
    return out;
}

uint32_t Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t address;
    std::memcpy(&address, bytes, 4);
    return address;
}

Names Row(const std::string& fragment) {
    for (const FixedAddressRow& row : FixedAddressTable()) {
        if (fragment != row.fragment)
            continue;
        Names out;
        for (const auto& o : row.addresses)
            out.push_back(std::to_string(o[0]) + "." + std::to_string(o[1]) + "." +
                          std::to_string(o[2]) + "." + std::to_string(o[3]));
        return out;
    }
    ADD_FAILURE() << "no row " << fragment;
    return {};
}

Names operator+(Names a, const Names& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A name server that knows a few names and remembers what it was asked.
class FakeResolver : public HostResolver {
public:
    bool startResult = true;
    int starts = 0, cleanups = 0;
    std::map<std::string, std::vector<uint32_t>> answers;
    Names asked;

    bool Start() override {
        ++starts;
        return startResult;
    }
    void Cleanup() override { ++cleanups; }
    std::vector<uint32_t> Lookup(const std::string& name) override {
        asked.push_back(name);
        auto found = answers.find(name);
        return found == answers.end() ? std::vector<uint32_t>() : found->second;
    }
    std::vector<Ipv6Address> Lookup6(const std::string& name) override {
        asked6.push_back(name);
        auto found = answers6.find(name);
        return found == answers6.end() ? std::vector<Ipv6Address>() : found->second;
    }
    std::map<std::string, std::vector<Ipv6Address>> answers6;
    Names asked6;
};

// Absolute http, https and ftp URLs only, like the platform's parser: the host runs from the
// "//" (after any user part) to the first ':', '/' or end.
class FakeCracker : public UrlCracker {
public:
    Names given;

    bool CrackHost(const std::string& url, std::string& host) override {
        given.push_back(url);
        const size_t scheme = url.find("://");
        if (scheme == std::string::npos)
            return false;
        static const std::set<std::string> known = {"http", "https", "ftp"};
        if (!known.count(url.substr(0, scheme)))
            return false;
        std::string rest = url.substr(scheme + 3);
        rest = rest.substr(0, rest.find('/'));
        const size_t at = rest.rfind('@');
        if (at != std::string::npos)
            rest = rest.substr(at + 1);
        host = rest.substr(0, rest.find(':'));
        return true;
    }
};

class Collect : public ::testing::Test {
protected:
    Names Run(const EntryList& websites) {
        return Dotted(CollectWebsiteAddresses(websites, resolver, cracker).ipv4);
    }
    Names RunOne(const std::string& url) { return Run({{url, "any", true}}); }
    Names Run6(const EntryList& websites) {
        Names out;
        for (const Ipv6Address& a : CollectWebsiteAddresses(websites, resolver, cracker).ipv6)
            out.push_back(Ipv6Text(a));
        return out;
    }

    FakeResolver resolver;
    FakeCracker cracker;
};

TEST(AddressBytes, MemoryBytesAreTheOctetsInOrderAndShortAnswersArePadded) {
    const uint8_t answer[6] = {127, 0, 0, 1, 9, 9};
    EXPECT_EQ(Dotted(AddressFromBytes(answer, 6)), "127.0.0.1") << "only four bytes are taken";
    EXPECT_EQ(Dotted(AddressFromBytes(answer, 4)), "127.0.0.1");
    const uint8_t shortAnswer[2] = {10, 20};
    EXPECT_EQ(Dotted(AddressFromBytes(shortAnswer, 2)), "10.20.0.0");
    EXPECT_EQ(Dotted(AddressFromBytes(shortAnswer, 0)), "0.0.0.0");
}

TEST(AddAddressOnce, AppendsOnlyAddressesNotYetListed) {
    std::vector<uint32_t> list;
    AddAddressOnce(Ip(10, 0, 0, 1), list);
    AddAddressOnce(Ip(10, 0, 0, 2), list);
    AddAddressOnce(Ip(10, 0, 0, 3), list);
    AddAddressOnce(Ip(10, 0, 0, 1), list);  // first
    AddAddressOnce(Ip(10, 0, 0, 3), list);  // last
    AddAddressOnce(Ip(1, 0, 0, 10), list);  // same bytes, other order
    EXPECT_EQ(Dotted(list), (Names{"10.0.0.1", "10.0.0.2", "10.0.0.3", "1.0.0.10"}));
}

TEST(FixedAddressTable, FiveRowsOfTheAgreedSizesWithDistinctDocumentationAddresses) {
    const std::vector<FixedAddressRow>& table = FixedAddressTable();
    ASSERT_EQ(table.size(), 5u);
    const size_t sizes[5] = {18, 4, 5, 2, 2};
    std::set<std::string> seen;
    for (size_t i = 0; i < table.size(); ++i) {
        const std::string fragment = table[i].fragment;
        EXPECT_EQ(table[i].addresses.size(), sizes[i]) << fragment;
        EXPECT_FALSE(fragment.empty());
        for (char c : fragment)
            EXPECT_FALSE(c >= 'A' && c <= 'Z') << fragment << " is matched in lowered names";
        for (const std::string& dotted : Row(fragment)) {
            EXPECT_TRUE(dotted.rfind("192.0.2.", 0) == 0 || dotted.rfind("198.51.100.", 0) == 0 ||
                        dotted.rfind("203.0.113.", 0) == 0)
                << dotted << " is not a documentation address";
            EXPECT_TRUE(seen.insert(dotted).second) << dotted << " is listed twice";
        }
    }
    EXPECT_EQ(std::string(table[2].fragment).rfind(table[1].fragment, 0), 0u)
        << "the third fragment begins with the second";
}

TEST(RetryUrl, DropsTheSchemeItsColonAndUpToTwoSeparators) {
    EXPECT_EQ(RetryUrl("example.com/path"), "http://example.com/path");
    EXPECT_EQ(RetryUrl("http:\\\\www.example.com"), "http://www.example.com");
    EXPECT_EQ(RetryUrl("http:\\/host"), "http://host");
    EXPECT_EQ(RetryUrl("http:x/host"), "http://host") << "c + 1 goes whatever it is";
    EXPECT_EQ(RetryUrl("http:/host"), "http://host");
    EXPECT_EQ(RetryUrl("http:\\host"), "http://host");
    EXPECT_EQ(RetryUrl("host:8080"), "http://8080");
    EXPECT_EQ(RetryUrl("a:b:c/d"), "http://b:c/d") << "only the first colon counts";
    // Up to c + 3 characters the text is kept whole, separators or not.
    EXPECT_EQ(RetryUrl("x:/y"), "http://x:/y");
    EXPECT_EQ(RetryUrl("x://"), "http://x://");
    EXPECT_EQ(RetryUrl("x:/yz"), "http://yz");
    EXPECT_EQ(RetryUrl("x:yzw"), "http://yzw");
    EXPECT_EQ(RetryUrl(""), "http://");
}

TEST(ToggleWww, RemovesALeadingWwwOfAnyCaseOrAddsOne) {
    EXPECT_EQ(ToggleWww("www.example.com"), "example.com");
    EXPECT_EQ(ToggleWww("WwW.example.com"), "example.com");
    EXPECT_EQ(ToggleWww("example.com"), "www.example.com");
    EXPECT_EQ(ToggleWww("www.x"), "x");
    EXPECT_EQ(ToggleWww("www."), "www.www.") << "four characters or fewer always gain it";
    EXPECT_EQ(ToggleWww("www"), "www.www");
    EXPECT_EQ(ToggleWww("wwwexample.com"), "www.wwwexample.com");
}

TEST_F(Collect, TextWithoutSchemeIsRetriedAsHttpAndBothNamesAreLookedUp) {
    resolver.answers["example.com"] = {Ip(192, 0, 2, 200), Ip(192, 0, 2, 201)};
    resolver.answers["www.example.com"] = {Ip(198, 51, 100, 200)};
    EXPECT_EQ(RunOne("example.com/path"), (Names{"192.0.2.200", "192.0.2.201", "198.51.100.200"}))
        << "the host's answers in their order, then the toggled name's";
    EXPECT_EQ(cracker.given, (Names{"example.com/path", "http://example.com/path"}));
    EXPECT_EQ(resolver.asked, (Names{"example.com", "www.example.com"}));
    EXPECT_EQ(resolver.starts, 1);
    EXPECT_EQ(resolver.cleanups, 1);
}

TEST_F(Collect, HostNamesAsTheUserWroteThem) {
    // Capital "WWW." without a scheme: looked up as written and without the prefix; the
    // table is searched in the lowered shorter name.
    EXPECT_EQ(RunOne("WWW.Video.Example"), Row("video"));
    EXPECT_EQ(resolver.asked, (Names{"WWW.Video.Example", "Video.Example"}));

    resolver.asked.clear();
    cracker.given.clear();
    RunOne("http://www.example.com/path");
    EXPECT_EQ(cracker.given.size(), 1u) << "a full URL needs no retry";
    EXPECT_EQ(resolver.asked, (Names{"www.example.com", "example.com"}));

    resolver.asked.clear();
    cracker.given.clear();
    RunOne("http:\\\\www.example.com");
    EXPECT_EQ(cracker.given.back(), "http://www.example.com");
    EXPECT_EQ(resolver.asked, (Names{"www.example.com", "example.com"}));

    resolver.asked.clear();
    RunOne("www.");
    EXPECT_EQ(resolver.asked, (Names{"www.", "www.www."}));

    resolver.asked.clear();
    RunOne("host:8080");
    EXPECT_EQ(resolver.asked, (Names{"8080", "www.8080"})) << "the port is taken as the host";
}

TEST_F(Collect, OnlyCheckedTargetsInListOrderAndEachAddressOnceAtItsFirstPlace) {
    resolver.answers["first.example"] = {Ip(192, 0, 2, 100), Ip(192, 0, 2, 101)};
    resolver.answers["www.first.example"] = {Ip(192, 0, 2, 101), Ip(192, 0, 2, 102)};
    resolver.answers["second.example"] = {Ip(192, 0, 2, 103), Ip(192, 0, 2, 100)};
    resolver.answers["skipped.example"] = {Ip(192, 0, 2, 199)};
    const EntryList websites = {
        {"http://first.example", "video", true},  // the name plays no part
        {"http://skipped.example", "Skipped", false},
        {"second.example", "Second", true},
    };
    EXPECT_EQ(Run(websites), (Names{"192.0.2.100", "192.0.2.101", "192.0.2.102", "192.0.2.103"}));
    EXPECT_EQ(resolver.asked, (Names{"first.example", "www.first.example", "second.example",
                                     "www.second.example"}));
}

TEST_F(Collect, NothingTickedGivesAnEmptyList) {
    EXPECT_TRUE(Run({}).empty());
    EXPECT_TRUE(Run({{"video.example", "Video", false}}).empty());
    EXPECT_TRUE(resolver.asked.empty());
    EXPECT_TRUE(cracker.given.empty());
}

TEST_F(Collect, WhenNothingResolvesOnlyMatchingRowsAreAdded) {
    // "chatroom" also holds "chat": both rows, in table order, after any earlier sites.
    EXPECT_EQ(Run({{"megagames.example", "", true},
                   {"http://www.ChatRoom.example/", "", true},
                   {"news.example", "", true},
                   {"http://example.tv.game.example", "", true}}),
              Row("game") + Row("chat") + Row("chatroom") + Row(".tv"))
        << "fragments match inside longer words; rows already added are not repeated";
    EXPECT_EQ(resolver.asked.size(), 8u);
}

TEST_F(Collect, TheTableSeesTheToggledName) {
    EXPECT_EQ(RunOne("tv.example"), Row(".tv")) << "searched in www.tv.example";
    EXPECT_TRUE(RunOne("www.tv.example").empty()) << "searched in tv.example";
}

TEST_F(Collect, TableAddressesFollowTheLookedUpOnesAndAreNotRepeated) {
    const uint32_t shared = Ip(192, 0, 2, 1);  // also the video row's first
    ASSERT_EQ(Row("video").front(), Dotted(shared));
    resolver.answers["video.example"] = {Ip(198, 51, 100, 250), shared};
    Names expected = {"198.51.100.250"};
    expected = expected + Row("video");
    EXPECT_EQ(RunOne("video.example"), expected);
}

TEST_F(Collect, NoHostEvenAfterTheRetryAddsNothing) {
    // The host is empty although the text holds a fragment: the table sees only the name.
    resolver.answers[""] = {Ip(192, 0, 2, 250)};
    EXPECT_TRUE(RunOne("http:///chat").empty());
    EXPECT_EQ(cracker.given, (Names{"http:///chat", "http:///chat"}));
    EXPECT_TRUE(resolver.asked.empty());
    EXPECT_EQ(resolver.cleanups, 1);
}

TEST_F(Collect, ResolverThatCannotStartGivesNothingAndIsNotCleanedUp) {
    resolver.startResult = false;
    resolver.answers["video.example"] = {Ip(192, 0, 2, 250)};
    EXPECT_TRUE(RunOne("video.example").empty()) << "not even the table's addresses";
    EXPECT_EQ(resolver.starts, 1);
    EXPECT_EQ(resolver.cleanups, 0);
    EXPECT_TRUE(resolver.asked.empty());
    EXPECT_TRUE(cracker.given.empty());
}

Ipv6Address V6(std::initializer_list<uint16_t> groups) {
    Ipv6Address a = {};
    size_t i = 0;
    for (uint16_t g : groups) {
        a[i++] = static_cast<uint8_t>(g >> 8);
        a[i++] = static_cast<uint8_t>(g);
    }
    return a;
}

TEST(Ipv6Text, StandardForm) {
    const struct {
        Ipv6Address address;
        const char* text;
    } cases[] = {
        {V6({0, 0, 0, 0, 0, 0, 0, 0}), "::"},
        {V6({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
        {V6({1, 0, 0, 0, 0, 0, 0, 0}), "1::"},
        {V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}), "2001:db8::1"},
        {V6({0x2001, 0xDB8, 0xABCD, 0x12, 0, 0, 0, 0x0a0b}), "2001:db8:abcd:12::a0b"},
        // A lone zero group is not shortened; of two equal runs the first goes.
        {V6({0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}), "2001:db8:0:1:1:1:1:1"},
        {V6({0x2001, 0, 0, 1, 0, 0, 1, 1}), "2001::1:0:0:1:1"},
        // The longer run wins wherever it is.
        {V6({0x2001, 0, 0, 1, 0, 0, 0, 1}), "2001:0:0:1::1"},
        {V6({0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff, 0xffff}),
         "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"},
        {V6({0, 0, 0, 0, 0, 0xffff, 0xc000, 0x0201}), "::ffff:192.0.2.1"},
        {V6({0, 0, 0, 0, 1, 0xffff, 0xc000, 0x0201}), "::1:ffff:c000:201"},
        {V6({0xfe80, 0, 0, 0, 0x0200, 0x5eff, 0xfe00, 0x5301}), "fe80::200:5eff:fe00:5301"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Ipv6Text(c.address), c.text);
}

TEST_F(Collect, IPv6AnswersOfBothNamesInOrderEachOnce) {
    resolver.answers6["a.example"] = {V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 2}),
                                      V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 1})};
    resolver.answers6["www.a.example"] = {V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 1}),
                                          V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 3})};
    resolver.answers6["b.example"] = {V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 3}),
                                      V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 4})};
    resolver.answers["a.example"] = {Ip(192, 0, 2, 1)};
    const EntryList sites = {{"http://a.example/", "A", true},
                             {"http://c.example/", "off", false},
                             {"b.example", "B", true}};
    EXPECT_EQ(Run6(sites), (Names{"2001:db8::2", "2001:db8::1", "2001:db8::3", "2001:db8::4"}));
    // The same names as for IPv4, in the same order; the fixed rows stay IPv4 only.
    EXPECT_EQ(resolver.asked6, (Names{"a.example", "www.a.example", "b.example", "www.b.example"}));
    EXPECT_EQ(Run({{"http://video.example/", "V", true}}), Row("video"));
    EXPECT_TRUE(Run6({{"http://video.example/", "V", true}}).empty());

    resolver.startResult = false;
    EXPECT_TRUE(Run6(sites).empty());
}

}  // namespace

namespace {

TEST(IsWebsiteAddress, AnswersThatCannotBeASitesAreLeftOut) {
    AddressList own;
    own.ipv4 = {Ip(192, 0, 2, 77)};
    own.ipv6 = {V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x77})};
    const struct {
        uint32_t address;
        bool website;
    } v4[] = {
        {Ip(0, 0, 0, 0), false},       {Ip(0, 1, 2, 3), false},       {Ip(127, 0, 0, 1), false},
        {Ip(127, 255, 0, 9), false},   {Ip(169, 254, 1, 1), false},   {Ip(224, 0, 0, 1), false},
        {Ip(239, 255, 255, 250), false}, {Ip(255, 255, 255, 255), false}, {Ip(192, 0, 2, 77), false},
        {Ip(1, 0, 0, 0), true},        {Ip(126, 255, 255, 255), true}, {Ip(128, 0, 0, 1), true},
        {Ip(169, 253, 1, 1), true},    {Ip(223, 255, 255, 255), true}, {Ip(240, 0, 0, 1), true},
        {Ip(192, 0, 2, 78), true},
    };
    for (const auto& c : v4)
        EXPECT_EQ(IsWebsiteAddress(c.address, own), c.website) << Dotted(c.address);
    const struct {
        Ipv6Address address;
        bool website;
    } v6[] = {
        {V6({0, 0, 0, 0, 0, 0, 0, 0}), false},
        {V6({0, 0, 0, 0, 0, 0, 0, 1}), false},
        {V6({0xfe80, 0, 0, 0, 0, 0, 0, 1}), false},
        {V6({0xfebf, 0xffff, 0, 0, 0, 0, 0, 1}), false},
        {V6({0xff02, 0, 0, 0, 0, 0, 0, 1}), false},
        {V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x77}), false},
        {V6({0, 0, 0, 0, 0, 0xffff, 0x7f00, 1}), false},  // mapped loopback
        {V6({0, 0, 0, 0, 0, 0xffff, 0, 0}), false},       // mapped 0.0.0.0
        {V6({0, 0, 0, 0, 0, 0xffff, 0xc000, 0x024d}), false},  // mapped own
        {V6({0, 0, 0, 0, 0, 0xffff, 0xc000, 0x0201}), true},
        {V6({0, 0, 0, 0, 0, 0, 0, 2}), true},
        {V6({0xfec0, 0, 0, 0, 0, 0, 0, 1}), true},
        {V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 0x78}), true},
    };
    for (const auto& c : v6)
        EXPECT_EQ(IsWebsiteAddress(c.address, own), c.website) << Ipv6Text(c.address);
}

TEST_F(Collect, LeftOutAnswersAreNeitherListedNorTakenFromTheTable) {
    resolver.answers["video.example"] = {Ip(0, 0, 0, 0), Ip(198, 51, 100, 9), Ip(127, 0, 0, 1)};
    resolver.answers6["video.example"] = {V6({0, 0, 0, 0, 0, 0, 0, 1}),
                                          V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 9})};
    // The machine owns the video row's first address.
    const std::vector<SiteNames> sites = CheckedSiteNames({{"video.example", "", true}}, cracker);
    AddressList own;
    own.ipv4 = {Ip(192, 0, 2, 1)};
    std::vector<NameAnswers> answers;
    for (const std::string& name : NamesToLookUp(sites))
        answers.push_back({resolver.Lookup(name), resolver.Lookup6(name)});
    const AddressList list = MergeSiteAnswers(sites, answers, own);
    Names rest = Row("video");
    rest.erase(rest.begin());
    EXPECT_EQ(Dotted(list.ipv4), Names{"198.51.100.9"} + rest);
    ASSERT_EQ(list.ipv6.size(), 1u);
    EXPECT_EQ(Ipv6Text(list.ipv6[0]), "2001:db8::9");
}

TEST_F(Collect, BlockedNamesAreTheLookedUpHostNamesEachOnce) {
    const EntryList sites = {
        {"http://www.Example.com/a", "", true}, {"example.COM", "", true},
        {"host:8080", "", true},  // "8080" and "www.8080": no address literal
        {"http://192.0.2.1/", "", true}, {"http://off.example/", "", false},
        {"http://bad_name.example/", "", true}, {"http://-x.example/", "", true},
        {"http://" + std::string(64, 'a') + ".example/", "", true},
        {"http://a-b.c0/", "", true},
    };
    EXPECT_EQ(BlockedNames(CheckedSiteNames(sites, cracker)),
              (Names{"www.Example.com", "Example.com", "a-b.c0", "www.a-b.c0"}));
    EXPECT_FALSE(IsBlockableHostName("example.com."));
    EXPECT_FALSE(IsBlockableHostName("a..b"));
    EXPECT_FALSE(IsBlockableHostName(std::string(250, 'a') + ".com"));
}

}  // namespace
