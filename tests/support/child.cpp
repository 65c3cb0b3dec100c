#include "tests/support/child.h"

#include "tests/support/env.h"

namespace oblivar::test {

bool is_child_test() {
    const auto v = get_env("OBLIVAR_TEST_CHILD");
    return v && *v == L"1";
}

}  // namespace oblivar::test
