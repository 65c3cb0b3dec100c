// POSIX: desktops have no system sound by alias; the toolkit's bell stands in for all three.
#include "gui/wipe/job_sound.h"

#include <QApplication>

namespace olvex::detail {

void system_job_sound(int) { QApplication::beep(); }

}  // namespace olvex::detail
