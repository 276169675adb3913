#include "schedule/ScheduleChange.h"

#include <gtest/gtest.h>

#include "schedule/ScheduleFile.h"

namespace {

constexpr int kWeekdays = kMonday | kTuesday | kWednesday | kThursday | kFriday;
constexpr Seconds kNow = 1796811340;

ScheduleBlock Block(int days, int from, int to, EntryList programs = {{"C:\\A.exe", "A"}},
                    EntryList websites = {{"news.example", "News"}}) {
    return {static_cast<uint8_t>(days), from, to, std::move(programs), std::move(websites), 0};
}

int H(int hour, int minute = 0) {
    return hour * 60 + minute;
}

bool Same(const ScheduleBlock& a, const ScheduleBlock& b) {
    return EncodeSchedule({a}) == EncodeSchedule({b});
}

}  // namespace

TEST(ScheduleChange, ModifyTightensAtOnceAndLoosensAfterADay) {
    const ScheduleBlock nine = Block(kWeekdays, H(9), H(17)), night = Block(kFriday, H(22), H(2));
    const EntryList ab = {{"C:\\A.exe", "A"}, {"C:\\B.exe", "B"}};
    const struct {
        const char* what;
        ScheduleBlock old, fresh;
        bool atOnce;
    } rows[] = {
        {"a day added", nine, Block(kWeekdays | kSaturday, H(9), H(17)), true},
        {"a day removed", nine, Block(kWeekdays & ~kMonday, H(9), H(17)), false},
        {"longer", nine, Block(kWeekdays, H(8), H(18)), true},
        {"shorter", nine, Block(kWeekdays, H(9), H(16, 59)), false},
        {"shifted", nine, Block(kWeekdays, H(10), H(18)), false},
        {"on through midnight", nine, Block(kWeekdays, H(9), H(2)), true},
        {"the whole day", nine, Block(kWeekdays, H(5), H(5)), true},
        {"night cut at midnight", night, Block(kFriday, H(22), 0), false},
        {"night widened", night, Block(kFriday, H(21), H(3)), true},
        {"night moved a day", night, Block(kSaturday, H(22), H(2)), false},
        {"covered by Sunday's night", Block(kMonday, H(0, 30), H(1)), Block(kSunday, H(23), H(2)),
         true},
        {"more entries", nine, Block(kWeekdays, H(9), H(17), ab), true},
        {"kept in other letters", Block(kWeekdays, H(9), H(17), ab),
         Block(kWeekdays, H(9), H(17), {{"c:\\b.EXE", "Bee"}, {"C:\\A.exe", "A"}}), true},
        {"fewer programs", Block(kWeekdays, H(9), H(17), ab), nine, false},
        {"a program changed", nine, Block(kWeekdays, H(9), H(17), {{"C:\\C.exe", "A"}}), false},
        {"fewer websites", nine, Block(kWeekdays, H(9), H(17), {{"C:\\A.exe", "A"}}, {}), false},
    };
    const ScheduleBlock other = Block(kSaturday, H(10), H(11));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const EditResult r =
            ApplyScheduleEdit({other, row.old}, {ScheduleEdit::Modify, 1, row.fresh}, kNow);
        ASSERT_EQ(r.outcome, row.atOnce ? EditOutcome::AtOnce : EditOutcome::AfterADay);
        ASSERT_EQ(r.schedule.size(), row.atOnce ? 2u : 3u);
        EXPECT_TRUE(Same(r.schedule[0], other));
        EXPECT_TRUE(Same(r.schedule[1], row.fresh));
        ScheduleBlock retired = row.old;
        retired.until = kNow + 24 * 3600;
        EXPECT_TRUE(row.atOnce || Same(r.schedule[2], retired));
    }
}

TEST(ScheduleChange, AddDeleteAndRefusals) {
    const ScheduleBlock nine = Block(kWeekdays, H(9), H(17));
    ScheduleBlock retired = nine, expired = nine, badDays = nine, badMinute = nine;
    retired.until = kNow + 60;
    expired.until = kNow;
    badDays.days = 0x80;
    badMinute.toMinute = 1440;

    EditResult r = ApplyScheduleEdit({nine}, {ScheduleEdit::Add, 0, Block(kSunday, 0, 60)}, kNow);
    EXPECT_EQ(r.outcome, EditOutcome::AtOnce);
    ASSERT_EQ(r.schedule.size(), 2u);
    EXPECT_TRUE(Same(r.schedule[1], Block(kSunday, 0, 60)));
    // A deleted block stays a day; one whose day is over goes with the next save.
    r = ApplyScheduleEdit({expired, nine}, {ScheduleEdit::Delete, 1, {}}, kNow);
    EXPECT_EQ(r.outcome, EditOutcome::AfterADay);
    ASSERT_EQ(r.schedule.size(), 1u);
    EXPECT_EQ(r.schedule[0].until, kNow + 24 * 3600);

    const struct {
        ScheduleEdit edit;
        EditOutcome outcome;
    } refused[] = {
        {{ScheduleEdit::Modify, 0, nine}, EditOutcome::Retired},
        {{ScheduleEdit::Delete, 0, {}}, EditOutcome::Retired},
        {{ScheduleEdit::Delete, 2, {}}, EditOutcome::Retired},
        {{ScheduleEdit::Delete, 3, {}}, EditOutcome::Invalid},
        {{ScheduleEdit::Add, 0, Block(0, H(9), H(17))}, EditOutcome::Invalid},
        {{ScheduleEdit::Modify, 1, badDays}, EditOutcome::Invalid},
        {{ScheduleEdit::Add, 0, badMinute}, EditOutcome::Invalid},
    };
    for (const auto& row : refused) {
        r = ApplyScheduleEdit({retired, nine, expired}, row.edit, kNow);
        EXPECT_EQ(r.outcome, row.outcome);
        EXPECT_EQ(r.schedule.size(), 3u);
    }
}
