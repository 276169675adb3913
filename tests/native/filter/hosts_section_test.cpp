#include <gtest/gtest.h>

#include "filter/HostsSection.h"

TEST(HostsSection, OnlyHostNamesPass) {
    const std::string label63 = std::string(63, 'a');
    const std::string longest =
        label63 + "." + label63 + "." + label63 + "." + std::string(61, 'd');
    const struct {
        std::string text;
        std::optional<std::string> normalized;
    } cases[] = {
        {"Example.COM", "example.com"},
        {"a-b_c.d1", "a-b_c.d1"},
        {longest, longest},
        {longest + "d", std::nullopt},
        {label63 + "a.com", std::nullopt},
        {"", std::nullopt},
        {"a.com.", std::nullopt},
        {"a..b", std::nullopt},
        {"a b", std::nullopt},
        {"a#b", std::nullopt},
        {"a%b", std::nullopt},
        {"a\r\n0.0.0.0 b", std::nullopt},
        {std::string("a\0b", 3), std::nullopt},
        {"b\xC3\xBC"
         "cher.de",
         std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormalizeHostName(c.text), c.normalized) << testing::PrintToString(c.text);
}

// What the service restores must be the file as it was, byte for byte.
TEST(HostsSection, GoesInAtTheHeadAndComesOutLeavingTheFileAsItWas) {
    const struct {
        std::string file;
        const char* eol;  // the section's: the file's first
    } cases[] = {
        {"127.0.0.1 localhost\r\n::1 localhost\r\n", "\r\n"},
        {"127.0.0.1 localhost\n", "\n"},
        {"# comment\r\n127.0.0.1 localhost", "\r\n"},  // no last newline
        {"\xEF\xBB\xBF# hosts\n", "\n"},
        {"\xEF\xBB\xBF", "\r\n"},
        {"", "\r\n"},
        {"a\nb\r\nc\r", "\n"},
    };
    const std::vector<std::string> names = {"example.com", "www.example.com"};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.file));
        const std::string bom = c.file.rfind("\xEF\xBB\xBF", 0) == 0 ? "\xEF\xBB\xBF" : "";
        for (bool created : {false, true}) {
            const auto with = WithHostsSection(c.file, names, created);
            ASSERT_TRUE(with);
            EXPECT_EQ(with->rfind(bom + "# Hushwall", 0), 0u);
            const std::string eol = c.eol;
            EXPECT_NE(
                with->find(eol + "0.0.0.0 www.example.com" + eol + ":: www.example.com" + eol),
                std::string::npos);
            const StrippedHosts stripped = StripHostsSection(*with);
            EXPECT_EQ(stripped.text, c.file);
            EXPECT_EQ(stripped.names, names);
            EXPECT_EQ(stripped.created, created);
        }
        EXPECT_EQ(StripHostsSection(c.file).text, c.file);
    }
    EXPECT_FALSE(WithHostsSection(std::string("\xFF\xFE#\0", 4), names, false))
        << "UTF-16 is left alone";
}

// Someone edited our lines: whatever is left of them goes, and nothing of theirs.
TEST(HostsSection, WhatIsLeftOfAnEditedSectionIsFoundAndRemoved) {
    const std::string begin = "# Hushwall: blocked during a session, removed after it\r\n";
    const std::string end = "# Hushwall: end";
    const std::string mine = "10.0.0.1 intranet\r\n";
    const std::string entries = "0.0.0.0 a.com\r\n:: a.com\r\n";
    const struct {
        std::string file, remains;
    } cases[] = {
        {begin + entries + mine, mine},         // its last line removed
        {mine + entries + end + "\r\n", mine},  // its first line removed
        {begin + "0.0.0.0 a.com\r\n1.2.3.4 a.com\r\n:: a.com\r\n" + end + "\r\n" + mine,
         "1.2.3.4 a.com\r\n" + mine},
        {mine + begin + entries + begin + entries + end, mine},  // twice, moved, no last newline
        {"1.2.3.4 x " + end + "\r\n", "1.2.3.4 x " + end + "\r\n"},
    };
    for (const auto& c : cases) {
        const StrippedHosts stripped = StripHostsSection(c.file);
        EXPECT_EQ(stripped.text, c.remains) << testing::PrintToString(c.file);
        EXPECT_EQ(stripped.names.size(), c.remains == c.file ? 0u : 1u);
    }
}
