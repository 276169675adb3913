#include "session/RemainingTime.h"

#include <cstdio>

SpanParts SplitSpan(Seconds span) {
    SpanParts parts;
    parts.days = span / 86400;
    parts.hours = span / 3600 - parts.days * 24;
    parts.minutes = span / 60 - (span / 3600) * 60;
    return parts;
}

std::string TimeLeftText(const SpanParts& parts) {
    char text[96];
    std::snprintf(text, sizeof(text), "Hushwall!\nDays: %ld Hours: %ld Minutes: %ld",
                  static_cast<long>(parts.days), static_cast<long>(parts.hours),
                  static_cast<long>(parts.minutes));
    return text;
}

std::string TrayStartTooltip(Seconds endTime, Seconds now) {
    if (endTime < now)
        return kTooltipZero;
    SpanParts parts = SplitSpan(endTime - now);
    if (parts.days == 0 && parts.hours == 0 && parts.minutes == 0)
        parts.minutes = 1;
    return TimeLeftText(parts);
}

std::string TickTooltip(Seconds endTime, Seconds now) {
    Seconds left = endTime - now;
    SpanParts parts = SplitSpan(left);
    if (left % 60 > 29)
        parts.minutes += 1;
    if (parts.days + parts.hours + parts.minutes == 0)
        return kTooltipUnderMinute;
    return TimeLeftText(parts);
}
