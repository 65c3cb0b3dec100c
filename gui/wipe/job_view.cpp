#include "gui/wipe/job_view.h"

#include "gui/wipe/animator.h"
#include "gui/wipe/drive_items.h"
#include "services/interlang.h"
#include "services/settings.h"
#include "vandel/eta_builder.h"
#include "vandel/version.h"

#include <algorithm>

namespace olvex {

bool job_view::busy(bool include_waiting) const {
    return is_active_state(state) && (state != state_waiting || include_waiting);
}

bool job_view::inactive() const { return !is_active_state(state); }

bool job_view::ended() const { return state >= state_done && state <= state_aborted; }

namespace {

struct type_captions {
    int picture;
    const wchar_t* waiting_title;
    const wchar_t* working_title;
    const wchar_t* prefix;
};

// Indexed by job type; row 0 stands for no job.
const type_captions captions_by_type[] = {
    {picture_idle, nullptr, nullptr, nullptr},
    {picture_files, L"WIPER_CONFIRM_FILE_TITLE", L"WIPER_WORKING_FILE_TITLE", L"WIPER_PREFIX_LOCATION"},
    {picture_volume, L"WIPER_CONFIRM_VOLUME_TITLE", L"WIPER_WORKING_VOLUME_TITLE", L"WIPER_PREFIX_VOLUME"},
    {picture_device, L"WIPER_CONFIRM_DEVICE_TITLE", L"WIPER_WORKING_DEVICE_TITLE", L"WIPER_PREFIX_DEVICE"},
    {picture_clean, L"WIPER_CONFIRM_CLEAN_TITLE", L"WIPER_WORKING_CLEAN_TITLE", L"WIPER_PREFIX_VOLUME"},
    {picture_trash, L"WIPER_CONFIRM_TRASH_TITLE", L"WIPER_WORKING_TRASH_TITLE", L"WIPER_PREFIX_TRASH"},
};

const type_captions& captions_of(int32_t job_type) {
    return job_type >= job_files && job_type <= job_recycler ? captions_by_type[job_type] : captions_by_type[0];
}

std::wstring tr_or_empty(const wchar_t* key) { return key ? tr(key) : std::wstring(); }

struct end_captions {
    const wchar_t* title;
    const wchar_t* detail;
    int picture;
};

// Indexed by state - 6.
const end_captions captions_by_end[] = {
    {L"WIPER_SUCCESS_TOP_LAB", L"WIPER_SUCCESS_DETAIL_LAB", picture_done},
    {L"WIPER_PARTIAL_TOP_LAB", L"WIPER_PARTIAL_DETAIL_LAB", picture_warning},
    {L"WIPER_FAILED_TOP_LAB", L"WIPER_FAILED_DETAIL_LAB", picture_error},
    {L"WIPER_ABORTED_TOP_LAB", L"WIPER_ABORTED_DETAIL_LAB", picture_error},
};

}  // namespace

bool update_job_view(job_view& view, const job_status& status, int32_t state, bool paused,
                     const std::wstring& job_title) {
    view.state_changed = state != view.state;
    view.status = status;
    view.state = state;
    view.job_type = status.job_type;
    view.paused = paused;

    const type_captions& type = captions_of(view.job_type);
    view.location = job_title;
    view.location_path = view.job_type == job_files ? job_title : std::wstring();
    // More than the one path the user chose, not the items found inside a chosen folder.
    if (view.job_type == job_files && status.path_count > 1 && !job_title.empty())
        view.location = tr_arg(L"WIPER_LOC_MULTI_ITEM_LAB", job_title);
    view.image = type.picture;
    view.detail.clear();
    view.confirm.clear();
    switch (state) {
    case state_idle:
        view.title = tr_arg(L"WIPER_TITLE_TOP_LAB", L"<b>Oblivar:</b>");
        break;
    case state_analysing:
        view.title = tr(L"WIPER_ANALYZING_TOP_LAB");
        break;
    case state_waiting:
        view.title = tr_or_empty(type.waiting_title);
        view.confirm = tr(L"WIPER_CONFIRM_LAB");
        break;
    case state_wiping:
        view.title = view.job_type == job_files ? tr_arg(type.working_title, std::to_wstring(status.path_count))
                                                : tr_or_empty(type.working_title);
        break;
    case state_removing:
        view.title = tr(L"WIPER_FINALIZING_TOP_LAB");
        break;
    case state_aborting:
        view.title = tr(L"WIPER_ABORTING_TOP_LAB");
        break;
    default:
        if (state == state_aborted && !status.ready) {
            // Stopped before the go-ahead: the worker never wrote a byte, the targets are as they
            // were. The job's own picture, still, says so better than the cross of a failure.
            view.title = tr(L"WIPER_CANCELLED_TOP_LAB");
            view.detail = tr(L"WIPER_CANCELLED_DETAIL_LAB");
        } else if (view.ended()) {
            const end_captions& end = captions_by_end[state - state_done];
            view.title = tr(end.title);
            view.detail = tr(end.detail);
            view.image = end.picture;
        } else {
            view.title.clear();
        }
        break;
    }
    if (paused) view.image = picture_paused;
    if (state != state_wiping || paused)
        view.speed_known = false;
    else if (status.rate > 0)
        view.speed_known = true;
    return view.state_changed;
}

job_controls job_view_controls(const job_view& view) {
    job_controls c;
    const wchar_t* prefix = captions_of(view.job_type).prefix;
    c.location_prefix = prefix ? tr(prefix) : tr(view.elevated ? L"WIPER_ADMIN_UPPER" : L"WIPER_TAGLINE_LAB");
    const bool active = !view.inactive();
    c.abort_close_text = tr(active ? L"WIPER_ABORT_BTN" : L"WIPER_CLOSE_BTN");
    if (active)
        c.reset_pause_text = tr(view.paused ? L"WIPER_RESUME_BTN" : L"WIPER_PAUSE_BTN");
    else
        c.reset_pause_text = tr(view.dialog_mode ? L"WIPER_PAUSE_BTN" : L"WIPER_RESET_BTN");
    c.reset_pause_enabled = view.busy(false) || (view.ended() && !view.dialog_mode);
    c.progress_format = L"%p%";
    if (view.busy(false)) {
        if (view.paused)
            c.progress_format = tr(L"WIPER_PAUSED_TEXT");
        else if (view.state == state_analysing)
            c.progress_format = tr(L"WIPER_ANALYZING_TEXT");
    }
    c.choices_enabled = view.state == state_idle || view.state == state_waiting;
    c.wipe_enabled = view.state == state_waiting;
    c.animate = view.busy(false);
    return c;
}

int job_progress_value(const job_status& status, int32_t state, int32_t job_type) {
    const uint64_t total = status.work_bytes > 0 ? static_cast<uint64_t>(status.work_bytes) : 0;
    const uint64_t done = status.done_bytes > 0 ? static_cast<uint64_t>(status.done_bytes) : 0;
    if (total == 0) return 0;
    // done x 100 may overflow for huge jobs: divide first where it would.
    uint64_t value = done <= UINT64_MAX / 100 ? done * 100 / total : done / (total / 100 ? total / 100 : 1);
    if (value > 100) value = 100;
    if (value > 90 && (state == state_wiping || state == state_removing) &&
        (job_type == job_files || job_type == job_recycler))
        --value;
    // The total is an estimate (a free-space job may find more room than it was told): a full
    // bar would say the job is over while it still works.
    if (value > 99 && is_active_state(state)) value = 99;
    return static_cast<int>(value);
}

int64_t job_time_left(const job_status& status) {
    if (status.rate <= 0 || status.done_bytes >= status.work_bytes) return -1;
    const uint64_t left = static_cast<uint64_t>(status.work_bytes) -
                          static_cast<uint64_t>(std::max<int64_t>(status.done_bytes, 0));
    const uint64_t rate = static_cast<uint64_t>(status.rate);
    // Rounded up: a job with bytes still to write is never shown as having no time left.
    return static_cast<int64_t>(left / rate + (left % rate != 0));
}

std::wstring job_time_left_text(vandel::eta_builder& words, int32_t state, int64_t seconds) {
    if (state != state_wiping || seconds < 0) return std::wstring();
    return words.build(seconds, 2, true);
}

std::wstring job_speed_text(int32_t rate, bool known) {
    if (rate < 0 || !known) return std::wstring();
    return vandel::format_bytes<std::wstring>(static_cast<uint64_t>(rate)) + L" / sec";
}

namespace {

const wchar_t ellipsis = L'\u2026';

bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Returns name with its middle cut to fit room, keeping its end from the last dot where that fits.
std::wstring shorten_name(const std::wstring& name, int room, const text_width& width_of) {
    const size_t dot = name.rfind(L'.');
    const size_t extension = dot == std::wstring::npos || dot == 0 ? 0 : name.size() - dot;
    auto cut = [&](size_t keep) {
        const size_t tail = std::max((keep + 1) / 2, std::min(extension, keep));
        size_t head = keep - tail;
        size_t tail_start = name.size() - tail;
        // Never half a character: a pair of surrogates stays together or goes together.
        if (head > 0 && is_low_surrogate(name[head])) --head;
        if (tail_start < name.size() && is_low_surrogate(name[tail_start])) ++tail_start;
        return name.substr(0, head) + ellipsis + name.substr(tail_start);
    };
    // More units kept never draw narrower: the most that fit, by halving.
    size_t low = 0, high = name.empty() ? 0 : name.size() - 1;
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (width_of(cut(middle)) <= room)
            low = middle;
        else
            high = middle - 1;
    }
    return cut(low);
}

}  // namespace

