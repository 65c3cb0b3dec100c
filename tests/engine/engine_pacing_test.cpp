// The item driver's pacing on the manual clock: calibration, batches and throttling, driven by a
// poller whose every step takes a set time and does a set number of bytes.
#include "engine/engine.h"
#include "engine/file_writer.h"
#include "tests/support/failing_file_stream.h"
#include "tests/support/manual_clock.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace {

using oblivar::test::manual_clock;

constexpr uint64_t mib = 1 << 20;

class timed_poller : public olvex::poller {
public:
    timed_poller(manual_clock& clock, int steps, int64_t step_ms, uint64_t step_bytes)
        : clock_(clock), steps_(steps), step_ms_(step_ms), step_bytes_(step_bytes) {}

    std::vector<bool> flushes;          // the flush flag of every step
    int bad_from = -1;                  // from this step on, one bad byte a step
    std::function<void(int)> on_step;   // called with the 1-based number of every step

    int32_t kind() const override { return 2; }
    double tolerance() const override { return tolerance_; }
    void set_tolerance(const double& percent) override { tolerance_ = percent; }
    bool buffered() const override { return false; }
    void reset() override {}
    olvex::error_code close() override {
        state_ = olvex::writer_closed;
        return 0;
    }
    bool step(bool flush) override {
        flushes.push_back(flush);
        if (on_step) on_step(static_cast<int>(flushes.size()));
        clock_.advance(step_ms_);
        done_ += step_bytes_;
        if (bad_from >= 0 && static_cast<int>(flushes.size()) > bad_from) ++bad_;
        const bool more = static_cast<int>(flushes.size()) < steps_;
        if (!more) state_ = olvex::writer_finished;
        return more;
    }
    std::wstring path() const override { return L"image"; }
    uint32_t scheme() const override { return 0; }
    uint64_t size() const override { return static_cast<uint64_t>(steps_) * step_bytes_; }
    uint64_t bytes_done() const override { return done_; }
    uint64_t bytes_total() const override { return size(); }
    uint64_t bad_write_bytes() const override { return bad_; }
    uint64_t bad_verify_bytes() const override { return 0; }
    int32_t state() const override { return state_; }
    int32_t result() const override { return 0; }

private:
    manual_clock& clock_;
    int steps_;
    int64_t step_ms_;
    uint64_t step_bytes_;
    uint64_t done_ = 0;
    uint64_t bad_ = 0;
    double tolerance_ = 0;
    int32_t state_ = olvex::writer_active;
};

// The driver run on the test's own thread, with no worker.
class paced_engine : public olvex::engine {
public:
    olvex::error_code drive(olvex::poller& p) { return drive_poller(p, L"Wiping Device"); }
    std::vector<std::wstring> lines() {
        std::vector<std::wstring> out;
        get_log_lines(out, true);
        return out;
    }
};

struct pacing_case {
    int32_t speed;
    int steps;
    int64_t slept_ms;  // in all
};

void PrintTo(const pacing_case& c, std::ostream* os) { *os << "speed " << c.speed << ", " << c.steps << " steps"; }

class EnginePacing : public ::testing::TestWithParam<pacing_case> {};

// Steps of 500 ms and 4 MiB. The first step is not timed; after seven timed ones (3.5 s) the
// driver knows that 32 MiB take 3500 ms at full speed. From then on it pauses for (100 - speed)
// percent of the full-speed time of the bytes written: 12 more steps (48 MiB, 5250 ms at full
// speed) give about 3675 ms of pauses at speed 30, less the rounding of each pause.
TEST_P(EnginePacing, ThrottlesTheShareOfFullSpeedTime) {
    const pacing_case c = GetParam();
    manual_clock clock;
    paced_engine e;
    e.set_speed(c.speed);
    timed_poller p(clock, c.steps, 500, 4 * mib);
    EXPECT_EQ(e.drive(p), 0);
    EXPECT_EQ(clock.slept_ms(), c.slept_ms);
}

INSTANTIATE_TEST_SUITE_P(Speeds, EnginePacing,
                         ::testing::Values(pacing_case{30, 20, 3664},  // 3675 less rounding
                                           pacing_case{30, 8, 0},      // still calibrating
                                           pacing_case{100, 20, 0},    // full speed
                                           pacing_case{0, 20, 0},      // below 1: full speed
                                           pacing_case{90, 20, 518}),
                         [](const auto& info) {
                             return "speed" + std::to_string(info.param.speed) + "_steps" + std::to_string(info.param.steps);
                         });

