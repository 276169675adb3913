#include "programs/NoticeText.h"

#include <gtest/gtest.h>

TEST(NoticeText, RemainingTimeReadsAsThePartsSay) {
    EXPECT_EQ(FormatRemainingTime(86400 + 3600 + 60 + 1), "1 Day 1 Hour 1 Minute");
    EXPECT_EQ(FormatRemainingTime(2 * 3600), "2 Hours ");
    EXPECT_EQ(FormatRemainingTime(59 * 60 + 59), "60 Minutes");
    EXPECT_EQ(FormatRemainingTime(45), "1 Minute");
    EXPECT_EQ(FormatRemainingTime(30), "1 Minute");
    EXPECT_EQ(FormatRemainingTime(29), "Less than 1 minute.");
    EXPECT_EQ(FormatRemainingTime(20), "Less than 1 minute.");
    EXPECT_EQ(FormatRemainingTime(0), "Less than 1 minute.");
    EXPECT_EQ(FormatRemainingTime(2 * 86400 + 3 * 3600 + 15 * 60), "2 Days 3 Hours 15 Minutes");
    EXPECT_EQ(FormatRemainingTime(3600 + 59 * 60 + 40), "1 Hour 60 Minutes");
    EXPECT_EQ(FormatRemainingTime(3 * 86400), "3 Days ");
    EXPECT_EQ(FormatRemainingTime(86400 + 2 * 60), "1 Day 2 Minutes");
    EXPECT_EQ(FormatRemainingTime(24999LL * 86400 + 23 * 3600 + 59 * 60 + 59),
              "24999 Days 23 Hours 60 Minutes");
}

TEST(NoticeText, OnlyTheKeyHelpsOnceTheClockChangedOrTheEndPassed) {
    const Seconds end = 1'000'000'000;
    EXPECT_EQ(NoticeText(end - 600, end, false), "10 Minutes");
    EXPECT_EQ(NoticeText(end, end, false), "Less than 1 minute.");
    EXPECT_EQ(NoticeText(end + 1, end, false), "<Until you enter the 32-letter key.>");
    EXPECT_EQ(NoticeText(end - 600, end, true), "<Until you enter the 32-letter key.>");
}
