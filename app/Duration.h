#pragma once
#include <optional>
#include <string>

#include "base/Clock.h"
#include "session/LocalTime.h"

// The decimal value of a field as the C library reads it: leading blanks, an
// optional sign, then digits up to the first other character. Empty gives 0.
long ReadDecimal(const std::string& text);

enum class DurationField { Days, Hours, Minutes };

// Largest value each field accepts.
long FieldMax(DurationField field);

// The "or Until" pickers count only while no duration field holds a positive number.
bool UntilPickersEnabled(const std::string& days, const std::string& hours,
                         const std::string& minutes);

// An up-down step: the field's value minus the control's delta (the up arrow
// reports -1). Empty when the result leaves the field's range.
std::optional<long> StepDurationField(DurationField field, const std::string& text, int delta);

// What validation found. `message` is null when the entry is accepted or when
// nothing is to be said; `focus` names the field to put the keyboard focus in.
struct DurationCheck {
    bool accepted = false;
    Seconds endTime = 0;
    const char* message = nullptr;
    std::optional<DurationField> focus;
};

// Days, hours and minutes from now; the seconds of now carry over.
DurationCheck CheckDuration(const std::string& days, const std::string& hours,
                            const std::string& minutes, Clock& clock);

// The local date of `date` at the hour and minute of `time`, seconds 0.
DurationCheck CheckUntil(const LocalFields& date, const LocalFields& time, Clock& clock);

constexpr const char* kInvalidDateMessage =
    "Invalid date.\nChoose a future date (at least 1 minute).";
constexpr const char* kInvalidDaysMessage =
    "Invalid number of days.\nThe number should be in the range [0, 24999].";
constexpr const char* kInvalidHoursMessage =
    "Invalid number of hours.\nThe number should be in the range [0, 23].";
constexpr const char* kInvalidMinutesMessage =
    "Invalid number of minutes.\nThe number should be in the range [0, 59].";
constexpr const char* kInvalidDurationMessage =
    "Invalid duration specified.\nAt least one duration field (number of days, hours, minutes) "
    "must be greater than zero.";
