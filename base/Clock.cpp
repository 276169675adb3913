#include "base/Clock.h"

#include <ctime>

Seconds SystemClock::Now() {
    return static_cast<Seconds>(std::time(nullptr));
}
