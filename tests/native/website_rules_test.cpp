#include "websites/WebsiteRules.h"

#include <gtest/gtest.h>

TEST(WebsiteRules, OnlyEmptyAndListedUrlsAreRefused) {
    const std::vector<std::string> listed = {"www.Example.com", "http://news.example.org"};
    EXPECT_STREQ(RefuseNewWebsite("", listed), kNoUrlMessage);
    EXPECT_STREQ(RefuseNewWebsite("WWW.EXAMPLE.COM", listed), kListedUrlMessage);
    EXPECT_STREQ(RefuseNewWebsite("http://NEWS.example.org", listed), kListedUrlMessage);
    // No normalising: a scheme, a trailing slash or a blank make another entry.
    EXPECT_EQ(RefuseNewWebsite("http://www.example.com", listed), nullptr);
    EXPECT_EQ(RefuseNewWebsite("www.example.com/", listed), nullptr);
    EXPECT_EQ(RefuseNewWebsite(" www.example.com", listed), nullptr);
    EXPECT_EQ(RefuseNewWebsite("news.example.org", listed), nullptr);
    EXPECT_EQ(RefuseNewWebsite("anything", {}), nullptr);
}
