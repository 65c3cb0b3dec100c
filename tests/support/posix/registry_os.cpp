// POSIX side of the registry test key: there is no system registry to clean.
#include "tests/support/registry_test_key.h"

namespace oblivar::test {

bool delete_registry_tree(int, const std::wstring&) { return true; }

}  // namespace oblivar::test
