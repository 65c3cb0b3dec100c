#include "engine/thread.h"
#include "tests/support/manual_clock.h"
#include "tests/support/limits.h"

#include <gtest/gtest.h>

#include <atomic>
#include <system_error>
#include <thread>

namespace {

// A worker that idles at its cancellation point until told to finish or aborted, and reports
// what it saw.
class test_worker : public olvex::thread {
public:
    ~test_worker() override { reset(); }

    std::atomic<bool> finish{false};
    std::atomic<bool> in_pause{false};
    std::atomic<bool> saw_abort{false};
    std::atomic<int> runs{0};

    // Waits (yielding, not sleeping) until the worker has ended its run.
    void wait_finished() const {
        while (is_running()) std::this_thread::yield();
    }

protected:
    void run() override {
        ++runs;
        while (!finish && !is_abort_requested()) {
            while (is_paused()) {
                in_pause = true;
                std::this_thread::yield();
            }
            std::this_thread::yield();
        }
        saw_abort = is_abort_requested();
        set_finished();
    }
};

TEST(WorkerThread, ControlsAreRefusedWithoutAWorker) {
    test_worker w;
    EXPECT_EQ(w.pause(), olvex::err_invalid_state);
    EXPECT_EQ(w.resume(), olvex::err_invalid_state);
    EXPECT_EQ(w.abort(), olvex::err_invalid_state);
    EXPECT_FALSE(w.is_running());
    EXPECT_FALSE(w.reset());
    EXPECT_THROW(w.join(), std::system_error);
}

TEST(WorkerThread, StartsOnceRecordsItsStartTimeAndResetsForTheNextJob) {
    oblivar::test::manual_clock clock(1234567);
    test_worker w;
    ASSERT_EQ(w.start(), 0);
    EXPECT_TRUE(w.is_running());
    EXPECT_EQ(w.start_time(), 1234567);
    EXPECT_EQ(w.start(), olvex::err_invalid_state);

    w.finish = true;
    w.wait_finished();
    // The thread object is kept until reset: start stays refused.
    EXPECT_EQ(w.start(), olvex::err_invalid_state);
    EXPECT_FALSE(w.reset());  // finished on its own: no abort had been asked for
    EXPECT_EQ(w.start_time(), 0);
    EXPECT_FALSE(w.saw_abort);

    w.finish = false;
    clock.advance(10);
    ASSERT_EQ(w.start(), 0);
    EXPECT_EQ(w.start_time(), 1234577);
    while (w.runs < 2) std::this_thread::yield();
}

TEST(WorkerThread, PauseResumeAndAbortClearingAPause) {
    test_worker w;
    ASSERT_EQ(w.start(), 0);
    EXPECT_EQ(w.pause(), 0);
    EXPECT_TRUE(w.is_paused());
    while (!w.in_pause) std::this_thread::yield();
    EXPECT_EQ(w.resume(), 0);
    EXPECT_FALSE(w.is_paused());

    EXPECT_EQ(w.pause(), 0);
    EXPECT_EQ(w.abort(), 0);  // wakes the paused worker
    EXPECT_FALSE(w.is_paused());
    EXPECT_TRUE(w.is_abort_requested());
    EXPECT_EQ(w.pause(), olvex::err_invalid_state);
    EXPECT_EQ(w.resume(), olvex::err_invalid_state);
    w.wait_finished();
    EXPECT_TRUE(w.saw_abort);

    EXPECT_TRUE(w.reset());
    EXPECT_FALSE(w.is_abort_requested());
    EXPECT_EQ(w.pause(), olvex::err_invalid_state);
}

TEST(WorkerThread, ResetStopsARunningWorker) {
    test_worker w;
    ASSERT_EQ(w.start(), 0);
    EXPECT_FALSE(w.reset());  // the abort that stops it is reset's own, not the owner's
    EXPECT_TRUE(w.saw_abort);
    EXPECT_FALSE(w.is_running());
}

TEST(WorkerThread, AWorkerThatCannotStartLeavesNothingRunning) {
    test_worker w;
    {
        oblivar::test::thread_block block;
        if (!block.active()) GTEST_SKIP() << "no way to stop thread creation here";
        ASSERT_EQ(w.start(), olvex::err_failed);
    }
    EXPECT_FALSE(w.is_running());
    EXPECT_EQ(w.start_time(), 0);
    EXPECT_EQ(w.pause(), olvex::err_invalid_state);
    EXPECT_EQ(w.runs, 0);
    // Nothing to clean up: a later start works.
    EXPECT_EQ(w.start(), 0);
    w.finish = true;
    w.wait_finished();
}

}  // namespace
