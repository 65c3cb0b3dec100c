#pragma once
// An open folder, and the names inside it taken relative to it. A tree walked this way can't be
// led out of itself: no folder is entered through a link, junction or mount point, and a folder
// replaced after it was opened is never the one acted in. No path length limits how deep it goes.
//
// POSIX: a descriptor; entries are reached with the *at calls and never followed. Windows: a
// handle held without delete sharing, so neither the folder nor any folder above it that is held
// as well can be renamed or replaced while it is open; entries are reached by path below it.
#include "vandel/files.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vandel {

// One entry of a folder, described without following it.
struct folder_entry {
    std::wstring name;
    struct file_info info;  // kind_missing when its details can't be read (it exists, unreachable)
};

class folder_handle {
public:
    folder_handle() = default;
    ~folder_handle();
    folder_handle(const folder_handle&) = delete;
    folder_handle& operator=(const folder_handle&) = delete;
    folder_handle(folder_handle&& o) noexcept;
    folder_handle& operator=(folder_handle&& o) noexcept;

    // Opens the folder at path (closing what was open). The last component is never followed
    // when it is a link; the ones before it are. Returns false when it is no folder or can't be
    // opened.
    bool open(const std::wstring& path);
    // Opens the sub-folder name of parent. Returns false for a name that is no plain entry name,
    // and when the entry is no folder, is a link, junction or mount point, or can't be opened.
    bool open(const folder_handle& parent, const std::wstring& name);
    void close();
    bool is_open() const;

    // The path the folder was reached by, for messages (and on Windows the opens below it).
    const std::wstring& path() const { return path_; }
    // Returns the path of the entry name, in long form where it needs it.
    std::wstring entry_path(const std::wstring& name) const;
    file_id id() const { return id_; }

    // Appends the entries (never "." or "..") and returns how many; -1 when the folder can't be
    // read. An entry gone before it was looked at is left out.
    int64_t list(std::vector<folder_entry>& out) const;
    // Describes the entry name without following it; returns its kind (kind_missing when it is
    // gone or can't be read, with info.kind_missing either way).
    int entry(const std::wstring& name, struct file_info& info) const;
    // Renames entry from to to within this folder, written through; false when to exists.
    bool rename(const std::wstring& from, const std::wstring& to) const;
    // Removes the entry: a file, link or special file; with folder, an empty folder (or a folder
    // link or junction itself). A read-only attribute in the way is cleared. True on success.
    bool remove(const std::wstring& name, bool folder) const;
    // As set_file_attributes on the entry; a link is never followed (and is never read-only).
    bool set_attributes(const std::wstring& name, int flags) const;

#ifdef _WIN32
    using native_handle = void*;
#else
    using native_handle = int;
#endif
    native_handle native() const { return handle_; }

private:
#ifdef _WIN32
    static constexpr native_handle closed_handle = nullptr;
#else
    static constexpr native_handle closed_handle = -1;
#endif
    std::wstring path_;
    file_id id_;
    native_handle handle_ = closed_handle;
};

// Returns true when name can stand for one entry of a folder: not empty, not "." or "..", no
// separator and no NUL.
bool is_entry_name(const std::wstring& name);

}  // namespace vandel