// Slow steps halve the batch; a batch of one step is the least, so steps keep alternating
// between a flush and a throttled step instead of flushing every step unthrottled.
TEST(EnginePacingBatches, SlowStepsNeverShrinkTheBatchBelowOne) {
    manual_clock clock;
    paced_engine e;
    e.set_speed(50);
    timed_poller p(clock, 8, 3500, mib);
    EXPECT_EQ(e.drive(p), 0);
    EXPECT_EQ(p.flushes, (std::vector<bool>{true, true, false, true, false, true, false, true}));
    // 1 MiB takes 1750 ms at full speed (2 MiB in 3500 ms); half of that is slept for each MiB
    // after calibration, a flushed step's MiB with the next step's.
    EXPECT_EQ(clock.sleeps(), 3);
    EXPECT_EQ(clock.slept_ms(), 875 + 1750 + 1750);
}

// The 1-based numbers of the steps that were asked to flush.
std::vector<int> flushed_steps(const timed_poller& p) {
    std::vector<int> flushed;
    for (size_t i = 0; i < p.flushes.size(); ++i)
        if (p.flushes[i]) flushed.push_back(static_cast<int>(i) + 1);
    return flushed;
}

// At full speed nothing is calibrated: only batch ends flush, in batches of 2, 4, 8, 16, 32.
TEST(EnginePacingBatches, FullSpeedFlushesOnlyBatchEnds) {
    manual_clock clock;
    paced_engine e;
    e.set_speed(100);
    timed_poller p(clock, 40, 500, mib);
    EXPECT_EQ(e.drive(p), 0);
    EXPECT_EQ(flushed_steps(p), (std::vector<int>{3, 8, 17, 34}));
    EXPECT_EQ(clock.sleeps(), 0);
}

// Steps of 500 ms and 4 MiB at full speed until step 10 lowers the speed to 30: the refresh after
// it starts calibration, which flushes every step until more than 3 s of stepping have passed
// (steps 11 to 17: 28 MiB in 3500 ms). From then on every 4 MiB costs a pause of 70 % of 500 ms,
// a batch end's bytes paid with the next step's. Full speed from step 20 stops the pauses; the
// speed lowered again at step 30 throttles at once with the rate measured before, and the bytes
// written at full speed owe no pause.
TEST(EnginePacingBatches, ASpeedLoweredMidJobCalibratesOnceThenThrottles) {
    manual_clock clock;
    paced_engine e;
    e.set_speed(100);
    timed_poller p(clock, 40, 500, 4 * mib);
    std::vector<int64_t> slept_at;  // the sleep total as each step begins
    p.on_step = [&](int step) {
        slept_at.push_back(clock.slept_ms());
        if (step == 10 || step == 30) e.set_speed(30);
        if (step == 20) e.set_speed(100);
    };
    EXPECT_EQ(e.drive(p), 0);
    EXPECT_EQ(flushed_steps(p), (std::vector<int>{3, 8, 11, 12, 13, 14, 15, 16, 17, 24}));
    EXPECT_EQ(slept_at[17], 0);  // nothing before step 18: calibrating
    // Steps 18 and 19 are paid for (the first pause comes after step 18); step 20's refresh sees
    // full speed before its pause.
    EXPECT_EQ(slept_at[19] - slept_at[17], 350 + 350);
    EXPECT_EQ(slept_at[29] - slept_at[19], 0);
    EXPECT_EQ(slept_at[31] - slept_at[29], 350 + 350);
}

TEST(EnginePacingLog, BadBytesOfADriveAreAnnouncedOnceAndReported) {
    manual_clock clock;
    paced_engine e;
    timed_poller p(clock, 6, 100, 4096);
    p.bad_from = 2;
    EXPECT_EQ(e.drive(p), 0);
    EXPECT_EQ(e.lines(), (std::vector<std::wstring>{L"Wiping Device", L"", L"Warning: Errors detected (details to follow)",
                                                    L"Warning: Bad i/o - 4 bytes could not be written", L"Finished", L""}));
}

// The driver looks for an abort between steps, and a step moves one request: an abort asked for
// while a request is on its way to the medium is seen as soon as that request is done.
class EnginePacingAbort : public oblivar::test::sandbox_test {};

TEST_F(EnginePacingAbort, IsSeenOnceTheRequestOnItsWayIsDone) {
    class aborting_engine : public paced_engine {
    public:
        bool asked = false;
        bool is_abort_requested() const override { return asked; }
    };
    const std::wstring path = sb.path(L"f");
    oblivar::test::write_bytes(path, std::string(16 << 20, 'x'));
    sb.require_inside(path);
    manual_clock clock;
    aborting_engine e;
    auto stream = std::make_unique<oblivar::test::failing_file_stream>();
    oblivar::test::failing_file_stream& fake = *stream;
    fake.on_transfer = [&](int64_t) { e.asked = fake.write_calls() == 2; };
    olvex::file_writer w(olvex::writer_overwrite, -1, std::move(stream));
    ASSERT_EQ(w.open(path, 0, 0), 0);
    EXPECT_THROW(e.drive(w), olvex::engine::thread_interrupt);
    EXPECT_EQ(fake.write_calls(), 2);
    EXPECT_EQ(w.bytes_done(), 8u << 20);
}

}  // namespace
