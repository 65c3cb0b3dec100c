// POSIX side of the test environment helpers: getenv, setenv and unsetenv on system bytes.
#include "tests/support/env.h"
#include "tests/support/mount.h"
#include "vandel/os_text.h"

#include <cstdlib>
#include <sys/mount.h>

namespace oblivar::test {

std::optional<std::wstring> get_env(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return vandel::from_os_bytes(v);
}

void set_env(const std::string& name, const std::optional<std::wstring>& value) {
    if (value)
        setenv(name.c_str(), vandel::to_os_bytes(*value).c_str(), 1);
    else
        unsetenv(name.c_str());
}

scoped_tmpfs::scoped_tmpfs(const sandbox& sb, const std::wstring& path, int size_kib) : path_(path) {
    sb.require_inside(path);
    make_dirs(path);
    const std::string options = "size=" + std::to_string(size_kib) + "k,mode=0755";
    mounted_ = mount("oblivar-test", vandel::to_os_bytes(path).c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
                     options.c_str()) == 0;
}

scoped_tmpfs::~scoped_tmpfs() {
    if (mounted_) umount2(vandel::to_os_bytes(path_).c_str(), MNT_DETACH);
}

}  // namespace oblivar::test
