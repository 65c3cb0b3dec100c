// POSIX: the line end of log files.
#include "services/log_names.h"

namespace olvex {

int32_t log_line_ending() {
    return 2;  // LF
}

}  // namespace olvex
