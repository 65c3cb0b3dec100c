#include "vandel/clock.h"

#include <atomic>

namespace vandel {

namespace {
std::atomic<clock_provider*> g_provider{nullptr};
}

clock_provider* set_clock_provider(clock_provider* p) { return g_provider.exchange(p); }

int64_t now_ms() {
    clock_provider* p = g_provider.load();
    return p ? p->now_ms() : detail::system_now_ms();
}

int64_t now_s() {
    int64_t ms = now_ms();
    // Floor, so times before 1970 fall into the right second.
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

void sleep_ms(int32_t ms) {
    if (ms < 0) return;
    clock_provider* p = g_provider.load();
    if (p)
        p->sleep_ms(ms);
    else
        detail::system_sleep_ms(ms);
}

}  // namespace vandel
