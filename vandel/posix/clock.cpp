// POSIX clock and sleep: clock_gettime and nanosleep only.
#include "vandel/clock.h"

#include <cerrno>
#include <ctime>
#include <sched.h>

namespace vandel::detail {

int64_t system_now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void system_sleep_ms(int32_t ms) {
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

}  // namespace vandel::detail
