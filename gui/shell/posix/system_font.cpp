// POSIX side of system_font: the platform theme gives Qt the desktop's UI font itself.
#include "gui/shell/system_font.h"

namespace olvex {

ui_font system_ui_font() { return {}; }

}  // namespace olvex
