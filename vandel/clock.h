#pragma once
// The one clock and the one sleep of the system, behind a seam that tests replace.
#include <cstdint>

namespace vandel {

// Returns milliseconds since 1970-01-01 UTC, from one clock reading.
int64_t now_ms();

// Returns whole seconds since 1970-01-01 UTC (the scale of rates and times left).
int64_t now_s();

// Sleeps ms milliseconds; 0 only yields the rest of the time slice; a negative value returns at once.
void sleep_ms(int32_t ms);

// A replacement for the system clock (tests drive time with one).
class clock_provider {
public:
    virtual ~clock_provider() = default;
    virtual int64_t now_ms() = 0;
    virtual void sleep_ms(int32_t ms) = 0;
};

// Installs p as the process's clock; nullptr restores the system clock. Returns the previous
// provider (nullptr for the system clock). Install before other threads read the clock.
clock_provider* set_clock_provider(clock_provider* p);

namespace detail {
int64_t system_now_ms();
void system_sleep_ms(int32_t ms);
}  // namespace detail

}  // namespace vandel
