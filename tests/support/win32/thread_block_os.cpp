// Windows side of thread_block: no per-process limit on threads a test could set, so inactive.
#include "tests/support/thread_block.h"

namespace oblivar::test {

thread_block::thread_block() = default;
thread_block::~thread_block() = default;

}  // namespace oblivar::test
