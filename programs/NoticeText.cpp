#include "programs/NoticeText.h"

#include <cstdio>

namespace {

std::string Part(int64_t value, const char* one, const char* many) {
    if (value == 1)
        return one;
    if (value < 1)
        return "";
    char text[48];
    std::snprintf(text, sizeof(text), many, static_cast<long long>(value));
    return text;
}

}  // namespace

std::string FormatRemainingTime(Seconds left) {
    const int64_t days = left / 86400;
    const int64_t totalHours = left / 3600;
    const int64_t hours = totalHours - 24 * days;
    const int64_t totalMinutes = left / 60;
    const int64_t seconds = left - 60 * totalMinutes;
    const int64_t minutes = totalMinutes - 60 * totalHours + (seconds > 29 ? 1 : 0);
    if (days == 0 && hours == 0 && minutes == 0)
        return "Less than 1 minute.";
    return Part(days, "1 Day ", "%lld Days ") + Part(hours, "1 Hour ", "%lld Hours ") +
           Part(minutes, "1 Minute", "%lld Minutes");
}

std::string NoticeText(Seconds now, Seconds endTime, bool timeChanged) {
    if (timeChanged || now > endTime)
        return kUntilKeyText;
    return FormatRemainingTime(endTime - now);
}
