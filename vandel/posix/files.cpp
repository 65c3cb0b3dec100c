// POSIX file system: lstat/openat-family calls on names converted losslessly, never following a
// link, never descending into another file system.
#include "vandel/files.h"
#include "vandel/os_text.h"
#include "vandel/posix/entry_info.h"
#include "vandel/posix/mount_table.h"
#include "vandel/posix/native_path.h"
#include "vandel/posix/system_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vandel {

namespace posix {

bool to_native_path(const std::wstring& path, std::string& out) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return false;
    const bool drive = path.size() >= 2 && path[1] == L':' &&
                       ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    const bool unc = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
    if (drive || unc) return false;
    out = to_os_bytes(path);
    // "name/" would make the system follow a link called name.
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return true;
}

bool is_mount_root(int dirfd, const std::string& name) {
#ifdef STATX_ATTR_MOUNT_ROOT
    struct statx sx {};
    if (statx(dirfd, name.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, 0, &sx) == 0 &&
        (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#endif
    struct stat self {}, parent {};
    if (fstatat(dirfd, name.c_str(), &self, AT_SYMLINK_NOFOLLOW) != 0 ||
        fstatat(dirfd, (name + "/..").c_str(), &parent, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

int describe_entry(int dirfd, const std::string& name, struct file_info& info) {
    info = {};
    struct stat st {};
    if (fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return kind_missing;
    info.id.volume = static_cast<uint64_t>(st.st_dev);
    info.id.index = static_cast<uint64_t>(st.st_ino);
    info.id.known = true;
    const size_t slash = name.find_last_of('/');
    const char first = name[slash == std::string::npos ? 0 : slash + 1];
    if (first == '.') info.attributes |= attr_hidden;
    if (S_ISDIR(st.st_mode)) {
        info.kind = kind_folder;
        info.reparse_point = is_mount_root(dirfd, name) ? 1 : 0;
    } else {
        // What a link names decides its kind, size and time; the link itself is never written.
        struct stat target = st;
        const bool link = S_ISLNK(st.st_mode);
        const bool named = !link || fstatat(dirfd, name.c_str(), &target, 0) == 0;
        info.kind = named && S_ISDIR(target.st_mode) ? kind_folder : kind_file;
        info.reparse_point = S_ISREG(st.st_mode) ? 0 : 1;
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) info.special = special_device;
        if (S_ISFIFO(st.st_mode)) info.special = special_fifo;
        if (S_ISSOCK(st.st_mode)) info.special = special_socket;
        if (named && info.kind == kind_file) {
            if (S_ISREG(target.st_mode)) info.size = static_cast<uint64_t>(target.st_size);
            info.write_time = static_cast<int64_t>(target.st_mtim.tv_sec);
        }
    }
    if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) info.attributes |= attr_read_only;
    return static_cast<int>(info.kind);
}

}  // namespace posix

namespace {

using posix::to_native_path;

std::string parent_folder(const std::string& p) {
    std::string dir = directory_part(p, path_style::posix);
    return dir.empty() ? std::string(".") : dir;
}

// Runs op on p; when it is refused for want of write permission in a read-only parent folder,
// gives that folder its owner's write permission and runs op once more.
template <class Op>
bool with_writable_parent(const std::string& p, Op op) {
    if (op(p.c_str()) == 0) return true;
    if (errno != EACCES) return false;
    const std::string dir = parent_folder(p);
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR)) return false;
    if (chmod(dir.c_str(), (st.st_mode & 07777) | S_IWUSR | S_IXUSR) != 0) return false;
    return op(p.c_str()) == 0;
}

void sync_folder(const std::string& dir) {
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

int64_t unix_seconds(const struct stat& st) { return static_cast<int64_t>(st.st_mtim.tv_sec); }

// The mount at the point; the top one when several lie there.
posix::mount_entry mount_at(const std::string& mount_point) {
    posix::mount_entry found;
    for (const posix::mount_entry& m : posix::read_mount_table())
        if (m.point == mount_point) found = m;
    return found;
}

// True when the process may write the blocks ext4 keeps for root: the reserve's user (root,
// unless the volume names another) and holders of CAP_SYS_RESOURCE may.
bool may_write_root_reserve() {
    if (geteuid() == 0) return true;
    std::string status;
    if (!posix::read_small_file("/proc/self/status", status)) return false;
    const size_t at = status.find("\nCapEff:");
    unsigned long long caps = 0;
    return at != std::string::npos && std::sscanf(status.c_str() + at, "\nCapEff: %llx", &caps) == 1 &&
           (caps >> 24 & 1) != 0;
}

// ext4 counts the clusters it keeps back from every writer, root included, as free: the bytes of
// them on the device (sysfs names the file system by its device); 0 when not told.
uint64_t ext4_reserved_bytes(const posix::mount_entry& m, uint64_t cluster) {
    std::string name = posix::real_path("/sys/dev/block/" + std::to_string(m.major) + ":" + std::to_string(m.minor));
    if (name.empty()) return 0;
    name.erase(0, name.find_last_of('/') + 1);
    std::string text;
    unsigned long long clusters = 0;
    if (!posix::read_small_file("/sys/fs/ext4/" + name + "/reserved_clusters", text) ||
        std::sscanf(text.c_str(), "%llu", &clusters) != 1)
        return 0;
    return static_cast<uint64_t>(clusters) * cluster;
}

// xfs keeps a reserve pool and per-group reserves out of what statvfs counts as free; the free
// blocks of every allocation group count them all (0 when the system can't tell).
uint64_t xfs_free_bytes(const std::string& mount_point, uint64_t block_size) {
    struct ag_geometry {
        uint32_t number, length, free_blocks, inode_count, free_inodes, sick, checked, flags;
        uint64_t reserved[12];
    };
    const unsigned long ag_geometry_request = _IOWR('X', 61, struct ag_geometry);
    const int fd = open(mount_point.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    uint64_t blocks = 0;
    for (uint32_t n = 0;; ++n) {
        ag_geometry g{};
        g.number = n;
        if (ioctl(fd, ag_geometry_request, &g) != 0) break;
        blocks += g.free_blocks;
    }
    close(fd);
    return blocks * block_size;
}

}  // namespace

std::string narrow_path(const std::wstring& path) { return to_os_bytes(path); }

int path_kind(const std::wstring& path) {
    bool reparse = false;
    return detail::entry_kind(normalize_path(path), reparse);
}

int file_info(const std::wstring& path, struct file_info& info) {
    info = {};
    std::string p;
    if (!to_native_path(normalize_path(path), p)) return kind_missing;
    return posix::describe_entry(AT_FDCWD, p, info);
}

int64_t file_time(const std::wstring& path) {
    std::string p;
    struct stat st {};
    if (!to_native_path(path, p) || stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return unix_seconds(st);
}

int64_t file_size(const std::wstring& path) {
    std::string p;
    struct stat st {};
    if (!to_native_path(path, p) || stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool create_directory(const std::wstring& path) {
    std::string p;
    return to_native_path(normalize_path(path), p) && mkdir(p.c_str(), 0777) == 0;
}

bool move_file(const std::wstring& old_path, const std::wstring& new_path, bool replace_existing) {
    std::string from, to;
    if (!to_native_path(normalize_path(old_path), from) || !to_native_path(normalize_path(new_path), to)) return false;
    int rc;
    if (replace_existing) {
        rc = rename(from.c_str(), to.c_str());
    } else {
        rc = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)) {
            // A file system without the atomic test: test first.
            struct stat st {};
            if (lstat(to.c_str(), &st) == 0) return false;
            rc = rename(from.c_str(), to.c_str());
        }
    }
    if (rc != 0) return false;
    // Write-through: the new name (and the old one's removal) reach the medium now.
    const std::string new_dir = parent_folder(to), old_dir = parent_folder(from);
    sync_folder(new_dir);
    if (old_dir != new_dir) sync_folder(old_dir);
    return true;
}

bool set_file_attributes(const std::wstring& path, int flags) {
    std::string p;
    struct stat st {};
    if (!to_native_path(normalize_path(path), p) || lstat(p.c_str(), &st) != 0) return false;
    const bool want = (flags & attr_read_only) != 0;
    // A link has no permissions of its own and is never followed: it is never read-only.
    if (S_ISLNK(st.st_mode)) return !want;
    const bool is = !(st.st_mode & S_IWUSR);
    if (is == want) return true;
    mode_t mode = st.st_mode & 07777;
    mode = want ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    return chmod(p.c_str(), mode) == 0;
}

bool volume_info(const std::wstring& path, struct volume_info& info) {
    std::string p;
    if (!to_native_path(normalize_path(path), p)) return false;
    std::string mount = posix::real_path(p);
    if (mount.empty()) return false;
    while (mount != "/" && !posix::is_mount_root(AT_FDCWD, mount)) {
        const size_t cut = mount.find_last_of('/');
        mount.erase(cut == 0 ? 1 : cut);
    }
    struct statvfs vs {};
    if (statvfs(mount.c_str(), &vs) != 0) return false;
    const posix::mount_entry m = mount_at(mount);
    info.total_bytes = static_cast<uint64_t>(vs.f_blocks) * vs.f_frsize;
    info.free_bytes = static_cast<uint64_t>(vs.f_bavail) * vs.f_frsize;
    info.free_total_bytes = static_cast<uint64_t>(vs.f_bfree) * vs.f_frsize;
    info.block_size = static_cast<uint32_t>(vs.f_frsize);
    if ((m.type == "ext4" || m.type == "ext3" || m.type == "ext2") && may_write_root_reserve()) {
        const uint64_t held = ext4_reserved_bytes(m, vs.f_frsize);
        info.free_bytes = std::max(info.free_bytes, info.free_total_bytes - std::min(held, info.free_total_bytes));
    } else if (m.type == "xfs") {
        info.free_total_bytes = std::max(info.free_total_bytes, xfs_free_bytes(mount, vs.f_bsize));
    }
    info.used_bytes = info.total_bytes - info.free_bytes;
    const uint64_t fsid = static_cast<uint64_t>(vs.f_fsid);
    info.serial_number = static_cast<uint32_t>(fsid ^ (fsid >> 32));
    info.max_name_length = static_cast<uint32_t>(vs.f_namemax);
    info.volume_path = add_trailing_separator(from_os_bytes(mount));
    if (!m.type.empty()) info.file_system = from_os_bytes(m.type);
    return true;
}

namespace detail {

int read_directory(const std::wstring& path, bool follow_link, std::vector<dir_entry>& out) {
    std::string p;
    struct stat st {};
    if (!to_native_path(path, p) || (follow_link ? stat(p.c_str(), &st) : lstat(p.c_str(), &st)) != 0 ||
        !S_ISDIR(st.st_mode))
        return -1;
    const int fd = open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow_link ? 0 : O_NOFOLLOW));
    if (fd < 0) return 0;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return 0;
    }
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        dir_entry entry;
        entry.name = from_os_bytes(name);
        entry.hidden = name[0] == '.';
        if (e->d_type == DT_DIR) {
            entry.folder = true;
        } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            // As on Windows, a link to a folder is listed as a folder (and is never descended).
            struct stat target {};
            entry.folder = fstatat(fd, e->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        }
        out.push_back(std::move(entry));
    }
    closedir(dir);
    return 1;
}

int entry_kind(const std::wstring& path, bool& reparse) {
    struct file_info info;
    const int kind = file_info(path, info);
    reparse = info.reparse_point != 0;
    return kind;
}

bool delete_file(const std::wstring& path) {
    std::string p;
    return to_native_path(path, p) && with_writable_parent(p, [](const char* f) { return unlink(f); });
}

bool remove_folder(const std::wstring& path) {
    std::string p;
    struct stat st {};
    if (!to_native_path(path, p) || lstat(p.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) return with_writable_parent(p, [](const char* f) { return unlink(f); });
    return with_writable_parent(p, [](const char* f) { return rmdir(f); });
}

}  // namespace detail

}  // namespace vandel