std::wstring fit_path_text(const std::wstring& path, int room, const text_width& width_of, vandel::path_style style) {
    if (width_of(path) <= room) return path;
    auto separator = [&](size_t i) { return vandel::is_path_separator(path[i], style); };
    // The name is the last part, with the separator that may end it.
    size_t end = path.size();
    while (end > 0 && separator(end - 1)) --end;
    size_t start = end;
    while (start > 0 && !separator(start - 1)) --start;
    const std::wstring name = path.substr(start);
    if (start > 0) {
        const std::wstring tail = std::wstring(1, ellipsis) + path[start - 1] + name;
        // The folders from the root on, whole ones only, as many as fit before the tail.
        size_t lead = 0;
        for (;;) {
            size_t next = lead;
            if (next == 0 && separator(0)) {
                while (next < start && separator(next)) ++next;
            } else {
                while (next < start && !separator(next)) ++next;
                while (next < start && separator(next)) ++next;
            }
            if (next >= start || width_of(path.substr(0, next) + tail) > room) break;
            lead = next;
        }
        const std::wstring text = path.substr(0, lead) + tail;
        if (width_of(text) <= room) return text;
    }
    if (width_of(name) <= room) return name;
    return shorten_name(name, room, width_of);
}

std::wstring fit_location_text(const job_view& view, int room, const text_width& width_of, vandel::path_style style) {
    const std::wstring& path = view.location_path;
    const size_t at = path.empty() ? std::wstring::npos : view.location.find(path);
    if (at == std::wstring::npos) return std::wstring();
    if (width_of(view.location) <= room) return view.location;
    const std::wstring before = view.location.substr(0, at);
    const std::wstring after = view.location.substr(at + path.size());
    // The joins may draw a little wider than their parts: narrow the path's room until all fits.
    for (int path_room = room - width_of(before + after); path_room > 0;) {
        const std::wstring text = before + fit_path_text(path, path_room, width_of, style) + after;
        const int over = width_of(text) - room;
        if (over <= 0) return text;
        path_room -= over;
    }
    // The words alone don't fit.
    return fit_path_text(view.location, room, width_of, style);
}

