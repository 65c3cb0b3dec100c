#include "vandel/rate_monitor.h"

#include "vandel/clock.h"

namespace vandel {

namespace {

int64_t time_or_now(int64_t time) { return time < 0 ? now_s() : time; }

}  // namespace

rate_monitor::rate_monitor() = default;

rate_monitor::~rate_monitor() = default;

void rate_monitor::reset() {
    int64_t interval = interval_;
    *this = rate_monitor();
    interval_ = interval;
}

void rate_monitor::set_interval(int64_t seconds) {
    if (seconds > 0) interval_ = seconds;
}

void rate_monitor::start(uint64_t total, int64_t time) {
    time = time_or_now(time);
    expected_total_ = total;
    position_ = start_position_ = sample_position_ = 0;
    has_interval_rate_ = false;
    last_rate_ = previous_rate_ = 0;
    start_time_ = last_time_ = sample_time_ = time;
    paused_ = false;
    is_started_ = true;
}

void rate_monitor::pause(bool pause, int64_t time) {
    time = time_or_now(time);
    if (pause) {
        paused_ = true;
        return;
    }
    if (!paused_) return;
    paused_ = false;
    position_ = start_position_ = sample_position_;
    last_rate_ = previous_rate_ = 0;
    has_interval_rate_ = false;
    start_time_ = last_time_ = sample_time_ = time;
}

void rate_monitor::update(uint64_t position, int64_t time) {
    time = time_or_now(time);
    int64_t dt = time - sample_time_;
    if (position > expected_total_) expected_total_ = position;
    if (dt >= interval_) {
        previous_rate_ = last_rate_;
        last_rate_ = static_cast<int64_t>(position - sample_position_) / dt;
        has_interval_rate_ = true;
        sample_position_ = position;
        sample_time_ = time;
    } else if (dt < 0) {
        // The clock went back: measure afresh from this moment.
        start_position_ = sample_position_;
        previous_rate_ = last_rate_ = 0;
        has_interval_rate_ = false;
        paused_ = false;
        start_time_ = sample_time_ = time;
    }
    position_ = position;
    last_time_ = time;
}

uint64_t rate_monitor::average_rate() const {
    if (last_time_ == start_time_ || paused_) return 0;
    return (position_ - start_position_) / static_cast<uint64_t>(last_time_ - start_time_);
}

int64_t rate_monitor::rate() const {
    bool interval_rate = has_interval_rate_ && !paused_;
    int64_t base = interval_rate ? last_rate_ : static_cast<int64_t>(average_rate());
    if (interval_rate && previous_rate_ > 0) return (base + previous_rate_) / 2;
    return base;
}

int64_t rate_monitor::eta_seconds(int64_t rate) const {
    if (paused_) return -1;
    if (rate < 0) rate = this->rate();
    if (rate <= 0) return -1;  // a falling position gives no estimate
    return static_cast<int64_t>((expected_total_ - position_) / static_cast<uint64_t>(rate));
}

}  // namespace vandel
