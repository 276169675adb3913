#include <gtest/gtest.h>

#include "filter/EngineOpenRetry.h"
#include "native/fake_clock.h"

// Each case: how long one open takes before it fails, and with what error.
TEST(EngineOpenRetry, KeepsTryingForTheWholePeriodUnlessThereIsNoEngine) {
    const struct {
        const char* name;
        uint64_t openMs;
        uint32_t error;
        uint64_t minWaited, maxWaited;  // the time that passes before giving up
    } cases[] = {
        {"quick failures", 0, 1753, 59000, 60000},
        {"opens that time out", 20000, 1722, 60000, 64000},
        {"no engine on this system", 0, kEngineNotSupported, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMonotonicClock clock;
        const uint64_t start = clock.ms;
        EngineOpenRetry retry(clock);
        uint32_t waits = 0;
        for (;;) {
            clock.ms += c.openMs;
            const auto wait = retry.After(c.error);
            if (!wait)
                break;
            ASSERT_GT(*wait, 0u);
            ASSERT_LE(*wait, 4000u);
            ASSERT_LT(waits, 1000u);
            clock.ms += *wait;
            EXPECT_EQ(retry.waits(), ++waits);
        }
        EXPECT_GE(clock.ms - start, c.minWaited);
        EXPECT_LE(clock.ms - start, c.maxWaited);
    }
}
