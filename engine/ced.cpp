#include "engine/ced.h"

#include "engine/scheme.h"
#include "vandel/clock.h"
#include "vandel/folders.h"
#include "vandel/locale.h"
#include "vandel/numbers.h"
#include "vandel/os_text.h"
#include "vandel/version.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace olvex {

namespace {

const std::wstring separator_line(45, L'-');

std::wstring number(int64_t n) { return vandel::int_to_text<std::wstring>(static_cast<uint64_t>(n)); }

std::wstring size_text(int64_t bytes) { return vandel::format_bytes<std::wstring>(static_cast<uint64_t>(bytes)); }

// Now as local date and time with seconds in the user's order and separators.
std::wstring time_text() { return vandel::current_locale().date_time_text_w(vandel::now_ms() / 1000, 4, false); }

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

ced::ced() { reset(); }

ced::~ced() = default;

void ced::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    scheme_ = 1;
    last_blank_ = progressed_ = start_confirmed_ = truncated_ = false;
    status_ = job_status();
    open_line_.clear();
    lines_.clear();
    monitor_.reset();
    monitor_.set_interval(7);
    monitor_estimate_ = -1;
}

void ced::set_state(int32_t state) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state == state_aborting && !is_active_state(status_.state)) return;
    if (status_.state == state_aborting && is_active_state(state)) return;
    status_.state = state;
    state_changed_.notify_all();
}

bool ced::wait_while_busy(int32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return state_changed_.wait_for(lock, std::chrono::milliseconds(std::max(ms, 0)), [this] {
        return !is_active_state(status_.state) || status_.state == state_waiting;
    });
}

int32_t ced::state() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_.state;
}

void ced::set_scheme(uint32_t scheme_word) {
    std::lock_guard<std::mutex> lock(mutex_);
    scheme_ = scheme_word;
}

uint32_t ced::scheme() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return scheme_;
}

void ced::set_speed(int32_t percent) {
    std::lock_guard<std::mutex> lock(mutex_);
    speed_ = std::clamp(percent, 0, 100);
}

int32_t ced::speed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return speed_;
}

void ced::set_log_limit(int64_t lines) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_limit_ = lines;
}

void ced::set_start_confirmed(bool confirmed) {
    std::lock_guard<std::mutex> lock(mutex_);
    start_confirmed_ = confirmed;
}

bool ced::start_confirmed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return start_confirmed_;
}

void ced::prepare_teardown(bool teardown) {
    std::lock_guard<std::mutex> lock(mutex_);
    teardown_ = teardown;
}

bool ced::report_suppressed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return teardown_;
}

void ced::set_status(const job_status& block) {
    std::lock_guard<std::mutex> lock(mutex_);
    progressed_ = status_.done_bytes < block.done_bytes;
    int32_t kept = status_.state;
    status_ = block;
    // The worker's copy doesn't know yet that the owner asked for an abort.
    if (kept == state_aborting && is_active_state(block.state)) status_.state = kept;
    if (status_.state != kept) state_changed_.notify_all();
}

int32_t ced::get_progress(job_status& snapshot, bool paused) {
    std::lock_guard<std::mutex> lock(mutex_);
    snapshot = status_;
    snapshot.pass_count = scheme_pass_count(scheme_);
    int64_t estimate = snapshot.pass_count * status_.total_bytes;
    if (status_.state == state_done || status_.state == state_partly_done)
        snapshot.work_bytes = snapshot.pass_count * status_.pass_bytes;
    else
        snapshot.work_bytes = std::max(estimate, status_.done_bytes);
    snapshot.eta_seconds = snapshot.rate = snapshot.average_rate = -1;
    if (status_.state == state_wiping) {
        int64_t now = vandel::now_s();
        // Restarted only for a new estimate: done bytes running past it must not reset the rates.
        if (!monitor_.started() || monitor_estimate_ != estimate) {
            monitor_.start(static_cast<uint64_t>(snapshot.work_bytes), now);
            monitor_estimate_ = estimate;
        }
        monitor_.pause(paused, now);
        monitor_.update(static_cast<uint64_t>(status_.done_bytes), now);
        snapshot.eta_seconds = clamp32(monitor_.eta_seconds(-1));
        snapshot.rate = clamp32(monitor_.rate());
        snapshot.average_rate = clamp32(static_cast<int64_t>(std::min<uint64_t>(monitor_.average_rate(), INT32_MAX)));
        if (snapshot.rate == 0 && progressed_) snapshot.rate = snapshot.average_rate;
    }
    snapshot.ready = start_confirmed_ || status_.state == state_waiting;
    return status_.state;
}

void ced::get_log_lines(std::vector<std::wstring>& out, bool take) {
    std::lock_guard<std::mutex> lock(mutex_);
    out = lines_;
    if (take) lines_.clear();
}

void ced::append(const std::wstring& text, bool blank_after, bool force) {
    bool blank = blank_after && !text.empty();
    if (!force && truncated_) return;
    if (!force && log_limit_ > 0 && static_cast<int64_t>(lines_.size()) >= log_limit_) {
        lines_.push_back(L"LOG TRUNCATED");
        lines_.push_back(L"Maximum log size reached. No more entries will be recorded");
        if (blank) lines_.push_back(L"");
        truncated_ = true;
        last_blank_ = blank;
        return;
    }
    if (text.empty() && last_blank_) return;
    // Names come from anyone who can make a file: never let one break or forge a line.
    lines_.push_back(vandel::printable_name(text));
    if (blank) lines_.push_back(L"");
    last_blank_ = text.empty() || blank;
}

