#include "session/SessionRecord.h"

#include <gtest/gtest.h>

#include "local_zone.h"
#include "session/RemainingTime.h"

class SessionRecordTest : public ::testing::Test {
protected:
    void SetUp() override { UseTimeZone("UTC"); }
};

TEST_F(SessionRecordTest, WritesLocalFieldsWithoutPaddingOrSeconds) {
    // 2027-03-07 09:05:59 UTC.
    EXPECT_EQ(FormatSessionRecord(1804410359), "2027 3 7 9 5");
    UseTimeZone("EST5");
    EXPECT_EQ(FormatSessionRecord(1804410359), "2027 3 7 4 5");
}

TEST_F(SessionRecordTest, LastMinuteOfTheYearRoundTripsWithSecondsZero) {
    // 2026-12-31 23:59:42 UTC.
    Seconds t = 1798761582;
    std::string record = FormatSessionRecord(t);
    EXPECT_EQ(record, "2026 12 31 23 59");
    StoredSession stored = ParseSessionRecord(record);
    EXPECT_EQ(stored.kind, StoredSession::Until);
    EXPECT_EQ(stored.endTime, t - 42);
}

TEST_F(SessionRecordTest, EmptyAndMarkerRecords) {
    EXPECT_EQ(ParseSessionRecord("").kind, StoredSession::None);
    StoredSession unbounded = ParseSessionRecord("-");
    EXPECT_EQ(unbounded.kind, StoredSession::Unbounded);
    EXPECT_EQ(unbounded.endTime, 0);
}

TEST_F(SessionRecordTest, UnreadableNumbersCountAsZero) {
    // Only the year and month are read: day 0 is the last day of the month before.
    StoredSession stored = ParseSessionRecord("2026 3 x 5 5");
    EXPECT_EQ(stored.kind, StoredSession::Until);
    EXPECT_EQ(FormatSessionRecord(stored.endTime), "2026 2 28 0 0");
    // Extra blanks are skipped as scanf does.
    EXPECT_EQ(FormatSessionRecord(ParseSessionRecord("  2026   1 2 3 4 junk").endTime),
              "2026 1 2 3 4");
}

TEST_F(SessionRecordTest, GarbageResumesAsAnEndedSession) {
    for (const char* record : {"junk", "--", "0 0 0 0 0", "99999999999 1 1 1 1",
                               "2026 1 1 1 -99999999999", "2147483647 2147483647 1 1 1"}) {
        StoredSession stored = ParseSessionRecord(record);
        EXPECT_EQ(stored.kind, StoredSession::Until) << record;
        EXPECT_EQ(stored.endTime, 0) << record;
    }
}

TEST(RemainingTime, SplitsByTruncatingDivision) {
    SpanParts parts = SplitSpan(2 * 86400 + 3 * 3600 + 4 * 60 + 59);
    EXPECT_EQ(parts.days, 2);
    EXPECT_EQ(parts.hours, 3);
    EXPECT_EQ(parts.minutes, 4);
}

TEST(RemainingTime, TickRoundsMinutesWithoutCarry) {
    Seconds now = 1'000'000'000;
    EXPECT_EQ(TickTooltip(now + 59 * 60 + 45, now), "Hushwall!\nDays: 0 Hours: 0 Minutes: 60");
    EXPECT_EQ(TickTooltip(now + 40, now), "Hushwall!\nDays: 0 Hours: 0 Minutes: 1");
    EXPECT_EQ(TickTooltip(now + 30, now), "Hushwall!\nDays: 0 Hours: 0 Minutes: 1");
    EXPECT_EQ(TickTooltip(now + 29, now), "Hushwall!\nLess than one minute.");
    EXPECT_EQ(TickTooltip(now + 20, now), "Hushwall!\nLess than one minute.");
    EXPECT_EQ(TickTooltip(now, now), "Hushwall!\nLess than one minute.");
    // Two days less 30 seconds: 1, 23 and 60.
    EXPECT_EQ(TickTooltip(now + 2 * 86400 - 30, now), "Hushwall!\nDays: 1 Hours: 23 Minutes: 60");
    EXPECT_EQ(TickTooltip(now + 20000 * 86400LL, now),
              "Hushwall!\nDays: 20000 Hours: 0 Minutes: 0");
    EXPECT_LE(TickTooltip(now + 24999 * 86400LL + 86399, now).size(), 63u);
}

TEST(RemainingTime, TrayStartTruncatesAndShowsAtLeastOneMinute) {
    Seconds now = 1'000'000'000;
    EXPECT_EQ(TrayStartTooltip(now + 2 * 86400, now), "Hushwall!\nDays: 2 Hours: 0 Minutes: 0");
    EXPECT_EQ(TrayStartTooltip(now + 2 * 86400 - 1, now),
              "Hushwall!\nDays: 1 Hours: 23 Minutes: 59");
    EXPECT_EQ(TrayStartTooltip(now + 20, now), "Hushwall!\nDays: 0 Hours: 0 Minutes: 1");
    EXPECT_EQ(TrayStartTooltip(now, now), "Hushwall!\nDays: 0 Hours: 0 Minutes: 1");
    EXPECT_EQ(TrayStartTooltip(now - 1, now), "Hushwall!\nDays: 0 Hours: 0 Minutes: 0");
    EXPECT_EQ(TrayStartTooltip(0, now), kTooltipZero);
}
