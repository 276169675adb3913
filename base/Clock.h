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

// A millisecond count that only runs forward, through sleep and hibernation
// too, and that no change of the time of day moves. Only differences between
// two readings of one process mean anything.
class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual uint64_t Milliseconds() = 0;
};
