#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "lists/ListFile.h"
#include "lists/Profiles.h"
#include "local_zone.h"
#include "schedule/BlockRules.h"
#include "schedule/ScheduleText.h"

namespace {

TEST(ScheduleText, DaysTimesAndCounts) {
    const struct {
        int days;
        const char* text;
    } days[] = {
        {kMonday | kTuesday | kWednesday | kThursday | kFriday, "Mon-Fri"},
        {kSaturday | kSunday, "Sat, Sun"},
        {kMonday | kWednesday | kFriday, "Mon, Wed, Fri"},
        {kEveryDay, "Every day"},
        {kMonday | kTuesday | kWednesday | kFriday | kSaturday, "Mon-Wed, Fri, Sat"},
        {kMonday | kThursday | kFriday | kSaturday | kSunday, "Mon, Thu-Sun"},
    };
    for (const auto& c : days)
        EXPECT_EQ(DaysText(static_cast<uint8_t>(c.days)), c.text);
    EXPECT_EQ(TimeText(9 * 60), "09:00");
    EXPECT_EQ(TimeText(23 * 60 + 59), "23:59");
    EXPECT_EQ(BlocksText(3, 5), "3 programs, 5 websites");
    EXPECT_EQ(BlocksText(1, 0), "1 program");
    EXPECT_EQ(BlocksText(0, 2), "2 websites");
    EXPECT_EQ(BlocksText(0, 1), "1 website");
}

TEST(ScheduleText, MomentsInLocalTime) {
    const struct {
        const char* zone;
        Seconds t;
        const char* until;
    } cases[] = {
        {"UTC", 1796873400, "until Thu 03:30"},    // 2026-12-10 03:30 UTC
        {"EST5", 1796873400, "until Wed 22:30"},   // the day before, west of UTC
        {"CET-1", 1797206340, "until Mon 00:59"},  // Sunday 23:59 UTC, east of it
        {"UTC", 1709208000, "until Thu 12:00"},    // 2024-02-29
        {"UTC", 951869100, "until Wed 00:05"},     // 2000-03-01
    };
    for (const auto& c : cases) {
        UseTimeZone(c.zone);
        EXPECT_EQ(UntilText(c.t), c.until) << c.zone << " " << c.t;
    }
    UseTimeZone("EST5");
    EXPECT_EQ(NextBlockTooltip(1797238800), "Hushwall - next block Mon 04:00");
    UseTimeZone("UTC");
}

TEST(BlockRules, ABlockIsBuiltFromTheChosenListsOrRefused) {
    char pattern[] = "/tmp/hushwall-block-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    const std::string work = std::string(pattern) + "/work.profile";
    const std::string half = std::string(pattern) + "/half.profile";
    const EntryList mixed = {{"C:\\a.exe", "A", true}, {"C:\\b.exe", "B", false}};
    const EntryList unticked = {{"x.example", "X", false}};
    ASSERT_TRUE(SaveEntryList(ProfileProgramsPath(work), mixed));
    ASSERT_TRUE(SaveEntryList(ProfileWebsitesPath(work), unticked));
    ASSERT_TRUE(SaveEntryList(ProfileProgramsPath(half), mixed));

    using L = BlockLists;
    const struct {
        BlockForm form;
        const char* refusal;
        size_t programs, websites;  // of the built block
    } cases[] = {
        {{kMonday, 540, 1020, L::Pages, mixed, mixed, ""}, nullptr, 1, 1},
        {{kSunday, 1320, 120, L::Own, {}, {}, ""}, nullptr, 2, 0},  // through midnight
        {{kFriday, 540, 1020, L::Profile, {}, {}, work}, nullptr, 1, 0},
        {{0x80, 540, 540, L::Pages, mixed, {}, ""}, kNoDayMessage, 0, 0},  // no weekday's bit
        {{kFriday, 540, 540, L::Pages, mixed, {}, ""}, kSameTimesMessage, 0, 0},
        {{kFriday, 0, 0, L::Profile, {}, {}, ""}, kSameTimesMessage, 0, 0},
        {{kEveryDay, 540, 1020, L::Pages, unticked, unticked, work}, kEmptyBlockMessage, 0, 0},
        {{kEveryDay, 540, 1020, L::Profile, mixed, {}, work + ".apps"}, kNoProfileMessage, 0, 0},
        {{kEveryDay, 540, 1020, L::Profile, {}, {}, work + "x.profile"}, kLoadProgramsError, 0, 0},
        {{kEveryDay, 540, 1020, L::Profile, {}, {}, half}, kLoadWebsitesError, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        ScheduleBlock block{kSaturday, 1, 2, mixed, {}, 1796873400};
        EXPECT_STREQ(BuildBlock(c.form, block), c.refusal);  // literals may differ in address
        const bool built = !c.refusal;
        EXPECT_EQ(block.days, built ? c.form.days : uint8_t{kSaturday});
        EXPECT_EQ(block.toMinute, built ? c.form.toMinute : 2);
        EXPECT_EQ(block.programs.size(), built ? c.programs : 2u);
        EXPECT_EQ(block.websites.size(), c.websites);
        EXPECT_EQ(block.until, built ? 0 : 1796873400);
    }
    std::filesystem::remove_all(pattern);
}

}  // namespace
