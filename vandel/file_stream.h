#pragma once
// A stream over a file or a raw device, one system call sequence per transfer and no buffering
// of its own. System failures are false results, short counts and the disk_full flag, never
// exceptions; misuse throws.
//
// Sharing: on Windows the system enforces the sharing bits. On POSIX they are emulated with
// flock between streams of this library: a stream that lets nobody write besides itself (no
// sharing, or sharing read with write access) holds an exclusive lock, any other a shared one; a
// refused open changes nothing (a file is truncated only after its lock is held). On a block
// device "no sharing" is an exclusive open (O_EXCL), which fails while the device is mounted.
//
// Reading past the cache: a device stream (open_device), and a file stream opened with
// open_no_buffering, read from the medium rather than from the system's cache. On Windows the
// system does this (a raw device handle is not cached; an unbuffered file handle then needs
// sector-aligned buffers, positions and counts). On POSIX each read, direct or not, first writes
// back and drops the pages of its range (and of the cache groups it touches) from the cache, with
// no alignment needed; writes stay buffered.
//
// Direct transfers (open_direct, POSIX only): reads and writes move between the caller's buffer
// and the medium without the system's cache (O_DIRECT), which pays in large requests. A transfer
// whose buffer, position or count is not a multiple of 4096 goes through the cache; a file
// system that refuses direct transfers (at open, or at an aligned transfer) has every transfer
// of the stream go through the cache. Either way the bytes are the same, and flush() is still
// what puts them on the medium for good.
//
// POSIX: only regular files are opened (and with open_device also block devices); folders, FIFOs,
// sockets and character devices are refused. An open for writing never follows a symbolic link
// in the last part of the path: it fails. Growth by set_size allocates the space at once
// (posix_fallocate), so a full disk shows there, unless open_grow_by_writes. A write that meets a full disk returns what it
// wrote and sets disk_full.
#include "vandel/files.h"
#include "vandel/stream.h"

#include <cstdint>
#include <string>

namespace vandel {

class folder_handle;

// The open word of file_stream::open. Bits 0-3: the mode.
constexpr uint32_t open_mode_mask = 0x0F;
constexpr uint32_t open_read = 0;                 // read; the file must exist
constexpr uint32_t open_read_write = 1;           // read and write; the file must exist
constexpr uint32_t open_create = 2;               // write; created or truncated
constexpr uint32_t open_create_read_write = 3;    // read and write; created or truncated
constexpr uint32_t open_append = 4;               // write; created when missing; at the end
constexpr uint32_t open_append_read_write = 5;    // read and write; created when missing; at the end
constexpr uint32_t open_create_new = 6;           // write; created, failing when the name exists (a link too)
constexpr uint32_t open_create_new_read_write = 7;  // read and write; created, failing as open_create_new
// Bits 4-7: sharing. Any other value: share reading in mode 0, nothing in the others.
constexpr uint32_t open_share_read_write = 0x10;
constexpr uint32_t open_share_read = 0x20;
constexpr uint32_t open_share_none = 0x30;
// Writes go through to the medium; flush() of such a file stream does nothing (returns false).
constexpr uint32_t open_write_through = 0x100;
// A raw device or volume (or an image file standing for one): no attribute or flag bits apply,
// the size is the device's length, flush() always flushes, reads come from the medium.
constexpr uint32_t open_device = 0x200;
// Transfers bypass the system's cache where they can (see above). Windows: no effect, the
// handle gets only the flags below.
constexpr uint32_t open_direct = 0x400;
// POSIX: growth by set_size reserves nothing; the writes allocate the space as they come, so a
// full disk shows in a write. Windows: no effect.
constexpr uint32_t open_grow_by_writes = 0x800;
// Attributes given to a created file (Windows; on POSIX read-only makes it 0444).
constexpr uint32_t open_attr_archive = 0x00100000;
constexpr uint32_t open_attr_encrypted = 0x00200000;
constexpr uint32_t open_attr_hidden = 0x00400000;
constexpr uint32_t open_attr_read_only = 0x00800000;
constexpr uint32_t open_attr_temporary = 0x01000000;
// Reads come from the medium, not the cache (see above).
constexpr uint32_t open_no_buffering = 0x04000000;
constexpr uint32_t open_random_access = 0x10000000;
constexpr uint32_t open_sequential_scan = 0x20000000;
constexpr uint32_t open_write_through_only = 0x40000000;  // as open_write_through, flush unaffected

class file_stream : public seekable_stream {
public:
#ifdef _WIN32
    using native_handle = void*;  // HANDLE; null when closed
#else
    using native_handle = int;  // file descriptor; -1 when closed
#endif

