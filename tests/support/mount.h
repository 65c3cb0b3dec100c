#pragma once
// A small tmpfs that a test mounts itself inside its sandbox (Linux, as root); unmounted when the
// scope ends. Where mounting is not possible, mounted() is false and the test skips.
#include "tests/support/sandbox.h"

#include <string>

namespace oblivar::test {

class scoped_tmpfs {
public:
    // Creates the folder at path (inside sb) and mounts a tmpfs of size_kib there.
    scoped_tmpfs(const sandbox& sb, const std::wstring& path, int size_kib);
    ~scoped_tmpfs();
    scoped_tmpfs(const scoped_tmpfs&) = delete;
    scoped_tmpfs& operator=(const scoped_tmpfs&) = delete;

    bool mounted() const { return mounted_; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    bool mounted_ = false;
};

}  // namespace oblivar::test
