#include "session/ClockCheck.h"

namespace {

// Wall gaps beyond a thousand years can only be a changed clock; the bound
// also keeps the millisecond product far from overflow.
constexpr Seconds kFarApart = 1000LL * 366 * 86400;

}  // namespace

bool ClockChanged(Seconds wallElapsed, uint64_t monotonicElapsedMs) {
    if (wallElapsed > kFarApart || wallElapsed < -kFarApart ||
        monotonicElapsedMs > static_cast<uint64_t>(kFarApart) * 1000)
        return true;
    int64_t disagreement = wallElapsed * 1000 - static_cast<int64_t>(monotonicElapsedMs);
    return disagreement >= kClockChangeMs || disagreement <= -kClockChangeMs;
}
