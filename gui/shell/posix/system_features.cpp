// POSIX side of system_features: no registry.
#include "gui/shell/system_features.h"

namespace olvex {

bool registry_features() { return false; }

}  // namespace olvex
