#pragma once
// Cross-process tests: the test program runs itself again with one test selected. That test
// reads its orders from the environment (scoped_env in the parent; the child inherits it) and
// reports by its exit code, so a filter that selects nothing can't pass for a result.
#include <string>

namespace oblivar::test {

// Runs `program` (this test program when empty) with --gtest_filter=test_name and
// OBLIVAR_TEST_CHILD=1; returns its exit code, -1 when it could not be run.
int run_child_test(const std::string& test_name, const std::wstring& program = L"");

// True inside such a child; a child-only test skips otherwise.
bool is_child_test();

// This test program's own path.
std::wstring own_program_path();

}  // namespace oblivar::test
