#pragma once
// The window of another process that asked for this one (its handle came with "-hndl").
#include <cstdint>

namespace olvex {

// Asks that window to close and waits for it a limited time. Returns false when the handle names
// no live window (there are none on POSIX systems) or the window did not answer in time.
bool close_requesting_window(uint64_t handle);

}  // namespace olvex
