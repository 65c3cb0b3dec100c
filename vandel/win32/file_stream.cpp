// Win32 file and device stream: CreateFileW, ReadFile/WriteFile at the file pointer,
// SetFilePointerEx, SetEndOfFile, FlushFileBuffers, IOCTL_DISK_GET_LENGTH_INFO.
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/win32/windows.h"

#include <winioctl.h>

namespace vandel {

namespace {

// A write refused for want of space: a full disk, an exhausted quota, a file at its size limit.
bool no_space(DWORD error) {
    constexpr DWORD disk_quota_exceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED, missing from mingw's headers
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || error == disk_quota_exceeded ||
           error == ERROR_FILE_TOO_LARGE;
}

DWORD share_mode(uint32_t flags) {
    switch (flags & 0xF0) {
    case open_share_read_write:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case open_share_read:
        return FILE_SHARE_READ;
    case open_share_none:
        return 0;
    default:
        return (flags & open_mode_mask) == open_read ? FILE_SHARE_READ : 0;
    }
}

DWORD flags_and_attributes(uint32_t flags) {
    if (flags & open_device) return 0;
    DWORD attributes = 0;
    if (flags & open_attr_archive) attributes |= FILE_ATTRIBUTE_ARCHIVE;
    if (flags & open_attr_encrypted) attributes |= FILE_ATTRIBUTE_ENCRYPTED;
    if (flags & open_attr_hidden) attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (flags & open_attr_read_only) attributes |= FILE_ATTRIBUTE_READONLY;
    if (flags & open_attr_temporary) attributes |= FILE_ATTRIBUTE_TEMPORARY;
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    // FILE_FLAG_OVERLAPPED is never given: every call here is synchronous, without an OVERLAPPED.
    if (flags & open_no_buffering) attributes |= FILE_FLAG_NO_BUFFERING;
    if (flags & open_random_access) attributes |= FILE_FLAG_RANDOM_ACCESS;
    if (flags & open_sequential_scan) attributes |= FILE_FLAG_SEQUENTIAL_SCAN;
    if (flags & (open_write_through | open_write_through_only)) attributes |= FILE_FLAG_WRITE_THROUGH;
    return attributes;
}

bool move_pointer(HANDLE h, int64_t target, bool& full) {
    LARGE_INTEGER to{};
    to.QuadPart = target;
    const bool ok = SetFilePointerEx(h, to, nullptr, FILE_BEGIN) != 0;
    full = !ok && no_space(GetLastError());
    return ok;
}

}  // namespace

bool file_stream::os_open(const std::wstring& path, uint32_t flags, int64_t& length) {
    static const DWORD access[] = {GENERIC_READ, GENERIC_READ | GENERIC_WRITE, GENERIC_WRITE,
                                   GENERIC_READ | GENERIC_WRITE, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE,
                                   GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD disposition[] = {OPEN_EXISTING, OPEN_EXISTING, CREATE_ALWAYS,
                                        CREATE_ALWAYS, OPEN_ALWAYS,   OPEN_ALWAYS, CREATE_NEW, CREATE_NEW};
    // The system would cut the name at a NUL and open something else.
    if (path.find(L'\0') != std::wstring::npos) return false;
    const std::wstring p = add_long_path_prefix(path);
    const uint32_t mode = flags & open_mode_mask;
    // Opened from a folder handle: the entry itself, never what a link in its place names.
    const DWORD no_follow = folder_ ? FILE_FLAG_OPEN_REPARSE_POINT : 0;
    win32::scoped_handle h(CreateFileW(p.c_str(), access[mode], share_mode(flags), nullptr, disposition[mode],
                                       flags_and_attributes(flags) | no_follow, nullptr));
    if (!h) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h.get()) != FILE_TYPE_DISK ||
        (GetFileInformationByHandle(h.get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    LARGE_INTEGER size{};
    GET_LENGTH_INFORMATION device_length{};
    DWORD returned = 0;
    if ((flags & open_device) && DeviceIoControl(h.get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &device_length,
                                                 sizeof device_length, &returned, nullptr)) {
        length = device_length.Length.QuadPart;
    } else if (GetFileSizeEx(h.get(), &size)) {
        length = size.QuadPart;  // a file, or an image file standing for a device
    } else {
        return false;
    }
    handle_ = h.release();
    return true;
}

void file_stream::os_close() { CloseHandle(handle_); }

int64_t file_stream::os_read(void* buffer, int64_t count) {
    auto* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(handle_, out + done, static_cast<DWORD>(count - done), &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

int64_t file_stream::os_write(const void* buffer, int64_t count, bool& full) {
    const auto* in = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        DWORD wrote = 0;
        if (!WriteFile(handle_, in + done, static_cast<DWORD>(count - done), &wrote, nullptr)) {
            full = no_space(GetLastError());
            break;
        }
        if (wrote == 0) break;
        done += wrote;
    }
    return done;
}

bool file_stream::os_seek(int64_t target, bool& full) { return move_pointer(handle_, target, full); }

int file_stream::os_resize(int64_t new_size, bool& full) {
    if (!move_pointer(handle_, new_size, full)) return 1;
    if (!SetEndOfFile(handle_)) {
        full = no_space(GetLastError());
        return 2;
    }
    if (position_ < new_size && !move_pointer(handle_, position_, full)) return 2;
    return 0;
}

bool file_stream::os_flush(bool& full) {
    const bool ok = FlushFileBuffers(handle_) != 0;
    full = !ok && no_space(GetLastError());
    return ok;
}

file_id file_stream::os_id() const {
    BY_HANDLE_FILE_INFORMATION info{};
    file_id id;
    if (!GetFileInformationByHandle(handle_, &info)) return id;
    id.volume = info.dwVolumeSerialNumber;
    id.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.known = true;
    return id;
}

}  // namespace vandel
