// POSIX side of requesting_window: no window handles travel between processes here.
#include "gui/shell/requesting_window.h"

namespace olvex {

bool close_requesting_window(uint64_t, unsigned) { return false; }

}  // namespace olvex
