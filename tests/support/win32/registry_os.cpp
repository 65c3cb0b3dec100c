// Win32 side of the registry test key: removes a test's key tree from the private prefix.
#include "tests/support/registry_test_key.h"
#include "vandel/win32/windows.h"

namespace oblivar::test {

bool delete_registry_tree(int scope, const std::wstring& path) {
    // Only test keys: a path outside HKCU\Software\OblivarTest-* is never touched.
    if (scope != 2 || path.rfind(L"Software\\OblivarTest-", 0) != 0) return false;
    // RegDeleteTreeW empties the key; the key itself goes with RegDeleteKeyW.
    if (RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()) == ERROR_FILE_NOT_FOUND) return true;
    const LSTATUS rc = RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

}  // namespace oblivar::test
