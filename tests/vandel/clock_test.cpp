#include "vandel/clock.h"
#include "tests/support/manual_clock.h"

#include <gtest/gtest.h>

namespace {

TEST(Clock, SystemClockIsNearTheSecondsClockAndMonotonicEnough) {
    int64_t a = vandel::now_ms();
    int64_t s = vandel::now_s();
    int64_t b = vandel::now_ms();
    EXPECT_GE(b, a);
    EXPECT_GE(s, a / 1000);
    EXPECT_LE(s, b / 1000);
    EXPECT_GT(a, 1600000000000LL);  // a plausible date, not ticks since boot
}

TEST(Clock, NegativeSleepReturnsAtOnceAndZeroYields) {
    oblivar::test::manual_clock clock(1000);
    vandel::sleep_ms(-1);
    EXPECT_EQ(clock.sleeps(), 0);
    vandel::sleep_ms(0);
    EXPECT_EQ(clock.sleeps(), 1);
    EXPECT_EQ(clock.now_ms(), 1000);
}

TEST(Clock, ManualClockDrivesTheLibraryAndRestoresTheSystemClock) {
    {
        oblivar::test::manual_clock clock(-1500);
        EXPECT_EQ(vandel::now_ms(), -1500);
        EXPECT_EQ(vandel::now_s(), -2);  // floor for times before 1970
        vandel::sleep_ms(250);
        EXPECT_EQ(vandel::now_ms(), -1250);
        clock.advance(2250);
        EXPECT_EQ(vandel::now_s(), 1);
        EXPECT_EQ(clock.slept_ms(), 250);
    }
    EXPECT_GT(vandel::now_ms(), 1600000000000LL);
}

}  // namespace
