#include "vandel/file_stream.h"

#include "vandel/folder_handle.h"

#include <stdexcept>

namespace vandel {

namespace {

constexpr int64_t max_transfer = 0xFFFFFFFFLL;  // one transfer stays below 4 GiB - 1

void check_transfer(const void* buffer, int64_t count) {
    if (buffer == nullptr && count != 0) throw std::invalid_argument("invalid pointer");
}

void check_count(int64_t count) {
    if (count < 0 || count >= max_transfer) throw std::length_error("invalid size");
}

}  // namespace

file_stream::file_stream() = default;

file_stream::file_stream(const std::wstring& path, uint32_t flags, int32_t text_form) {
    open(path, flags, text_form);
}

file_stream::~file_stream() { close(); }

bool file_stream::open(const std::wstring& path, uint32_t flags, int32_t text_form) {
    if (path.empty()) return false;
    close();
    const uint32_t mode = flags & open_mode_mask;
    if (mode > open_create_new_read_write) throw std::invalid_argument("invalid argument");
    int64_t length = 0;
    if (!os_open(path, flags, length)) return false;
    flags_ = flags;
    size_ = length;
    position_ = 0;
    readable_ = mode != open_create && mode != open_append && mode != open_create_new;
    writable_ = mode != open_read;
    uncached_reads_ = (flags & (open_device | open_no_buffering)) != 0;
    if (mode == open_append || mode == open_append_read_write) seek(0, from_end);
    set_text_form(text_form);
    path_ = path;
    return true;
}

bool file_stream::open_at(const folder_handle& folder, const std::wstring& name, uint32_t flags) {
    if (!folder.is_open() || !is_entry_name(name)) return false;
    folder_ = &folder;
    const bool opened = open(folder.entry_path(name), flags);
    folder_ = nullptr;
    return opened;
}

file_id file_stream::id() const { return handle_ == closed_handle ? file_id() : os_id(); }

bool file_stream::open_text(const std::wstring& path, uint32_t flags, int32_t text_form) {
    if (!open(path, flags, text_form)) return false;
    const uint32_t mode = flags & open_mode_mask;
    if (mode == open_create || mode == open_create_read_write || size_ <= 0) return true;
    rewind();
    if (!detect_encoding(2048)) {
        close();
        return false;
    }
    if (mode == open_append || mode == open_append_read_write) seek(0, from_end);
    return true;
}

void file_stream::close() {
    if (handle_ != closed_handle) os_close();
    handle_ = closed_handle;
    readable_ = writable_ = uncached_reads_ = direct_ = false;
    id_ = file_id();
    size_ = position_ = 0;
    flags_ = 0;
    disk_full_ = false;
}

int64_t file_stream::read(void* buffer, int64_t count) {
    if (!readable_) throw std::logic_error("stream is not open for reading");
    if (count > remaining()) count = remaining();
    check_transfer(buffer, count);
    if (count == 0) return 0;
    check_count(count);
    disk_full_ = false;
    const int64_t n = os_read(buffer, count);
    position_ += n;
    return n;
}

int64_t file_stream::write(const void* buffer, int64_t count) {
    if (!writable_) throw std::logic_error("stream is not open for writing");
    check_transfer(buffer, count);
    if (count == 0) return 0;
    check_count(count);
    bool full = false;
    const int64_t n = os_write(buffer, count, full);
    disk_full_ = full;
    position_ += n;
    if (position_ > size_) size_ = position_;
    return n;
}

bool file_stream::seek(int64_t offset, int32_t origin) {
    if (!readable_ && !writable_) throw std::logic_error("stream is closed");
    int64_t base = 0;
    if (origin == from_current) base = position_;
    if (origin == from_end) base = size_;
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0 || target > size_) return false;
    bool full = false;
    const bool ok = os_seek(target, full);
    disk_full_ = full;
    if (ok) position_ = target;
    return ok;
}

bool file_stream::set_size(int64_t size) {
    if (!writable_) throw std::logic_error("file is not open for writing");
    if (size == size_) return true;
    if (size < 0) throw std::length_error("invalid size");
    bool full = false;
    const int r = os_resize(size, full);
    if (r == 2) close();  // the file and the stream no longer agree
    disk_full_ = full;
    if (r != 0) return false;
    size_ = size;
    if (position_ > size) position_ = size;
    return true;
}

bool file_stream::flush() {
    if (!writable_) throw std::logic_error("file is not open for writing");
    // A device handle is never opened write-through, whatever the word says: it is flushed.
    if ((flags_ & open_write_through) && !(flags_ & open_device)) return false;
    bool full = false;
    const bool ok = os_flush(full);
    if (ok || full) disk_full_ = full;
    return ok;
}

}  // namespace vandel
