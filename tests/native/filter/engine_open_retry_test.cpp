#include <gtest/gtest.h>

#include "filter/EngineOpenRetry.h"
#include "native/fake_clock.h"

TEST(EngineOpenRetry, KeepsTryingForTheWholePeriodUnlessThereIsNoEngine) {
    const struct {
        const char* name;
        uint64_t openMs;  // how long one failing open takes
        uint32_t error;
        uint64_t minGiveUp, maxGiveUp;
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
        for (uint32_t waits = 1;; ++waits) {
            clock.ms += c.openMs;
            const auto wait = retry.After(c.error);
            if (!wait)
                break;
            ASSERT_TRUE(*wait > 0 && *wait <= 4000 && waits < 1000) << *wait;
            EXPECT_EQ(retry.waits(), waits);  // the service manager's checkpoint rises
            clock.ms += *wait;
        }
        EXPECT_GE(clock.ms - start, c.minGiveUp);
        EXPECT_LE(clock.ms - start, c.maxGiveUp);
    }
}
