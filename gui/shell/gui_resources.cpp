#include "gui/shell/gui_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must stand outside any namespace.
static void init_pictures() { Q_INIT_RESOURCE(pictures); }

namespace olvex {

void init_gui_resources() {
    static const bool done = (init_pictures(), true);
    (void)done;
}

}  // namespace olvex
