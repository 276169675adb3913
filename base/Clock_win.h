#pragma once
#include "base/Clock.h"

// The system's tick count since boot (GetTickCount64), which runs on while the
// machine sleeps or hibernates.
class TickCountClock : public MonotonicClock {
public:
    uint64_t Milliseconds() override;
};
