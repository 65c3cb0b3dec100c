// POSIX side of the process limits. Threads: new ones ask for a stack far larger than an
// address-space limit allows (a cached stack of an ended thread is too small for them); the
// limit lies that far above what the process already maps, which under AddressSanitizer is
// already some terabytes of shadow. File size: RLIMIT_FSIZE, with SIGXFSZ ignored so that a
// write past it fails with EFBIG.
#include "tests/support/limits.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace oblivar::test {

namespace {

constexpr size_t huge_stack = size_t{1} << 45;  // 32 TiB
size_t saved_stack = 0;

// Returns the bytes of address space the process maps now; 0 when unknown.
unsigned long long mapped_bytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long long pages = 0;
    const bool read = std::fscanf(f, "%llu", &pages) == 1;
    std::fclose(f);
    return read ? pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE)) : 0;
}

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
        limit.rlim_cur = mapped_bytes() + huge_stack / 2;
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

file_size_limit::file_size_limit(int64_t bytes) {
    rlimit limit{};
    if (bytes < 0 || getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
    saved_ = limit.rlim_cur;
    saved_handler_ = signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    if (!active_) signal(SIGXFSZ, saved_handler_);
}

file_size_limit::~file_size_limit() {
    if (!active_) return;
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0) {
        limit.rlim_cur = saved_;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    signal(SIGXFSZ, saved_handler_);
}

}  // namespace oblivar::test