std::wstring job_total_text(const job_status& status, int32_t job_type) {
    if (status.total_bytes <= 0) return std::wstring();
    std::wstring text = vandel::format_bytes<std::wstring>(static_cast<uint64_t>(status.total_bytes));
    if (status.pass_count > 1) text += L" \u00D7 " + std::to_wstring(status.pass_count);
    if (job_type != job_files) return text;
    const interlang& table = interlang::instance();
    std::wstring counts;
    if (status.dir_count != 0)
        counts = table.translate_count(L"MISC_DIRECTORY_TEXT", L"MISC_DIRECTORIES_TEXT", status.dir_count);
    if (status.file_count != 0) {
        if (!counts.empty()) counts += L", ";
        counts += table.translate_count(L"MISC_FILE_TEXT", L"MISC_FILES_TEXT", status.file_count);
    }
    if (!counts.empty()) text += L" (" + counts + L")";
    return text;
}

std::wstring job_state_caption(int32_t state, const std::wstring& progress_text) {
    switch (state) {
    case state_wiping:
    case state_removing:
        return progress_text;
    case state_done:
    case state_partly_done:
        return tr(L"MISC_DONE_TEXT");
    case state_failed:
        return tr(L"MISC_FAILED_TEXT");
    default:
        return std::wstring();
    }
}

