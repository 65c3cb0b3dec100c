#pragma once
// The writer for ordinary files: overwrites a file in place with every pass of the scheme, then
// cuts it to zero length, renames it to random names and deletes it. Its renaming and deleting
// also serves on its own for folders and left-over paths.
#include "engine/writer.h"
#include "vandel/folder_handle.h"
#include "vandel/random.h"

#include <cstdint>
#include <memory>
#include <string>

namespace olvex {

// The note for a file or folder that is not the one the analysis found any more.
std::wstring changed_note();

class file_writer : public base_writer {
public:
    // rename_count: renames before the file is deleted; below 0 the file is kept (cut to 0).
    file_writer(int32_t mode, int32_t rename_count, std::unique_ptr<vandel::file_stream> stream = nullptr);

    int32_t kind() const override { return 1; }

    // Sets the mode unless the writer is active.
    void set_mode(int32_t mode);

    // Opens the entry name of folder to overwrite it in place, never through a link, and only
    // when it is still expected (the file the analysis found). Returns as open; 32 when it is
    // another file now (changed() tells), 8 when it is gone. folder must stay open until close.
    error_code open_at(const vandel::folder_handle& folder, const std::wstring& name, const vandel::file_id& expected,
                       uint32_t scheme_word);
    // Creates the entry name of folder for writer_create or writer_fill, only when the name is free
    // (never over a file, never through a link). Returns as open; 32 when it can't be created.
    error_code create_at(const vandel::folder_handle& folder, const std::wstring& name, uint32_t scheme_word,
                         uint64_t size);
    // True when the last open_at, close or rename_and_delete found another file or folder than
    // the one expected, and so left it alone.
    bool changed() const { return changed_; }
    std::wstring result_note() const override;

    // Returns n random lower-case letters.
    std::wstring random_name(uint64_t n);

    // Renames a file or an empty folder count times to random names of its own name's length
    // (at least 8) in its folder, then deletes it. A folder that is not empty is neither renamed
    // nor deleted. Returns 0; 8 for a missing path when missing_is_error (else 0); 0x10 for a
    // folder that is not empty; 32 when it could not be deleted; 0x1000 when a rename failed
    // (renaming stops there, and the path is deleted under its last name).
    error_code rename_and_delete(const std::wstring& path, int32_t count, bool missing_is_error);
    // The same for the entry name of folder, and only while it is expected: a file or folder
    // found in its place that is another one gives 32 (changed() tells) and is left alone.
    error_code rename_and_delete(const vandel::folder_handle& folder, const std::wstring& name,
                                 const vandel::file_id& expected, int32_t count, bool missing_is_error);

    // Closes a finished job. When the overwrite succeeded, the file is cut to 0 and, unless the
    // rename count is negative, renamed and deleted (that outcome becomes the job's result). A
    // file whose overwrite failed is left in place, unchanged, under its own name. Returns 0; 2
    // (nothing changed) when the job has not finished.
    error_code close() override;

private:
    int32_t rename_count_;
    vandel::lcg_random names_;
    // Where open_at found the file: close renames and deletes it there.
    const vandel::folder_handle* folder_ = nullptr;
    std::wstring name_;
    vandel::file_id id_;
    bool changed_ = false;
};

}  // namespace olvex
