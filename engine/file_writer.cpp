#include "engine/file_writer.h"

#include "vandel/clock.h"
#include "vandel/files.h"

#include <algorithm>
#include <vector>

namespace olvex {

namespace {

// True only when the folder could be listed and holds nothing.
bool is_empty_folder(const std::wstring& path) {
    std::vector<std::wstring> entries;
    return vandel::list_directory(path, entries, vandel::list_files | vandel::list_folders | vandel::list_hidden) == 0;
}

}  // namespace

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

error_code file_writer::rename_and_delete(const std::wstring& path, int32_t count, bool missing_is_error) {
    struct vandel::file_info info;
    const int kind = vandel::file_info(path, info);
    if (kind == vandel::kind_missing) return missing_is_error ? err_path_not_found : 0;
    // Renaming a folder that still holds something would hide what was kept under a random name.
    // A link or junction loses only its own name, whatever it points to.
    if (kind == vandel::kind_folder && !info.reparse_point && !is_empty_folder(path)) return err_dir_not_empty;

    std::wstring current = vandel::remove_trailing_separator(path);
    const std::wstring folder = vandel::directory_part(current);
    const uint64_t n = std::max<uint64_t>(current.size() - folder.size(), 8);
    error_code result = 0;
    for (int32_t i = 0; i < count; ++i) {
        std::wstring renamed = folder + random_name(n);
        if (!vandel::move_file(current, renamed, false)) {
            vandel::sleep_ms(150);
            renamed = folder + random_name(n);  // a fresh name, in case the first one was taken
            if (!vandel::move_file(current, renamed, false)) {
                result = err_rename_failed;
                break;
            }
        }
        current = renamed;
    }
    if (!vandel::remove_path(current, false)) {
        vandel::sleep_ms(150);
        if (vandel::path_kind(current) != vandel::kind_missing && !vandel::remove_path(current, false))
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
    if (rename_count_ >= 0) set_state(writer_closed, rename_and_delete(path, rename_count_, true));
    return 0;
}

}  // namespace olvex
