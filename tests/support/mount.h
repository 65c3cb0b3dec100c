#pragma once
// A small tmpfs that a test mounts itself inside its sandbox (Linux, as root); unmounted when the
// scope ends. Where mounting is not possible, mounted() is false and the test skips.
#include "tests/support/sandbox.h"

#include <string>

namespace oblivar::test {

// True when the mount table lists "/" (Linux). In a chroot, and in some containers, it doesn't:
// the system's volume and disks are then unknown, and every volume and disk counts as the
// system's. Tests that need to know them skip there.
bool root_is_a_listed_mount();

class scoped_tmpfs {
public:
    // Creates the folder at path (inside sb) and mounts a tmpfs of size_kib there; options are
    // further mount options ("nr_inodes=4").
    scoped_tmpfs(const sandbox& sb, const std::wstring& path, int size_kib, const std::string& options = "");
    ~scoped_tmpfs();
    scoped_tmpfs(const scoped_tmpfs&) = delete;
    scoped_tmpfs& operator=(const scoped_tmpfs&) = delete;

    bool mounted() const { return mounted_; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    bool mounted_ = false;
};

// A ramfs that a test mounts itself inside its sandbox (Linux, as root): a file system in memory
// that refuses direct transfers. It has no size limit: tests keep what they write small.
// Unmounted when the scope ends; where mounting is not possible, mounted() is false.
class scoped_ramfs {
public:
    scoped_ramfs(const sandbox& sb, const std::wstring& path);
    ~scoped_ramfs();
    scoped_ramfs(const scoped_ramfs&) = delete;
    scoped_ramfs& operator=(const scoped_ramfs&) = delete;

    bool mounted() const { return mounted_; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    bool mounted_ = false;
};

// The guarded loop device (Linux, as root): attaches an image file inside the sandbox, checks in
// /sys/block/loopN/loop/backing_file that the device is backed by exactly that file, and detaches
// it when the scope ends. Where it can't, attached() is false and the test skips.
class scoped_loop_device {
public:
    scoped_loop_device(const sandbox& sb, const std::wstring& image);
    ~scoped_loop_device();
    scoped_loop_device(const scoped_loop_device&) = delete;
    scoped_loop_device& operator=(const scoped_loop_device&) = delete;

    bool attached() const { return fd_ >= 0; }
    // "/dev/loopN".
    const std::wstring& device() const { return device_; }

private:
    std::wstring device_;
    int fd_ = -1;
};

// A file system on a loop device whose image lies inside the sandbox (see scoped_loop_device),
// mounted at a folder inside the sandbox (Linux, as root); unmounted, with everything written
// back, when the scope ends. Where it can't, mounted() is false and the test skips.
class scoped_mount {
public:
    scoped_mount(const sandbox& sb, const std::wstring& device, const std::wstring& folder, const std::string& type);
    ~scoped_mount();
    scoped_mount(const scoped_mount&) = delete;
    scoped_mount& operator=(const scoped_mount&) = delete;

    bool mounted() const { return mounted_; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    bool mounted_ = false;
};

}  // namespace oblivar::test
