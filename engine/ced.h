#pragma once
// The one object the engine's worker and the job's owner share: the job's status, the settings
// the owner may change while the job runs, and the job log as lines the owner takes away as it
// polls. One mutex guards everything; no operation calls out while holding it.
#include "engine/job.h"
#include "vandel/rate_monitor.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace olvex {

class ced {
public:
    ced();
    ced(const ced&) = delete;
    ced& operator=(const ced&) = delete;
    virtual ~ced();

    // Starts a new job: scheme 1, a fresh status, no lines, flags cleared, the rate monitor reset
    // (sampling every 7 s). Speed, log limit and the teardown flag stay.
    void reset();

    // An active state (1-4) never replaces state 5 (aborting); state 5 is taken only from an
    // active state, so an abort that comes as a job ends can't leave it "aborting" for ever.
    void set_state(int32_t state);
    int32_t state() const;
    // Owner: waits up to ms (real time) while the job analyses, wipes, removes or aborts; returns
    // as soon as it waits for the start or has ended. Returns whether it is no longer busy.
    bool wait_while_busy(int32_t ms);
    void set_scheme(uint32_t scheme_word);
    uint32_t scheme() const;
    // Stores percent clamped to 0..100.
    void set_speed(int32_t percent);
    int32_t speed() const;
    // The most lines held at a time; <= 0 means no limit.
    void set_log_limit(int64_t lines);
    void set_start_confirmed(bool confirmed);
    bool start_confirmed() const;
    // Set by the engine's destructor: a worker still running then writes no final report.
    void prepare_teardown(bool teardown);
    bool report_suppressed() const;

    // Copies the whole block into the status (keeping state 5 as set_state does).
    void set_status(const job_status& block);
    // Fills a front end's snapshot: pass count and work bytes from the scheme, rates and time
    // left while wiping. Returns the state.
    int32_t get_progress(job_status& snapshot, bool paused);
    // Copies the held lines into out (replacing its contents); with take, empties them.
    void get_log_lines(std::vector<std::wstring>& out, bool take);

    // Log writers. Each first appends a pending open line as it stands (end_line excepted).
    void add_line(const std::wstring& text, bool blank_after = false);
    void add_blank_line();
    // Starts a line that end_line finishes with its result suffix.
    void begin_line(const std::wstring& text);
    // Appends the open line with " ... OK" (1), " ... WARN" (2), " ... FAIL" (3) or nothing.
    void end_line(int32_t result);
    void log_error(error_code code, const std::wstring& path, const std::wstring& note, bool blank_after);
    void log_warning(const std::wstring& text, const std::wstring& path, bool blank_after);
    // The header, summary and report are written whatever the log limit.
    void log_job_header(int32_t job_type, bool log_user);
    void log_analysis_summary(const job_status& block);
    void log_final_report(const job_status& block, bool anything_done);

private:
    void append(const std::wstring& text, bool blank_after, bool force);
    void flush_open_line();

    std::wstring open_line_;
    job_status status_;
    std::vector<std::wstring> lines_;
    uint32_t scheme_ = 1;
    bool last_blank_ = false;
    bool progressed_ = false;
    int32_t speed_ = 70;
    bool start_confirmed_ = false;
    bool teardown_ = false;
    int64_t log_limit_ = 25000;
    bool truncated_ = false;
    vandel::rate_monitor monitor_;
    // The estimate the monitor was started towards; done bytes passing it don't restart it.
    int64_t monitor_estimate_ = -1;
    mutable std::mutex mutex_;
    std::condition_variable state_changed_;
};

}  // namespace olvex
