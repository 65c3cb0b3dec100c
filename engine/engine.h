#pragma once
// The wipe engine: runs one erasure job at a time on its own worker. A front end sets a job up,
// then only polls: state, status snapshots and new log lines; it gives the go-ahead after the
// analysis, changes speed or scheme, pauses, resumes or aborts. The engine never calls back.
//
// The worker writes the job header, analyses the paths into a tree of items, waits for the
// go-ahead, wipes every item through one stepping loop (pacing, throttling, pause and abort),
// removes what it wiped, and closes the log with the totals report.
#include "engine/ced.h"
#include "engine/folder_chain.h"
#include "engine/item_tree.h"
#include "engine/job.h"
#include "engine/thread.h"
#include "engine/writer.h"
#include "vandel/stopwatch.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace olvex {

class cleaner;

class engine : public thread {
public:
    // Thrown at a cancellation point once an abort was requested; caught by the worker.
    class thread_interrupt : public std::runtime_error {
    public:
        thread_interrupt() : std::runtime_error("thread_interrupt") {}
    };

    engine();
    // A worker still running is stopped and joined, and writes no final report.
    ~engine() override;

    // Owner: stops and joins the worker, then clears the job (state 0). Returns whether an abort
    // had been requested.
    bool reset() override;
    // Owner: returns 2 unless the worker runs; else asks it to stop (state 5) and returns 0.
    error_code abort() override;

    // Owner: sets a job up and starts its worker. paths is one text of paths split at separator
    // (both front ends pass one NUL character); a files job drops a path given twice or inside
    // another given folder. Returns 0 started; 2 when a job is set up already (reset first); 4
    // for job type 0, an empty separator, a scheme number above 9, no path (except a recycle-bin
    // job, which then takes every recycle bin), or a files job on the system volume's root
    // folder; 8 when a recycle-bin job finds none; 0x8000 when the worker can't be started (the
    // engine stays idle).
    error_code start_job(const std::wstring& paths, const olvex::job_options& options,
                         const std::wstring& separator);
    // Owner: the user's go-ahead. Returns 0; 2 unless the worker runs in state 1 or 2 without a
    // go-ahead yet. One given during the analysis is kept: the wipe then starts at once.
    error_code confirm_start();
    // Returns the state; the analysis (1) reads as waiting (2) until the go-ahead was given.
    int32_t get_state() const;
    // Owner: waits up to ms while the job analyses, wipes, removes or aborts; returns as soon as
    // it waits for the start or has ended. Returns whether it is no longer busy.
    bool wait_while_busy(int32_t ms) { return ced_.wait_while_busy(ms); }
    // Fills a status snapshot (with rates and time left while wiping) and returns its state,
    // corrected as get_state does.
    int32_t get_progress(job_status& snapshot);
    // Copies the log lines held into out (replacing its contents); with take, they are gone.
    void get_log_lines(std::vector<std::wstring>& out, bool take);
    // Speed in percent of full speed, clamped to 0..100; the running item takes it up within 100 ms.
    void set_speed(int32_t percent);
    int32_t speed() const;
    // Returns false, changing nothing, once the go-ahead was given or for a scheme number above 9.
    bool set_scheme(uint32_t scheme_word);
    const olvex::job_options& job_options() const { return options_; }
    // Returns the job's title; decorated, with the kind of target in front ("Volume D:...").
    std::wstring job_title(bool decorated) const;

protected:
    void run() override;

    // ---- Item driver (worker) ----
    // Cancellation point: throws thread_interrupt after an abort; at most every 100 ms (or when
    // forced) copies the status to the owner's side and waits out a pause. Returns whether it did.
    bool check_point(bool force);
    // Sleeps ms (nothing for 0 or less), then throws thread_interrupt after an abort.
    void sleep(int32_t ms);
    // Runs an opened writer or cleaner to its end with pacing, throttling, pause and abort, and
    // writes the item's lines. Returns the item's error_code; an abort is thrown again as
    // thread_interrupt once the item's lines are written. fill: the cleaner p is, whose free
    // space left unreached is told and leaves the job partly done.
    error_code drive_poller(poller& p, const std::wstring& caption, const cleaner* fill = nullptr);
    // The handlers of one item each; they return the item's error_code. A file is written only
    // when it is still the one the analysis found, reached through its folders.
    error_code wipe_file_item(int64_t index, uint32_t scheme, bool remove, bool read_only);
    error_code wipe_volume(const std::wstring& path, uint32_t scheme, const std::wstring& identity);
    error_code wipe_device(const std::wstring& path, uint32_t scheme, const std::wstring& identity);
    error_code clean_free_space(const std::wstring& path, uint32_t scheme, bool empty_recycler);

