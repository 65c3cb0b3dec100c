#pragma once
// A file stream over a real file whose medium misbehaves where a test says: writes or reads that
// fail in given byte ranges (a bad region), bytes that read back changed (a decaying medium),
// seeks that fail, a disk that is full past a given size, and transfers and flushes that take
// time. Everything else goes to the file as usual.
#include "vandel/file_stream.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace oblivar::test {

class failing_file_stream : public vandel::file_stream {
public:
    struct range {
        int64_t begin, end;  // [begin, end)
    };

    void fail_writes(int64_t begin, int64_t end) { bad_writes_.push_back({begin, end}); }
    void fail_reads(int64_t begin, int64_t end) { bad_reads_.push_back({begin, end}); }
    // The byte at offset reads back with its bits inverted.
    void corrupt_read(int64_t offset) { corrupt_.push_back(offset); }
    // Seeks forward from the current position fail (a skip over a bad region).
    void fail_skips() { fail_skips_ = true; }
    // Seeks to the start fail (a rewind between passes).
    void fail_rewinds() { fail_rewinds_ = true; }
    // Flushes fail: what was written may not be on the medium.
    void fail_flushes() { fail_flushes_ = true; }
    // A transfer that meets a bad region moves nothing at all, as a direct one does, rather than
    // the bytes before the region.
    void fail_whole_transfers() { fail_whole_ = true; }
    // The disk holds no byte at or past capacity: a write stops there, short, and reports a full
    // disk. With at_flush, as in a cache that allocates late, writes are taken whole and a flush
    // is refused (disk full) when anything written since the flush before lies past capacity;
    // as in the system's cache, what it refused is not tried again by the next flush.
    void fill_up_at(int64_t capacity, bool at_flush = false) {
        capacity_ = capacity;
        full_at_flush_ = at_flush;
    }
    // Called with the count before every read and write (a test's clock can take the time).
    std::function<void(int64_t count)> on_transfer;
    // Called before every flush.
    std::function<void()> on_flush;

    int64_t write_calls() const { return write_calls_; }
    int64_t read_calls() const { return read_calls_; }
    int64_t flush_calls() const { return flush_calls_; }
    // Bytes taken by writes in all, and since the last flush.
    int64_t bytes_written() const { return bytes_written_; }
    int64_t unflushed_bytes() const { return unflushed_; }

    bool disk_full() const override { return full_ || file_stream::disk_full(); }

    int64_t read(void* buffer, int64_t count) override {
        ++read_calls_;
        if (on_transfer) on_transfer(count);
        const int64_t start = position();
        int64_t got = file_stream::read(buffer, usable(bad_reads_, start, count));
        for (int64_t offset : corrupt_) {
            if (offset >= start && offset < start + got) static_cast<uint8_t*>(buffer)[offset - start] ^= 0xFF;
        }
        return got;
    }

    int64_t write(const void* buffer, int64_t count) override {
        ++write_calls_;
        if (on_transfer) on_transfer(count);
        const int64_t start = position();
        int64_t n = usable(bad_writes_, start, count);
        full_ = false;
        if (capacity_ >= 0 && !full_at_flush_ && start + n > capacity_) {
            n = std::max<int64_t>(0, capacity_ - start);
            full_ = true;
        }
        const int64_t written = file_stream::write(buffer, n);
        if (written > 0) {
            bytes_written_ += written;
            unflushed_ += written;
            unflushed_end_ = std::max(unflushed_end_, start + written);
        }
        return written;
    }

    bool seek(int64_t offset, int32_t origin) override {
        if (fail_skips_ && origin == from_current && offset > 0) return false;
        if (fail_rewinds_ && origin == from_start && offset == 0) return false;
        return file_stream::seek(offset, origin);
    }

    bool flush() override {
        ++flush_calls_;
        if (on_flush) on_flush();
        full_ = full_at_flush_ && unflushed_end_ > capacity_;
        unflushed_ = unflushed_end_ = 0;
        return !full_ && !fail_flushes_ && file_stream::flush();
    }

private:
    // The part of [start, start + count) before the first bad byte (none of it when whole
    // transfers fail).
    int64_t usable(const std::vector<range>& bad, int64_t start, int64_t count) const {
        int64_t n = count;
        for (const range& r : bad) {
            if (r.end <= start || r.begin >= start + n) continue;
            n = fail_whole_ ? 0 : std::max<int64_t>(0, r.begin - start);
        }
        return n;
    }

    std::vector<range> bad_writes_, bad_reads_;
    std::vector<int64_t> corrupt_;
    bool fail_skips_ = false;
    bool fail_rewinds_ = false;
    bool fail_flushes_ = false;
    bool fail_whole_ = false;
    int64_t capacity_ = -1;
    bool full_at_flush_ = false;
    bool full_ = false;
    int64_t bytes_written_ = 0;
    int64_t unflushed_ = 0;
    int64_t unflushed_end_ = 0;
    int64_t write_calls_ = 0;
    int64_t read_calls_ = 0;
    int64_t flush_calls_ = 0;
};

}  // namespace oblivar::test
