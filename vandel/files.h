#pragma once
// Paths as UTF-16 text, and the file-system operations built on them. Nothing here throws for a
// failed system call: results say false, 0, -1 or an empty text.
//
// Windows style: '\' and '/' both separate, "\\?\" (or "//?/") is the long-path prefix, drive
// letters and UNC roots. POSIX style: only '/' separates, '\' is an ordinary character, nothing is
// trimmed, no prefix, no drive letters. The pure text functions take the style so that either can
// be used (and tested) on any build; the file-system operations always use the native one, and on
// POSIX refuse paths in Windows form ("C:...", "\\server...", "\\.\...", "\\?\...").
#include <cstdint>
#include <string>
#include <vector>

namespace vandel {

enum class path_style {
    windows,
    posix,
#ifdef _WIN32
    native = windows,
#else
    native = posix,
#endif
};

// Path kinds (path_kind, file_info::kind).
enum : int { kind_missing = 0, kind_file = 1, kind_folder = 2 };

// Listing flags of list_directory.
enum : int {
    list_files = 1,
    list_folders = 2,
    list_hidden = 4,
    list_full_paths = 8,
    list_sorted = 16,
};

// Attribute flags of file_info and set_file_attributes. On POSIX read-only is the absence of the
// owner's write permission and hidden a name starting with '.'; archive does not exist there.
enum : int { attr_read_only = 1, attr_archive = 2, attr_hidden = 4 };

// What names one file or folder for as long as it exists: (device, inode) on POSIX, the volume
// serial number and file index on Windows. Two ids are equal only when both are known.
struct file_id {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool known = false;

