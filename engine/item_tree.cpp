#include "engine/item_tree.h"

#include "engine/engine.h"
#include "engine/file_writer.h"
#include "vandel/files.h"
#include "vandel/locale.h"
#include "vandel/strings.h"

#include <algorithm>

namespace olvex {

namespace {

wchar_t fold(wchar_t c, vandel::path_style style) {
    if (style == vandel::path_style::windows && c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c - L'A' + L'a');
    return c;
}

bool match_from(const std::wstring& name, size_t n, const std::wstring& pattern, size_t p, vandel::path_style style) {
    // Iterative glob with one back-track point: the latest '*'.
    size_t star = std::wstring::npos, star_n = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            star_n = n;
        } else if (p < pattern.size() && (pattern[p] == L'?' || fold(pattern[p], style) == fold(name[n], style))) {
            ++p;
            ++n;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            n = ++star_n;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

}  // namespace

void job_item::set_name(const std::wstring& text) {
    const bool wide = std::any_of(text.begin(), text.end(), [](wchar_t c) { return static_cast<uint32_t>(c) > 0xFF; });
    name.clear();
    if (wide) {
        name.reserve(text.size() * 2);
        for (wchar_t c : text) {
            name.push_back(static_cast<char>(c & 0xFF));
            name.push_back(static_cast<char>((c >> 8) & 0xFF));
        }
        flags |= item_wide;
    } else {
        name.reserve(text.size());
        for (wchar_t c : text) name.push_back(static_cast<char>(c));
        flags &= static_cast<uint16_t>(~item_wide);
    }
}

std::wstring job_item::name_text() const {
    std::wstring text;
    if (flags & item_wide) {
        text.reserve(name.size() / 2);
        for (size_t i = 0; i + 1 < name.size(); i += 2)
            text.push_back(static_cast<wchar_t>(static_cast<uint8_t>(name[i]) | (static_cast<uint8_t>(name[i + 1]) << 8)));
    } else {
        text.reserve(name.size());
        for (char c : name) text.push_back(static_cast<wchar_t>(static_cast<uint8_t>(c)));
    }
    return text;
}

bool wildcard_match(const std::wstring& name, const std::wstring& pattern, vandel::path_style style) {
    if (match_from(name, 0, pattern, 0, style)) return true;
    // The system's old rule: "x.*" also names "x" itself, so "*.*" names everything.
    if (style == vandel::path_style::windows && pattern.size() >= 2 &&
        pattern.compare(pattern.size() - 2, 2, L".*") == 0 && name.find(L'.') == std::wstring::npos)
        return match_from(name, 0, pattern.substr(0, pattern.size() - 2), 0, style);
    return false;
}

bool has_wildcards(const std::wstring& text) { return text.find_first_of(L"*?") != std::wstring::npos; }

// ---- The engine's item tree ----

std::wstring engine::full_path(int64_t index) const {
    std::vector<int64_t> chain;
    for (int64_t i = index; i >= 0; i = job_.items[static_cast<size_t>(i)].parent) chain.push_back(i);
    std::wstring path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) path += job_.items[static_cast<size_t>(*it)].name_text();
    return path;
}

void engine::set_result_up(int64_t index, error_code code) {
    job_item& item = job_.items[static_cast<size_t>(index)];
    if (item.result == 0) item.result = code;
    if (code == err_path_not_found) return;
    for (int64_t i = item.parent; i >= 0; i = job_.items[static_cast<size_t>(i)].parent) {
        job_item& up = job_.items[static_cast<size_t>(i)];
        if (up.result == 0) up.result = err_dir_not_empty;
    }
}

void engine::set_flags_up(int64_t index, uint16_t flags, bool set) {
    for (int64_t i = index; i >= 0; i = job_.items[static_cast<size_t>(i)].parent) {
        job_item& item = job_.items[static_cast<size_t>(i)];
        item.flags = set ? static_cast<uint16_t>(item.flags | flags) : static_cast<uint16_t>(item.flags & ~flags);
    }
}

namespace {

// Gives the item what the analysis found of its entry.
void record(job_item& item, const struct vandel::file_info& info) {
    item.id = info.id;
    item.write_time = info.write_time;
    item.special = info.special;
    if (info.reparse_point) item.flags |= item_link;
    if (info.attributes & vandel::attr_read_only) item.flags |= item_read_only;
}

}  // namespace

void engine::item_from_path(const std::wstring& path, const std::wstring& parent_folder, int64_t parent) {
    const std::wstring full = parent_folder.empty() ? path : vandel::add_trailing_separator(parent_folder) + path;
    job_item item;
    item.parent = parent;
    struct vandel::file_info info;
    const int kind = vandel::file_info(full, info);
    if (kind == vandel::kind_folder) {
        record(item, info);
        item.flags |= item_folder;
        item.flags &= static_cast<uint16_t>(~item_read_only);
        item.set_name(vandel::add_trailing_separator(path));
    } else if (kind == vandel::kind_file) {
        record(item, info);
        item.set_name(path);
        item.size = static_cast<int64_t>(info.size);
    } else {
        item.set_name(path);
        const std::wstring folder = vandel::directory_part(full);
        if ((!folder.empty() && !vandel::is_directory(folder)) || !has_wildcards(vandel::file_name_part(full, true)))
            item.result = err_path_not_found;
        else
            item.flags |= item_pattern;
    }
    job_.items.push_back(std::move(item));
}

int engine::expand_folder(const std::wstring& folder, int64_t parent, const std::wstring& pattern) {
    // Listed through its open handle: a folder that became a link since it was looked at, or
    // was replaced, is not listed, and no path length limits how deep the tree goes.
    vandel::folder_handle own;
    const vandel::folder_handle* dir = nullptr;
    if (parent >= 0) {
        if (job_.folders.folder(job_.items, parent, dir) != folder_chain::reached) return -1;
    } else if (own.open(folder.empty() ? L"." : folder)) {
        dir = &own;
    }
    std::vector<vandel::folder_entry> entries;
    if (!dir || dir->list(entries) < 0) return -1;
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return vandel::comp_fn<std::wstring>()(a.name, b.name);
    });
    const bool every = pattern.empty() || pattern == L"*";
    bool matched = false;
    for (const auto& e : entries) {
        if (!every && !wildcard_match(e.name, pattern)) continue;
        matched = true;
        job_item item;
        item.parent = parent;
        std::wstring name = parent >= 0 || folder.empty() ? e.name : vandel::add_trailing_separator(folder) + e.name;
        if (e.info.kind == vandel::kind_missing) {
            // There, but out of reach: counted as inaccessible, never silently passed over.
            item.result = err_access_denied;
        } else {
            record(item, e.info);
            if (e.info.kind == vandel::kind_folder) {
                item.flags |= item_folder;
                name = vandel::add_trailing_separator(name);
            } else {
                item.size = static_cast<int64_t>(e.info.size);
            }
        }
        item.set_name(name);
        job_.items.push_back(std::move(item));
    }
    return every || matched ? 1 : 0;
}

