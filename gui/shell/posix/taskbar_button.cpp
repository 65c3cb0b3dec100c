// POSIX side of taskbar_button: there is no taskbar indicator.
#include "gui/shell/taskbar_button.h"

namespace olvex {

struct taskbar_button::impl {};

taskbar_button::taskbar_button(uint64_t) {}
taskbar_button::~taskbar_button() = default;
void taskbar_button::show(const taskbar_indicator&) {}

}  // namespace olvex
