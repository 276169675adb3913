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

TEST(ScheduleText, Days) {
    const struct {
        uint8_t days;
        const char* text;
    } cases[] = {
        {kMonday | kTuesday | kWednesday | kThursday | kFriday, "Mon-Fri"},
        {kSaturday | kSunday, "Sat, Sun"},
        {kMonday | kWednesday | kFriday, "Mon, Wed, Fri"},
        {kEveryDay, "Every day"},
        {kSunday, "Sun"},
        {kMonday | kTuesday, "Mon, Tue"},
        {kMonday | kTuesday | kWednesday | kFriday | kSaturday, "Mon-Wed, Fri, Sat"},
        {kMonday | kThursday | kFriday | kSaturday | kSunday, "Mon, Thu-Sun"},
        {kEveryDay & ~kWednesday, "Mon, Tue, Thu-Sun"},
        {0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DaysText(c.days), c.text) << int(c.days);
}

TEST(ScheduleText, TimesAndWhatABlockHolds) {
    EXPECT_EQ(TimeText(0), "00:00");
    EXPECT_EQ(TimeText(9 * 60), "09:00");
    EXPECT_EQ(TimeText(17 * 60 + 30), "17:30");
    EXPECT_EQ(TimeText(1439), "23:59");
    const struct {
        size_t programs, websites;
        const char* text;
    } cases[] = {
        {3, 5, "3 programs, 5 websites"}, {1, 0, "1 program"}, {0, 2, "2 websites"},
        {1, 1, "1 program, 1 website"},   {0, 0, "Nothing"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BlocksText(c.programs, c.websites), c.text);
}

TEST(ScheduleText, MomentsInLocalTime) {
    const struct {
        const char* zone;
        Seconds t;
        const char* until;
    } cases[] = {
        {"UTC", 1796873400, "until Thu 03:30"},   // 2026-12-10 03:30 UTC
        {"EST5", 1796873400, "until Wed 22:30"},  // the day before, west of UTC
        {"UTC", 1709208000, "until Thu 12:00"},   // 2024-02-29
        {"UTC", 951869100, "until Wed 00:05"},    // 2000-03-01
        {"UTC", 1797206340, "until Sun 23:59"},
        {"CET-1", 1797206340, "until Mon 00:59"},  // the day after, east of UTC
    };
    for (const auto& c : cases) {
        UseTimeZone(c.zone);
        EXPECT_EQ(UntilText(c.t), c.until) << c.zone << " " << c.t;
    }
    UseTimeZone("EST5");
    EXPECT_EQ(NextBlockTooltip(1797238800), "Hushwall - next block Mon 04:00");
    UseTimeZone("UTC");
}

TEST(ScheduleText, RowOfARetiredBlockThroughMidnight) {
    UseTimeZone("UTC");
    ScheduleBlock block{kSaturday | kSunday, 22 * 60, 2 * 60, {{"C:\\g.exe", "G", true}}, {}, 0};
    ScheduleRowText row = RowText(block);
    EXPECT_EQ(row.days, "Sat, Sun");
    EXPECT_EQ(row.from, "22:00");
    EXPECT_EQ(row.to, "02:00");
    EXPECT_EQ(row.blocks, "1 program");
    block.until = 1796873400;
    EXPECT_EQ(RowText(block).blocks, "1 program, until Thu 03:30");
}

TEST(BlockRules, ABlockIsBuiltFromTheChosenListsOrRefused) {
    char pattern[] = "/tmp/hushwall-block-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    const std::string folder = std::string(pattern) + "/";
    const EntryList mixed = {{"C:\\a.exe", "A", true}, {"C:\\b.exe", "B", false}};
    const EntryList unticked = {{"x.example", "X", false}};
    ASSERT_TRUE(SaveEntryList(ProfileProgramsPath(folder + "work.profile"), mixed));
    ASSERT_TRUE(SaveEntryList(ProfileWebsitesPath(folder + "work.profile"), unticked));
    ASSERT_TRUE(SaveEntryList(ProfileProgramsPath(folder + "half.profile"), mixed));
    ASSERT_TRUE(SaveEntryList(ProfileProgramsPath(folder + "none.profile"), unticked));
    ASSERT_TRUE(SaveEntryList(ProfileWebsitesPath(folder + "none.profile"), unticked));

    using L = BlockLists;
    const struct {
        BlockForm form;
        const char* refusal;
        size_t programs, websites;  // of the built block
    } cases[] = {
        {{kMonday, 540, 1020, L::Pages, mixed, mixed, ""}, nullptr, 1, 1},
        {{kSunday, 1320, 120, L::Pages, {}, mixed, ""}, nullptr, 0, 1},  // through midnight
        {{kFriday, 540, 1020, L::Own, {}, {}, ""}, nullptr, 2, 0},       // the block's own
        {{kFriday, 540, 1020, L::Profile, {}, {}, folder + "work.profile"}, nullptr, 1, 0},
        {{0, 540, 1020, L::Pages, mixed, {}, ""}, kNoDayMessage, 0, 0},
        {{0x80, 540, 1020, L::Pages, mixed, {}, ""}, kNoDayMessage, 0, 0},  // no weekday's bit
        {{0, 540, 540, L::Pages, {}, {}, ""}, kNoDayMessage, 0, 0},
        {{kFriday, 540, 540, L::Pages, mixed, {}, ""}, kSameTimesMessage, 0, 0},
        {{kFriday, 0, 0, L::Profile, {}, {}, ""}, kSameTimesMessage, 0, 0},
        {{kEveryDay, 540, 1020, L::Pages, unticked, unticked, ""}, kEmptyBlockMessage, 0, 0},
        {{kEveryDay, 540, 1020, L::Profile, {}, {}, folder + "none.profile"},
         kEmptyBlockMessage,
         0,
         0},
        {{kEveryDay, 540, 1020, L::Profile, mixed, {}, ""}, kNoProfileMessage, 0, 0},
        {{kEveryDay, 540, 1020, L::Profile, {}, {}, folder + "work.apps"}, kNoProfileMessage, 0, 0},
        {{kEveryDay, 540, 1020, L::Profile, {}, {}, folder + "gone.profile"},
         kLoadProgramsError,
         0,
         0},
        {{kEveryDay, 540, 1020, L::Profile, {}, {}, folder + "half.profile"},
         kLoadWebsitesError,
         0,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        ScheduleBlock block{kSaturday, 1, 2, mixed, {}, 1796873400};
        EXPECT_EQ(BuildBlock(c.form, block), c.refusal);
        if (c.refusal) {
            EXPECT_EQ(block.days, kSaturday) << "untouched";
            EXPECT_EQ(block.programs.size(), 2u);
            continue;
        }
        EXPECT_EQ(block.days, c.form.days);
        EXPECT_EQ(block.fromMinute, c.form.fromMinute);
        EXPECT_EQ(block.toMinute, c.form.toMinute);
        EXPECT_EQ(block.programs.size(), c.programs);
        EXPECT_EQ(block.websites.size(), c.websites);
        EXPECT_EQ(block.until, 0);
    }
    std::filesystem::remove_all(pattern);
}

}  // namespace
