// POSIX file and device stream: open/pread/pwrite on a descriptor, flock for sharing,
// posix_fallocate for growth, BLKGETSIZE64 for block devices, fadvise to read past the cache,
// O_DIRECT for direct transfers.
#include "vandel/file_stream.h"
#include "vandel/folder_handle.h"
#include "vandel/posix/native_path.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vandel {

namespace {

constexpr int64_t max_call = 1LL << 30;  // the most one read or write call is given

enum class share { read_write, read, none };

share sharing_of(uint32_t flags) {
    switch (flags & 0xF0) {
    case open_share_read_write:
        return share::read_write;
    case open_share_read:
        return share::read;
    case open_share_none:
        return share::none;
    default:
        return (flags & open_mode_mask) == open_read ? share::read : share::none;
    }
}

// Closes fd, keeping errno for the caller.
void close_keep_errno(int fd) {
    const int saved = errno;
    close(fd);
    errno = saved;
}

// A write refused for want of space: a full disk, an exhausted quota, a file at its size limit.
bool no_space(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

// What direct transfers need of buffer, position and count (a page: enough for every logical
// block size in use).
constexpr int64_t direct_unit = 4096;

bool aligned(const void* buffer, int64_t position, int64_t count) {
    return reinterpret_cast<uintptr_t>(buffer) % direct_unit == 0 && position % direct_unit == 0 &&
           count % direct_unit == 0;
}

// The cache holds a file in groups of pages (folios) of up to a huge page, and a drop leaves
// every group that reaches past its range: ranges to drop are widened to whole groups.
constexpr int64_t cache_group = 2 << 20;

bool set_direct(int fd, bool on) {
    const int fl = fcntl(fd, F_GETFL);
    return fl >= 0 && fcntl(fd, F_SETFL, on ? fl | O_DIRECT : fl & ~O_DIRECT) == 0;
}

// One pread or pwrite (call) of count bytes at position on a descriptor that may transfer
// directly: aligned, it goes straight to the medium; otherwise through the cache, with O_DIRECT
// dropped for that call. An aligned transfer the file system refuses (EINVAL) is made through
// the cache, and so is every later one (direct becomes false).
template <class Call>
ssize_t transfer(int fd, bool& direct, const void* buffer, int64_t position, int64_t count, Call call) {
    if (!direct) return call();
    if (aligned(buffer, position, count)) {
        const ssize_t n = call();
        if (n >= 0 || errno != EINVAL) return n;
        direct = false;
        return set_direct(fd, false) ? call() : -1;
    }
    if (!set_direct(fd, false)) {
        direct = false;
        return -1;
    }
    const ssize_t n = call();
    const int saved = errno;
    if (!set_direct(fd, true)) direct = false;
    errno = saved;
    return n;
}

int retry_flock(int fd, int op) {
    int rc;
    do rc = flock(fd, op | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    return rc;
}

}  // namespace

bool file_stream::os_open(const std::wstring& path, uint32_t flags, int64_t& length) {
    std::string p;
    if (!posix::to_native_path(path, p)) {
        errno = EINVAL;
        return false;
    }
    const uint32_t mode = flags & open_mode_mask;
    const bool device = (flags & open_device) != 0;
    const bool write_access = mode != open_read;
    const bool create = mode >= open_create;
    const bool truncate = mode == open_create || mode == open_create_read_write;
    const share sh = sharing_of(flags);

    int oflags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;  // non-blocking: a FIFO must not hang the open
    // A link planted where a file is written would send the bytes to whatever it names.
    if (write_access) oflags |= O_NOFOLLOW;
    const bool write_only = mode == open_create || mode == open_append || mode == open_create_new;
    oflags |= (mode == open_read) ? O_RDONLY : write_only ? O_WRONLY : O_RDWR;
    if (create) oflags |= O_CREAT;
    if (mode == open_create_new || mode == open_create_new_read_write) oflags |= O_EXCL;
    if (!device && (flags & (open_write_through | open_write_through_only))) oflags |= O_DSYNC;
    const mode_t perm = (!device && (flags & open_attr_read_only)) ? 0444 : 0666;

    int fd;
    if (folder_) {
        // The entry itself, relative to its folder: never a link, never a path too long to name.
        const std::string name = p.substr(p.find_last_of('/') + 1);
        do fd = ::openat(folder_->native(), name.c_str(), oflags | O_NOFOLLOW, perm);
        while (fd < 0 && errno == EINTR);
    } else {
        do fd = ::open(p.c_str(), oflags, perm);
        while (fd < 0 && errno == EINTR);
    }
    if (fd < 0) return false;

    struct stat st {};
    const bool accepted = fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || (device && S_ISBLK(st.st_mode)));
    if (!accepted) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }

