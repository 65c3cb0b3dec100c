#pragma once
// The engine's worker: one system thread running the derived class's run(), and the flags
// through which the owner asks it to pause, resume or stop. The worker tests the flags at its
// own cancellation points; nothing here interrupts it.
#include "engine/job.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace olvex {

class thread {
public:
    thread();
    thread(const thread&) = delete;
    thread& operator=(const thread&) = delete;
    // Stops and joins a worker that a derived class left behind; derived classes call reset
    // in their own destructors, while their run() can still be used.
    virtual ~thread();

    // Owner: aborts and joins a worker if one exists, then clears the flags and the start time.
    // Returns whether an abort had been requested. Never call it from the worker.
    virtual bool reset();
    // Owner: returns 2 when no worker exists; else requests the stop (clearing a pause), 0.
    virtual error_code abort();
    // Owner: returns 2 when no worker exists or an abort was requested; else 0.
    virtual error_code pause();
    virtual error_code resume();

    virtual bool is_running() const;
    virtual bool is_paused() const;
    virtual bool is_abort_requested() const;
    // Returns the wall-clock ms at which the worker was started; 0 when none was.
    virtual int64_t start_time() const;

    // Owner: returns 0 when the worker was started, 2 when one exists already (until reset), and
    // 0x8000 when the system could not create it (then nothing is running and the flags are clear).
    error_code start();
    // Joins the worker; at once when it was joined before. Throws std::system_error with no
    // worker, from the worker itself, or when the join fails.
    void join();

protected:
    // The worker's body; it ends with set_finished().
    virtual void run() = 0;
    // Worker: clears the running flag as its last step; returns the flag's old value.
    bool set_finished();

private:
    std::atomic<uint8_t> abort_requested_{0};
    std::atomic<uint8_t> paused_{0};
    std::atomic<uint8_t> running_{0};
    std::atomic<int64_t> start_time_{0};
    std::unique_ptr<std::thread> worker_;
};

}  // namespace olvex
