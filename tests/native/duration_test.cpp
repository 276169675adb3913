#include "app/Duration.h"

#include <gtest/gtest.h>

#include "fake_clock.h"
#include "local_zone.h"

TEST(ReadDecimal, ReadsAsTheCLibraryDoes) {
    EXPECT_EQ(ReadDecimal(""), 0);
    EXPECT_EQ(ReadDecimal("  42"), 42);
    EXPECT_EQ(ReadDecimal("+7"), 7);
    EXPECT_EQ(ReadDecimal("-3"), -3);
    EXPECT_EQ(ReadDecimal("12ab"), 12);
    EXPECT_EQ(ReadDecimal("ab12"), 0);
    EXPECT_EQ(ReadDecimal("007"), 7);
}

TEST(UntilPickers, EnabledOnlyWhileNoFieldIsPositive) {
    EXPECT_TRUE(UntilPickersEnabled("", "", ""));
    EXPECT_TRUE(UntilPickersEnabled("0", "0", "0"));
    EXPECT_TRUE(UntilPickersEnabled("-1", "", "00"));
    EXPECT_FALSE(UntilPickersEnabled("1", "", ""));
    EXPECT_FALSE(UntilPickersEnabled("", "5", ""));
    EXPECT_FALSE(UntilPickersEnabled("0", "0", "1"));
}

TEST(StepDurationField, CountsWithinEachRange) {
    // The up arrow reports -1 and adds one.
    EXPECT_EQ(StepDurationField(DurationField::Days, "", -1), 1);
    EXPECT_EQ(StepDurationField(DurationField::Days, "24998", -1), 24999);
    EXPECT_EQ(StepDurationField(DurationField::Days, "24999", -1), std::nullopt);
    EXPECT_EQ(StepDurationField(DurationField::Days, "0", 1), std::nullopt);
    EXPECT_EQ(StepDurationField(DurationField::Days, "", 1), std::nullopt);
    EXPECT_EQ(StepDurationField(DurationField::Hours, "22", -1), 23);
    EXPECT_EQ(StepDurationField(DurationField::Hours, "23", -1), std::nullopt);
    EXPECT_EQ(StepDurationField(DurationField::Minutes, "59", -1), std::nullopt);
    EXPECT_EQ(StepDurationField(DurationField::Minutes, "59", 1), 58);
    // A value already beyond the range comes back into it only by a step that lands inside.
    EXPECT_EQ(StepDurationField(DurationField::Minutes, "60", 1), 59);
    EXPECT_EQ(StepDurationField(DurationField::Minutes, "99999999999999", -1), std::nullopt);
}