const vandel::folder_handle* engine::reach_item(int64_t index, error_code& code, std::wstring& note,
                                                struct vandel::file_info* found) {
    struct vandel::file_info info;
    const vandel::folder_handle* holder = nullptr;
    int why = job_.folders.holder(job_.items, index, holder);
    if (why == folder_chain::reached) {
        const int kind = holder->entry(folder_chain::entry_name(job_.items, index), info);
        why = folder_chain::compare(job_.items[static_cast<size_t>(index)], kind, info);
    }
    if (found) *found = info;
    code = 0;
    note.clear();
    switch (why) {
    case folder_chain::reached: return holder;
    case folder_chain::missing: code = err_path_not_found; break;
    case folder_chain::changed:
        code = err_access_denied;
        note = changed_note();
        break;
    default:
        code = err_access_denied;
        note = L"The folder that holds it could not be opened.";
        break;
    }
    return nullptr;
}

int32_t engine::tally_results(bool final) {
    job_status& st = job_.status;
    bool any_ok = false, stopped = false;
    for (job_item& item : job_.items) {
        if (!item.takes_part()) continue;
        st.errors |= static_cast<uint32_t>(item.result);
        if (item.result != 0) {
            if (!(item.flags & item_counted)) {
                ++st.failed_count;
                item.flags |= item_counted;
            }
            if (options_.abort_on_error) {
                stopped = true;
                break;
            }
        } else {
            any_ok = true;
            if (final && !(item.flags & item_counted)) {
                ++st.done_count;
                item.flags |= item_counted;
            }
        }
    }
    if (st.failed_count != 0 && (!any_ok || stopped)) return state_failed;
    if (st.errors != 0 || st.bad_write_bytes != 0 || st.bad_verify_bytes != 0 || job_.incomplete)
        return state_partly_done;
    return state_done;
}

