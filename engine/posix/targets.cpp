// Linux target provider: /sys/block and /sys/dev/block, /proc/self/mountinfo, block-device
// ioctls, umount2 and O_EXCL, and the freedesktop Trash.
#include "engine/posix/linux_targets.h"

#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/os_text.h"
#include "vandel/posix/mount_table.h"
#include "vandel/posix/system_files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <set>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace olvex {

namespace detail {

target_provider& system_targets() {
    static posix::linux_targets provider;
    return provider;
}

}  // namespace detail

namespace posix {

namespace {

std::string os(const std::wstring& s) { return vandel::to_os_bytes(s); }
std::wstring wide(const std::string& s) { return vandel::from_os_bytes(s); }
using vandel::posix::real_path;

bool starts_with(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// The first line of a small system file, without surrounding blanks; false when unreadable.
bool read_line(const std::string& path, std::string& out) {
    if (!vandel::posix::read_small_file(path, out)) return false;
    out = out.substr(0, out.find('\n'));
    const size_t first = out.find_first_not_of(" \t\r");
    const size_t last = out.find_last_not_of(" \t\r");
    out = first == std::string::npos ? std::string() : out.substr(first, last - first + 1);
    return true;
}

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// A real folder, not a link to one.
bool is_plain_dir(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The real path of the longest existing part of p, with the rest appended.
std::string resolve_existing(std::string p) {
    std::string tail;
    while (!p.empty()) {
        if (std::string r = real_path(p); !r.empty()) return r == "/" ? (tail.empty() ? r : tail) : r + tail;
        const size_t cut = p.find_last_of('/');
        if (cut == std::string::npos) break;
        tail = p.substr(cut) + tail;
        p.erase(cut);
    }
    return tail.empty() ? p : tail;
}

std::vector<std::string> dir_entries(const std::string& dir) {
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") out.push_back(name);
    }
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

bool parse_dev(const std::string& text, dev_t& out) {
    unsigned ma = 0, mi = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%u:%u%c", &ma, &mi, &rest) != 2) return false;
    out = makedev(ma, mi);
    return true;
}

std::string dev_text(dev_t d) { return std::to_string(major(d)) + ":" + std::to_string(minor(d)); }

// Root text of a mount point: "/" stays, any other gets a trailing '/'.
std::string root_of(const std::string& point) { return point == "/" ? point : point + "/"; }
std::string point_of(std::string root) {
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

// ---- the mount table ----

struct mount_entry {
    dev_t dev = 0;
    std::string point;
    std::string type;
    std::string source;
};

// Every mount, in the table's order (a later one at the same point lies on top).
std::vector<mount_entry> read_mounts(const std::string& file) {
    std::vector<mount_entry> out;
    for (const vandel::posix::mount_entry& m : vandel::posix::read_mount_table(file))
        out.push_back({makedev(m.major, m.minor), m.point, m.type, m.source});
    return out;
}

// The topmost mount at exactly this point; null when none.
const mount_entry* mount_at(const std::vector<mount_entry>& mounts, const std::string& point) {
    const mount_entry* found = nullptr;
    for (const mount_entry& m : mounts)
        if (m.point == point) found = &m;
    return found;
}

bool holds(const std::string& point, const std::string& path) {
    return point == "/" || path == point || (starts_with(path, point) && path[point.size()] == '/');
}

// The kernel's own file systems, and mounts inside its trees, are no volumes.
bool is_pseudo(const mount_entry& m) {
    static const std::set<std::string> types = {
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs", "tracefs",
        "configfs", "fusectl", "mqueue", "hugetlbfs", "pstore", "bpf", "binfmt_misc", "autofs", "efivarfs",
        "rpc_pipefs", "nsfs", "selinuxfs", "nfsd", "ramfs"};
    if (types.count(m.type)) return true;
    for (const char* tree : {"/proc", "/sys", "/dev"})
        if (holds(tree, m.point)) return true;
    return m.type == "tmpfs" && holds("/run", m.point);
}

bool is_remote_type(const std::string& type) {
    static const std::set<std::string> types = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "9p", "ceph",
                                                "glusterfs", "afs", "fuse.sshfs", "fuse.davfs2", "davfs"};
    return types.count(type) != 0;
}

// ---- block devices in sysfs ----

struct sysfs {
    std::string root;  // "/sys"

    // The device's folder; empty when the system doesn't know it.
    std::string dir(dev_t d) const { return real_path(root + "/dev/block/" + dev_text(d)); }

    static bool dev_of(const std::string& dir, dev_t& out) {
        std::string text;
        return read_line(dir + "/dev", text) && parse_dev(text, out);
    }

    // The whole disk a device lies on (itself unless it is a partition).
    bool whole_disk(dev_t d, dev_t& out) const {
        const std::string self = dir(d);
        if (self.empty()) return false;
        if (!exists(self + "/partition")) {
            out = d;
            return true;
        }
        return dev_of(self.substr(0, self.find_last_of('/')), out);
    }

    // Adds d and every device under it (dm and md slaves); with follow_backing also the devices of
    // the file system that holds a loop device's backing file. False when that can't be told.
    bool expand(dev_t d, const std::vector<mount_entry>& mounts, bool follow_backing, std::set<dev_t>& out,
                int depth = 0) const;

    // The devices a mounted file system sits on directly; false for one without a block device.
    bool mount_devices(const mount_entry& m, std::set<dev_t>& out) const;
};

bool sysfs::mount_devices(const mount_entry& m, std::set<dev_t>& out) const {
    if (major(m.dev) != 0) {
        out.insert(m.dev);
        return true;
    }
    // Some file systems (btrfs) show an anonymous number: take the device they name.
    struct stat st {};
    if (m.source.empty() || m.source[0] != '/' || stat(m.source.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
        return false;
    out.insert(st.st_rdev);
    // A btrfs file system may span several devices: all of them.
    for (const std::string& fs : dir_entries(root + "/fs/btrfs")) {
        const std::string members = root + "/fs/btrfs/" + fs + "/devices";
        std::set<dev_t> found;
        bool ours = false;
        for (const std::string& name : dir_entries(members)) {
            dev_t d = 0;
            if (!dev_of(real_path(members + "/" + name), d)) continue;
            found.insert(d);
            ours = ours || d == st.st_rdev;
        }
        if (ours) out.insert(found.begin(), found.end());
    }
    return true;
}

bool sysfs::expand(dev_t d, const std::vector<mount_entry>& mounts, bool follow_backing, std::set<dev_t>& out,
                   int depth) const {
    if (depth > 16) return false;
    if (!out.insert(d).second) return true;
    const std::string self = dir(d);
    if (self.empty()) return false;
    for (const std::string& name : dir_entries(self + "/slaves")) {
        dev_t s = 0;
        if (!dev_of(real_path(self + "/slaves/" + name), s) || !expand(s, mounts, follow_backing, out, depth + 1))
            return false;
    }
    if (!follow_backing) return true;
    std::string backing;
    if (!read_line(self + "/loop/backing_file", backing)) return true;
    struct stat st {};
    if (stat(backing.c_str(), &st) != 0) return false;
    if (major(st.st_dev) != 0) return expand(st.st_dev, mounts, true, out, depth + 1);
    const mount_entry* holder = nullptr;
    for (const mount_entry& m : mounts)
        if (m.dev == st.st_dev) holder = &m;
    std::set<dev_t> start;
    if (!holder || !mount_devices(*holder, start)) return false;
    for (dev_t s : start)
        if (!expand(s, mounts, true, out, depth + 1)) return false;
    return true;
}

// What the operating system stands on: the devices under "/" and the whole disks they lie on.
struct system_set {
    bool known = false;
    std::set<dev_t> devices;
    std::set<dev_t> disks;
};

system_set find_system(const sysfs& sys, const std::vector<mount_entry>& mounts) {
    system_set s;
    const mount_entry* root = mount_at(mounts, "/");
    std::set<dev_t> start;
    if (!root || !sys.mount_devices(*root, start)) return s;
    for (dev_t d : start)
        if (!sys.expand(d, mounts, true, s.devices)) return s;
    for (dev_t d : s.devices) {
        dev_t whole = 0;
        if (!sys.whole_disk(d, whole)) return s;
        s.disks.insert(whole);
    }
    s.disks.insert(s.devices.begin(), s.devices.end());
    s.known = true;
    return s;
}

struct disk {
    std::string name;
    dev_t dev = 0;
};

bool is_letters(const std::string& s, size_t from) {
    return s.size() > from && std::all_of(s.begin() + static_cast<long>(from), s.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}
bool is_digits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<disk> list_disks(const linux_scope& scope) {
    std::vector<std::string> names;
    if (scope.disks) {
        for (const std::wstring& n : *scope.disks) names.push_back(os(n));
    } else {
        for (const std::string& n : dir_entries(os(scope.sys) + "/block"))
            if (is_listed_disk_name(n)) names.push_back(n);
    }
    std::vector<disk> out;
    for (const std::string& n : names) {
        disk d{n, 0};
        if (n.find('/') == std::string::npos && sysfs::dev_of(os(scope.sys) + "/block/" + n, d.dev)) out.push_back(d);
    }
    // sdb before sdaa, nvme2n1 before nvme10n1.
    std::sort(out.begin(), out.end(), [](const disk& a, const disk& b) {
        return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
    });
    out.erase(std::unique(out.begin(), out.end(), [](const disk& a, const disk& b) { return a.name == b.name; }),
              out.end());
    if (out.size() > 16) out.resize(16);
    return out;
}

// Unmounts every mount of the file system mounted at point, the topmost first. True when none is
// left (also when it wasn't mounted).
bool unmount_file_system(const std::string& mountinfo, const std::string& point) {
    const std::vector<mount_entry> mounts = read_mounts(mountinfo);
    const mount_entry* m = mount_at(mounts, point);
    if (!m) return true;
    const mount_entry target = *m;
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
        if (it->dev != target.dev) continue;
        if (umount2(it->point.c_str(), UMOUNT_NOFOLLOW) != 0 && errno != EINVAL && errno != ENOENT) return false;
    }
    return true;
}

// Holds the raw target exclusively: the system refuses that while any file system, swap area or
// device mapping still uses it, and refuses to mount it while it is held.
bool hold_exclusive(const std::wstring& path, target_holds& holds) {
    auto hold = std::make_unique<vandel::file_stream>();
    if (!hold->open(path, vandel::open_device | vandel::open_share_none | vandel::open_read)) return false;
    holds.push_back(std::move(hold));
    return true;
}

std::string home_trash() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share/Trash";
    return std::string();
}

}  // namespace

bool is_listed_disk_name(const std::string& name) {
    for (const char* prefix : {"sd", "vd", "hd", "xvd"})
        if (starts_with(name, prefix) && is_letters(name, std::string(prefix).size())) return true;
    if (starts_with(name, "mmcblk")) return is_digits(name.substr(6));
    if (starts_with(name, "nvme")) {
        const size_t n = name.find('n', 4);
        return n != std::string::npos && is_digits(name.substr(4, n - 4)) && is_digits(name.substr(n + 1));
    }
    return false;
}

linux_targets::linux_targets(linux_scope scope) : scope_(std::move(scope)) {}

// ---- volumes ----

std::vector<std::wstring> linux_targets::volume_roots() {
    std::vector<std::wstring> out;
    if (scope_.mounts) {
        for (const std::wstring& m : *scope_.mounts) {
            const std::string real = real_path(point_of(os(m)));
            out.push_back(wide(root_of(real.empty() ? point_of(os(m)) : real)));
        }
        return out;
    }
    std::vector<std::string> seen;
    for (const mount_entry& m : read_mounts(os(scope_.mountinfo))) {
        if (is_pseudo(m) || std::find(seen.begin(), seen.end(), m.point) != seen.end()) continue;
        seen.push_back(m.point);
        // A file bound over a file is no volume; a network mount is not touched here (it may hang).
        struct stat st {};
        if (!is_remote_type(m.type) && (lstat(m.point.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) continue;
        out.push_back(wide(root_of(m.point)));
    }
    return out;
}

std::wstring linux_targets::volume_root(const std::wstring& path) {
    std::string p;
    const std::wstring abs = vandel::absolute_path(vandel::normalize_path(path), L"");
    if (abs.empty() || abs[0] != L'/') return std::wstring();
    p = resolve_existing(point_of(os(abs)));
    // The deepest mount or root that holds the path decides; only a root is a volume.
    std::string best;
    bool is_root = false;
    for (const mount_entry& m : read_mounts(os(scope_.mountinfo)))
        if (holds(m.point, p) && m.point.size() > best.size()) best = m.point, is_root = false;
    std::wstring found;
    for (const std::wstring& r : volume_roots()) {
        const std::string point = point_of(os(r));
        if (holds(point, p) && point.size() >= best.size()) best = point, is_root = true, found = r;
    }
    return is_root ? found : std::wstring();
}

std::wstring linux_targets::volume_device(const std::wstring& root) {
    const std::vector<mount_entry> mounts = read_mounts(os(scope_.mountinfo));
    const mount_entry* m = mount_at(mounts, point_of(os(root)));
    std::set<dev_t> devices;
    if (!m || is_pseudo(*m) || !sysfs{os(scope_.sys)}.mount_devices(*m, devices) || devices.size() != 1)
        return std::wstring();
    const dev_t d = *devices.begin();
    std::string name;
    const std::string dir = sysfs{os(scope_.sys)}.dir(d);
    if (dir.empty()) return std::wstring();
    name = dir.substr(dir.find_last_of('/') + 1);
    // Only a node that really is that device.
    const std::string node = os(scope_.dev) + "/" + name;
    struct stat st {};
    if (stat(node.c_str(), &st) != 0 || !S_ISBLK(st.st_mode) || st.st_rdev != d) return std::wstring();
    return wide(node);
}

int32_t linux_targets::volume_kind(const std::wstring& root) {
    const std::vector<std::wstring> roots = volume_roots();
    if (std::find(roots.begin(), roots.end(), root) == roots.end()) return 6;
    const std::string point = point_of(os(root));
    const std::vector<mount_entry> mounts = read_mounts(os(scope_.mountinfo));
    const mount_entry* m = mount_at(mounts, point);
    std::string type;
    if (m) {
        type = m->type;
    } else {
        struct vandel::volume_info info;
        if (!vandel::volume_info(root, info)) return 6;
        type = os(info.file_system);
    }
    if (is_remote_type(type)) return 3;
    struct stat st {};
    if (stat(point.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 6;
    if (type == "iso9660" || type == "udf") return 4;
    if (type == "tmpfs" || type == "ramfs") return 5;
    std::set<dev_t> devices;
    const sysfs sys{os(scope_.sys)};
    dev_t whole = 0;
    std::string removable;
    if (m && sys.mount_devices(*m, devices) && sys.whole_disk(*devices.begin(), whole) &&
        read_line(sys.dir(whole) + "/removable", removable) && removable == "1")
        return 2;
    return 1;
}

std::wstring linux_targets::volume_label(const std::wstring& root) {
    const std::wstring device = volume_device(root);
    struct stat self {};
    if (device.empty() || stat(os(device).c_str(), &self) != 0) return std::wstring();
    const std::string labels = os(scope_.dev) + "/disk/by-label";
    for (const std::string& name : dir_entries(labels)) {
        struct stat st {};
        if (stat((labels + "/" + name).c_str(), &st) != 0 || !S_ISBLK(st.st_mode) || st.st_rdev != self.st_rdev)
            continue;
        // udev writes unsafe bytes as \xHH.
        std::string label;
        for (size_t i = 0; i < name.size(); ++i) {
            if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' &&
                std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
                std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
                label += static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16));
                i += 3;
            } else {
                label += name[i];
            }
        }
        return wide(label);
    }
    return std::wstring();
}

bool linux_targets::volume_devices(const std::wstring& root, std::vector<int32_t>& out) {
    const std::vector<mount_entry> mounts = read_mounts(os(scope_.mountinfo));
    const mount_entry* m = mount_at(mounts, point_of(os(root)));
    const sysfs sys{os(scope_.sys)};
    std::set<dev_t> start, devices;
    if (!m || !sys.mount_devices(*m, start)) return true;  // no block device under it
    for (dev_t d : start)
        if (!sys.expand(d, mounts, false, devices)) return false;
    std::set<dev_t> wholes;
    for (dev_t d : devices) {
        dev_t whole = 0;
        if (!sys.whole_disk(d, whole)) return false;
        wholes.insert(whole);
    }
    const std::vector<disk> disks = list_disks(scope_);
    for (size_t i = 0; i < disks.size(); ++i)
        if (wholes.count(disks[i].dev)) out.push_back(static_cast<int32_t>(i));
    return true;
}

std::wstring linux_targets::system_volume_root() { return L"/"; }

bool linux_targets::is_system_volume(const std::wstring& root) {
    const std::vector<mount_entry> mounts = read_mounts(os(scope_.mountinfo));
    const sysfs sys{os(scope_.sys)};
    const system_set s = find_system(sys, mounts);
    const mount_entry* top = mount_at(mounts, "/");
    if (!s.known || !top) return true;
    // The file system that holds the root folder decides (for a folder that is no mount point of
    // its own, the one it lies on).
    const std::string point = point_of(os(root));
    const mount_entry* m = nullptr;
    for (const mount_entry& e : mounts)
        if (holds(e.point, point) && (!m || e.point.size() >= m->point.size())) m = &e;
    if (!m || m->dev == top->dev) return true;
    std::set<dev_t> start, devices;
    if (!sys.mount_devices(*m, start)) return false;
    for (dev_t d : start)
        if (!sys.expand(d, mounts, false, devices)) return true;
    for (dev_t d : devices)
        if (s.devices.count(d)) return true;
    return false;
}

// ---- devices ----

std::vector<int32_t> linux_targets::device_numbers() {
    std::vector<int32_t> out;
    const std::vector<disk> disks = list_disks(scope_);
    for (size_t i = 0; i < disks.size(); ++i) {
        std::string sectors;
        if (read_line(os(scope_.sys) + "/block/" + disks[i].name + "/size", sectors) && !sectors.empty() &&
            sectors != "0")
            out.push_back(static_cast<int32_t>(i));
    }
    return out;
}

int32_t linux_targets::device_number(const std::wstring& path) {
    const std::vector<disk> disks = list_disks(scope_);
    for (size_t i = 0; i < disks.size(); ++i)
        if (path == wide(os(scope_.dev) + "/" + disks[i].name)) return static_cast<int32_t>(i);
    return -1;
}

std::wstring linux_targets::device_path(int32_t number) {
    const std::vector<disk> disks = list_disks(scope_);
    if (number < 0 || static_cast<size_t>(number) >= disks.size()) return std::wstring();
    return wide(os(scope_.dev) + "/" + disks[static_cast<size_t>(number)].name);
}

int32_t linux_targets::device_details(int32_t number, device_figures& out) {
    const std::vector<disk> disks = list_disks(scope_);
    if (number < 0 || static_cast<size_t>(number) >= disks.size()) return 2;
    const disk& d = disks[static_cast<size_t>(number)];
    const std::string node = os(scope_.dev) + "/" + d.name;
    const int fd = open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? 2 : 1;
    struct stat st {};
    uint64_t size = 0;
    int sector = 0;
    const bool read = fstat(fd, &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == d.dev &&
                      ioctl(fd, BLKGETSIZE64, &size) == 0 && ioctl(fd, BLKSSZGET, &sector) == 0 && size > 0;
    close(fd);
    if (!read) return 1;
    out.size = size;
    out.sector_size = static_cast<uint64_t>(sector);
    out.serial.clear();
    const std::string dir = os(scope_.sys) + "/block/" + d.name;
    std::string serial;
    if (read_line(dir + "/serial", serial) || read_line(dir + "/device/serial", serial)) {
    } else if (vandel::posix::read_small_file(dir + "/device/vpd_pg80", serial)) {
        // Unit serial number page: four header bytes, then the text.
        serial = serial.size() > 4 ? serial.substr(4) : std::string();
    } else {
        read_line(dir + "/device/wwid", serial);
    }
    out.serial = vandel::from_os_bytes(serial.substr(0, serial.find('\0')));
    while (!out.serial.empty() && out.serial.back() <= L' ') out.serial.pop_back();
    while (!out.serial.empty() && out.serial.front() <= L' ') out.serial.erase(0, 1);
    return 0;
}

bool linux_targets::is_system_device(int32_t number) {
    const std::vector<disk> disks = list_disks(scope_);
    if (number < 0 || static_cast<size_t>(number) >= disks.size()) return true;
    const system_set s = find_system(sysfs{os(scope_.sys)}, read_mounts(os(scope_.mountinfo)));
    return !s.known || s.disks.count(disks[static_cast<size_t>(number)].dev) != 0;
}

// ---- raw targets ----

std::wstring linux_targets::identity(const vandel::file_stream& target) {
    struct stat st {};
    uint64_t size = 0;
    if (target.handle() < 0 || fstat(target.handle(), &st) != 0 || !S_ISBLK(st.st_mode) ||
        ioctl(target.handle(), BLKGETSIZE64, &size) != 0)
        return std::wstring();
    const sysfs sys{os(scope_.sys)};
    const system_set s = find_system(sys, read_mounts(os(scope_.mountinfo)));
    if (!s.known || s.devices.count(st.st_rdev) || s.disks.count(st.st_rdev)) return std::wstring();
    // The disk sequence number changes whenever a medium is attached anew.
    std::string seq;
    dev_t whole = 0;
    if (!read_line(sys.dir(st.st_rdev) + "/diskseq", seq) && sys.whole_disk(st.st_rdev, whole))
        read_line(sys.dir(whole) + "/diskseq", seq);
    return wide("block " + dev_text(st.st_rdev) + " " + std::to_string(size) + " " + seq);
}

bool linux_targets::take_device_volumes(int32_t number, const std::vector<std::wstring>& roots, target_holds& holds) {
    // Unmounting acts on the machine: never through a stand-in system tree.
    if (scope_.mountinfo != L"/proc/self/mountinfo" || scope_.sys != L"/sys" || scope_.dev != L"/dev") return false;
    const std::wstring path = device_path(number);
    if (path.empty()) return false;
    for (const std::wstring& root : roots)
        if (!unmount_file_system(os(scope_.mountinfo), point_of(os(root)))) return false;
    return hold_exclusive(path, holds);
}

bool linux_targets::take_volume(const std::wstring& root, vandel::file_stream& target, target_holds& holds) {
    if (scope_.mountinfo != L"/proc/self/mountinfo" || scope_.sys != L"/sys" || scope_.dev != L"/dev") return false;
    if (!unmount_file_system(os(scope_.mountinfo), point_of(os(root)))) return false;
    return hold_exclusive(target.path(), holds);
}

// ---- recycle bins ----

std::wstring linux_targets::recycle_bin_folder(const std::wstring& root) {
    const std::string home = home_trash();
    if (!home.empty() && is_plain_dir(home) && volume_root(wide(home)) == root) return wide(home + "/");
    const std::string top = os(root);
    const std::string uid = std::to_string(getuid());
    // A shared .Trash counts only as a real sticky folder.
    struct stat st {};
    const std::string shared = top + ".Trash";
    if (lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        is_plain_dir(shared + "/" + uid))
        return wide(shared + "/" + uid + "/");
    if (is_plain_dir(top + ".Trash-" + uid)) return wide(top + ".Trash-" + uid + "/");
    return std::wstring();
}

int64_t linux_targets::recycle_bin_items(const std::wstring& root) {
    const std::wstring folder = recycle_bin_folder(root);
    if (folder.empty()) return -1;
    return static_cast<int64_t>(dir_entries(os(folder) + "files").size());
}

error_code linux_targets::empty_recycle_bin(const std::wstring& root) {
    const std::wstring folder = recycle_bin_folder(root);
    if (folder.empty()) return err_not_available;
    bool failed = false;
    for (const char* part : {"files", "info"}) {
        const std::string dir = os(folder) + part;
        for (const std::string& name : dir_entries(dir))
            if (!vandel::delete_tree(wide(dir + "/" + name), true)) failed = true;
    }
    return failed ? err_failed : err_ok;
}

}  // namespace posix

}  // namespace olvex
