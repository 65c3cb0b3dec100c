#include "engine/file_writer.h"

#include "vandel/clock.h"
#include "vandel/files.h"

#include <algorithm>
#include <vector>

namespace olvex {

std::wstring changed_note() {
    return L"It changed since the analysis (another file or a link is in its place); it was left alone.";
}

file_writer::file_writer(int32_t mode, int32_t rename_count, std::unique_ptr<vandel::file_stream> stream)
    : base_writer(mode, std::move(stream)), rename_count_(rename_count) {}

void file_writer::set_mode(int32_t mode) {
    if (state() != writer_active) set_writer_mode(mode);
}

std::wstring file_writer::random_name(uint64_t n) {
    std::wstring name;
    name.reserve(n);
    for (uint64_t i = 0; i < n; ++i) name.push_back(static_cast<wchar_t>(L'a' + names_.next31() % 26));
    return name;
}

std::wstring file_writer::result_note() const {
    return changed_ ? changed_note() : base_writer::result_note();
}

error_code file_writer::open_at(const vandel::folder_handle& folder, const std::wstring& name,
                                const vandel::file_id& expected, uint32_t scheme_word) {
    folder_ = nullptr;
    changed_ = false;
    const error_code code = open_with(
        scheme_word, 0, [&](uint32_t flags) { return target().open_at(folder, name, flags); },
        [&] {
            struct vandel::file_info found;
            if (folder.entry(name, found) == vandel::kind_missing) return err_path_not_found;
            changed_ = found.id != expected || found.reparse_point;
            return err_access_denied;
        });
    if (code != 0) return code;
    if (target().id() != expected) {
        // Another file took the name since the analysis: not one byte goes to it.
        reset();
        set_state(writer_closed, err_access_denied);
        changed_ = true;
        return err_access_denied;
    }
    folder_ = &folder;
    name_ = name;
    id_ = expected;
    return 0;
}

error_code file_writer::create_at(const vandel::folder_handle& folder, const std::wstring& name,
                                  uint32_t scheme_word, uint64_t size) {
    folder_ = nullptr;
    changed_ = false;
    const error_code code = open_with(
        scheme_word, size,
        [&](uint32_t flags) {
            return target().open_at(folder, name, (flags & ~vandel::open_mode_mask) | vandel::open_create_new_read_write);
        },
        [] { return err_access_denied; });
    if (code == err_bad_write) folder.remove(name, false);  // made here, but it got no size: gone again
    return code;
}

error_code file_writer::rename_and_delete(const std::wstring& path, int32_t count, bool missing_is_error) {
    const std::wstring text = vandel::remove_trailing_separator(path);
    const std::wstring name = vandel::file_name_part(text, true);
    std::wstring dir = vandel::directory_part(text);
    vandel::folder_handle folder;
    struct vandel::file_info found;
    if (!vandel::is_entry_name(name) || !folder.open(dir.empty() ? L"." : dir)) {
        changed_ = false;
        if (vandel::path_kind(path) == vandel::kind_missing) return missing_is_error ? err_path_not_found : 0;
        return err_access_denied;
    }
    folder.entry(name, found);
    return rename_and_delete(folder, name, found.id, count, missing_is_error);
}

error_code file_writer::rename_and_delete(const vandel::folder_handle& folder, const std::wstring& name,
                                          const vandel::file_id& expected, int32_t count, bool missing_is_error) {
    changed_ = false;
    struct vandel::file_info info;
    // Every step acts on this entry only while it is still the one expected.
    auto still_expected = [&](const std::wstring& n) {
        if (folder.entry(n, info) == vandel::kind_missing) return false;
        changed_ = info.id != expected;
        return !changed_;
    };
    if (!still_expected(name)) return changed_ ? err_access_denied : missing_is_error ? err_path_not_found : 0;
    const bool is_folder = info.kind == vandel::kind_folder;
    if (is_folder && !info.reparse_point) {
        // Renaming a folder that still holds something would hide what was kept under a random
        // name. A link or junction loses only its own name, whatever it points to.
        vandel::folder_handle inside;
        std::vector<vandel::folder_entry> entries;
        if (!inside.open(folder, name) || inside.id() != expected || inside.list(entries) != 0) return err_dir_not_empty;
    }

    std::wstring current = name;
    const uint64_t n = std::max<uint64_t>(name.size(), 8);
    error_code result = 0;
    for (int32_t i = 0; i < count; ++i) {
        std::wstring renamed = random_name(n);
        if (!folder.rename(current, renamed)) {
            vandel::sleep_ms(150);
            renamed = random_name(n);  // a fresh name, in case the first one was taken
            if (!folder.rename(current, renamed)) {
                result = err_rename_failed;
                break;
            }
        }
        current = renamed;
    }
    if (!still_expected(current)) return changed_ ? err_access_denied : result;
    if (!folder.remove(current, is_folder)) {
        vandel::sleep_ms(150);
        if (folder.entry(current, info) != vandel::kind_missing && !folder.remove(current, is_folder))
            return err_access_denied;
    }
    return result;
}

error_code file_writer::close() {
    if (state() != writer_finished || !target().is_open()) return err_invalid_state;
    if (result() != 0) {
        // The overwrite failed: the file stays as it is, where it is, for the user to see.
        base_writer::close();
        return 0;
    }
    const std::wstring path = target().path();
    try {
        target().set_size(0);
    } catch (const std::exception&) {
    }
    target().close();  // a failed resize may have closed it already
    set_state(writer_closed, 0);
    if (rename_count_ < 0) return 0;
    set_state(writer_closed, folder_ ? rename_and_delete(*folder_, name_, id_, rename_count_, true)
                                     : rename_and_delete(path, rename_count_, true));
    return 0;
}

}  // namespace olvex
