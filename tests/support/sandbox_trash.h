#pragma once
// A freedesktop Trash inside the sandbox, made the user's while the object lives (HOME and
// XDG_DATA_HOME point into the sandbox): a file and a folder holding a file, with their info
// entries; beside it, outside the Trash, "other.txt" that no bin job may touch.
#include "tests/support/env.h"
#include "tests/support/sandbox.h"

#include <string>

namespace oblivar::test {

struct sandbox_trash {
    explicit sandbox_trash(const sandbox& sb)
        : home("HOME", sb.path(L"home")), data("XDG_DATA_HOME", sb.path(L"home/.local/share")),
          folder(sb.path(L"home/.local/share/Trash")) {
        make_dirs(folder + L"/files/dir");
        make_dirs(folder + L"/info");
        write_bytes(folder + L"/files/a.txt", "a");
        write_bytes(folder + L"/files/dir/b.txt", "b");
        write_bytes(folder + L"/info/a.txt.trashinfo", "[Trash Info]\n");
        write_bytes(folder + L"/info/dir.trashinfo", "[Trash Info]\n");
        write_bytes(sb.path(L"other.txt"), "other");
    }

    scoped_env home, data;
    const std::wstring folder;
};

}  // namespace oblivar::test
