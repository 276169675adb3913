#pragma once
#include "base/Clock.h"

// A moment in local calendar time, as the C library's local-time conversion gives it.
struct LocalFields {
    int year = 0;    // four digits
    int month = 0;   // 1 to 12
    int day = 0;     // 1 to 31
    int hour = 0;    // 0 to 23
    int minute = 0;  // 0 to 59
    int second = 0;  // 0 to 60
};

LocalFields ToLocalFields(Seconds t);

// The inverse, with daylight saving left to the library. Fields out of range are
// carried over as the library does (month 13 is January of the next year).
// Returns false when the library cannot represent the moment.
bool FromLocalFields(const LocalFields& fields, Seconds& t);
