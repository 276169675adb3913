#include "schedule/ScheduleText.h"

#include <cstdio>

#include "session/LocalTime.h"

namespace {

constexpr const char* kDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

bool HasDay(uint8_t days, int day) {
    return (days >> day) & 1;
}

// 0 for Monday, from the civil date (Howard Hinnant's days-from-civil).
int WeekdayOf(const LocalFields& date) {
    const int y = date.year - (date.month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long days = static_cast<long long>(era) * 146097 + dayOfEra - 719468;
    // 1970-01-01 was a Thursday.
    return static_cast<int>(((days + 3) % 7 + 7) % 7);
}

// "Thu 10:15" in local time.
std::string LocalDayAndTime(Seconds t) {
    const LocalFields local = ToLocalFields(t);
    return std::string(kDayNames[WeekdayOf(local)]) + " " +
           TimeText(local.hour * 60 + local.minute);
}

std::string Count(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string DaysText(uint8_t days) {
    if ((days & kEveryDay) == kEveryDay)
        return "Every day";
    std::string text;
    for (int day = 0; day < 7;) {
        if (!HasDay(days, day)) {
            ++day;
            continue;
        }
        int last = day;
        while (last + 1 < 7 && HasDay(days, last + 1))
            ++last;
        if (!text.empty())
            text += ", ";
        text += kDayNames[day];
        if (last - day >= 2) {
            text += std::string("-") + kDayNames[last];
            day = last + 1;
        } else {
            ++day;
        }
    }
    return text;
}

std::string TimeText(int minute) {
    char text[8];
    std::snprintf(text, sizeof(text), "%02d:%02d", (minute / 60) % 24, minute % 60);
    return text;
}

std::string BlocksText(size_t programs, size_t websites) {
    if (programs && websites)
        return Count(programs, "program", "programs") + ", " +
               Count(websites, "website", "websites");
    if (programs)
        return Count(programs, "program", "programs");
    if (websites)
        return Count(websites, "website", "websites");
    return "Nothing";
}

std::string UntilText(Seconds until) {
    return "until " + LocalDayAndTime(until);
}

ScheduleRowText RowText(const ScheduleBlock& block) {
    ScheduleRowText row{DaysText(block.days), TimeText(block.fromMinute), TimeText(block.toMinute),
                        BlocksText(block.programs.size(), block.websites.size())};
    if (block.until)
        row.blocks += ", " + UntilText(block.until);
    return row;
}

std::string NextBlockTooltip(Seconds start) {
    // Far below the icon's 127 characters.
    return "Hushwall - next block " + LocalDayAndTime(start);
}
