#include "tests/support/registry_test_key.h"

#include <chrono>
#include <cstdint>
#include <random>

namespace oblivar::test {

registry_test_key::registry_test_key() {
    std::random_device rd;
    uint64_t v = (static_cast<uint64_t>(rd()) << 32) ^ rd() ^
                 static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    path_ = L"Software\\OblivarTest-";
    for (int i = 15; i >= 0; --i) path_ += L"0123456789abcdef"[(v >> (4 * i)) & 15];
}

registry_test_key::~registry_test_key() { delete_registry_tree(2, path_); }

}  // namespace oblivar::test
