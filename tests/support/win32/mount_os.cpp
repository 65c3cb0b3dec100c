// Win32 side of the test mounts: nothing can be mounted here; the tests that need it skip.
#include "tests/support/mount.h"

namespace oblivar::test {

scoped_tmpfs::scoped_tmpfs(const sandbox&, const std::wstring& path, int, const std::string&) : path_(path) {}

scoped_tmpfs::~scoped_tmpfs() = default;

scoped_ramfs::scoped_ramfs(const sandbox&, const std::wstring& path) : path_(path) {}

scoped_ramfs::~scoped_ramfs() = default;

scoped_loop_device::scoped_loop_device(const sandbox&, const std::wstring&) {}

scoped_loop_device::~scoped_loop_device() = default;

scoped_mount::scoped_mount(const sandbox&, const std::wstring&, const std::wstring& folder, const std::string&)
    : path_(folder) {}

scoped_mount::~scoped_mount() = default;

}  // namespace oblivar::test
