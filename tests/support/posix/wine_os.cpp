// POSIX side of the Wine probe: a native process is never under Wine.
#include "tests/support/wine.h"

namespace oblivar::test {

bool running_under_wine() { return false; }

}  // namespace oblivar::test
