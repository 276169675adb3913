#pragma once
#include <cstdlib>
#include <ctime>

// Local-time results depend on the zone; the tests that read them run in UTC
// unless they pick another zone themselves.
inline void UseTimeZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
}
