#pragma once
// The window of another process that asked for this one (its handle came with "-hndl").
#include <cstdint>

namespace olvex {

// How long start-up waits for the requesting window to close.
constexpr unsigned requesting_window_wait_ms = 5000;

// Asks that window to close and waits for it at most wait_ms. Returns false when the handle names
// no live window (there are none on POSIX systems) or the window did not answer in time.
bool close_requesting_window(uint64_t handle, unsigned wait_ms = requesting_window_wait_ms);

}  // namespace olvex