TEST(CheckDuration, AcceptsFromOneMinuteUpAndKeepsTheSecondsOfNow) {
    FakeClock clock(1'000'000'017);
    DurationCheck check = CheckDuration("", "", "1", clock);
    ASSERT_TRUE(check.accepted);
    EXPECT_EQ(check.endTime, 1'000'000'017 + 60);
    EXPECT_EQ(check.message, nullptr);

    check = CheckDuration("2", "3", "4", clock);
    ASSERT_TRUE(check.accepted);
    EXPECT_EQ(check.endTime, 1'000'000'017 + ((2 * 24 + 3) * 60 + 4) * 60);

    check = CheckDuration("24999", "23", "59", clock);
    ASSERT_TRUE(check.accepted);
    EXPECT_EQ(check.endTime, 1'000'000'017 + ((24999LL * 24 + 23) * 60 + 59) * 60);
}

TEST(CheckDuration, RefusesEachFieldWithItsMessageAndFocus) {
    FakeClock clock;
    DurationCheck check = CheckDuration("25000", "", "", clock);
    EXPECT_FALSE(check.accepted);
    EXPECT_STREQ(check.message,
                 "Invalid number of days.\nThe number should be in the range [0, 24999].");
    EXPECT_EQ(check.focus, DurationField::Days);

    check = CheckDuration("", "24", "", clock);
    EXPECT_STREQ(check.message,
                 "Invalid number of hours.\nThe number should be in the range [0, 23].");
    EXPECT_EQ(check.focus, DurationField::Hours);

    check = CheckDuration("", "", "60", clock);
    EXPECT_STREQ(check.message,
                 "Invalid number of minutes.\nThe number should be in the range [0, 59].");
    EXPECT_EQ(check.focus, DurationField::Minutes);

    // Negative values from a pasted sign.
    EXPECT_EQ(CheckDuration("-1", "", "", clock).focus, DurationField::Days);
    EXPECT_EQ(CheckDuration("", "-1", "5", clock).focus, DurationField::Hours);

    // Days are checked before hours, hours before minutes.
    EXPECT_EQ(CheckDuration("99999", "99", "99", clock).focus, DurationField::Days);
    EXPECT_EQ(CheckDuration("1", "99", "99", clock).focus, DurationField::Hours);
}

TEST(CheckDuration, OverlongTextsCountAsZero) {
    FakeClock clock;
    // Six characters of days, three of hours or minutes are not read.
    DurationCheck check = CheckDuration("100000", "", "", clock);
    EXPECT_FALSE(check.accepted);
    EXPECT_STREQ(check.message,
                 "Invalid duration specified.\nAt least one duration field (number of days, "
                 "hours, minutes) must be greater than zero.");
    EXPECT_FALSE(check.focus.has_value());
    EXPECT_FALSE(CheckDuration("", "100", "", clock).accepted);
    EXPECT_FALSE(CheckDuration("", "", "001", clock).accepted);
    EXPECT_TRUE(CheckDuration("00001", "", "", clock).accepted);
    EXPECT_TRUE(CheckDuration("", "", "01", clock).accepted);
    EXPECT_STREQ(CheckDuration("0", "0", "0", clock).message, kInvalidDurationMessage);
}

TEST(CheckDuration, ComparesWithAFreshReadingOfNow) {
    FakeClock clock;
    // The clock jumps forward by more than the minute between the two readings.
    clock.queued = {1'000'000'000, 1'000'000'100};
    EXPECT_FALSE(CheckDuration("", "", "1", clock).accepted);
    EXPECT_EQ(clock.reads, 2);
}

class CheckUntilTest : public ::testing::Test {
protected:
    void SetUp() override { UseTimeZone("UTC"); }
};

TEST_F(CheckUntilTest, AcceptsALaterMinuteWithSecondsZero) {
    // 2026-12-09 10:15:40 UTC.
    FakeClock clock(1796811340);
    LocalFields date{2026, 12, 9, 0, 0, 0};
    LocalFields time{1999, 1, 1, 10, 16, 33};  // only hour and minute count
    DurationCheck check = CheckUntil(date, time, clock);
    ASSERT_TRUE(check.accepted);
    EXPECT_EQ(check.endTime, 1796811360);
}

TEST_F(CheckUntilTest, RefusesTheMinuteThatHasBegun) {
    FakeClock clock(1796811340);
    LocalFields date{2026, 12, 9, 0, 0, 0};
    DurationCheck check = CheckUntil(date, LocalFields{0, 0, 0, 10, 15, 0}, clock);
    EXPECT_FALSE(check.accepted);
    EXPECT_STREQ(check.message, "Invalid date.\nChoose a future date (at least 1 minute).");
    EXPECT_FALSE(
        CheckUntil(LocalFields{2026, 12, 8, 0, 0, 0}, LocalFields{0, 0, 0, 23, 59, 0}, clock)
            .accepted);
    // A few seconds ahead is enough.
    clock.now = 1796811355;
    EXPECT_TRUE(CheckUntil(date, LocalFields{0, 0, 0, 10, 16, 0}, clock).accepted);
}

TEST_F(CheckUntilTest, FollowsTheLocalZone) {
    UseTimeZone("EST5");          // five hours behind UTC, no daylight saving
    FakeClock clock(1796811340);  // 05:15:40 local
    DurationCheck check =
        CheckUntil(LocalFields{2026, 12, 9, 0, 0, 0}, LocalFields{0, 0, 0, 6, 0, 0}, clock);
    ASSERT_TRUE(check.accepted);
    EXPECT_EQ(check.endTime, 1796811340 - 40 - 15 * 60 + 3600);
}
