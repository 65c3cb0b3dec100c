#include "gui/shell/gui_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must stand outside any namespace.
static void init_images() {}

namespace olvex {

void init_gui_resources() {
    static const bool done = (init_images(), true);
    (void)done;
}

}  // namespace olvex
