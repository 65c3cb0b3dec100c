// Win32 side of requesting_window: WM_CLOSE to a live top-level window, with a time-out.
#include "gui/shell/requesting_window.h"

#include "vandel/win32/windows.h"

namespace olvex {

bool close_requesting_window(uint64_t handle, unsigned wait_ms) {
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
    if (handle == 0 || !IsWindow(window)) return false;
    // A hung requester must not keep this instance from starting.
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, wait_ms, &result) != 0;
}

}  // namespace olvex
