#pragma once
// A private temporary folder per test, and plain file helpers that use the OS directly (not the
// library under test). Every destructive test checks its targets with require_inside first.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace oblivar::test {

class sandbox {
public:
    // Creates a fresh folder under the process's temporary folder (TMPDIR; under Wine the
    // prefix's C:\ temporary folder, never another drive).
    sandbox();
    // Adopts the folder that the sandbox of another test process made (an end-to-end test hands
    // its own to a program it runs). Aborts unless it is a folder inside this process's temporary
    // folder; the folder stays when this object goes.
    explicit sandbox(const std::wstring& existing);
    ~sandbox();
    sandbox(const sandbox&) = delete;
    sandbox& operator=(const sandbox&) = delete;

    // The folder, without a trailing separator.
    const std::wstring& root() const { return root_; }
    // root + separator + rel; "/" in rel becomes the native separator.
    std::wstring path(const std::wstring& rel) const;
    // True when p lies strictly inside the folder (lexically, with no ".." step, and on POSIX
    // also after resolving links in the part of p that exists).
    bool contains(const std::wstring& p) const;
    // Aborts the test process when p is not inside: a destructive call must never go further.
    void require_inside(const std::wstring& p) const;

private:
    std::wstring root_;
    bool adopted_ = false;
};

// A GoogleTest fixture owning one sandbox.
class sandbox_test : public ::testing::Test {
protected:
    sandbox sb;
};

// Native separator of the build ('/' or '\').
wchar_t native_separator();

// Plain OS helpers on full paths. Each fails the current test (ADD_FAILURE) on an OS error.
void write_bytes(const std::wstring& path, const std::string& bytes);
std::string read_bytes(const std::wstring& path);
bool path_exists(const std::wstring& path);  // lstat-like: a dangling link exists
bool is_directory(const std::wstring& path);
void make_dirs(const std::wstring& path);
// Names below root, relative, with '/' separators, folders with a trailing '/', sorted.
std::vector<std::wstring> list_tree(const std::wstring& root);
// Removes a tree without following links, however deep; used by the sandbox itself.
void remove_tree(const std::wstring& path);
// Makes `levels` folders named `name`, each inside the one before, in the folder at path (which
// exists), and a file "leaf" holding bytes in the last one. The tree may go deeper than any path
// the system takes.
void make_deep_tree(const std::wstring& path, const std::wstring& name, int levels, const std::string& bytes);
// Sets a file's last-write time (seconds since 1970 UTC, negative before).
void set_write_time(const std::wstring& path, int64_t unix_seconds);
// Creates a symbolic link; false when the system (or Wine) can't make one here.
bool make_link(const std::wstring& link, const std::wstring& target, bool folder);
// Creates a named pipe; false where the system has none in its file system (Windows).
bool make_fifo(const std::wstring& path);

// Bytes of a repeated pattern, handy for known contents.
std::string pattern_bytes(size_t size, const std::string& pattern);

}  // namespace oblivar::test
