#include "vandel/stopwatch.h"

#include "vandel/clock.h"

#include <algorithm>

namespace vandel {

stopwatch::stopwatch(bool start) {
    if (start) this->start();
}

stopwatch::~stopwatch() = default;

int64_t stopwatch::start() {
    is_running_ = true;
    start_ms_ = now_ms();
    return start_ms_;
}

void stopwatch::stop() {
    if (is_running_) {
        int64_t t = now_ms();
        if (t - start_ms_ > 0) accumulated_ms_ += t - start_ms_;
        start_ms_ = t;
    }
    is_running_ = false;
}

int64_t stopwatch::elapsed_ms() const {
    if (!is_running_) return accumulated_ms_;
    // While the clock stands behind the start, the current run counts as nothing, as stop() does.
    return accumulated_ms_ + std::max<int64_t>(now_ms() - start_ms_, 0);
}

int64_t stopwatch::intervals(int64_t interval_ms, bool consume) {
    if (!is_running_ || interval_ms <= 0) return 0;
    int64_t n = (elapsed_ms() - consumed_ms_) / interval_ms;
    if (n <= 0) return 0;
    if (consume) consumed_ms_ += n * interval_ms;
    return n;
}

}  // namespace vandel
