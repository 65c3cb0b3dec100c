#pragma once
// The stepwise work interface the engine drives (poller), and base_writer: all passes of a scheme
// over one target written through one stream, with verification read-back, skipping of bad
// regions and an error tolerance.
#include "engine/bufgen.h"
#include "engine/job.h"
#include "vandel/file_stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace olvex {

// What the engine steps: a writer or the free-space cleaner.
class poller {
public:
    virtual ~poller();
    // 1 file writer, 2 drive writer, 4 cleaner.
    virtual int32_t kind() const = 0;
    virtual double tolerance() const = 0;
    // Stores percent clamped to 0..100.
    virtual void set_tolerance(const double& percent) = 0;
    // False for a writer of a raw device or volume.
    virtual bool buffered() const = 0;
    // Closes everything, zeroes every counter, state 0.
    virtual void reset() = 0;
    // Finishes a job that has ended (state 2); returns 2 when the state is not 2.
    virtual error_code close() = 0;
    // Does one chunk of work; returns true while the job goes on.
    virtual bool step(bool flush) = 0;
    virtual std::wstring path() const = 0;
    virtual uint32_t scheme() const = 0;
    // Bytes of one pass.
    virtual uint64_t size() const = 0;
    // Bytes processed so far over all passes.
    virtual uint64_t bytes_done() const = 0;
    virtual uint64_t bytes_total() const = 0;
    virtual uint64_t bad_write_bytes() const = 0;
    virtual uint64_t bad_verify_bytes() const = 0;
    // 0 closed, 1 active, 2 finished.
    virtual int32_t state() const = 0;
    // The job's error_code.
    virtual int32_t result() const = 0;
    // Returns what the result code alone doesn't tell (why the job failed); empty for nothing.
    virtual std::wstring result_note() const;
    // True when writes failed for want of space (a full disk under a sparse file).
    virtual bool met_full_disk() const;
};

// writer_mode values.
enum : int32_t {
    writer_overwrite = 0,  // overwrite an existing file in place
    writer_create = 1,     // create a file of a given size
    writer_fill = 2,       // create a file and fill it until the disk is full
    writer_raw = 3,        // a raw device or volume
};

// writer state values.
enum : int32_t { writer_closed = 0, writer_active = 1, writer_finished = 2 };

class base_writer : public poller {
public:
    // A writer whose target is opened through stream (a file_stream when none is given; tests
    // hand in streams that fail).
    explicit base_writer(int32_t mode, std::unique_ptr<vandel::file_stream> stream = nullptr);
    ~base_writer() override;

    // Opens the target and selects the scheme's first pass. size is used by writer_create only.
    // Returns 0; 2 when not closed; 4 for a scheme without passes or a path without a name; 8 for a missing folder (or, when
    // overwriting, a missing file); 32 when it can't be opened; 0x80 when a created file can't be
    // given its size (the file is removed again); 0x8000 for an unexpected fault.
    error_code open(const std::wstring& path, uint32_t scheme_word, uint64_t size);

    double tolerance() const override { return tolerance_; }
    void set_tolerance(const double& percent) override;
    bool buffered() const override { return buffered_; }
    void reset() override;
    // Closes the stream of a finished job: 0; 2 (nothing changed) when not finished.
    error_code close() override;
    // Writes or verifies one request: consecutive blocks of the pass gathered up to the pattern's
    // request, fewer where one request would keep a slow medium busy for long, and one block at a
    // time over the range of a request that failed; a fill's requests halve as the disk fills,
    // down to one block. A writer that is not active is left as it is (false).
    bool step(bool flush) override;
    std::wstring path() const override { return target_->path(); }
    uint32_t scheme() const override { return pattern_.scheme(); }
    uint64_t size() const override { return size_; }
    uint64_t bytes_done() const override { return done_; }
    uint64_t bytes_total() const override { return total_; }
    uint64_t bad_write_bytes() const override { return bad_write_; }
    uint64_t bad_verify_bytes() const override { return bad_verify_; }
    int32_t state() const override { return state_; }
    int32_t result() const override { return result_; }
    std::wstring result_note() const override;
    bool met_full_disk() const override { return full_disk_; }

