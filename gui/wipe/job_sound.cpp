#include "gui/wipe/job_sound.h"

#include "gui/wipe/job_view.h"

#include <atomic>

namespace olvex {

namespace {
std::atomic<job_sound_player> player_{nullptr};
}

void play_job_sound(int sound) {
    if (sound != sound_done && sound != sound_partly_done && sound != sound_failed) return;
    if (job_sound_player p = player_.load()) {
        p(sound);
        return;
    }
    detail::system_job_sound(sound);
}

job_sound_player set_job_sound_player(job_sound_player player) { return player_.exchange(player); }

}  // namespace olvex
