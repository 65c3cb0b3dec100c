#include "engine/thread.h"

#include "vandel/clock.h"

#include <system_error>

namespace olvex {

thread::thread() = default;

thread::~thread() {
    if (worker_ && worker_->joinable()) {
        abort_requested_.exchange(1);
        paused_.exchange(0);
        worker_->join();
    }
}

error_code thread::start() {
    if (worker_) return err_invalid_state;
    running_.exchange(1);
    start_time_.exchange(vandel::now_ms());
    try {
        worker_ = std::make_unique<std::thread>([this] { run(); });
    } catch (...) {
        // No thread, no job: leave the object as if start had never been called.
        worker_.reset();
        running_.exchange(0);
        start_time_.exchange(0);
        return err_failed;
    }
    return err_ok;
}

error_code thread::abort() {
    if (!worker_) return err_invalid_state;
    abort_requested_.exchange(1);
    paused_.exchange(0);
    return err_ok;
}

error_code thread::pause() {
    if (!worker_ || abort_requested_.load()) return err_invalid_state;
    paused_.exchange(1);
    return err_ok;
}

error_code thread::resume() {
    if (!worker_ || abort_requested_.load()) return err_invalid_state;
    paused_.exchange(0);
    return err_ok;
}

bool thread::reset() {
    // Whether the owner had asked for the stop: the abort below is reset's own.
    bool was_requested = abort_requested_.load() != 0;
    if (worker_) {
        abort();
        join();
        worker_.reset();
    }
    running_.exchange(0);
    paused_.exchange(0);
    start_time_.exchange(0);
    abort_requested_.exchange(0);
    return was_requested;
}

bool thread::is_running() const { return running_.load() != 0; }
bool thread::is_paused() const { return paused_.load() != 0; }
bool thread::is_abort_requested() const { return abort_requested_.load() != 0; }
int64_t thread::start_time() const { return start_time_.load(); }

bool thread::set_finished() { return running_.exchange(0) != 0; }

void thread::join() {
    if (!worker_) throw std::system_error(std::make_error_code(std::errc::invalid_argument));
    if (worker_->joinable()) worker_->join();
}

}  // namespace olvex