void ced::flush_open_line() {
    if (open_line_.empty()) return;
    append(open_line_, false, false);
    open_line_.clear();
}

void ced::add_line(const std::wstring& text, bool blank_after) {
    std::lock_guard<std::mutex> lock(mutex_);
    flush_open_line();
    append(text, blank_after, false);
}

void ced::add_blank_line() { add_line(L"", false); }

void ced::begin_line(const std::wstring& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    flush_open_line();
    open_line_ = text;
}

void ced::end_line(int32_t result) {
    static const wchar_t* const suffixes[] = {L"", L" ... OK", L" ... WARN", L" ... FAIL"};
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_line_.empty()) return;
    append(open_line_ + (result >= 1 && result <= 3 ? suffixes[result] : L""), false, false);
    open_line_.clear();
}

void ced::log_error(error_code code, const std::wstring& path, const std::wstring& note, bool blank_after) {
    std::lock_guard<std::mutex> lock(mutex_);
    flush_open_line();
    append(L"ERROR: " + error_text(code), false, false);
    if (!path.empty()) append(L"Path: " + path, false, false);
    if (!note.empty()) append(L"Note. " + note, false, false);
    if (blank_after) append(L"", false, false);
}

void ced::log_warning(const std::wstring& text, const std::wstring& path, bool blank_after) {
    std::lock_guard<std::mutex> lock(mutex_);
    flush_open_line();
    append(L"Warning: " + text, false, false);
    if (!path.empty()) append(L"Path: " + path, false, false);
    if (blank_after) append(L"", false, false);
}

void ced::log_job_header(int32_t job_type, bool log_user) {
    // Asked before locking: nothing is called out while the mutex is held.
    std::wstring user = log_user ? vandel::user_name() : L"";
    std::wstring host = log_user ? vandel::computer_name() : L"";
    std::wstring now = time_text();
    std::lock_guard<std::mutex> lock(mutex_);
    flush_open_line();
    append(separator_line, false, true);
    append(L"JOB TYPE:   " + job_type_text(job_type), false, true);
    if (log_user) {
        append(L"Username:   " + user, false, true);
        append(L"Hostname:   " + host, false, true);
    }
    append(L"Start Time: " + now, false, true);
    append(separator_line, true, true);
}

void ced::log_analysis_summary(const job_status& block) {
    std::lock_guard<std::mutex> lock(mutex_);
    flush_open_line();
    append(L"", false, true);
    append(L"Analysis Complete", true, true);
    switch (status_.job_type) {
    case job_files:
        append(L"Total Paths: " + number(block.item_count), false, true);
        append(L"Files: " + number(block.file_count), false, true);
        append(L"Directories: " + number(block.dir_count), false, true);
        break;
    case job_recycler: append(L"Recycler Items: " + number(block.item_count), false, true); break;
    case job_devices: append(L"Physical Drives: " + number(block.drive_count), false, true); break;
    case job_volumes:
    case job_free_space: append(L"Volumes: " + number(block.drive_count), false, true); break;
    default: break;
    }
    append(L"Inaccessible: " + number(block.failed_count), false, true);
    append(L"Approx Size: " + size_text(block.total_bytes), true, true);
}

void ced::log_final_report(const job_status& block, bool anything_done) {
    std::wstring now = time_text();
    std::lock_guard<std::mutex> lock(mutex_);
    flush_open_line();
    append(L"", false, true);
    append(L"TOTALS", false, true);
    append(L"Items Completed: " + number(block.done_count), false, true);
    if (status_.state != state_aborted) {
        append(L"Failed Items: " + number(block.failed_count), false, true);
        append(L"I/O Errors: " + size_text(block.bad_write_bytes), false, true);
        if (scheme_ > 0x0FFFFFFF) append(L"Verify Errors: " + size_text(block.bad_verify_bytes), false, true);
        if (status_.errors != 0) {
            append(L"", false, true);
            append(L"Summary of Failures", false, true);
            wchar_t letter = L'a';
            for (int bit = 0; bit < 32 && letter <= L'z'; ++bit) {
                if (!(block.errors & (1u << bit))) continue;
                append(std::wstring(1, letter++) + L". " + error_text(static_cast<int32_t>(1u << bit)), false, true);
            }
        }
    }
    append(L"", false, true);
    if (!anything_done) append(L"Note. No files or directories were modified", true, true);
    append(separator_line, false, true);
    switch (status_.state) {
    case state_done: append(L"FINISHED: All Done OK", false, true); break;
    case state_partly_done:
        append(L"FINISHED", false, true);
        append(L"WARNING: Some tasks were not completely successful", false, true);
        break;
    case state_failed: append(L"FAILED: The operation failed", false, true); break;
    case state_aborted: append(L"ABORTED: The operation was aborted", false, true); break;
    default: break;
    }
    append(L"Finish Time: " + now, false, true);
    append(separator_line, true, true);
}

}  // namespace olvex
