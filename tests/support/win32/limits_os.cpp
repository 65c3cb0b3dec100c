// Windows side of the process limits: none that a test could set, so all inactive.
#include "tests/support/limits.h"

namespace oblivar::test {

thread_block::thread_block() = default;
thread_block::~thread_block() = default;

file_size_limit::file_size_limit(int64_t) {}
file_size_limit::~file_size_limit() = default;

}  // namespace oblivar::test
