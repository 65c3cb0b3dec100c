// Win32 file system: the wide-character file API on normalised paths.
#include "vandel/files.h"
#include "vandel/convert.h"
#include "vandel/win32/windows.h"

#include <algorithm>

namespace vandel {

namespace {

using win32::scoped_handle;

// The system would cut a path at an embedded NUL and act on what is left: refuse it.
bool usable(const std::wstring& p) { return !p.empty() && p.find(L'\0') == std::wstring::npos; }

DWORD attributes_of(const std::wstring& p) {
    return usable(p) ? GetFileAttributesW(p.c_str()) : INVALID_FILE_ATTRIBUTES;
}

int64_t unix_seconds(const FILETIME& ft) {
    const uint64_t raw = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const int64_t ticks = static_cast<int64_t>(raw) - 116444736000000000LL;
    // Rounded down, so a moment before 1970 stays before it.
    int64_t seconds = ticks / 10000000;
    if (ticks % 10000000 < 0) --seconds;
    return seconds;
}

// A handle for reading metadata only (no data access), as the size and time queries use it.
scoped_handle open_for_query(const std::wstring& p) {
    return scoped_handle(CreateFileW(p.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

bool write_time_of(HANDLE h, int64_t& seconds) {
    FILETIME ft{};
    if (!GetFileTime(h, nullptr, nullptr, &ft)) return false;
    seconds = unix_seconds(ft);
    return true;
}

// Runs op; when it fails on a read-only entry, clears that attribute (keeping the others) and
// runs op once more.
bool without_read_only(const std::wstring& p, BOOL(WINAPI* op)(LPCWSTR)) {
    if (!usable(p)) return false;
    if (op(p.c_str())) return true;
    const DWORD a = GetFileAttributesW(p.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_READONLY)) return false;
    if (!SetFileAttributesW(p.c_str(), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) return false;
    return op(p.c_str()) != 0;
}

// Only a name surrogate (a symbolic link, junction or mount point) stands for another name; any
// other reparse point (a deduplicated, cloud or compressed file) holds its own data. A tag that
// can't be read counts as a link: it is then never followed.
bool is_name_surrogate(const std::wstring& p) {
    std::wstring name = p;
    while (name.size() > 3 && (name.back() == L'\\' || name.back() == L'/')) name.pop_back();
    WIN32_FIND_DATAW fd{};
    HANDLE h = FindFirstFileW(name.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return true;
    FindClose(h);
    return fd.dwReserved0 == 0 || IsReparseTagNameSurrogate(fd.dwReserved0);
}

}  // namespace

std::string narrow_path(const std::wstring& path) { return encode_text(path, text_kind_system, mode_fail, '?'); }

int path_kind(const std::wstring& path) {
    const DWORD a = attributes_of(normalize_path(path));
    if (a == INVALID_FILE_ATTRIBUTES) return kind_missing;
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? kind_folder : kind_file;
}

int file_info(const std::wstring& path, struct file_info& info) {
    info = {};
    const std::wstring p = normalize_path(path);
    const DWORD a = attributes_of(p);
    if (a == INVALID_FILE_ATTRIBUTES) return kind_missing;
    info.kind = (a & FILE_ATTRIBUTE_DIRECTORY) ? kind_folder : kind_file;
    info.reparse_point = (a & FILE_ATTRIBUTE_REPARSE_POINT) && is_name_surrogate(p) ? 1 : 0;
    if (a & FILE_ATTRIBUTE_READONLY) info.attributes |= attr_read_only;
    if (a & FILE_ATTRIBUTE_ARCHIVE) info.attributes |= attr_archive;
    if (a & FILE_ATTRIBUTE_HIDDEN) info.attributes |= attr_hidden;
    // The entry's own id, never that of what a link names.
    if (scoped_handle e{CreateFileW(p.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr)}) {
        BY_HANDLE_FILE_INFORMATION bh{};
        if (GetFileInformationByHandle(e.get(), &bh)) {
            info.id.volume = bh.dwVolumeSerialNumber;
            info.id.index = (static_cast<uint64_t>(bh.nFileIndexHigh) << 32) | bh.nFileIndexLow;
            info.id.known = true;
        }
    }
    if (scoped_handle h = open_for_query(p)) {
        LARGE_INTEGER size{};
        if (info.kind == kind_file && GetFileSizeEx(h.get(), &size)) info.size = static_cast<uint64_t>(size.QuadPart);
        write_time_of(h.get(), info.write_time);
    }
    return static_cast<int>(info.kind);
}

int64_t file_time(const std::wstring& path) {
    if (!usable(path)) return -1;
    scoped_handle h = open_for_query(path);
    int64_t t = -1;
    if (!h || !write_time_of(h.get(), t)) return -1;
    return t;
}

int64_t file_size(const std::wstring& path) {
    if (!usable(path)) return -1;
    scoped_handle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!h || !GetFileSizeEx(h.get(), &size)) return -1;
    return size.QuadPart;
}

bool create_directory(const std::wstring& path) {
    const std::wstring p = normalize_path(path);
    return usable(p) && CreateDirectoryW(p.c_str(), nullptr);
}

bool move_file(const std::wstring& old_path, const std::wstring& new_path, bool replace_existing) {
    const std::wstring from = normalize_path(old_path), to = normalize_path(new_path);
    if (!usable(from) || !usable(to)) return false;
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace_existing ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExW(from.c_str(), to.c_str(), flags) != 0;
}

bool set_file_attributes(const std::wstring& path, int flags) {
    const std::wstring p = normalize_path(path);
    const DWORD a = attributes_of(p);
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    DWORD wanted = a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    if (flags & attr_read_only) wanted |= FILE_ATTRIBUTE_READONLY;
    if (flags & attr_archive) wanted |= FILE_ATTRIBUTE_ARCHIVE;
    if (flags & attr_hidden) wanted |= FILE_ATTRIBUTE_HIDDEN;
    if (wanted == a) return true;
    return SetFileAttributesW(p.c_str(), wanted ? wanted : FILE_ATTRIBUTE_NORMAL) != 0;
}

namespace {

// A volume path as the system answers for a long path ("\\?\C:\", "\\?\UNC\server\share\") in
// its plain form where it has one, so that a volume reads the same however its paths were written.
std::wstring plain_volume_path(const std::wstring& mount) {
    std::wstring plain;
    if (mount.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        plain = L"\\\\" + mount.substr(8);
    else if (mount.compare(0, 4, L"\\\\?\\") == 0 && mount.size() > 5 && mount[5] == L':')
        plain = mount.substr(4);
    return !plain.empty() && plain.size() < MAX_PATH ? plain : mount;
}

// The volume's free allocation units, quotas aside, as the file system's own size query gives
// them. GetDiskFreeSpaceExW may leave out what the file system keeps back from the caller: under
// Wine on a Linux volume its "total free" is only what a non-root program may use.
struct fs_full_size {
    LARGE_INTEGER total_units;
    LARGE_INTEGER caller_free_units;
    LARGE_INTEGER actual_free_units;
    ULONG sectors_per_unit;
    ULONG bytes_per_sector;
};
struct io_status {
    union {
        LONG status;
        void* pointer;
    };
    ULONG_PTR information;
};
using query_volume_fn = LONG(WINAPI*)(HANDLE, io_status*, void*, ULONG, int);
constexpr int fs_full_size_class = 7;

uint64_t actual_free_bytes(const std::wstring& mount) {
    static const query_volume_fn query = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll");
        FARPROC f = ntdll ? GetProcAddress(ntdll, "NtQueryVolumeInformationFile") : nullptr;
        return reinterpret_cast<query_volume_fn>(reinterpret_cast<void (*)()>(f));
    }();
    if (!query) return 0;
    const scoped_handle root(CreateFileW(mount.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!root) return 0;
    io_status status{};
    fs_full_size size{};
    if (query(root.get(), &status, &size, sizeof size, fs_full_size_class) < 0 || size.actual_free_units.QuadPart < 0)
        return 0;
    return static_cast<uint64_t>(size.actual_free_units.QuadPart) * size.sectors_per_unit * size.bytes_per_sector;
}

}  // namespace

bool volume_info(const std::wstring& path, struct volume_info& info) {
    const std::wstring p = normalize_path(path);
    if (attributes_of(p) == INVALID_FILE_ATTRIBUTES) return false;
    // The system may build the answer in the buffer from the whole path: room for all of it.
    std::wstring mount_buffer(std::max<size_t>(p.size() + 2, MAX_PATH + 1), L'\0');
    if (!GetVolumePathNameW(p.c_str(), mount_buffer.data(), static_cast<DWORD>(mount_buffer.size()))) return false;
    const std::wstring mount = plain_volume_path(mount_buffer.c_str());
    ULARGE_INTEGER free_to_caller{}, total{}, free_total{};
    if (!GetDiskFreeSpaceExW(mount.c_str(), &free_to_caller, &total, &free_total)) return false;
    info.free_bytes = free_to_caller.QuadPart;
    info.free_total_bytes = std::max<uint64_t>(free_total.QuadPart, actual_free_bytes(mount));
    DWORD sectors = 0, sector_bytes = 0, free_clusters = 0, clusters = 0;
    if (GetDiskFreeSpaceW(mount.c_str(), &sectors, &sector_bytes, &free_clusters, &clusters))
        info.block_size = sectors * sector_bytes;
    info.total_bytes = total.QuadPart;
    info.used_bytes = info.total_bytes - info.free_bytes;
    DWORD serial = 0, max_name = 0, fs_flags = 0;
    wchar_t fs_name[261] = {};
    if (GetVolumeInformationW(mount.c_str(), nullptr, 0, &serial, &max_name, &fs_flags, fs_name, 261)) {
        info.serial_number = serial;
        info.max_name_length = max_name;
        info.volume_path = mount;
        info.file_system = fs_name;
    }
    return true;
}

namespace detail {

int read_directory(const std::wstring& path, bool follow_link, std::vector<dir_entry>& out) {
    const DWORD a = attributes_of(path);
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return -1;
    if (!follow_link && (a & FILE_ATTRIBUTE_REPARSE_POINT) && is_name_surrogate(path)) return -1;
    WIN32_FIND_DATAW fd{};
    HANDLE h = FindFirstFileW((add_trailing_separator(path) + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        dir_entry e;
        e.name = name;
        e.folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.hidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        out.push_back(std::move(e));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return 1;
}

int entry_kind(const std::wstring& path, bool& reparse) {
    const DWORD a = attributes_of(path);
    reparse = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
    if (a == INVALID_FILE_ATTRIBUTES) return kind_missing;
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? kind_folder : kind_file;
}

bool delete_file(const std::wstring& path) { return without_read_only(path, DeleteFileW); }

// For a folder link or junction, RemoveDirectoryW removes the link and leaves its target alone.
bool remove_folder(const std::wstring& path) { return without_read_only(path, RemoveDirectoryW); }

}  // namespace detail

}  // namespace vandel
