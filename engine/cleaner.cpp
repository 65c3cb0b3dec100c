#include "engine/cleaner.h"

#include "engine/scheme.h"
#include "vandel/files.h"

#include <algorithm>
#include <exception>

namespace olvex {

namespace {

constexpr uint64_t block = 4096;
constexpr uint64_t spare = 65536;
constexpr uint64_t last_resort_size = 0x7FFFF000;  // 2 GiB - 4 KiB

// percent % of bytes, rounded up to whole blocks and capped at the largest work file.
uint64_t share(uint64_t bytes, uint64_t percent) {
    const uint64_t part = bytes / 100 * percent + bytes % 100 * percent / 100;
    return std::min(round_up(part, block), cleaner::max_work_file_size);
}

}  // namespace

cleaner::cleaner(std::unique_ptr<vandel::file_stream> stream) : writer_(writer_overwrite, 3, std::move(stream)) {
    writer_.set_tolerance(100.0);
    // Space taken by the writes, as a file growing to the end would take it, leaves less of the
    // deleted data among the blocks the file system keeps back.
    writer_.set_grow_by_writes(true);
}

cleaner::~cleaner() {
    try {
        remove_work_files();
    } catch (...) {
    }
}

void cleaner::set_tolerance(const double& percent) { tolerance_ = percent > 0 ? std::min(percent, 100.0) : 0.0; }

uint64_t cleaner::free_space(const std::wstring& path) {
    struct vandel::volume_info info;
    return vandel::volume_info(path, info) ? info.free_bytes : 0;
}

uint64_t cleaner::all_free_space(const std::wstring& path) {
    struct vandel::volume_info info;
    return vandel::volume_info(path, info) ? info.free_total_bytes : 0;
}

void cleaner::reset() {
    remove_work_files();
    scheme_ = 1;
    state_ = writer_closed;
    initial_free_ = progress_done_ = progress_total_ = bad_verify_sum_ = bad_write_sum_ = completed_bytes_ = 0;
    left_over_ = records_ = free_before_ = allocated_ = 0;
    unit_ = 1;
    result_ = 0;
    filling_ = false;
    replaced_ = false;
}

error_code cleaner::open(const std::wstring& path, uint32_t scheme_word) {
    if (state_ != writer_closed) return err_invalid_state;
    error_code code = 0;
    try {
        const std::wstring folder = vandel::add_trailing_separator(path);
        if (!vandel::is_directory(folder)) {
            code = err_path_not_found;
        } else {
            reset();
            free_before_ = all_free_space(folder);
            struct vandel::volume_info volume;
            if (vandel::volume_info(folder, volume) && volume.block_size != 0) unit_ = volume.block_size;
            const std::wstring name = L"olvex_" + writer_.random_name(8);
            const std::wstring made = vandel::add_trailing_separator(folder + name);
            // Made only under a free name: an existing folder or link is never taken for ours.
            if (!parent_.open(folder) || !vandel::create_directory(made)) {
                code = err_access_denied;
            } else {
                work_name_ = name;
                struct vandel::file_info info;
                parent_.entry(name, info);
                work_id_ = info.id;
                initial_free_ = free_space(made);
                progress_total_ = static_cast<uint64_t>(scheme_pass_count(scheme_word)) * initial_free_;
                // Whoever may write beside it may have swapped the name since it was made.
                std::vector<vandel::folder_entry> inside;
                if (!work_.open(parent_, name) || work_.id() != work_id_ ||
                    work_.id().volume != parent_.id().volume || work_.list(inside) != 0) {
                    replaced_ = true;
                    code = err_access_denied;
                } else {
                    work_folder_ = made;
                    code = next_work_file(scheme_word);
                    if (code == 0) {
                        scheme_ = scheme_word;
                        state_ = writer_active;
                    }
                }
            }
        }
    } catch (const std::exception&) {
        code = err_failed;
    }
    if (code != 0 && code != err_path_not_found) {
        remove_work_folder();
        initial_free_ = progress_total_ = 0;
    }
    result_ = code;
    return code;
}

std::wstring cleaner::result_note() const {
    return replaced_ ? L"The work folder was replaced by a link or another folder as it was made; nothing was written."
                     : std::wstring();
}

error_code cleaner::next_work_file(uint32_t scheme_word, bool growing) {
    if (work_files_.size() >= max_work_files) return err_failed;
    const std::wstring name = writer_.random_name(8);
    const uint64_t f = share(initial_free_, 2);
    const uint64_t d = free_space(work_folder_);
    const uint64_t g = share(d, 20);
    writer_.set_mode(writer_create);
    filling_ = false;
    bool opened = false;
    if (!growing && f > spare && g > spare) {
        if (d > spare && f < d - spare) opened = writer_.create_at(work_, name, scheme_word, f) == 0;
        if (!opened && g < f) opened = writer_.create_at(work_, name, scheme_word, g) == 0;
        if (!opened && f > last_resort_size && g > last_resort_size)
            opened = writer_.create_at(work_, name, scheme_word, last_resort_size) == 0;
    }
    if (!opened) {
        writer_.set_mode(writer_fill);
        if (const error_code r = writer_.create_at(work_, name, scheme_word, 0); r != 0) return r;
        filling_ = true;
    }
    work_files_.push_back(name);
    return 0;
}

bool cleaner::step(bool flush) {
    if (state_ != writer_active) return false;
    const bool more = writer_.step(flush);
    const uint64_t passes = static_cast<uint64_t>(scheme_pass_count(scheme_));
    progress_done_ = completed_bytes_ * passes + writer_.bytes_done();
    progress_total_ = std::max(progress_total_, progress_done_);
    if (more) return true;

    error_code code = writer_.result();
    bad_write_sum_ += writer_.bad_write_bytes();
    bad_verify_sum_ += writer_.bad_verify_bytes();
    const bool full = writer_.met_full_disk();
    if (code == 0) {
        completed_bytes_ += writer_.size();
        if (writer_.size() != 0) allocated_ += round_up(writer_.size(), unit_);
        writer_.reset();  // the file is closed and stays until the end
        const uint64_t limit = static_cast<uint64_t>(tolerance_ / 100.0 * static_cast<double>(initial_free_));
        if (bad_write_sum_ > limit) {
            code = err_too_many_write_errors;
        } else if (bad_verify_sum_ > limit) {
            code = err_verify_failed;
        } else if (!filling_) {
            // A file of fixed size leaves room: the next one goes on. When none can be made while
            // space is left, that space was not cleaned.
            // A file that met the full volume was cut short: only a growing file takes what is left.
            code = next_work_file(scheme_, full);
            if (code == 0) return true;
            if (free_space(work_folder_) == 0) code = 0;
        }
        // Otherwise a growing file met the end of the free space. What the volume still counts
        // as free, with every work file in place, is what the file system keeps back.
        if (code == 0) {
            left_over_ = all_free_space(work_folder_);
            const uint64_t taken = free_before_ > left_over_ ? free_before_ - left_over_ : 0;
            records_ = taken > allocated_ ? taken - allocated_ : 0;
            if (progress_done_ < progress_total_) {
                const uint64_t left = free_space(work_folder_) * passes;
                if (progress_total_ > left) progress_done_ = progress_total_ - left;
            }
        }
    }
    result_ = code;
    writer_.reset();
    state_ = writer_finished;
    return false;
}

error_code cleaner::close() {
    if (state_ != writer_finished) return err_invalid_state;
    const error_code r = remove_work_files();
    state_ = writer_closed;
    if (result_ == 0) result_ = r;
    return r;
}

error_code cleaner::remove_work_files() {
    writer_.reset();
    error_code code = 0;
    for (const std::wstring& name : work_files_)
        if (!work_.remove(name, false)) code = err_access_denied;
    work_files_.clear();
    return code != 0 ? code : remove_work_folder();
}

error_code cleaner::remove_work_folder() {
    work_.close();  // an open folder can't be renamed on Windows
    error_code code = 0;
    if (!work_name_.empty() && !replaced_) {
        file_writer remover(writer_overwrite, 3);
        code = remover.rename_and_delete(parent_, work_name_, work_id_, 3, true);
    }
    parent_.close();
    work_name_.clear();
    work_id_ = vandel::file_id();
    work_folder_.clear();
    return code;
}

}  // namespace olvex
