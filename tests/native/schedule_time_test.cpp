#include "schedule/ScheduleCheck.h"
#include "schedule/ScheduleTime.h"

#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "local_zone.h"

namespace {

// "12-09 09:15": that moment of 2026 in UTC.
Seconds Utc(const char* text) {
    std::tm tm = {};
    strptime(("2026-" + std::string(text)).c_str(), "%Y-%m-%d %H:%M", &tm);
    return timegm(&tm);
}

ScheduleBlock Block(int days, int fromH, int fromM, int toH, int toM, const char* until = nullptr) {
    ScheduleBlock b;
    b.days = static_cast<uint8_t>(days);
    b.fromMinute = fromH * 60 + fromM;
    b.toMinute = toH * 60 + toM;
    b.until = until ? Utc(until) : 0;
    return b;
}

constexpr int kWeekdays = kMonday | kTuesday | kWednesday | kThursday | kFriday;

}  // namespace

TEST(ScheduleTime, RunsAndNextStartsOnTheLocalWallClock) {
    const char* B = "Europe/Berlin";
    // Times in UTC: the run's end, or null when `now` is outside every run; the next start.
    const struct {
        const char* zone;
        ScheduleBlock block;
        const char *now, *end, *next;
    } cases[] = {
        {B, Block(kWeekdays, 9, 0, 17, 0), "12-09 09:15", "12-09 16:00", "12-10 08:00"},
        {B, Block(kWeekdays, 9, 0, 17, 0), "12-11 16:00", nullptr, "12-14 08:00"},
        {B, Block(kFriday, 22, 0, 2, 0), "12-12 00:30", "12-12 01:00", "12-18 21:00"},
        {B, Block(kSunday, 23, 0, 1, 0), "12-13 23:30", "12-14 00:00", "12-20 22:00"},
        {B, Block(kSunday, 23, 0, 1, 0), "12-13 22:00", "12-14 00:00", "12-20 22:00"},
        // 03-29 01:00 UTC: 02:00 CET jumps to 03:00 CEST. Skipped times fall at the jump.
        {B, Block(kSunday, 2, 30, 3, 30), "03-29 01:10", "03-29 01:30", "04-05 00:30"},
        {B, Block(kSunday, 1, 0, 2, 30), "03-29 00:59", "03-29 01:00", "04-04 23:00"},
        {B, Block(kSunday, 2, 15, 2, 45), "03-22 11:00", nullptr, "04-05 00:15"},
        {B, Block(kSaturday, 22, 0, 4, 0), "03-29 01:30", "03-29 02:00", "04-04 20:00"},
        // 10-25 01:00 UTC: 03:00 CEST falls back to 02:00 CET. Repeated times take the first pass.
        {B, Block(kSunday, 2, 30, 3, 30), "10-24 11:00", nullptr, "10-25 00:30"},
        {B, Block(kSunday, 2, 30, 3, 30), "10-25 02:00", "10-25 02:30", "11-01 01:30"},
        {B, Block(kSunday, 1, 0, 2, 30), "10-25 00:29", "10-25 00:30", "11-01 00:00"},
        {B, Block(kSaturday, 22, 0, 4, 0), "10-25 02:30", "10-25 03:00", "10-31 21:00"},
        // Retired: in force, and starting, only before `until`.
        {B, Block(kWeekdays, 9, 0, 17, 0, "12-09 12:00"), "12-09 11:59", "12-09 16:00", nullptr},
        {B, Block(kWeekdays, 9, 0, 17, 0, "12-09 12:00"), "12-09 12:00", nullptr, nullptr},
        {B, Block(kWeekdays, 9, 0, 17, 0, "12-10 08:01"), "12-09 16:00", nullptr, "12-10 08:00"},
        {"UTC", Block(kSunday, 23, 0, 1, 0), "12-14 00:59", "12-14 01:00", "12-20 23:00"},
        {"UTC", Block(kEveryDay, 6, 0, 6, 0), "12-09 05:59", "12-09 06:00", "12-09 06:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.now);
        UseTimeZone(c.zone);
        const std::optional<Occurrence> run = OccurrenceAt(c.block, Utc(c.now));
        EXPECT_EQ(run ? run->end : 0, c.end ? Utc(c.end) : 0);
        const std::optional<Seconds> next = NextStart(c.block, Utc(c.now));
        EXPECT_EQ(next.value_or(0), c.next ? Utc(c.next) : 0);
    }
    UseTimeZone("UTC");
}

TEST(ScheduleTime, SessionJoinsTheRunsThatHoldNow) {
    UseTimeZone("Europe/Berlin");
    Schedule s = {Block(kWednesday, 9, 0, 12, 0), Block(kWednesday, 10, 0, 17, 0),
                  Block(kWednesday, 11, 0, 11, 30), Block(kThursday, 9, 0, 12, 0),
                  Block(kWednesday, 10, 0, 18, 0, "12-09 08:45")};
    s[0].programs = {{"C:\\Game.exe", "Game", true}};
    s[1].programs = {{"c:\\game.EXE", "Other name", false}, {"C:\\Chat.exe", "Chat", false}};
    s[2].programs = {{"C:\\Late.exe", "Late", true}};

    const std::optional<ScheduledSession> at = SessionAt(s, Utc("12-09 09:30"));
    ASSERT_TRUE(at);
    EXPECT_EQ(at->end, Utc("12-09 16:00"));
    ASSERT_EQ(at->programs.size(), 2u);
    EXPECT_EQ(at->programs[0].target, "C:\\Game.exe");
    EXPECT_TRUE(at->programs[1].checked);
    // The key ended what had started by 09:15: only the later run remains.
    const std::optional<ScheduledSession> after =
        SessionAt(s, Utc("12-09 10:00"), Utc("12-09 09:15"));
    ASSERT_TRUE(after);
    ASSERT_EQ(after->programs.size(), 1u);
    EXPECT_EQ(after->programs[0].target, "C:\\Late.exe");

    EXPECT_EQ(NextChange(s, Utc("12-09 07:00")), Utc("12-09 08:00"));
    EXPECT_EQ(NextChange(s, Utc("12-09 08:30")), Utc("12-09 08:45"));
    EXPECT_EQ(NextChange(s, Utc("12-09 10:00")), Utc("12-10 08:00"));
    UseTimeZone("UTC");
}

TEST(ScheduleCheck, StartsOrExtendsButNeverShortens) {
    UseTimeZone("UTC");
    Schedule s = {Block(kWednesday, 9, 0, 17, 0)};
    const EntryList game = {{"C:\\Game.exe", "Game", true}}, chat = {{"C:\\Chat.exe", "", true}};
    s[0].programs = game;
    const Seconds now = Utc("12-09 10:00"), end = Utc("12-09 17:00");
    const struct {
        std::optional<RunningSession> running;
        bool act;
        Seconds end;
        size_t programs;
    } rows[] = {
        {std::nullopt, true, end, 1},
        {RunningSession{game, {}, end + 60}, false, end + 60, 1},
        {RunningSession{game, {}, end - 60}, true, end, 1},
        {RunningSession{chat, {}, end + 60}, true, end + 60, 2},
    };
    for (const auto& r : rows) {
        const ScheduleCheck c = CheckSchedule(s, now, r.running ? &*r.running : nullptr);
        EXPECT_EQ(c.startOrExtend, r.act);
        EXPECT_EQ(c.end, r.end);
        EXPECT_EQ(c.programs.size(), r.programs);
        EXPECT_EQ(c.next, Utc("12-16 09:00"));
    }
    EXPECT_FALSE(CheckSchedule(s, now, nullptr, now - 1).startOrExtend);
    EXPECT_EQ(CheckTimerDelay(now, now + 90), 90'000u);
    EXPECT_EQ(CheckTimerDelay(now, now - 5), 1'000u);
    EXPECT_EQ(CheckTimerDelay(now, now + 7 * 86400), kLongestCheckWaitMs);
}
