#include "tests/support/manual_clock.h"

#include <thread>

namespace oblivar::test {

manual_clock::manual_clock(int64_t start_ms) : now_(start_ms), previous_(vandel::set_clock_provider(this)) {}

manual_clock::~manual_clock() { vandel::set_clock_provider(previous_); }

void manual_clock::sleep_ms(int32_t ms) {
    if (ms < 0) return;
    now_ += ms;
    slept_ += ms;
    ++sleeps_;
    // Let other threads run, as a real sleep would.
    std::this_thread::yield();
}

}  // namespace oblivar::test
