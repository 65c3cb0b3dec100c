#pragma once
// A clock that tests move by hand. Installed for its lifetime; sleeping advances it at once.
#include "vandel/clock.h"

#include <atomic>

namespace oblivar::test {

class manual_clock : public vandel::clock_provider {
public:
    explicit manual_clock(int64_t start_ms = 1700000000000LL);  // 2023-11-14T22:13:20Z
    ~manual_clock() override;
    manual_clock(const manual_clock&) = delete;
    manual_clock& operator=(const manual_clock&) = delete;

    int64_t now_ms() override { return now_.load(); }
    // Moves time forward by ms instead of waiting, and counts the sleep.
    void sleep_ms(int32_t ms) override;

    void advance(int64_t ms) { now_ += ms; }
    void set(int64_t ms) { now_ = ms; }
    int64_t slept_ms() const { return slept_.load(); }
    int64_t sleeps() const { return sleeps_.load(); }

private:
    std::atomic<int64_t> now_;
    std::atomic<int64_t> slept_{0};
    std::atomic<int64_t> sleeps_{0};
    vandel::clock_provider* previous_;
};

}  // namespace oblivar::test
