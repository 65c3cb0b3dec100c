#include "engine/targets.h"

#include <atomic>

namespace olvex {

namespace {
std::atomic<target_provider*> g_provider{nullptr};
}

target_provider& targets() {
    target_provider* p = g_provider.load();
    return p ? *p : detail::system_targets();
}

target_provider* set_target_provider(target_provider* p) { return g_provider.exchange(p); }

}  // namespace olvex