    file_stream();
    // Opens at once; callers test is_open().
    file_stream(const std::wstring& path, uint32_t flags, int32_t text_form = 0);
    file_stream(const file_stream&) = delete;
    file_stream& operator=(const file_stream&) = delete;
    ~file_stream() override;

    // Returns whether the path was opened (closing what was open first). An empty path returns
    // false and leaves an open stream open. A mode of 8 or more closes the stream and throws
    // invalid_argument "invalid argument". text_form becomes the stream's text form.
    bool open(const std::wstring& path, uint32_t flags, int32_t text_form = 0);
    // Opens the entry name of folder as open does, never through a link: on POSIX a link in its
    // place fails the open; on Windows the link itself is opened (and its id() tells). Returns
    // whether it opened; path() is then the folder's entry_path.
    bool open_at(const folder_handle& folder, const std::wstring& name, uint32_t flags);
    // Returns the id of what is open; unknown when closed or when it can't be read.
    file_id id() const;
    // Opens as open, then, for an existing non-empty file in a mode that keeps its contents,
    // learns its encoding from a byte-order mark or its first 2048 bytes (detect_encoding;
    // after a mark the position is past it, in the append modes at the end). Returns false,
    // closed, when nothing could be learned. Mode 4 on a non-empty file throws logic_error
    // "stream is not open for reading".
    bool open_text(const std::wstring& path, uint32_t flags, int32_t text_form = 0);
    // Closes the handle; the path and the format stay.
    void close();

    bool readable() const override { return readable_; }
    bool writable() const override { return writable_; }

    // Returns the bytes read, at most count and what remains; fewer means a failed medium.
    // Throws logic_error "stream is not open for reading", invalid_argument "invalid pointer"
    // for a null buffer with a count, length_error "invalid size" for a count that is negative or
    // 4 GiB - 1 or more.
    int64_t read(void* buffer, int64_t count) override;
    // Returns the bytes written; fewer means disk full (disk_full()) or an I/O error. Throws
    // logic_error "stream is not open for writing", and as read for the buffer and count.
    int64_t write(const void* buffer, int64_t count) override;

    // The length taken at open, moved by writes past it and by set_size.
    int64_t size() const override { return size_; }
    int64_t max_size() const override { return INT64_MAX; }
    int64_t position() const override { return position_; }
    // Returns false (nothing changed) for a target below 0 or beyond the size. Throws logic_error
    // "stream is closed".
    bool seek(int64_t offset, int32_t origin) override;
    // Returns whether the file now has that size; a position beyond it moves to it. A failure
    // after the file was touched closes the stream. Throws logic_error "file is not open for
    // writing", length_error "invalid size" for a negative size.
    bool set_size(int64_t size) override;
    // Returns whether what was written reached the medium (fdatasync / FlushFileBuffers); false
    // without a system call for a write-through file stream. Throws logic_error "file is not open
    // for writing".
    virtual bool flush();

    uint32_t flags() const { return flags_; }
    // True while aligned transfers bypass the system's cache (open_direct, accepted so far).
    bool direct() const { return direct_; }
    // True when the last write, seek, resize or flush failed for want of space: a full disk, an
    // exhausted quota, or a file at the largest size its file system (or the process) allows.
    virtual bool disk_full() const { return disk_full_; }
    native_handle handle() const { return handle_; }
    std::wstring path() const { return path_; }

private:
    // The system side, one body per OS. os_open fills handle_ and the length; os_read and
    // os_write move at position_ and return the bytes moved (os_write sets full on a full disk);
    // os_resize returns 0 done, 1 refused with the file untouched, 2 failed after touching it.
    bool os_open(const std::wstring& path, uint32_t flags, int64_t& length);
    void os_close();
    int64_t os_read(void* buffer, int64_t count);
    int64_t os_write(const void* buffer, int64_t count, bool& full);
    bool os_seek(int64_t target, bool& full);
    int os_resize(int64_t new_size, bool& full);
    bool os_flush(bool& full);
    file_id os_id() const;  // id_ when os_open could fill it

#ifdef _WIN32
    static constexpr native_handle closed_handle = nullptr;
#else
    static constexpr native_handle closed_handle = -1;
#endif

    std::wstring path_;
    // Set by open_at while os_open runs: the path's last component is opened relative to it.
    const folder_handle* folder_ = nullptr;
    bool readable_ = false;
    bool writable_ = false;
    bool uncached_reads_ = false;
    bool direct_ = false;
    file_id id_;  // what os_open learnt of the open file, where it did
    int64_t size_ = 0;
    int64_t position_ = 0;
    uint32_t flags_ = 0;
    bool disk_full_ = false;
    native_handle handle_ = closed_handle;
};

}  // namespace vandel
