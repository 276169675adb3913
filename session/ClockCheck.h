#pragma once
#include <cstdint>

#include "base/Clock.h"

// How far the time of day may run ahead of or behind the monotonic count
// between two session ticks before the clock counts as changed.
//
// A machine that neither sleeps nor stalls ticks every 30001 ms. There a wall
// gap of 0 s or of 60 s and more has always meant a changed clock, and gaps of
// 1 s to 59 s have not: disagreements of -30001 and +29999 ms against -29001
// and +28999 ms. Half way between keeps all four outcomes. An unchanged clock
// disagrees by less than 1.1 s (whole-second readings, the count's 10-16 ms
// steps), so late ticks and ticks right after them never count. A clock that
// stands still is caught at the first tick 29.5 s or more after the last.
constexpr int64_t kClockChangeMs = 29500;

// True when `wallElapsed` (whole seconds of the time of day) and
// `monotonicElapsedMs` disagree by kClockChangeMs or more, either way. Sleep
// and stalls move both alike and so never count.
bool ClockChanged(Seconds wallElapsed, uint64_t monotonicElapsedMs);