    bool operator==(const file_id& o) const { return known && o.known && volume == o.volume && index == o.index; }
    bool operator!=(const file_id& o) const { return !(*this == o); }
};

// What a reparse point that is neither a link nor a mount point is (POSIX only).
enum : uint8_t { special_none = 0, special_device = 1, special_fifo = 2, special_socket = 3 };

struct file_info {
    uint32_t kind = kind_missing;
    uint64_t size = 0;         // files only
    int64_t write_time = -1;   // seconds since 1970 UTC (negative before); -1 when unknown
    uint8_t reparse_point = 0;  // a link, junction or mount point: never follow, never descend
    uint32_t attributes = 0;
    uint8_t special = special_none;  // a device node, FIFO or socket (also a reparse point)
    file_id id;                      // of the entry itself, never of what a link names
};

struct volume_info {
    uint64_t total_bytes = 0;
    uint64_t used_bytes = 0;
    uint64_t free_bytes = 0;  // available to the calling user (root's reserve too, when it may write it)
    // Every free byte, also what the file system keeps back from the caller or from every program.
    uint64_t free_total_bytes = 0;
    uint32_t block_size = 0;  // the unit the file system gives files their room in
    uint32_t serial_number = 0;
    uint32_t max_name_length = 0;
    std::wstring volume_path;  // the mount point holding the path, with its trailing separator
    std::wstring file_system;
};

// ---- Path text ----

// Returns true when c separates components in the style.
bool is_path_separator(wchar_t c, path_style style = path_style::native);

// Returns the path cleaned for the system. Windows: '/' to '\', blanks and control characters
// trimmed from both ends, doubled separators collapsed (not a leading pair), long-path prefix when
// long. POSIX: doubled '/' collapsed, nothing else.
std::wstring normalize_path(const std::wstring& path, path_style style = path_style::native);

// Returns the path ending in a separator (the kind of its first one on Windows); empty stays empty.
std::wstring add_trailing_separator(const std::wstring& path, path_style style = path_style::native);

// Returns the path without one trailing separator.
std::wstring remove_trailing_separator(const std::wstring& path, path_style style = path_style::native);

// Returns true when the path starts with "\\?\" or "//?/" (Windows style only).
bool has_long_path_prefix(const std::wstring& path, path_style style = path_style::native);

// Returns an absolute drive or UNC path longer than 260 units in "\\?\" (or "\\?\UNC\") form, its
// separators turned to '\' and its "." and ".." resolved; any other path unchanged.
std::wstring add_long_path_prefix(const std::wstring& path, path_style style = path_style::native);

// Returns the path with runs of `separator` reduced to one, except the first two characters (a
// UNC root) and paths with a long-path prefix.
std::wstring collapse_separators(const std::wstring& path, wchar_t separator,
                                 path_style style = path_style::native);

// Windows: absolute when it has a long-path prefix, starts with a separator, or holds ':' and
// does not start with '.'. POSIX: absolute when it starts with '/'. A non-empty path is one or
// the other; an empty path is neither.
bool is_absolute_path(const std::wstring& path, path_style style = path_style::native);
bool is_relative_path(const std::wstring& path, path_style style = path_style::native);

// Splits at the last separator: folder (with its separator; left untouched when there is none),
// name, and with split_extension the extension from the name's last '.' (left untouched when the
// name has no '.').
void decompose_path(std::wstring path, std::wstring& folder, std::wstring& name, std::wstring& extension,
                    bool split_extension, path_style style = path_style::native);
void decompose_path(std::string path, std::string& folder, std::string& name, std::string& extension,
                    bool split_extension, path_style style = path_style::native);

// Returns the folder part with its separator; empty when the path has no separator.
std::wstring directory_part(const std::wstring& path, path_style style = path_style::native);
std::string directory_part(const std::string& path, path_style style = path_style::native);

// Returns the name after the last separator, with or without its extension.
std::wstring file_name_part(const std::wstring& path, bool with_extension, path_style style = path_style::native);

// Splits into folder and name; folder keeps its previous value when the path has no separator.
void split_path(const std::wstring& path, std::wstring& folder, std::wstring& name,
                path_style style = path_style::native);

// Returns path against base (a relative path is appended to base) with "." and ".." components
// resolved; ".." never climbs above a root. A relative base, and a ".." that would climb out of a
// relative path, return the path unchanged. A final "." or ".." without a separator stays.
std::wstring resolve_path(const std::wstring& path, const std::wstring& base,
                          path_style style = path_style::native);

// Returns resolve_path(path, base), the base being the current folder when empty; the path
// unchanged when the current folder can't be read.
std::wstring absolute_path(const std::wstring& path, const std::wstring& base);

// Returns the path in the system's 8-bit form: the ANSI code page on Windows (empty when a
// character does not fit), the system bytes on POSIX.
std::string narrow_path(const std::wstring& path);

// ---- File system (native style; paths normalised first unless said otherwise) ----

// Returns kind_missing (also unreadable), kind_file or kind_folder. A link reports the kind of
// what it names (a dangling one is a file) and is never followed further by any operation here.
int path_kind(const std::wstring& path);
bool is_directory(const std::wstring& path);
bool is_file(const std::wstring& path);

// Fills info and returns its kind. Size and time are read for files only. On Windows only a
// name-surrogate reparse point (link, junction, mount point) is one; on POSIX a symbolic link, a
// mount point, a device node, a FIFO and a socket are.
int file_info(const std::wstring& path, struct file_info& info);

// Returns the last-write time in seconds since 1970 UTC (negative before), or -1 for a folder
// or on failure. The path goes to the system unchanged.
int64_t file_time(const std::wstring& path);

// Returns the size of a file in bytes, or -1 on failure (also for a folder). Path unchanged.
int64_t file_size(const std::wstring& path);

// Appends the folder's entries by the listing flags and returns how many were added; -1 (list
// untouched) when the path is not a folder. Folder entries end in a separator. With list_sorted
// the added entries are ordered folders first, then by code units.
int64_t list_directory(const std::wstring& path, std::vector<std::wstring>& list, int flags);

// Creates one folder level; true on success.
bool create_directory(const std::wstring& path);

// Renames within one volume, written through; fails onto an existing name unless
// replace_existing. True on success.
bool move_file(const std::wstring& old_path, const std::wstring& new_path, bool replace_existing);

// Sets or clears read-only, archive and hidden to match flags; true when done or nothing changed.
bool set_file_attributes(const std::wstring& path, int flags);

// Deletes a file, or a folder (with its contents when recursive). Never descends into a link,
// junction or mount point: such an entry loses its name only. True when the path itself went.
bool delete_tree(std::wstring path, bool recursive);
bool remove_path(const std::wstring& path, bool recursive);

// Fills info for the volume that holds the path; false when the path or its volume can't be
// read (the name fields then keep what they held).
bool volume_info(const std::wstring& path, struct volume_info& info);

// The system side of the portable operations above, one body per OS. Paths come normalised.
namespace detail {

struct dir_entry {
    std::wstring name;
    bool folder = false;  // also a link or junction that names a folder
    bool hidden = false;
};

// Returns -1 when the path is not a folder, 0 when it can't be read, 1 with its entries (never
// "." or "..") in out. With follow_link false, a link at the path itself is not a folder.
int read_directory(const std::wstring& path, bool follow_link, std::vector<dir_entry>& out);

// Returns the kind of the path itself without following it; reparse tells a link, junction or
// mount point (and on POSIX a device node, FIFO or socket).
int entry_kind(const std::wstring& path, bool& reparse);

// Removes a name that is not a folder (a link to a folder included on POSIX), clearing a
// read-only attribute that stands in the way. True on success.
bool delete_file(const std::wstring& path);

// Removes an empty folder, or a folder link or junction itself, clearing a read-only attribute
// that stands in the way. True on success.
bool remove_folder(const std::wstring& path);

}  // namespace detail

}  // namespace vandel
