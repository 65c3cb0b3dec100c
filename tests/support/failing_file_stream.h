#pragma once
// A file stream over a real file whose medium misbehaves where a test says: writes or reads that
// fail in given byte ranges (a bad region), bytes that read back changed (a decaying medium),
// seeks that fail, and transfers that take time. Everything else goes to the file as usual.
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
    // Called with the count before every read and write, and before every flush (a test's clock
    // can take the time).
    std::function<void(int64_t count)> on_transfer;
    std::function<void()> on_flush;

    int64_t write_calls() const { return write_calls_; }
    int64_t read_calls() const { return read_calls_; }
    int64_t flush_calls() const { return flush_calls_; }

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
        return file_stream::write(buffer, usable(bad_writes_, position(), count));
    }

    bool seek(int64_t offset, int32_t origin) override {
        if (fail_skips_ && origin == from_current && offset > 0) return false;
        if (fail_rewinds_ && origin == from_start && offset == 0) return false;
        return file_stream::seek(offset, origin);
    }

    bool flush() override {
        ++flush_calls_;
        if (on_flush) on_flush();
        return !fail_flushes_ && file_stream::flush();
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
    int64_t write_calls_ = 0;
    int64_t read_calls_ = 0;
    int64_t flush_calls_ = 0;
};

}  // namespace oblivar::test