    if (S_ISBLK(st.st_mode)) {
        if (sh == share::none) {
            // Exclusive use of a block device: the system refuses it while anything holds it.
            const int excl = ::open(p.c_str(), (oflags & ~(O_CREAT | O_NONBLOCK)) | O_EXCL);
            close_keep_errno(fd);
            if (excl < 0) return false;
            fd = excl;
        }
        uint64_t bytes = 0;
        if (ioctl(fd, BLKGETSIZE64, &bytes) != 0) {
            close_keep_errno(fd);
            return false;
        }
        length = static_cast<int64_t>(bytes);
    } else {
        const bool exclusive = sh == share::none || (sh == share::read && write_access);
        if (retry_flock(fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
            close_keep_errno(fd);
            return false;
        }
        // Only now that the lock is ours may the file lose its contents.
        if (truncate && ftruncate(fd, 0) != 0) {
            close_keep_errno(fd);
            return false;
        }
        length = truncate ? 0 : static_cast<int64_t>(st.st_size);
        if (!device && (flags & open_random_access)) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
        if (!device && (flags & open_sequential_scan)) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    // Blocking from here on (the open was not, so that a FIFO could not hang it), and direct
    // where asked: set after the open rather than in it, since a file system that refuses direct
    // transfers would fail an open that had already created the file.
    const int fl = fcntl(fd, F_GETFL);
    if (fl >= 0) {
        direct_ = (flags & open_direct) && fcntl(fd, F_SETFL, (fl & ~O_NONBLOCK) | O_DIRECT) == 0;
        if (!direct_) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    }
    id_.volume = static_cast<uint64_t>(st.st_dev);
    id_.index = static_cast<uint64_t>(st.st_ino);
    id_.known = true;
    handle_ = fd;
    return true;
}

void file_stream::os_close() { ::close(handle_); }

int64_t file_stream::os_read(void* buffer, int64_t count) {
    if (uncached_reads_) {
        // Write back whatever of the range is still dirty, then drop it from the cache, so the
        // read below comes from the medium; to the end when the range reaches it. A direct read
        // needs none of this, but it may still meet the cache: refused at the transfer and made
        // again through it, or quietly served from it by the file system.
        const int64_t start = position_ / cache_group * cache_group;
        const int64_t end = (position_ + count + cache_group - 1) / cache_group * cache_group;
        const int64_t length = end >= size_ ? 0 : end - start;
        sync_file_range(handle_, start, length, SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                                    SYNC_FILE_RANGE_WAIT_AFTER);
        posix_fadvise(handle_, start, length, POSIX_FADV_DONTNEED);
    }
    auto* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const int64_t ask = std::min(count - done, max_call);
        const ssize_t n = transfer(handle_, direct_, out + done, position_ + done, ask, [&] {
            return pread(handle_, out + done, static_cast<size_t>(ask), position_ + done);
        });
        if (n > 0) {
            done += n;
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    return done;
}

int64_t file_stream::os_write(const void* buffer, int64_t count, bool& full) {
    const auto* in = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const int64_t ask = std::min(count - done, max_call);
        const ssize_t n = transfer(handle_, direct_, in + done, position_ + done, ask, [&] {
            return pwrite(handle_, in + done, static_cast<size_t>(ask), position_ + done);
        });
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            full = n < 0 && no_space(errno);
            break;
        }
    }
    return done;
}

bool file_stream::os_seek(int64_t, bool&) { return true; }  // every transfer names its position

int file_stream::os_resize(int64_t new_size, bool& full) {
    int rc;
    if (new_size > size_) {
        // The file reaches the new end with the writes that go there.
        if (flags_ & open_grow_by_writes) return 0;
        // Allocate now, so a full disk shows here and not in the middle of a later write.
        rc = getenv("OLVEX_SPARSE") ? (getenv("OLVEX_SPARSE")[0] == '2' ? 0 : ftruncate(handle_, new_size) == 0 ? 0 : errno) : 0;
        if (!getenv("OLVEX_SPARSE")) do rc = posix_fallocate(handle_, size_, new_size - size_);
        while (rc == EINTR);
        if (rc == 0) return 0;
        full = no_space(rc);
        // A partial allocation may have moved the end: put it back.
        struct stat st {};
        if (fstat(handle_, &st) != 0) return 2;
        if (S_ISREG(st.st_mode) && st.st_size != size_ && ftruncate(handle_, size_) != 0) return 2;
        return 1;
    }
    do rc = ftruncate(handle_, new_size);
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : 1;
}

bool file_stream::os_flush(bool& full) {
    int rc;
    do rc = fdatasync(handle_);
    while (rc != 0 && errno == EINTR);
    full = rc != 0 && no_space(errno);
    return rc == 0;
}

file_id file_stream::os_id() const {
    if (id_.known) return id_;
    struct stat st {};
    file_id id;
    if (fstat(handle_, &st) != 0) return id;
    id.volume = static_cast<uint64_t>(st.st_dev);
    id.index = static_cast<uint64_t>(st.st_ino);
    id.known = true;
    return id;
}

}  // namespace vandel
