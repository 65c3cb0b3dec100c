#pragma once
// Measures how long something ran, over any number of runs, and counts whole intervals of it
// for throttling. Reads time through vandel::now_ms.
#include <cstdint>

namespace vandel {

class stopwatch {
public:
    // Stopped with nothing measured; with start, running from now.
    explicit stopwatch(bool start = false);
    virtual ~stopwatch();

    // Starts a run (a start while running drops the run so far). Returns the start time in ms.
    int64_t start();
    // Ends the current run, adding its time; a clock that went back adds nothing.
    void stop();
    bool running() const { return is_running_; }
    // Returns the milliseconds of all runs, the current one included.
    int64_t elapsed_ms() const;
    // Returns the whole intervals of interval_ms elapsed and not yet consumed; 0 when stopped
    // or interval_ms <= 0. With consume, those intervals count as used from now on.
    int64_t intervals(int64_t interval_ms, bool consume);

private:
    bool is_running_ = false;
    int64_t accumulated_ms_ = 0;
    int64_t start_ms_ = 0;
    int64_t consumed_ms_ = 0;
};

}  // namespace vandel
