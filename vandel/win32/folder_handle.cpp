// Win32 folder handles: a folder opened with FILE_FLAG_OPEN_REPARSE_POINT and held without delete
// sharing; its entries listed through the handle, described by volume serial and file index.
#include "vandel/folder_handle.h"
#include "vandel/win32/windows.h"

#include <vector>

namespace vandel {

namespace {

using win32::scoped_handle;

constexpr DWORD no_follow = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

int64_t unix_seconds(const FILETIME& ft) {
    const int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) - 116444736000000000LL;
    int64_t seconds = ticks / 10000000;
    if (ticks % 10000000 < 0) --seconds;
    return seconds;
}

FILETIME filetime_of(const LARGE_INTEGER& t) {
    FILETIME ft{};
    ft.dwLowDateTime = static_cast<DWORD>(t.QuadPart & 0xFFFFFFFF);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(t.QuadPart) >> 32);
    return ft;
}

// Only a name surrogate (a symbolic link, junction or mount point) stands for another name; a tag
// that can't be read counts as one, so it is never followed.
bool names_another(DWORD attributes, DWORD tag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (tag == 0 || IsReparseTagNameSurrogate(tag));
}

void fill(struct file_info& info, DWORD attributes, DWORD tag, uint64_t size, const FILETIME& written) {
    info.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? kind_folder : kind_file;
    info.reparse_point = names_another(attributes, tag) ? 1 : 0;
    if (attributes & FILE_ATTRIBUTE_READONLY) info.attributes |= attr_read_only;
    if (attributes & FILE_ATTRIBUTE_ARCHIVE) info.attributes |= attr_archive;
    if (attributes & FILE_ATTRIBUTE_HIDDEN) info.attributes |= attr_hidden;
    if (info.kind == kind_file) {
        info.size = size;
        info.write_time = unix_seconds(written);
    }
}

// Describes what h has open; kind_missing when that can't be read.
int describe(HANDLE h, struct file_info& info) {
    info = {};
    BY_HANDLE_FILE_INFORMATION bh{};
    if (!GetFileInformationByHandle(h, &bh)) return kind_missing;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!(bh.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !GetFileInformationByHandleEx(h, FileAttributeTagInfo, &tag, sizeof tag))
        tag.ReparseTag = 0;
    fill(info, bh.dwFileAttributes, tag.ReparseTag,
         (static_cast<uint64_t>(bh.nFileSizeHigh) << 32) | bh.nFileSizeLow, bh.ftLastWriteTime);
    info.id.volume = bh.dwVolumeSerialNumber;
    info.id.index = (static_cast<uint64_t>(bh.nFileIndexHigh) << 32) | bh.nFileIndexLow;
    info.id.known = true;
    return static_cast<int>(info.kind);
}

// Opens the entry at p itself, never what it names, for its attributes only (no sharing conflict).
scoped_handle open_entry(const std::wstring& p) {
    return scoped_handle(CreateFileW(p.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     no_follow, nullptr));
}

// Opens the folder at p to hold it: listing allowed, renaming and deleting it refused to anyone.
scoped_handle open_folder(const std::wstring& p) {
    return scoped_handle(CreateFileW(p.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, no_follow, nullptr));
}

}  // namespace

bool folder_handle::open(const std::wstring& path) {
    close();
    const std::wstring p = normalize_path(path);
    if (p.empty() || p.find(L'\0') != std::wstring::npos) return false;
    scoped_handle h = open_folder(p);
    struct file_info info;
    if (!h || describe(h.get(), info) != kind_folder || info.reparse_point) return false;
    handle_ = h.release();
    id_ = info.id;
    path_ = p;
    return true;
}

bool folder_handle::open(const folder_handle& parent, const std::wstring& name) {
    if (!parent.is_open() || !is_entry_name(name)) {
        close();
        return false;
    }
    std::wstring p = parent.entry_path(name);
    scoped_handle h = open_folder(p);
    struct file_info info;
    // A mount point is a reparse point too: the walk never leaves the volume.
    if (!h || describe(h.get(), info) != kind_folder || info.reparse_point || info.id.volume != parent.id_.volume) {
        close();
        return false;
    }
    close();
    handle_ = h.release();
    id_ = info.id;
    path_ = std::move(p);
    return true;
}

void folder_handle::close() {
    if (handle_ != closed_handle) CloseHandle(handle_);
    handle_ = closed_handle;
    id_ = file_id();
    path_.clear();
}

int64_t folder_handle::list(std::vector<folder_entry>& out) const {
    if (!is_open()) return -1;
    std::vector<unsigned char> buffer(64 * 1024);
    int64_t added = 0;
    for (FILE_INFO_BY_HANDLE_CLASS cls = FileIdBothDirectoryRestartInfo;; cls = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(handle_, cls, buffer.data(), static_cast<DWORD>(buffer.size())))
            return GetLastError() == ERROR_NO_MORE_FILES ? added : -1;
        for (size_t at = 0;;) {
            const auto* e = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
            folder_entry entry;
            entry.name.assign(e->FileName, e->FileNameLength / sizeof(wchar_t));
            if (entry.name != L"." && entry.name != L"..") {
                fill(entry.info, e->FileAttributes, 0, static_cast<uint64_t>(e->EndOfFile.QuadPart),
                     filetime_of(e->LastWriteTime));
                entry.info.id.volume = id_.volume;
                entry.info.id.index = static_cast<uint64_t>(e->FileId.QuadPart);
                entry.info.id.known = entry.info.id.index != 0;
                // A reparse point, or a file system without file ids in its listing: the entry
                // itself tells, as entry() tells it later.
                if ((!entry.info.id.known || (e->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) &&
                    this->entry(entry.name, entry.info) == kind_missing && GetLastError() == ERROR_FILE_NOT_FOUND)
                    continue;
                out.push_back(std::move(entry));
                ++added;
            }
            if (e->NextEntryOffset == 0) break;
            at += e->NextEntryOffset;
        }
    }
}

int folder_handle::entry(const std::wstring& name, struct file_info& info) const {
    info = {};
    if (!is_open() || !is_entry_name(name)) return kind_missing;
    scoped_handle h = open_entry(entry_path(name));
    if (!h) return kind_missing;
    return describe(h.get(), info);
}

bool folder_handle::rename(const std::wstring& from, const std::wstring& to) const {
    if (!is_open() || !is_entry_name(from) || !is_entry_name(to)) return false;
    return MoveFileExW(entry_path(from).c_str(), entry_path(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool folder_handle::remove(const std::wstring& name, bool folder) const {
    if (!is_open() || !is_entry_name(name)) return false;
    const std::wstring p = entry_path(name);
    return folder ? detail::remove_folder(p) : detail::delete_file(p);
}

bool folder_handle::set_attributes(const std::wstring& name, int flags) const {
    struct file_info info;
    if (entry(name, info) == kind_missing) return false;
    if (info.reparse_point) return (flags & attr_read_only) == 0;
    return set_file_attributes(entry_path(name), flags);
}

}  // namespace vandel
