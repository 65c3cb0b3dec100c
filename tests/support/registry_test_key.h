#pragma once
// A unique key under HKCU\Software for tests that use the real registry (Windows, in the test
// run's private Wine prefix); the whole tree under it is deleted afterwards.
#include <string>

namespace oblivar::test {

class registry_test_key {
public:
    registry_test_key();
    ~registry_test_key();
    registry_test_key(const registry_test_key&) = delete;
    registry_test_key& operator=(const registry_test_key&) = delete;

    // "Software\OblivarTest-" followed by 16 random hex digits; under HKCU (scope 2).
    const std::wstring& path() const { return path_; }
    // The key's name under "Software".
    std::wstring name() const { return path_.substr(9); }

private:
    std::wstring path_;
};

// Deletes scope\path and everything under it from the system's registry (Windows only; does
// nothing elsewhere). Returns whether it is gone.
bool delete_registry_tree(int scope, const std::wstring& path);

}  // namespace oblivar::test
