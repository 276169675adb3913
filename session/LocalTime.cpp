#include "session/LocalTime.h"

#include <ctime>

LocalFields ToLocalFields(Seconds t) {
    std::time_t value = static_cast<std::time_t>(t);
    std::tm tm = {};
#ifdef _WIN32
    if (localtime_s(&tm, &value) != 0)
        return {};
#else
    if (!localtime_r(&value, &tm))
        return {};
#endif
    LocalFields fields;
    fields.year = tm.tm_year + 1900;
    fields.month = tm.tm_mon + 1;
    fields.day = tm.tm_mday;
    fields.hour = tm.tm_hour;
    fields.minute = tm.tm_min;
    fields.second = tm.tm_sec;
    return fields;
}

bool FromLocalFields(const LocalFields& fields, Seconds& t) {
    std::tm tm = {};
    tm.tm_year = fields.year - 1900;
    tm.tm_mon = fields.month - 1;
    tm.tm_mday = fields.day;
    tm.tm_hour = fields.hour;
    tm.tm_min = fields.minute;
    tm.tm_sec = fields.second;
    tm.tm_isdst = -1;
    std::time_t value = std::mktime(&tm);
    if (value == static_cast<std::time_t>(-1))
        return false;
    t = static_cast<Seconds>(value);
    return true;
}
