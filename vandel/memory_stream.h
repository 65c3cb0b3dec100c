#pragma once
// A stream over bytes in memory: an owned growable buffer (read and write) or a read-only view
// of bytes that belong to the caller.
#include "vandel/stream.h"

#include <cstdint>
#include <memory>

namespace vandel {

class memory_stream : public seekable_stream {
public:
    // An empty, owned, writable stream.
    memory_stream();
    // A read-only view of size bytes at data (see attach).
    memory_stream(const void* data, int64_t size);
    // An owned stream of size bytes of fill.
    explicit memory_stream(int64_t size, uint8_t fill = 0);
    memory_stream(const memory_stream&) = delete;
    memory_stream& operator=(const memory_stream&) = delete;
    ~memory_stream() override;

    // Drops what the stream held and views size bytes at data, which must outlive the stream.
    // Throws invalid_argument "invalid pointer" for null data with a non-zero size and
    // length_error "invalid size" for a negative size.
    void attach(const void* data, int64_t size);

    bool readable() const override { return true; }
    bool writable() const override { return view_ == nullptr; }

    int64_t size() const override { return view_ ? view_size_ : size_; }
    int64_t max_size() const override { return limit_; }
    int64_t position() const override { return position_; }
    // Bytes allocated for the owned buffer.
    int64_t capacity() const { return capacity_; }

    // Returns min(count, remaining()). Throws invalid_argument "invalid pointer" for a null buffer
    // with a non-zero count, length_error "invalid size" for a negative count.
    int64_t read(void* buffer, int64_t count) override;
    // Returns count, growing the buffer as needed. Throws logic_error "stream is not open for
    // writing" over a view, invalid_argument "invalid pointer" for a null buffer with a non-zero
    // count, length_error "invalid size" for a negative count or an end beyond max_size().
    int64_t write(const void* buffer, int64_t count) override;
    // Returns false (nothing changed) for a target outside 0..size().
    bool seek(int64_t offset, int32_t origin) override;
    // resize(size, 0).
    bool set_size(int64_t size) override;

    // Sets the size to n, new bytes taking fill; a position beyond n becomes n. Returns true.
    // Throws logic_error "stream is not open for writing" over a view, length_error
    // "invalid size" for n outside 0..max_size().
    bool resize(int64_t n, uint8_t fill);

    // Returns the owned byte at index for the caller to change. Throws logic_error "stream is not
    // open for writing" over a view, out_of_range "invalid index" outside 0..size()-1.
    uint8_t* at(int64_t index);
    // Returns the byte at index of the view or the owned bytes. Throws out_of_range
    // "invalid index" outside 0..size()-1.
    const uint8_t* data_at(int64_t index) const;

private:
    int64_t grow_capacity(int64_t n) const;
    void reallocate(int64_t k);

    std::unique_ptr<uint8_t[]> buffer_;
    int64_t size_ = 0;
    int64_t capacity_ = 0;
    int64_t position_ = 0;
    int64_t limit_ = INT64_MAX;
    const uint8_t* view_ = nullptr;
    int64_t view_size_ = 0;
};

}  // namespace vandel
