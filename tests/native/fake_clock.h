#pragma once
#include <deque>

#include "base/Clock.h"

// Returns the queued readings in turn, then keeps returning `now`.
class FakeClock : public Clock {
public:
    explicit FakeClock(Seconds start = 1'000'000'000) : now(start) {}
    Seconds Now() override {
        ++reads;
        if (!queued.empty()) {
            Seconds value = queued.front();
            queued.pop_front();
            return value;
        }
        return now;
    }
    Seconds now;
    std::deque<Seconds> queued;
    int reads = 0;
};

// A monotonic count that moves only when a test moves it.
class FakeMonotonicClock : public MonotonicClock {
public:
    explicit FakeMonotonicClock(uint64_t start = 5'000'000) : ms(start) {}
    uint64_t Milliseconds() override { return ms; }
    uint64_t ms;
};
