// POSIX folder handles: a directory descriptor opened with O_NOFOLLOW, entries through the *at
// calls on names converted losslessly.
#include "vandel/folder_handle.h"
#include "vandel/os_text.h"
#include "vandel/posix/entry_info.h"
#include "vandel/posix/native_path.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vandel {

namespace {

constexpr int folder_flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

int retry_open(int dirfd, const char* name, int flags) {
    int fd;
    do fd = openat(dirfd, name, flags);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Runs op; when it is refused for want of write permission in the folder and the folder lacks its
// owner's write permission, gives it that permission and runs op once more.
template <class Op>
bool with_writable_folder(int fd, Op op) {
    if (op() == 0) return true;
    if (errno != EACCES) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || (st.st_mode & S_IWUSR)) return false;
    if (fchmod(fd, (st.st_mode & 07777) | S_IWUSR | S_IXUSR) != 0) return false;
    return op() == 0;
}

}  // namespace

bool folder_handle::open(const std::wstring& path) {
    close();
    std::string p;
    if (!posix::to_native_path(normalize_path(path), p)) return false;
    const int fd = retry_open(AT_FDCWD, p.c_str(), folder_flags);
    struct file_info info;
    if (fd < 0 || posix::describe_entry(fd, ".", info) != kind_folder) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    handle_ = fd;
    id_ = info.id;
    path_ = path;
    return true;
}

bool folder_handle::open(const folder_handle& parent, const std::wstring& name) {
    if (!parent.is_open() || !is_entry_name(name)) {
        close();
        return false;
    }
    const std::string n = to_os_bytes(name);
    // A mount point is another file system: the walk stops at its door.
    struct file_info before;
    if (posix::describe_entry(parent.handle_, n, before) != kind_folder || before.reparse_point) {
        close();
        return false;
    }
    const int fd = retry_open(parent.handle_, n.c_str(), folder_flags);
    struct file_info info;
    if (fd < 0 || posix::describe_entry(fd, ".", info) != kind_folder || info.id != before.id) {
        if (fd >= 0) ::close(fd);
        close();
        return false;
    }
    std::wstring path = add_trailing_separator(parent.path_) + name;
    close();
    handle_ = fd;
    id_ = info.id;
    path_ = std::move(path);
    return true;
}

void folder_handle::close() {
    if (handle_ != closed_handle) ::close(handle_);
    handle_ = closed_handle;
    id_ = file_id();
    path_.clear();
}

int64_t folder_handle::list(std::vector<folder_entry>& out) const {
    if (!is_open()) return -1;
    // A descriptor of its own: reading moves its position, and closedir closes it.
    const int fd = retry_open(handle_, ".", folder_flags);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (!dir) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    int64_t added = 0;
    errno = 0;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        folder_entry entry;
        entry.name = from_os_bytes(name);
        if (posix::describe_entry(handle_, name, entry.info) == kind_missing && errno == ENOENT) continue;
        out.push_back(std::move(entry));
        ++added;
        errno = 0;
    }
    const bool failed = errno != 0;
    closedir(dir);
    return failed ? -1 : added;
}

int folder_handle::entry(const std::wstring& name, struct file_info& info) const {
    info = {};
    if (!is_open() || !is_entry_name(name)) return kind_missing;
    return posix::describe_entry(handle_, to_os_bytes(name), info);
}

bool folder_handle::rename(const std::wstring& from, const std::wstring& to) const {
    if (!is_open() || !is_entry_name(from) || !is_entry_name(to)) return false;
    const std::string f = to_os_bytes(from), t = to_os_bytes(to);
    int rc = renameat2(handle_, f.c_str(), handle_, t.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)) {
        // A file system without the atomic test: test first.
        struct stat st {};
        if (fstatat(handle_, t.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return false;
        rc = renameat(handle_, f.c_str(), handle_, t.c_str());
    }
    if (rc != 0) return false;
    fsync(handle_);  // the new name reaches the medium now
    return true;
}

bool folder_handle::remove(const std::wstring& name, bool folder) const {
    if (!is_open() || !is_entry_name(name)) return false;
    const std::string n = to_os_bytes(name);
    struct stat st {};
    // A folder link is a name like any other: it goes with unlink.
    const bool dir = folder && fstatat(handle_, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    return with_writable_folder(handle_, [&] { return unlinkat(handle_, n.c_str(), dir ? AT_REMOVEDIR : 0); });
}

bool folder_handle::set_attributes(const std::wstring& name, int flags) const {
    if (!is_open() || !is_entry_name(name)) return false;
    const bool want = (flags & attr_read_only) != 0;
    struct stat st {};
    const std::string n = to_os_bytes(name);
    if (fstatat(handle_, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (S_ISLNK(st.st_mode)) return !want;
    const bool is = !(st.st_mode & S_IWUSR);
    if (is == want) return true;
    mode_t mode = st.st_mode & 07777;
    mode = want ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    // Never through a link that took the entry's place meanwhile.
    return fchmodat(handle_, n.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace vandel