bool engine::analyse() {
    job_status& st = job_.status;
    std::vector<job_item>& items = job_.items;
    const int32_t type = options_.job_type;
    const bool tree = type == job_files || type == job_recycler;

    ced_.add_line(L"ANALYZING PATHS...", true);
    st.path_count = static_cast<int64_t>(paths_.size());
    if (type == job_files) ced_.add_line(job_title(true), true);
    if (dropped_ > 0)
        ced_.add_line(L"Note. Paths given twice or inside another given folder are taken once (" +
                          std::to_wstring(dropped_) + L" dropped)",
                      true);
    items.clear();

    for (size_t i = 0; i < paths_.size() || i < items.size(); ++i) {
        check_point(false);
        if (i < paths_.size() && !paths_[i].empty()) {
            if (type == job_files)
                item_from_path(paths_[i], L"", -1);
            else if (!add_target_item(paths_[i]))
                return false;
        }
        if (!tree || i >= items.size()) continue;

        const int64_t index = static_cast<int64_t>(i);
        const std::wstring p = full_path(index);
        const uint16_t flags = items[i].flags;
        if (items[i].result != 0) {
            ced_.log_error(items[i].result, p, L"Failed to retrieve path details.", true);
            set_result_up(index, items[i].result);
            if (!items[i].takes_part()) items[i].flags |= item_failed;
        } else if (flags & item_pattern) {
            const int listed = expand_folder(vandel::directory_part(p), -1, vandel::file_name_part(p, true));
            if (listed < 0) {
                items[i].result = err_access_denied;
                ced_.log_error(err_access_denied, p, L"Failed to get directory listing.", true);
            } else if (listed == 0) {
                // Nothing to wipe is not what was asked for: the job must not read as done.
                items[i].result = err_path_not_found;
                items[i].flags |= item_failed;
                ced_.log_error(err_path_not_found, p, L"Nothing matches the wildcard.", true);
            }
        } else if (flags & item_folder) {
            if (options_.leave_dirs || (flags & item_recycler))
                items[i].flags &= static_cast<uint16_t>(~item_remove);
            else
                items[i].flags |= item_remove;
            if (flags & item_link) {
                // Never listed: what a link names was not chosen.
                if (type == job_files) {
                    st.warnings |= warn_links;
                    ced_.log_warning(L"Directory is a symbolic link. Only the link will be removed.", p, true);
                }
            } else if (expand_folder(p, index, L"*") < 0) {
                if (type == job_files) {
                    items[i].result = err_access_denied;
                    ced_.log_error(err_access_denied, p, L"Failed to get directory listing.", true);
                } else {
                    items[i].flags &= static_cast<uint16_t>(~item_remove);
                }
            }
        } else {
            analyse_file(index, p);
        }
    }

    for (const job_item& item : items) {
        if (!item.takes_part()) continue;
        ++st.item_count;
        if (item.result == 0) {
            if (!tree)
                ++st.drive_count;
            else if (item.flags & item_folder)
                ++st.dir_count;
            else
                ++st.file_count;
            if (item.flags & item_remove) ++st.remove_count;
        } else if (options_.abort_on_error) {
            return false;
        }
    }

    const int32_t c = tally_results(false);
    ced_.log_analysis_summary(st);
    if (tree) {
        std::vector<std::wstring> notes;
        if (options_.modified_before > 0)
            notes.push_back(L"Only files modified before " +
                            vandel::current_locale().date_time_text_w(options_.modified_before, 4, false) +
                            L" will be removed");
        if (options_.leave_dirs) notes.push_back(L"Empty directories will not be removed");
        if (!notes.empty()) {
            ced_.add_line(L"Notes");
            for (const auto& note : notes) ced_.add_line(note);
        }
    }
    if (st.failed_count != 0 || c == state_failed) {
        st.warnings |= warn_incomplete;
        ced_.log_warning(warning_text(warn_incomplete), L"", false);
    } else if (st.item_count == 0) {
        st.warnings |= warn_nothing_to_do;
        ced_.log_warning(warning_text(warn_nothing_to_do), L"", false);
    }
    ced_.add_blank_line();
    ced_.set_status(st);
    return c != state_failed;
}

void engine::analyse_file(int64_t index, const std::wstring& p) {
    job_status& st = job_.status;
    job_item& item = job_.items[static_cast<size_t>(index)];
    const uint16_t wipe_and_remove = item_wipe | item_remove;
    if (options_.job_type == job_recycler && is_bin_setting(p)) {
        set_flags_up(index, wipe_and_remove, false);
        return;
    }
    if (options_.modified_before > 0) {
        // A file whose time can't be told may be newer than the limit: it stays.
        if (item.write_time == -1 || item.write_time >= options_.modified_before) {
            set_flags_up(index, wipe_and_remove, false);
            return;
        }
    }
    item.size = static_cast<int64_t>(round_up(static_cast<uint64_t>(item.size), 4096));
    if (item.flags & item_link) {
        // Only the name goes; what it names (or, on POSIX, the device, FIFO or socket) is never written.
        item.flags |= item_remove;
        if (options_.job_type == job_files) {
            static const wchar_t* const special[] = {L"a device node", L"a FIFO", L"a socket"};
            const bool link = item.special < vandel::special_device || item.special > vandel::special_socket;
            st.warnings |= warn_links;
            ced_.log_warning(link ? std::wstring(L"File is a symbolic link. Only the link will be removed.")
                                  : L"File is " + std::wstring(special[item.special - 1]) + L". Only its name will be removed.",
                             p, true);
        }
        return;
    }
    item.flags |= wipe_and_remove;
    st.total_bytes += item.size;
    if ((item.flags & item_read_only) && options_.job_type == job_files) {
        st.warnings |= warn_read_only;
        ced_.log_warning(L"Read-only file will be removed.", p, true);
    }
}

}  // namespace olvex
