#include "base/Clock_win.h"

#include <windows.h>

uint64_t TickCountClock::Milliseconds() {
    return ::GetTickCount64();
}
