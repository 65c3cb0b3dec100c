#include "vandel/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace vandel {

namespace {

[[noreturn]] void throw_not_writable() { throw std::logic_error("stream is not open for writing"); }
[[noreturn]] void throw_invalid_size() { throw std::length_error("invalid size"); }

}  // namespace

memory_stream::memory_stream() = default;

memory_stream::memory_stream(const void* data, int64_t size) { attach(data, size); }

memory_stream::memory_stream(int64_t size, uint8_t fill) { resize(size, fill); }

memory_stream::~memory_stream() = default;

void memory_stream::attach(const void* data, int64_t size) {
    if (data == nullptr && size != 0) throw std::invalid_argument("invalid pointer");
    if (size < 0) throw_invalid_size();
    if (buffer_ || view_) reallocate(0);
    view_ = static_cast<const uint8_t*>(data);
    view_size_ = size;
}

int64_t memory_stream::read(void* buffer, int64_t count) {
    if (buffer == nullptr && count != 0) throw std::invalid_argument("invalid pointer");
    if (count < 0) throw_invalid_size();
    int64_t n = std::min(count, remaining());
    if (n <= 0) return 0;
    const uint8_t* from = view_ ? view_ : buffer_.get();
    std::memcpy(buffer, from + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t memory_stream::write(const void* buffer, int64_t count) {
    if (view_) throw_not_writable();
    if (buffer == nullptr && count != 0) throw std::invalid_argument("invalid pointer");
    if (count < 0 || count > limit_ - position_) throw_invalid_size();
    if (count == 0) return 0;
    auto src = static_cast<const uint8_t*>(buffer);
    int64_t end = position_ + count;
    if (end > size_) {
        if (end > capacity_) {
            // The source may be our own bytes (taken through at()); find it again after moving.
            const uint8_t* old = buffer_.get();
            bool inside = old && src >= old && src < old + capacity_;
            int64_t offset = inside ? src - old : 0;
            reallocate(grow_capacity(end));
            if (inside) src = buffer_.get() + offset;
        }
        size_ = end;
    }
    std::memmove(buffer_.get() + position_, src, static_cast<size_t>(count));
    position_ = end;
    return count;
}

bool memory_stream::seek(int64_t offset, int32_t origin) {
    int64_t base = origin == from_current ? position_ : origin == from_end ? size() : 0;
    // Both operands lie in 0..INT64_MAX, so only a positive offset can overflow.
    if (offset > 0 && offset > INT64_MAX - base) return false;
    int64_t target = base + offset;
    if (target < 0 || target > size()) return false;
    position_ = target;
    return true;
}

bool memory_stream::set_size(int64_t size) { return resize(size, 0); }

bool memory_stream::resize(int64_t n, uint8_t fill) {
    if (view_) throw_not_writable();
    if (n < 0 || n > limit_) throw_invalid_size();
    // Keep the buffer while n fits and is not much below the current size; shrink it otherwise.
    int64_t t = size_ - (capacity_ - size_);
    if (n > capacity_ || t < 0 || n < t) reallocate(grow_capacity(n));
    if (n > size_) std::memset(buffer_.get() + size_, fill, static_cast<size_t>(n - size_));
    size_ = n;
    position_ = std::min(position_, n);
    return true;
}

uint8_t* memory_stream::at(int64_t index) {
    if (view_) throw_not_writable();
    if (index < 0 || index >= size_) throw std::out_of_range("invalid index");
    return buffer_.get() + index;
}

const uint8_t* memory_stream::data_at(int64_t index) const {
    if (index < 0 || index >= size()) throw std::out_of_range("invalid index");
    return (view_ ? view_ : buffer_.get()) + index;
}

int64_t memory_stream::grow_capacity(int64_t n) const {
    if (n == 0) return 0;
    if (n < 0 || n > limit_) throw_invalid_size();
    // 20% headroom up to 10240 bytes, 50% above, in steps of 20 bytes; n / 100 * p + n % 100 * p / 100
    // equals n * p / 100 without its overflow.
    int64_t percent = n <= 10240 ? 20 : 50;
    int64_t extra = n / 100 * percent + n % 100 * percent / 100;
    if (extra > limit_ - n) return limit_;
    int64_t steps = (n + extra) / 20 + 1;
    if (steps > limit_ / 20) return limit_;
    return std::min(steps * 20, limit_);
}

void memory_stream::reallocate(int64_t k) {
    if (k == 0) {
        buffer_.reset();
        size_ = capacity_ = position_ = 0;
        view_ = nullptr;
        view_size_ = 0;
        limit_ = INT64_MAX;
        return;
    }
    if (k == capacity_) return;
    if (static_cast<uint64_t>(k) > SIZE_MAX) throw std::bad_alloc();
    std::unique_ptr<uint8_t[]> fresh(new uint8_t[static_cast<size_t>(k)]);
    int64_t keep = std::min(size_, k);
    if (keep > 0) std::memcpy(fresh.get(), buffer_.get(), static_cast<size_t>(keep));
    buffer_ = std::move(fresh);
    capacity_ = k;
    size_ = keep;
}

}  // namespace vandel
