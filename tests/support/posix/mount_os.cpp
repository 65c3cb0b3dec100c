// POSIX side of the test mounts: tmpfs and ramfs by mount(2), loop devices by their ioctls.
#include "tests/support/mount.h"
#include "vandel/os_text.h"
#include "vandel/posix/system_files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace oblivar::test {

namespace {

// The whole text of a small system file, without its final line breaks; empty when unreadable.
std::string read_text(const std::string& path) {
    std::string out;
    if (!vandel::posix::read_small_file(path, out)) return std::string();
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace

scoped_tmpfs::scoped_tmpfs(const sandbox& sb, const std::wstring& path, int size_kib, const std::string& options)
    : path_(path) {
    sb.require_inside(path);
    make_dirs(path);
    const std::string all = "size=" + std::to_string(size_kib) + "k,mode=0755" + (options.empty() ? "" : "," + options);
    mounted_ = mount("oblivar-test", vandel::to_os_bytes(path).c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
                     all.c_str()) == 0;
}

scoped_tmpfs::~scoped_tmpfs() {
    if (mounted_) umount2(vandel::to_os_bytes(path_).c_str(), MNT_DETACH);
}

scoped_ramfs::scoped_ramfs(const sandbox& sb, const std::wstring& path) : path_(path) {
    sb.require_inside(path);
    make_dirs(path);
    mounted_ = mount("oblivar-test", vandel::to_os_bytes(path).c_str(), "ramfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
                     "mode=0755") == 0;
}

scoped_ramfs::~scoped_ramfs() {
    if (mounted_) umount2(vandel::to_os_bytes(path_).c_str(), MNT_DETACH);
}

scoped_loop_device::scoped_loop_device(const sandbox& sb, const std::wstring& image) {
    sb.require_inside(image);
    const std::string real = vandel::posix::real_path(vandel::to_os_bytes(image));
    if (real.empty()) return;
    const int control = open("/dev/loop-control", O_RDWR | O_CLOEXEC);
    if (control < 0) return;
    for (int attempt = 0; attempt < 10 && fd_ < 0; ++attempt) {
        const int n = ioctl(control, LOOP_CTL_GET_FREE);
        if (n < 0) break;
        const std::string dev = "/dev/loop" + std::to_string(n);
        const int loop = open(dev.c_str(), O_RDWR | O_CLOEXEC);
        const int backing = open(real.c_str(), O_RDWR | O_CLOEXEC);
        const bool set = loop >= 0 && backing >= 0 && ioctl(loop, LOOP_SET_FD, backing) == 0;
        if (backing >= 0) close(backing);
        if (!set) {
            if (loop >= 0) close(loop);
            if (errno == EBUSY) continue;  // taken meanwhile by someone else
            break;
        }
        // Use the device only when the system says it is backed by our image.
        const std::string backing_name = read_text("/sys/block/loop" + std::to_string(n) + "/loop/backing_file");
        if (backing_name != real) {
            ioctl(loop, LOOP_CLR_FD, 0);
            close(loop);
            break;
        }
        fd_ = loop;
        device_ = vandel::from_os_bytes(dev);
    }
    close(control);
}

scoped_loop_device::~scoped_loop_device() {
    if (fd_ < 0) return;
    ioctl(fd_, LOOP_CLR_FD, 0);
    close(fd_);
}

scoped_mount::scoped_mount(const sandbox& sb, const std::wstring& device, const std::wstring& folder,
                           const std::string& type)
    : path_(folder) {
    sb.require_inside(folder);
    // Only a loop device backed by an image of this sandbox.
    const std::string dev = vandel::to_os_bytes(device);
    if (dev.rfind("/dev/loop", 0) != 0) return;
    const std::string backing = read_text("/sys/block/" + dev.substr(5) + "/loop/backing_file");
    if (backing.empty()) return;
    sb.require_inside(vandel::from_os_bytes(backing));
    make_dirs(folder);
    mounted_ = mount(dev.c_str(), vandel::to_os_bytes(folder).c_str(), type.c_str(), MS_NOSUID | MS_NODEV | MS_NOEXEC,
                     nullptr) == 0;
}

scoped_mount::~scoped_mount() {
    if (!mounted_) return;
    const std::string p = vandel::to_os_bytes(path_);
    if (umount2(p.c_str(), 0) != 0) umount2(p.c_str(), MNT_DETACH);
}

bool root_is_a_listed_mount() {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // Fields: id, parent, major:minor, root, mount point, ...
        std::istringstream fields(line);
        std::string field, point;
        for (int i = 0; i < 5 && fields >> field; ++i) point = field;
        if (point == "/") return true;
    }
    return false;
}

}  // namespace oblivar::test
