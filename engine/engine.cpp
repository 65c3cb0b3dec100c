#include "engine/engine.h"

#include "engine/drives.h"
#include "engine/file_writer.h"
#include "engine/path_macros.h"
#include "engine/scheme.h"
#include "vandel/files.h"
#include "vandel/strings.h"

#include <functional>
#include <unordered_set>

namespace olvex {

namespace {

constexpr uint32_t highest_scheme = 9;

bool known_scheme(uint32_t scheme_word) { return (scheme_word & 0xFF) <= highest_scheme; }

// One part of the path list as the job will use it.
std::wstring prepare_path(const std::wstring& part) {
    const std::wstring trimmed = vandel::trim(part, true, true);
    if (trimmed.empty()) return {};
    // A path that exists is taken as it stands: its name may hold blanks, or text that looks like
    // a macro ("%DATE%"), and it is that file the user chose.
    if (vandel::path_kind(part) != vandel::kind_missing) return vandel::normalize_path(part);
    const std::wstring path = vandel::normalize_path(trimmed);
    if (vandel::path_kind(path) != vandel::kind_missing) return path;
    return vandel::normalize_path(expand_path_macros(path));
}

// What set-up knows of one path: its text, its id and the ids of the folders above it.
struct path_place {
    std::wstring text;  // absolute, "." and ".." resolved, without a trailing separator; folded on Windows
    vandel::file_id id;
    bool walked = false;  // a folder whose tree the job walks (no link, no mount point)
    std::vector<vandel::file_id> above;
};

std::wstring folded(const std::wstring& text) {
    return vandel::path_style::native == vandel::path_style::windows ? vandel::to_lower(text) : text;
}

path_place place_of(const std::wstring& path) {
    path_place p;
    p.text = folded(vandel::remove_trailing_separator(vandel::absolute_path(path, L"")));
    struct vandel::file_info info;
    p.walked = vandel::file_info(path, info) == vandel::kind_folder && !info.reparse_point;
    p.id = info.id;
    for (std::wstring cur = p.text;;) {
        const std::wstring dir = vandel::directory_part(cur);
        const std::wstring up = vandel::remove_trailing_separator(dir);
        if (dir.empty() || up == cur) break;
        // A folder is never inside itself, however its name was spelled.
        if (vandel::file_info(dir, info) != vandel::kind_missing && info.id != p.id) p.above.push_back(info.id);
        if (up.empty()) break;
        cur = up;
    }
    return p;
}

struct id_hash {
    size_t operator()(const vandel::file_id& id) const { return std::hash<uint64_t>()(id.index * 31 + id.volume); }
};

// Drops every path that names what an earlier one names, or lies inside a folder another one
// names (the walk of that folder wipes it): wiped twice, the second time it would be missing.
// Returns how many were dropped.
int64_t drop_repeated(std::vector<std::wstring>& list) {
    std::vector<path_place> places;
    std::unordered_set<std::wstring> folder_texts;
    std::unordered_set<vandel::file_id, id_hash> folder_ids;
    for (const auto& path : list) {
        places.push_back(place_of(path));
        if (!places.back().walked) continue;
        folder_texts.insert(places.back().text);
        if (places.back().id.known) folder_ids.insert(places.back().id);
    }
    std::unordered_set<std::wstring> texts;
    std::unordered_set<vandel::file_id, id_hash> ids;
    std::vector<std::wstring> kept;
    for (size_t i = 0; i < list.size(); ++i) {
        const path_place& p = places[i];
        // Two names of one file may be two hard links, each to be removed; a folder has one.
        bool repeated = !texts.insert(p.text).second || (p.walked && p.id.known && !ids.insert(p.id).second);
        for (const auto& id : p.above) repeated = repeated || folder_ids.count(id) != 0;
        for (size_t at = p.text.size(); !repeated && at-- > 1;)
            repeated = vandel::is_path_separator(p.text[at]) && folder_texts.count(p.text.substr(0, at)) != 0;
        if (!repeated) kept.push_back(list[i]);
    }
    const int64_t dropped = static_cast<int64_t>(list.size() - kept.size());
    list = std::move(kept);
    return dropped;
}

}  // namespace

engine::engine() { reset_job(); }

engine::~engine() {
    ced_.prepare_teardown(true);
    thread::reset();
}

bool engine::reset() {
    const bool aborted = thread::reset();
    reset_job();
    return aborted;
}

void engine::reset_job() {
    options_ = olvex::job_options();
    title_.clear();
    paths_.clear();
    dropped_ = 0;
    several_ = false;
    job_ = job_data();
    ced_.reset();
}

error_code engine::abort() {
    if (!is_running()) return err_invalid_state;
    ced_.set_state(state_aborting);
    return thread::abort();
}

error_code engine::start_job(const std::wstring& paths, const olvex::job_options& options,
                             const std::wstring& separator) {
    if (options_.job_type != job_none || ced_.state() != state_idle || start_time() != 0) return err_invalid_state;
    if (options.job_type == job_none || separator.empty() || !known_scheme(options.scheme)) return err_invalid_input;

    std::vector<std::wstring> parts, list;
    vandel::split(parts, paths, false, separator);
    for (const auto& part : parts) {
        std::wstring path = prepare_path(part);
        if (!path.empty()) list.push_back(std::move(path));
    }
    if (options.job_type == job_files) {
        // As rm refuses "/", "." and "..": the root of the system's volume is no folder to wipe,
        // and a path ending in dots names no entry that could be renamed and removed.
        for (const auto& path : list)
            if (is_system_root_folder(path) || ends_in_dots(path)) return err_invalid_input;
    }
    const int64_t dropped = options.job_type == job_files ? drop_repeated(list) : 0;
    // Only a recycle-bin job stands for every bin when it names none; a files job whose every
    // path was dropped must not become one.
    if (list.empty() && options.job_type != job_recycler) return err_invalid_input;
    const bool all_bins = list.empty();
    if (all_bins) {
        list = all_recycle_bins();
        if (list.empty()) return err_path_not_found;
    }
    vandel::sort_strings(list);

    options_ = options;
    paths_ = std::move(list);
    dropped_ = dropped;
    ced_.set_scheme(options.scheme);
    ced_.set_speed(options.speed);
    ced_.set_log_limit(options.log_limit);
    several_ = paths_.size() >= 2;
    title_ = options.job_type == job_files ? file_job_title(paths_, L"") : target_title(all_bins);

    job_.status = job_status();
    job_.status.job_type = options.job_type;
    ced_.set_status(job_.status);
    ced_.set_state(state_analysing);
    ced_.set_start_confirmed(false);
    const error_code started = start();
    if (started != 0) reset_job();  // no worker: the engine stays idle
    return started;
}

error_code engine::confirm_start() {
    const int32_t state = ced_.state();
    if (!is_running() || (state != state_analysing && state != state_waiting) || ced_.start_confirmed())
        return err_invalid_state;
    ced_.set_start_confirmed(true);
    if (state == state_waiting) ced_.set_state(state_wiping);
    return 0;
}

int32_t engine::get_state() const {
    const int32_t state = ced_.state();
    return state == state_analysing && !ced_.start_confirmed() ? state_waiting : state;
}

int32_t engine::get_progress(job_status& snapshot) {
    int32_t state = ced_.get_progress(snapshot, is_paused());
    if (state == state_analysing && !ced_.start_confirmed()) state = state_waiting;
    snapshot.state = state;
    return state;
}

void engine::get_log_lines(std::vector<std::wstring>& out, bool take) { ced_.get_log_lines(out, take); }

void engine::set_speed(int32_t percent) { ced_.set_speed(percent); }

int32_t engine::speed() const { return ced_.speed(); }

bool engine::set_scheme(uint32_t scheme_word) {
    if (ced_.start_confirmed() || !known_scheme(scheme_word)) return false;
    ced_.set_scheme(scheme_word);
    options_.scheme = scheme_word;
    return true;
}

std::wstring engine::job_title(bool decorated) const {
    if (!decorated) return title_;
    std::wstring title = title_, suffix;
    const int32_t type = options_.job_type;
    if (several_) {
        if (type == job_files)
            title = title.empty() ? L"Multiple Items" : L"Multiple Items in " + title;
        else
            suffix = L"s";
    }
    if (title.empty()) return {};
    switch (type) {
    case job_devices: return L"Device" + suffix + L" " + title;
    case job_recycler: return L"Recycler" + suffix + L" " + title;
    case job_volumes:
    case job_free_space: return L"Volume" + suffix + L" " + title;
    default: return title;
    }
}

void engine::run() {
    job_status& st = job_.status;
    bool anything_done = false;
    try {
        ced_.log_job_header(options_.job_type, options_.log_user != 0);
        if (options_.simulate) {
            ced_.add_line(L"TEST SIMULATION ONLY");
            ced_.add_line(L"Real data will not be removed", true);
        }
        st.job_type = options_.job_type;
        st.state = state_analysing;
        ced_.set_status(st);

        const bool analysed = analyse();
        job_.folders.clear();  // reopened and checked again when the wipe needs them
        if (!analysed) {
            // Whatever stopped the analysis, its failed items are counted.
            tally_results(false);
            st.state = state_failed;
        } else {
            for (bool first = true; !ced_.start_confirmed(); first = false) {
                if (first) {
                    st.state = state_waiting;
                    ced_.set_status(st);
                    ced_.add_blank_line();
                    ced_.add_line(L"Waiting for user start...", true);
                }
                sleep(100);
            }

            const uint32_t scheme = ced_.scheme();
            ced_.add_line(L"STARTING WIPE...");
            ced_.add_line(L"Scheme: " + scheme_text(scheme));
            ced_.add_line(L"Verification Pass: " + verify_text(static_cast<int32_t>(scheme)), true);
            st.state = state_wiping;
            ced_.set_status(st);

            const bool stopped = !process_items(scheme, anything_done);
            if ((options_.job_type == job_files || options_.job_type == job_recycler) && !stopped) {
                tally_results(false);
                st.state = state_removing;
                ced_.set_status(st);
                ced_.add_blank_line();
                if (remove_paths()) anything_done = true;
            }
            st.state = tally_results(true);
        }
        job_.folders.clear();
    } catch (const thread_interrupt&) {
        st.state = state_aborted;
        st.errors |= err_aborted;
    } catch (...) {
        st.state = state_failed;
        st.errors |= err_failed;
    }
    try {
        if (!ced_.report_suppressed()) {
            ced_.set_status(st);
            ced_.log_final_report(st, anything_done);
        }
    } catch (...) {
    }
    set_finished();
}

bool engine::process_items(uint32_t scheme, bool& anything_done) {
    std::wstring last_folder;
    const size_t count = job_.items.size();
    for (size_t i = 0; i < count; ++i) {
        check_point(false);
        const int64_t index = static_cast<int64_t>(i);
        const job_item item = job_.items[i];
        if (item.result != 0 || !item.takes_part()) continue;
        error_code result = 0;
        if (item.flags & item_wipe) {
            anything_done = true;
            const std::wstring path = full_path(index);
            const std::wstring folder = vandel::directory_part(path);
            if (!options_.verbose && !folder.empty() && folder != last_folder) {
                ced_.add_blank_line();
                ced_.add_line(L"WIPING FILES IN: " + folder);
                last_folder = folder;
            }
            result = wipe_file_item(index, scheme, (item.flags & item_remove) != 0, (item.flags & item_read_only) != 0);
            error_code unused = 0;
            std::wstring no_note;
            if (result != 0) {
                set_result_up(index, result);
                job_.items[i].flags &= static_cast<uint16_t>(~item_remove);
            } else if (reach_item(index, unused, no_note)) {
                job_.items[i].flags |= item_remove;  // kept by the writer: the removal phase takes it
            } else {
                job_.items[i].flags &= static_cast<uint16_t>(~item_remove);
            }
        } else if (item.flags & (item_volume | item_device | item_free_space)) {
            anything_done = true;
            result = wipe_target_item(index, scheme);
        } else {
            continue;
        }
        job_.items[i].result = result;
        if (result != 0 && options_.abort_on_error) return false;
    }
    return true;
}

bool engine::remove_paths() {
    bool attempted = false, announced = false;
    for (int64_t i = static_cast<int64_t>(job_.items.size()) - 1; i >= 0; --i) {
        const job_item item = job_.items[static_cast<size_t>(i)];
        if (item.result != 0 && item.result != err_dir_not_empty) continue;
        if ((item.flags & item_recycler) && item.result == 0 && options_.modified_before <= 0) {
            attempted = true;
            if (!options_.simulate) empty_bin(i);
            continue;
        }
        if (!(item.flags & item_remove)) continue;
        attempted = true;
        if (!announced) {
            ced_.add_line(L"REMOVING PATHS...");
            announced = true;
        }
        const bool line_open = options_.verbose || item.parent < 0;
        if (line_open) ced_.begin_line(full_path(i));
        error_code code = item.result;
        std::wstring note;
        if (code == 0) {
            check_point(false);
            if (options_.simulate) {
                ced_.end_line(1);
                continue;
            }
            if (item.flags & item_folder) sleep(2);
            const vandel::folder_handle* holder = reach_item(i, code, note);
            if (holder) {
                file_writer remover(writer_overwrite, options_.rename_count);
                code = remover.rename_and_delete(*holder, folder_chain::entry_name(job_.items, i), item.id,
                                                 options_.rename_count, true);
                note = remover.result_note();
            }
            if (code == 0) {
                ced_.end_line(1);
                continue;
            }
        }
        set_result_up(i, code);
        if (line_open) ced_.end_line(3);
        ced_.log_error(code, L"", note, true);
    }
    return attempted;
}

}  // namespace olvex