    // ---- Targets other than files and folders ----
    // Owner: the title of a job of types 2 to 5; all_bins tells that its paths are every bin.
    std::wstring target_title(bool all_bins) const;
    // Owner: the recycle-bin folders of every volume.
    static std::vector<std::wstring> all_recycle_bins();
    // Appends the root item for path of a job of types 2 to 5, logging what it finds. Returns
    // false for another job type.
    bool add_target_item(const std::wstring& path);
    // Returns true when the file of a recycle-bin job is kept by the system (desktop.ini).
    static bool is_bin_setting(const std::wstring& path);
    // Wipes the volume or device, or cleans the free space, of the item; returns its error_code.
    error_code wipe_target_item(int64_t index, uint32_t scheme);
    // Empties the recycle bin of the item; a failure is logged and becomes the item's result.
    void empty_bin(int64_t index);
    // In a simulated job, logs a target's caption as finished and counts 1024 bytes; returns
    // whether the job is simulated.
    bool simulated_target(const std::wstring& caption);

    // ---- Item tree (worker) ----
    // Builds the item tree and the status counts, logging what it finds. Returns false when the
    // job must not go on.
    bool analyse();
    // Folds the item results into the status; returns the state they give: 6, 7 or 8.
    int32_t tally_results(bool final);
    // Appends an item for path (joined to parent_folder) with parent as its parent.
    void item_from_path(const std::wstring& path, const std::wstring& parent_folder, int64_t parent);
    // Appends an item for every entry that matches pattern of the folder item parent, or with
    // parent -1 of the folder at path folder (names then hold that path too). An entry that can't be
    // described becomes a failed item. Returns 1, 0 when nothing matched, -1 when the folder
    // can't be listed.
    int expand_folder(const std::wstring& folder, int64_t parent, const std::wstring& pattern);
    // Returns the folder that holds the item when the item is still the one analysed there; else
    // null, with code and note saying why.
    const vandel::folder_handle* reach_item(int64_t index, error_code& code, std::wstring& note,
                                            struct vandel::file_info* found = nullptr);
    // Decides for a file item what is wiped, removed or left alone; logs links and read-only files.
    void analyse_file(int64_t index, const std::wstring& path);
    std::wstring full_path(int64_t index) const;
    // Gives the item code when it has none yet; unless code is 8, every ancestor without a
    // result gets 0x10.
    void set_result_up(int64_t index, error_code code);
    // Sets (or clears) flags on the item and all its ancestors.
    void set_flags_up(int64_t index, uint16_t flags, bool set);
    // Runs the items in order; returns false when abort_on_error stopped at a failed item.
    bool process_items(uint32_t scheme, bool& anything_done);
    // Renames and deletes what is marked for removal, last item first. Returns whether anything
    // was removed or attempted.
    bool remove_paths();

    // What one job keeps; fresh for every job.
    struct job_data {
        std::vector<job_item> items;
        job_status status;
        // Pacing.
        bool first_step = true;    // the first step of the job is not timed
        bool calibrating = false;  // measuring full-speed throughput, every step flushed
        bool calibrated = false;   // a job calibrates once, the first time it runs below 100
        uint64_t cal_start_ms = 0;     // step time when calibration began
        uint64_t cal_start_bytes = 0;  // done bytes when calibration began
        uint64_t cal_ms = 0;
        uint64_t cal_bytes = 0;
        uint64_t mark_bytes = 0;  // done bytes at the last throttling pause
        uint64_t batch_steps = 0;
        uint64_t batch_size = 2;
        vandel::stopwatch refresh_watch;
        vandel::stopwatch step_watch;
        // Raw targets by item: what the writer must find again when it opens them.
        std::map<int64_t, std::wstring> identities;
        // The folders of the tree, reached from their roots.
        folder_chain folders;
        // An item ended without error but left something it could not reach.
        bool incomplete = false;
    };

    // Clears the job: default options, no title or paths, fresh job data and status.
    void reset_job();

    olvex::job_options options_;
    std::wstring title_;
    bool several_ = false;
    std::vector<std::wstring> paths_;
    int64_t dropped_ = 0;  // paths given twice or inside another given folder
    job_data job_;
    ced ced_;
};

}  // namespace olvex