int job_taskbar_progress(int32_t state, bool paused, int value) {
    if (state == state_partly_done || state == state_failed) return -2;
    if (paused) return -1;
    return value;
}

int speed_band(int percent) {
    if (percent < 1 || percent > 100) return 0;
    if (percent >= 93) return 100;
    if (percent < 58) return 30;
    return 65;
}

int64_t scheme_word_for(int index, bool verify, int32_t verify_bits) {
    if (index < 0 || index > 9) return -1;
    uint32_t word = static_cast<uint32_t>(index);
    if (verify) word |= static_cast<uint32_t>(verify_bits) & 0xC0000000u;
    return word;
}

int probe_path_list(const std::wstring& paths, int32_t (*probe)(const std::wstring&)) {
    int result = 2;
    size_t start = 0;
    while (start < paths.size()) {
        size_t end = paths.find(L'\0', start);
        if (end == std::wstring::npos) end = paths.size();
        if (end > start) {
            const int32_t access = probe(paths.substr(start, end - start));
            if (access == 2) return 2;
            if (access == 1)
                result = 1;
            else if (access == 0 && result != 1)
                result = 0;
        }
        start = end + 1;
    }
    return result;
}

std::wstring join_path_list(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i) list += L'\0';
        list += paths[i];
    }
    return list;
}

job_options make_job_options(settings& s, int32_t job_type, uint32_t scheme_word, bool empty_trash, int speed) {
    job_options o;
    o.job_type = job_type;
    o.scheme = scheme_word;
    o.tolerance = s.get_ftol_perc();
    o.rename_count = s.get_rename_count();
    o.abort_on_error = s.get_abort_on_error() ? 1 : 0;
    o.empty_recycler = empty_trash && job_type == job_free_space ? 1 : 0;
    o.leave_dirs = 0;
    o.modified_before = 0;
    o.speed = speed;
    o.log_limit = s.get_max_log_size();
    o.log_user = s.get_log_user() ? 1 : 0;
    o.verbose = s.get_verbose_log() ? 1 : 0;
    return o;
}

picker_request picker_request_for(int32_t job_type) {
    switch (job_type) {
    case job_volumes:
        return {drive_list_volumes, false, false};
    case job_devices:
        return {drive_list_devices, false, false};
    case job_free_space:
        return {drive_list_volumes, true, true};
    case job_recycler:
        return {drive_list_bins, true, false};
    default:
        return {};
    }
}

state_change_actions state_change_rules(const state_change_input& in) {
    state_change_actions a;
    const bool ended = in.state >= state_done && in.state <= state_aborted;
    if (in.sys_sounds) {
        if (in.state == state_done) a.sound = sound_done;
        if (in.state == state_partly_done) a.sound = sound_partly_done;
        if (in.state == state_failed) a.sound = sound_failed;
    }
    a.shutdown = in.shutdown_mode != 0 && ended && (in.state == state_done || in.force_shutdown);
    a.hold_lock = is_active_state(in.state);
    a.auto_close = in.state == state_done && in.dialog_mode && in.auto_close && !in.log_visible &&
                   (in.job_type == job_files || in.job_type == job_recycler);
    a.close_log = ended;
    return a;
}

}  // namespace olvex
