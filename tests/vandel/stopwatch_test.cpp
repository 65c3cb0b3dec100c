#include "vandel/rate_monitor.h"
#include "vandel/stopwatch.h"
#include "tests/support/manual_clock.h"

#include <gtest/gtest.h>

namespace {

using oblivar::test::manual_clock;

TEST(Stopwatch, MeasuresRunsOnTheLibraryClock) {
    manual_clock clock(5000);
    vandel::stopwatch w;
    clock.advance(100);
    EXPECT_FALSE(w.running());
    EXPECT_EQ(w.elapsed_ms(), 0);
    EXPECT_EQ(w.intervals(10, true), 0);

    EXPECT_EQ(w.start(), 5100);
    clock.advance(40);
    EXPECT_EQ(w.elapsed_ms(), 40);
    w.stop();
    clock.advance(1000);
    EXPECT_EQ(w.elapsed_ms(), 40);
    w.start();
    clock.advance(60);
    EXPECT_EQ(w.elapsed_ms(), 100);
    w.start();  // a restart drops the current run
    clock.advance(5);
    EXPECT_EQ(w.elapsed_ms(), 45);

    vandel::stopwatch running(true);
    clock.advance(7);
    EXPECT_TRUE(running.running());
    EXPECT_EQ(running.elapsed_ms(), 7);
}

TEST(Stopwatch, ClockGoingBackAddsNothing) {
    manual_clock clock(10000);
    vandel::stopwatch w(true);
    clock.advance(300);
    w.stop();
    w.start();
    clock.advance(-1000);
    EXPECT_EQ(w.elapsed_ms(), 300);
    EXPECT_EQ(w.intervals(100, false), 3);
    w.stop();
    EXPECT_EQ(w.elapsed_ms(), 300);
}

TEST(Stopwatch, IntervalsAreConsumedWhole) {
    manual_clock clock(0);
    vandel::stopwatch w(true);
    clock.advance(250);
    EXPECT_EQ(w.intervals(100, false), 2);
    EXPECT_EQ(w.intervals(100, true), 2);
    clock.advance(49);  // 299
    EXPECT_EQ(w.intervals(100, true), 0);
    clock.advance(1);  // 300
    EXPECT_EQ(w.intervals(100, true), 1);
    EXPECT_EQ(w.intervals(0, true), 0);
    EXPECT_EQ(w.intervals(-5, true), 0);
}

TEST(RateMonitor, RatesFollowTheSamples) {
    const int64_t t0 = 1000;
    vandel::rate_monitor m;
    EXPECT_FALSE(m.started());
    EXPECT_EQ(m.rate(), 0);
    m.set_interval(7);
    m.set_interval(0);  // ignored
    m.start(10000, t0);
    EXPECT_TRUE(m.started());

    m.update(700, t0 + 3);
    EXPECT_EQ(m.rate(), 233);  // no interval yet: the average
    m.update(1400, t0 + 7);
    EXPECT_EQ(m.rate(), 200);
    m.update(2800, t0 + 14);
    EXPECT_EQ(m.rate(), 200);
    m.update(2800, t0 + 21);  // no progress: 0 smoothed with the 200 before it
    EXPECT_EQ(m.rate(), 100);
    EXPECT_EQ(m.eta_seconds(200), (10000 - 2800) / 200);

    m.pause(true, t0 + 22);
    EXPECT_EQ(m.rate(), 0);
    EXPECT_EQ(m.average_rate(), 0u);
    EXPECT_EQ(m.eta_seconds(-1), -1);
    m.pause(false, t0 + 30);
    m.update(3800, t0 + 35);
    EXPECT_EQ(m.rate(), 200);  // a fresh baseline at the resume
}

TEST(RateMonitor, TimeLeft) {
    vandel::rate_monitor m;
    m.start(1000, 0);
    m.update(400, 2);
    EXPECT_EQ(m.eta_seconds(200), 3);
    EXPECT_EQ(m.eta_seconds(-1), 3);  // its own rate, 200
    EXPECT_EQ(m.eta_seconds(0), -1);
    m.update(1500, 3);  // beyond the total: the total follows, nothing wraps
    EXPECT_EQ(m.total(), 1500u);
    EXPECT_EQ(m.eta_seconds(10), 0);
}

TEST(RateMonitor, ClockGoingBackRestartsTheBaselineAndResumes) {
    vandel::rate_monitor m;
    m.start(0, 100);
    m.update(500, 101);
    m.pause(true, 101);
    m.update(600, 50);
    EXPECT_EQ(m.rate(), 0);  // no time since the new baseline
    m.update(900, 51);
    EXPECT_EQ(m.rate(), 400);  // from the last sample, 500
    EXPECT_EQ(m.eta_seconds(-1), 0);
}

TEST(RateMonitor, NegativeTimeMeansNowOnTheLibraryClock) {
    manual_clock clock(1000000);
    vandel::rate_monitor m;
    m.start(100, -1);
    clock.advance(2000);
    m.update(40, -1);
    EXPECT_EQ(m.rate(), 20);
    m.reset();
    EXPECT_FALSE(m.started());
    EXPECT_EQ(m.total(), 0u);
}

TEST(RateMonitor, FallingPositionGivesNoEstimate) {
    vandel::rate_monitor m;
    m.start(1000, 0);
    m.update(500, 1);
    m.update(500, 2);
    m.update(100, 3);
    EXPECT_LT(m.rate(), 0);
    EXPECT_EQ(m.eta_seconds(-1), -1);
}

}  // namespace
