#include <gtest/gtest.h>

#include "filter/HostsSection.h"

namespace {

const std::string kBegin = "# Hushwall: blocked during a session, removed after it";
const std::string kEnd = "# Hushwall: end";

}  // namespace

TEST(HostsSection, NamesAreCheckedStrictly) {
    const std::string longest = std::string(63, 'a') + "." + std::string(63, 'b') + "." +
                                std::string(63, 'c') + "." + std::string(61, 'd');
    ASSERT_EQ(longest.size(), 253u);
    const struct {
        std::string text;
        std::optional<std::string> normalized;  // nothing: refused
    } cases[] = {
        {"Example.COM", "example.com"},
        {"a-b_c.d1", "a-b_c.d1"},
        {longest, longest},
        {longest + "d", std::nullopt},
        {std::string(64, 'a') + ".com", std::nullopt},
        {"", std::nullopt},
        {"example.com.", std::nullopt},
        {".example.com", std::nullopt},
        {"a..b", std::nullopt},
        {"a b", std::nullopt},
        {"a#b", std::nullopt},
        {"a%b", std::nullopt},
        {"a\r\n0.0.0.0 b", std::nullopt},
        {"a\nb", std::nullopt},
        {std::string("a\0b", 3), std::nullopt},
        {"a\tb", std::nullopt},
        {"b\xC3\xBC" "cher.de", std::nullopt},
        {"a/b", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(NormalizeHostName(c.text), c.normalized);
    }
}

// What the service restores must be the file as it was, byte for byte.
TEST(HostsSection, GoesInAtTheHeadAndComesOutLeavingTheFileAsItWas) {
    const struct {
        const char* name;
        std::string file;
        const char* firstLine;  // what the file with the section starts with
        const char* eol;        // the section's: the file's first
    } cases[] = {
        {"CRLF", "127.0.0.1 localhost\r\n::1 localhost\r\n", "# Hushwall", "\r\n"},
        {"LF", "127.0.0.1 localhost\n", "# Hushwall", "\n"},
        {"no last newline", "# comment\r\n127.0.0.1 localhost", "# Hushwall", "\r\n"},
        {"one line, no newline", "127.0.0.1 localhost", "# Hushwall", "\r\n"},
        {"UTF-8 BOM", "\xEF\xBB\xBF# hosts\n", "\xEF\xBB\xBF# Hushwall", "\n"},
        {"only a BOM", "\xEF\xBB\xBF", "\xEF\xBB\xBF# Hushwall", "\r\n"},
        {"empty", "", "# Hushwall", "\r\n"},
        {"blank lines and a user's own block", "\r\n\r\n0.0.0.0 example.com\r\n", "# Hushwall", "\r\n"},
        {"mixed endings", "a\nb\r\nc\r", "# Hushwall", "\n"},
    };
    const std::vector<std::string> names = {"example.com", "www.example.com"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool created : {false, true}) {
            const auto with = WithHostsSection(c.file, names, created);
            ASSERT_TRUE(with);
            EXPECT_EQ(with->rfind(c.firstLine, 0), 0u);
            const std::string eol = c.eol;
            EXPECT_NE(with->find(eol + "0.0.0.0 www.example.com" + eol + ":: www.example.com" + eol + kEnd + eol),
                      std::string::npos);
            const StrippedHosts stripped = StripHostsSection(*with);
            EXPECT_EQ(stripped.text, c.file);
            EXPECT_EQ(stripped.names, names);
            EXPECT_EQ(stripped.created, created);
        }
        const StrippedHosts untouched = StripHostsSection(c.file);
        EXPECT_EQ(untouched.text, c.file);
        EXPECT_TRUE(untouched.names.empty());
    }
    EXPECT_FALSE(WithHostsSection(std::string("\xFF\xFE#\0", 4), names, false)) << "UTF-16 is left alone";
}

// Someone edited our lines: whatever is left of them goes, and nothing of theirs.
TEST(HostsSection, WhatIsLeftOfAnEditedSectionIsFoundAndRemoved) {
    const std::string mine = "10.0.0.1 intranet\r\n";
    const std::string entries = "0.0.0.0 a.com\r\n:: a.com\r\n";
    const struct {
        const char* name;
        std::string file;
        std::string remains;
        std::vector<std::string> names;
    } cases[] = {
        {"end line removed", kBegin + "\r\n" + entries + mine, mine, {"a.com"}},
        {"first line removed", entries + kEnd + "\r\n" + mine, mine, {"a.com"}},
        {"first line removed below a line of theirs", mine + entries + kEnd + "\r\n", mine, {"a.com"}},
        {"an entry edited", kBegin + "\r\n0.0.0.0 a.com\r\n1.2.3.4 a.com\r\n:: a.com\r\n" + kEnd + "\r\n" + mine,
         "1.2.3.4 a.com\r\n" + mine, {"a.com"}},
        {"moved below their lines, last without newline", mine + kBegin + "\r\n" + entries + kEnd, mine, {"a.com"}},
        {"twice", kBegin + "\r\n" + entries + kEnd + "\r\n" + kBegin + "\r\n0.0.0.0 b.com\r\n" + kEnd + "\r\n" + mine,
         mine, {"a.com", "b.com"}},
        {"a marker inside a line of theirs", "1.2.3.4 x " + kEnd + "\r\n", "1.2.3.4 x " + kEnd + "\r\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const StrippedHosts stripped = StripHostsSection(c.file);
        EXPECT_EQ(stripped.text, c.remains);
        EXPECT_EQ(stripped.names, c.names);
    }
}