    int32_t mode() const { return mode_; }
    // A created file takes its space with its writes, not at open (where the system allows it);
    // when the volume fills before the file does, the file ends with its first pass's bytes that
    // reached the medium, and met_full_disk() tells.
    void set_grow_by_writes(bool on) { grow_by_writes_ = on; }

protected:
    // open's work, with the stream opened by opener (given the stream's open flags) and, when it
    // can't be, the code that failure gives.
    error_code open_with(uint32_t scheme_word, uint64_t size, const std::function<bool(uint32_t)>& opener,
                         const std::function<error_code()>& failure);
    // Returns the bytes written from the pattern, at most n and the rest of its request; with flush,
    // a chunk whose flush fails counts as 0 bytes (and the stream is moved back over it).
    uint64_t write_chunk(uint64_t n, bool flush);
    // Returns the bytes read back, at most n and the rest of the pattern's request; mismatches gets
    // the count of bytes that differ from the pattern.
    uint64_t verify_chunk(uint64_t n, uint64_t& mismatches);
    // Returns the size of the next skip over a bad region, never more than left.
    uint64_t next_skip(uint64_t left);

    vandel::file_stream& target() { return *target_; }
    void set_state(int32_t state, int32_t result) {
        state_ = state;
        result_ = result;
    }
    void set_writer_mode(int32_t mode) { mode_ = mode; }

private:
    uint32_t open_flags(uint32_t scheme_word) const;
    // A step of a pass of known length; a step of the fill.
    bool pass_step(bool flush);
    bool fill_step(bool flush);
    // The first pass has found its length, bytes, where the volume filled: it ends there, and the
    // passes after it cover exactly that. flushed as for finish_chunk.
    void end_first_pass_at(uint64_t bytes, bool flushed);
    // Ends the step's chunk: tolerance test and pass change; flushed tells that the chunk's own
    // flush succeeded.
    void finish_chunk(bool good, bool complete, uint64_t left, bool verify, bool flushed);
    // True when a flush puts writes on the medium: false for a write-through file, whose writes
    // are there already.
    bool flush_works() const;
    // True when writes land in the system's cache, so that only a flush shows the medium's speed.
    bool cached() const;
    // Whether a write of chunk bytes ends with a flush: asked by the engine, at the pass end, over
    // a failed flushed request's range, or where the bytes since the last flush reach the span.
    bool flush_after(uint64_t chunk, bool asked, bool ends_pass, bool careful) const;
    // Paces requests and flushes by a write step: chunk bytes asked, got written in took_ms,
    // flushed when its flush put them (and all before) on the medium; careful steps (a failed
    // request's range, a fill near its end) size no requests.
    void after_write(uint64_t chunk, uint64_t got, int64_t took_ms, bool flushed, bool careful);
    // Sizes the next requests by the time this one of bytes took; a step that looked fast only
    // because the cache took it may not grow them.
    void pace(uint64_t bytes, int64_t took_ms, bool may_grow = true);

    std::unique_ptr<vandel::file_stream> target_;
    uint64_t size_ = 0;
    uint64_t done_ = 0;
    uint64_t total_ = 0;
    uint64_t bad_total_ = 0;
    uint64_t bad_verify_ = 0;
    uint64_t bad_write_ = 0;
    uint64_t skip_count_ = 0;
    uint64_t skip_size_ = 0;
    uint64_t block_size_ = 4096;
    uint64_t request_limit_ = bufgen::request_bytes;
    uint64_t careful_end_ = 0;    // up to here the pass goes one block at a time (a request failed)
    bool careful_flush_ = false;  // and each block is flushed, as that request was
    uint64_t unflushed_ = 0;      // bytes written since the last flush
    int64_t unflushed_ms_ = 0;    // and the time their steps took
    uint64_t flush_span_ = 0;     // bytes written between two flushes; 0 before the first measure
    uint64_t fill_limit_ = bufgen::request_bytes;  // the fill's request, halved as the end nears
    uint64_t fill_flushed_ = 0;   // the fill's bytes known to be on the medium
    uint64_t held_ = 0;           // fill bytes written but not yet taken from the pattern
    double tolerance_ = 1.0;
    bool buffered_;
    bufgen pattern_;
    block_buffer read_buffer_;
    int32_t state_ = writer_closed;
    int32_t mode_;
    int32_t result_ = 0;
    bool full_disk_ = false;
    bool grow_by_writes_ = false;
};

}  // namespace olvex
