#pragma once
#include <cstdint>

// Seconds since 1970-01-01 00:00:00 UTC, the C library's time-of-day scale.
using Seconds = int64_t;

// The current time; read afresh wherever a step asks for "now".
class Clock {
public:
    virtual ~Clock() = default;
    virtual Seconds Now() = 0;
};

// The C library's clock.
class SystemClock : public Clock {
public:
    Seconds Now() override;
};
