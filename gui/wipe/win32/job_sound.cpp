// Win32: the system sounds by alias, played asynchronously.
#include "gui/wipe/job_sound.h"

#include "gui/wipe/job_view.h"
#include "vandel/win32/windows.h"

#include <mmsystem.h>

namespace olvex::detail {

void system_job_sound(int sound) {
    UINT_PTR alias = SND_ALIAS_SYSTEMDEFAULT;
    if (sound == sound_partly_done) alias = SND_ALIAS_SYSTEMASTERISK;
    if (sound == sound_failed) alias = SND_ALIAS_SYSTEMHAND;
    PlaySoundW(reinterpret_cast<LPCWSTR>(alias), nullptr, SND_ALIAS_ID | SND_ASYNC);
}

}  // namespace olvex::detail
