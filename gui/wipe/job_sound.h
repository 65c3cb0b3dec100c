#pragma once
// The sound of a job's end, played by the system without waiting; a seam that tests replace.

namespace olvex {

// Plays the sound of sound_done, sound_partly_done or sound_failed; nothing for other values.
void play_job_sound(int sound);
// Replaces the player for the process (tests record); nullptr restores the system's.
// Returns the previous one.
using job_sound_player = void (*)(int sound);
job_sound_player set_job_sound_player(job_sound_player player);

namespace detail {
// The system side, one body per OS.
void system_job_sound(int sound);
}  // namespace detail

}  // namespace olvex
