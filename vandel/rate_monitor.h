#pragma once
// Turns (position, time) samples into a rate in units per second and a time left in seconds.
// Times are whole seconds on one scale; a negative time means now (vandel::now_s).
#include <cstdint>

namespace vandel {

class rate_monitor {
public:
    rate_monitor();
    virtual ~rate_monitor();

    // Clears everything but the interval; the monitor is then not started.
    void reset();
    // Sets the seconds between two interval samples; ignored unless above 0.
    void set_interval(int64_t seconds);
    // Starts measuring towards total from position 0 at time.
    void start(uint64_t total, int64_t time);
    // Suspends measuring, or resumes it with a fresh baseline at time.
    void pause(bool pause, int64_t time);
    // Records position at time; a full interval since the last sample takes a new sample, a time
    // before the last sample restarts measuring from it.
    void update(uint64_t position, int64_t time);

    // Returns units per second: the latest interval's rate smoothed with the one before it,
    // the average before the first full interval, 0 while paused.
    int64_t rate() const;
    // Returns units per second since the baseline; 0 while paused or before time passed.
    uint64_t average_rate() const;
    // Returns the seconds left at rate (negative: the monitor's own rate); -1 without an estimate.
    int64_t eta_seconds(int64_t rate) const;

    bool started() const { return is_started_; }
    uint64_t total() const { return expected_total_; }

private:
    int64_t interval_ = 1;
    uint64_t expected_total_ = 0;
    uint64_t position_ = 0;
    uint64_t start_position_ = 0;
    uint64_t sample_position_ = 0;
    int64_t start_time_ = 0;
    int64_t last_time_ = 0;
    bool has_interval_rate_ = false;
    int64_t sample_time_ = 0;
    int64_t last_rate_ = 0;
    int64_t previous_rate_ = 0;
    bool paused_ = false;
    bool is_started_ = false;
};

}  // namespace vandel
