// POSIX side of thread_block: new threads ask for a stack far larger than an address-space
// limit allows (a cached stack of an ended thread is too small to be reused for them).
#include "tests/support/thread_block.h"

#include <pthread.h>
#include <sys/resource.h>

namespace oblivar::test {

namespace {

constexpr size_t huge_stack = size_t{1} << 45;  // 32 TiB
size_t saved_stack = 0;

}  // namespace

thread_block::thread_block() {
    pthread_attr_t attr;
    if (pthread_getattr_default_np(&attr) != 0) return;
    bool got = pthread_attr_getstacksize(&attr, &saved_stack) == 0 &&
               pthread_attr_setstacksize(&attr, huge_stack) == 0 && pthread_setattr_default_np(&attr) == 0;
    pthread_attr_destroy(&attr);
    if (!got) return;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0) {
        saved_ = limit.rlim_cur;
        limit.rlim_cur = huge_stack / 2;
        setrlimit(RLIMIT_AS, &limit);
    }
    active_ = true;
}

thread_block::~thread_block() {
    if (!active_) return;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0) {
        limit.rlim_cur = saved_;
        setrlimit(RLIMIT_AS, &limit);
    }
    pthread_attr_t attr;
    if (pthread_getattr_default_np(&attr) == 0) {
        pthread_attr_setstacksize(&attr, saved_stack);
        pthread_setattr_default_np(&attr);
        pthread_attr_destroy(&attr);
    }
}

}  // namespace oblivar::test
