#include "app/Duration.h"

#include <cstdlib>

long ReadDecimal(const std::string& text) {
    // strtol rather than atol: it clamps instead of overflowing.
    return std::strtol(text.c_str(), nullptr, 10);
}

long FieldMax(DurationField field) {
    switch (field) {
        case DurationField::Days:
            return 24999;
        case DurationField::Hours:
            return 23;
        case DurationField::Minutes:
            return 59;
    }
    return 0;
}

bool UntilPickersEnabled(const std::string& days, const std::string& hours,
                         const std::string& minutes) {
    return ReadDecimal(days) <= 0 && ReadDecimal(hours) <= 0 && ReadDecimal(minutes) <= 0;
}

std::optional<long> StepDurationField(DurationField field, const std::string& text, int delta) {
    long value = ReadDecimal(text);
    // A pasted huge number must not overflow the step.
    if (value < -1000000 || value > 1000000)
        return std::nullopt;
    value -= delta;
    if (value < 0 || value > FieldMax(field))
        return std::nullopt;
    return value;
}

namespace {

// Days count only with 1 to 5 characters, hours and minutes with 1 or 2.
long FieldValue(const std::string& text, size_t maxLength) {
    if (text.empty() || text.size() > maxLength)
        return 0;
    return ReadDecimal(text);
}

DurationCheck Refuse(const char* message, std::optional<DurationField> focus = std::nullopt) {
    DurationCheck check;
    check.message = message;
    check.focus = focus;
    return check;
}

DurationCheck Accept(Seconds endTime) {
    DurationCheck check;
    check.accepted = true;
    check.endTime = endTime;
    return check;
}

}  // namespace

DurationCheck CheckDuration(const std::string& daysText, const std::string& hoursText,
                            const std::string& minutesText, Clock& clock) {
    long days = FieldValue(daysText, 5);
    long hours = FieldValue(hoursText, 2);
    long minutes = FieldValue(minutesText, 2);
    if (days < 0 || days > FieldMax(DurationField::Days))
        return Refuse(kInvalidDaysMessage, DurationField::Days);
    if (hours < 0 || hours > FieldMax(DurationField::Hours))
        return Refuse(kInvalidHoursMessage, DurationField::Hours);
    if (minutes < 0 || minutes > FieldMax(DurationField::Minutes))
        return Refuse(kInvalidMinutesMessage, DurationField::Minutes);

    Seconds span = ((static_cast<Seconds>(days) * 24 + hours) * 60 + minutes) * 60;
    Seconds candidate = clock.Now() + span;
    if (candidate > clock.Now())
        return Accept(candidate);
    return Refuse(kInvalidDurationMessage);
}

DurationCheck CheckUntil(const LocalFields& date, const LocalFields& time, Clock& clock) {
    LocalFields moment;
    moment.year = date.year;
    moment.month = date.month;
    moment.day = date.day;
    moment.hour = time.hour;
    moment.minute = time.minute;
    moment.second = 0;
    Seconds endTime = 0;
    if (FromLocalFields(moment, endTime) && endTime > clock.Now())
        return Accept(endTime);
    return Refuse(kInvalidDateMessage);
}
