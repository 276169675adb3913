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

TEST(WebsiteRules, TheUnavailableLineSaysWhy) {
    const struct {
        FilterServiceState state;
        const char* text;
    } cases[] = {
        {FilterServiceState::NotInstalled,
         "Website blocking is unavailable: the Hushwall filter service is not installed."},
        {FilterServiceState::NotRunning,
         "Website blocking is unavailable: the Hushwall filter service is not running."},
        {FilterServiceState::Running,
         "Website blocking is unavailable: the Hushwall filter service is running but could not "
         "be reached."},
        {FilterServiceState::Unknown,
         "Website blocking is unavailable: the state of the Hushwall filter service could not be "
         "read."},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(WebsiteBlockingUnavailableText(c.state), c.text);
}
