#pragma once
// The vocabulary of an erasure job: job types and states, the options a front end hands in, the
// status the engine hands back, and the result and warning codes with their fixed English texts.
#include <cstdint>
#include <string>

namespace olvex {

// job_type values.
enum : int32_t {
    job_none = 0,
    job_files = 1,
    job_volumes = 2,
    job_devices = 3,
    job_free_space = 4,
    job_recycler = 5,
};

// job_state values; 1 to 5 are active, 0 and 6 to 9 inactive.
enum : int32_t {
    state_idle = 0,
    state_analysing = 1,
    state_waiting = 2,
    state_wiping = 3,
    state_removing = 4,
    state_aborting = 5,
    state_done = 6,
    state_partly_done = 7,
    state_failed = 8,
    state_aborted = 9,
};

// Bit flags; 0 is success. One item's result is one code, the job's errors the OR of all.
using error_code = int32_t;
enum : error_code {
    err_ok = 0,
    err_busy = 0x1,
    err_invalid_state = 0x2,
    err_invalid_input = 0x4,
    err_path_not_found = 0x8,
    err_dir_not_empty = 0x10,
    err_access_denied = 0x20,
    err_verify_failed = 0x40,
    err_bad_write = 0x80,
    err_too_many_write_errors = 0x100,
    err_not_available = 0x200,
    err_aborted = 0x400,
    err_admin_required = 0x800,
    err_rename_failed = 0x1000,
    err_ads_failed = 0x2000,
    err_failed = 0x8000,
};

// Bit flags set by the analysis.
enum : uint32_t {
    warn_none = 0,
    warn_read_only = 1,
    warn_links = 2,
    warn_incomplete = 4,
    warn_nothing_to_do = 8,
};

// The job description, copied whole into the engine at set-up.
struct job_options {
    int32_t job_type = job_none;
    uint32_t scheme = 1;          // scheme_word: number in the low byte, verification bits 30, 31
    double tolerance = 1.0;       // percent of a pass; <= 0 also silences the early error warning
    int32_t rename_count = 3;     // random renames before a file is deleted
    uint8_t simulate = 0;         // analyse, log and count, but write, rename and delete nothing
    uint8_t abort_on_error = 0;
    uint8_t empty_recycler = 0;   // free-space jobs: empty the volume's recycle bin first
    uint8_t leave_dirs = 0;       // file jobs: remove files only
    int64_t modified_before = 0;  // > 0: leave files written at or after this time (s since 1970)
    int32_t speed = 100;          // percent of full speed
    int32_t log_limit = 25000;    // most lines held at a time; <= 0 means no limit
    uint8_t log_user = 1;         // user and host lines in the job header
    uint8_t verbose = 0;          // one line per file and removed path
};

// The engine's status block, copied into snapshots for the front ends.
struct job_status {
    int32_t job_type = job_none;
    int32_t state = state_idle;
    bool ready = false;             // snapshots only: go-ahead given or waiting for it
    uint32_t warnings = 0;
    uint32_t errors = 0;
    int64_t path_count = 0;
    int64_t drive_count = 0;
    int64_t dir_count = 0;
    int64_t file_count = 0;
    int64_t remove_count = 0;
    int64_t item_count = 0;
    int64_t done_count = 0;
    int64_t failed_count = 0;
    int32_t pass_count = 1;
    int64_t total_bytes = 0;        // one pass over everything
    int64_t pass_bytes = 0;         // one-pass sizes of the items finished so far
    int32_t eta_seconds = -1;
    int32_t rate = -1;
    int32_t average_rate = -1;
    int64_t done_bytes = 0;         // all passes, written and verified
    int64_t work_bytes = 0;         // all passes over everything (snapshots)
    int64_t bad_write_bytes = 0;
    int64_t bad_verify_bytes = 0;
};

// Returns true for the states 1 to 5.
bool is_active_state(int32_t state);

// Returns the job type's text; empty for 0 and unknown types.
std::wstring job_type_text(int32_t job_type);

// Returns the text of exactly one listed code (0 gives "OK"); empty for anything else.
std::wstring error_text(int32_t code);

// Returns the warning's text; any unlisted value or combination gives the multiple-warnings text.
std::wstring warning_text(uint32_t code);

// Returns size rounded up to a multiple of unit; 0 gives one unit. Throws invalid_argument
// "invalid argument" for a unit of 0 and length_error "invalid size" when the result overflows.
uint64_t round_up(uint64_t size, uint64_t unit);

}  // namespace olvex
