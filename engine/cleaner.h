#pragma once
// The free-space cleaner: overwrites the free space of a volume by filling a work folder on it
// with work files, each written with every pass of the scheme, until the volume is full; then
// the files and the folder go again. The work folder is held open from its making on and every
// work file is made inside it through that handle: a name swapped for a link can't send the fill
// to another volume.
#include "engine/file_writer.h"
#include "engine/writer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace olvex {

class cleaner : public poller {
public:
    static constexpr size_t max_work_files = 2000;
    static constexpr uint64_t max_work_file_size = 0xC0000000000;  // 12 TiB

    // stream: what the work files are written through (a file_stream when none is given).
    explicit cleaner(std::unique_ptr<vandel::file_stream> stream = nullptr);
    ~cleaner() override;
    cleaner(const cleaner&) = delete;
    cleaner& operator=(const cleaner&) = delete;

    int32_t kind() const override { return 4; }
    double tolerance() const override { return tolerance_; }
    void set_tolerance(const double& percent) override;
    bool buffered() const override { return writer_.buffered(); }
    // Removes the work files and folder and zeroes everything.
    void reset() override;
    // Removes the work files and folder of a finished job: their removal's code (also the result
    // when that was 0); 2 when the job has not finished.
    error_code close() override;
    // Writes the next chunk of the current work file; when it is done, starts the next one. False
    // when the cleaning has ended: complete (result 0) when a file that grew until the volume was
    // full is done, or no file fits any more and no free space is left; failed otherwise.
    bool step(bool flush) override;
    std::wstring path() const override { return work_folder_; }
    uint32_t scheme() const override { return scheme_; }
    // The free bytes when the cleaning started.
    uint64_t size() const override { return initial_free_; }
    uint64_t bytes_done() const override { return progress_done_; }
    uint64_t bytes_total() const override { return progress_total_; }
    uint64_t bad_write_bytes() const override { return bad_write_sum_; }
    uint64_t bad_verify_bytes() const override { return bad_verify_sum_; }
    int32_t state() const override { return state_; }
    int32_t result() const override { return result_; }
    std::wstring result_note() const override;

    // Creates the work folder "olvex_" + 8 random letters in folder `path` and the first work
    // file. Returns 0; 2 when not closed; 8 when path is no folder; 32 when the work folder can't
    // be created, or when what stands under its name is not the folder just made on that volume
    // (result_note tells, and nothing is written); the work file's code when not even a growing file can be created; 0x8000 for
    // an unexpected fault. The code is also the result().
    error_code open(const std::wstring& path, uint32_t scheme_word);

    // Creates the next work file in the work folder: 2 % of the free space at the start while that leaves
    // 64 KiB, else 20 % of what is free now, else 2 GiB - 4 KiB, else a file that grows until the
    // volume is full. Returns 0; 0x8000 at the file limit; else the code of the failed creation.
    // growing: a file that grows to the end of the free space, whatever is left.
    error_code next_work_file(uint32_t scheme_word, bool growing = false);

    // Deletes the work files and then the work folder (renamed three times first). Returns 0; 32
    // when a file could not be deleted (the folder then stays); the folder's removal code.
    error_code remove_work_files();

    // The free bytes the volume still counted when the work files had filled it: space no work
    // file could reach, which may hold old data. 0 until a cleaning has completed.
    uint64_t left_over() const { return left_over_; }
    // The free bytes the work folder's and files' own records took from the volume (beyond their
    // data): written when the file system wrote those records in place, which it may not have
    // done before they went again. 0 until a cleaning has completed.
    uint64_t records() const { return records_; }

    // Returns the free bytes of the volume that holds path that this process may write; 0 when
    // they can't be read.
    virtual uint64_t free_space(const std::wstring& path);
    // Returns every free byte of the volume that holds path, also what the file system keeps
    // back; 0 when they can't be read.
    virtual uint64_t all_free_space(const std::wstring& path);

private:
    // Renames and deletes the work folder through its parent, while it is the one made.
    error_code remove_work_folder();

    file_writer writer_;
    std::vector<std::wstring> work_files_;  // names inside work_
    std::wstring work_folder_;
    vandel::folder_handle parent_;  // the folder given to open
    vandel::folder_handle work_;
    std::wstring work_name_;
    vandel::file_id work_id_;
    bool replaced_ = false;  // the work folder's name no longer led to the folder made
    uint64_t initial_free_ = 0;
    uint64_t progress_done_ = 0;
    uint64_t progress_total_ = 0;
    uint64_t bad_verify_sum_ = 0;
    uint64_t bad_write_sum_ = 0;
    uint64_t completed_bytes_ = 0;
    uint64_t left_over_ = 0;
    uint64_t records_ = 0;
    uint64_t free_before_ = 0;  // every free byte before the work folder was made
    uint64_t unit_ = 1;         // the volume's block size
    uint64_t allocated_ = 0;    // the room the finished work files' data takes
    uint32_t scheme_ = 1;
    int32_t state_ = writer_closed;
    double tolerance_ = 1.0;
    int32_t result_ = 0;
    bool filling_ = false;  // the current work file grows until the volume is full
};

}  // namespace olvex
