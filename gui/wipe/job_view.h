#pragma once
// What the job window decides without drawing: its mirror of the engine's status, the captions
// and button states for each job type and state, the figures it shows, the rules run when a job
// changes state, and the job a picker's answer asks for. Plain functions over the library's
// texts, so tests call them without a window.
#include "engine/job.h"
#include "vandel/files.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vandel {
class eta_builder;
}

namespace olvex {

class settings;

// The job window's mirror of the engine's status, refreshed at every poll.
struct job_view {
    bool elevated = false;
    bool dialog_mode = false;
    bool state_changed = false;
    job_status status;
    int32_t job_type = job_none;
    int32_t state = state_idle;
    bool paused = false;
    int image = 0;
    // A wipe measures its speed over its first second: until then a rate of 0 means unknown.
    bool speed_known = false;
    std::wstring location;
    std::wstring location_path;  // the path inside a files job's location, else empty
    std::wstring title;
    std::wstring detail;
    std::wstring confirm;

    // States 1, 3, 4, 5; and 2 with include_waiting.
    bool busy(bool include_waiting) const;
    // No job yet, or the job has ended.
    bool inactive() const;
    // States 6 to 9.
    bool ended() const;
    bool waiting() const { return state == state_waiting; }
};

// Takes the new snapshot into view and composes its captions and picture; job_title is the
// engine's plain title. Returns whether the state changed.
bool update_job_view(job_view& view, const job_status& status, int32_t state, bool paused,
                     const std::wstring& job_title);

// The texts and enabled states that a full refresh sets.
struct job_controls {
    std::wstring location_prefix;
    std::wstring abort_close_text;
    std::wstring reset_pause_text;
    std::wstring progress_format;  // Qt's progress-bar format ("%p%" for the percentage)
    bool reset_pause_enabled = false;
    bool choices_enabled = false;  // the scheme combo and the verification box
    bool wipe_enabled = false;
    bool animate = false;
};
// Returns what view's state asks of the controls.
job_controls job_view_controls(const job_view& view);

// Returns the progress bar's value: processed x 100 / to process, truncated; 0 with nothing to
// process; one less above 90 while a files or recycle-bin job still has paths to remove; never
// 100 while the job is active.
int job_progress_value(const job_status& status, int32_t state, int32_t job_type);
// Returns the seconds left at the status's rate, rounded up; -1 without a rate or with nothing
// left to process.
int64_t job_time_left(const job_status& status);
// Returns the time-left text: set only while wiping with an estimate of at least one second.
std::wstring job_time_left_text(vandel::eta_builder& words, int32_t state, int64_t seconds);
// Returns the speed text ("12.5 MB / sec"); empty without a rate or before it is known.
std::wstring job_speed_text(int32_t rate, bool known);

// How wide a text is drawn, in the caller's units.
using text_width = std::function<int(const std::wstring&)>;
// Returns path fitted to room: whole where it fits; else its last part (the file or last folder
// name) whole after an ellipsis, led by the folders from the root on that still fit
// ("/home/u/.../name"); where the name alone doesn't fit, the name with its middle cut and its
// end (the extension) kept. Wider than room only when the ellipsis alone is.
std::wstring fit_path_text(const std::wstring& path, int room, const text_width& width_of,
                           vandel::path_style style = vandel::path_style::native);
// Returns a files job's location fitted to room: the path by fit_path_text, the words around it
// ("and more") whole; empty when the view holds no path to fit (other jobs are shortened by the
// caller as plain text).
std::wstring fit_location_text(const job_view& view, int room, const text_width& width_of,
                               vandel::path_style style = vandel::path_style::native);
// Returns the total text: size, "× passes" above one pass, and the folder and file counts of a
// files job; empty for a size of 0.
std::wstring job_total_text(const job_status& status, int32_t job_type);
// Returns the text for the main window's title: the progress text while wiping or removing,
// done or failed at the end, else empty.
std::wstring job_state_caption(int32_t state, const std::wstring& progress_text);
// Returns the taskbar value: -2 after a partly done or failed job, -1 while paused, else value.
int job_taskbar_progress(int32_t state, bool paused, int value);

// Returns the speed a percentage selects: 100, 65 or 30; 0 for one outside 1..100 (no change).
int speed_band(int percent);
// Returns the scheme word of a combo index (the scheme number) with the verification bits of
// verify_bits when verify is set; -1 for an index outside 0..9.
int64_t scheme_word_for(int index, bool verify, int32_t verify_bits);

// Returns the combined access of the targets: 2 when one is missing (or there is none), else 1
// when one can't be opened, else 0. probe gives each path's access (0, 1 or 2).
int probe_path_list(const std::wstring& paths, int32_t (*probe)(const std::wstring&));
// Returns the paths joined with single NUL characters.
std::wstring join_path_list(const std::vector<std::wstring>& paths);

// Returns the options of a job of type from the settings and the window's choices.
job_options make_job_options(settings& s, int32_t job_type, uint32_t scheme_word, bool empty_trash, int speed);

// What the drive picker is asked for a job type.
struct picker_request {
    int list_type = 0;  // drive_list_* (0: the type needs no drive picker)
    bool system_selectable = false;
    bool empty_trash_option = false;  // the free-space picker offers to empty the bins first
};
picker_request picker_request_for(int32_t job_type);

// Sound kinds played when a job ends.
enum : int {
    sound_none = 0,
    sound_done = 1,
    sound_partly_done = 2,
    sound_failed = 3,
};

// What happens when the job changes state.
struct state_change_input {
    int32_t state = state_idle;
    int32_t job_type = job_none;
    int shutdown_mode = 0;
    bool sys_sounds = false;
    bool force_shutdown = false;
    bool dialog_mode = false;
    bool auto_close = false;
    bool log_visible = false;
};
struct state_change_actions {
    int sound = sound_none;
    bool shutdown = false;    // hand over to the shutdown manager (when the job lock is held)
    bool hold_lock = false;   // otherwise: hold the job lock shared, or release it
    bool auto_close = false;  // close the program one second later
    bool close_log = false;
};
state_change_actions state_change_rules(const state_change_input& in);

}  // namespace olvex
