// How promptly a files job would see an abort: runs one job over the given paths, as a front end
// does, with an engine that notes the time of every abort check its worker makes, and prints the
// longest time between two of them (pause is looked for at the same points). The job removes
// what it wipes, as olvex --wipe=file does.
// Usage: bench_engine_check_gaps SCHEME PATH... (scheme word as a number: 0 zeros, 1 random)
#include "engine/engine.h"
#include "vandel/os_text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using steady = std::chrono::steady_clock;

class timed_engine : public olvex::engine {
public:
    ~timed_engine() override { reset(); }

    bool is_abort_requested() const override {
        if (std::this_thread::get_id() != owner_) {
            const steady::time_point now = steady::now();
            if (checks_ > 0) longest_ = std::max(longest_, now - last_);
            last_ = now;
            ++checks_;
        }
        return engine::is_abort_requested();
    }

    // Read once the worker has ended.
    double longest_ms() const { return std::chrono::duration<double, std::milli>(longest_).count(); }
    long long checks() const { return checks_; }

private:
    const std::thread::id owner_ = std::this_thread::get_id();
    mutable steady::time_point last_;
    mutable steady::duration longest_{};
    mutable long long checks_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SCHEME PATH...\n", argv[0]);
        return 2;
    }
    olvex::job_options o;
    o.job_type = olvex::job_files;
    o.scheme = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 0));
    o.log_user = 0;
    std::wstring paths;
    for (int i = 2; i < argc; ++i) paths += vandel::from_os_bytes(argv[i]) + L'\0';

    timed_engine e;
    const steady::time_point start = steady::now();
    if (e.start_job(paths, o, std::wstring(1, L'\0')) != 0 || e.confirm_start() != 0) {
        std::fprintf(stderr, "the job did not start\n");
        return 1;
    }
    std::vector<std::wstring> lines;
    while (e.is_running()) {
        e.get_log_lines(lines, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const double seconds = std::chrono::duration<double>(steady::now() - start).count();
    olvex::job_status status;
    if (e.get_progress(status) != olvex::state_done) {
        std::fprintf(stderr, "the job failed\n");
        return 1;
    }
    std::printf("longest time between two abort checks: %.1f ms (%lld checks in %.2f s)\n", e.longest_ms(), e.checks(),
                seconds);
    return 0;
}
