// Win32 side of system_features: the registry holds the page-file and Explorer settings.
#include "gui/shell/system_features.h"

namespace olvex {

bool registry_features() { return true; }

}  // namespace olvex
