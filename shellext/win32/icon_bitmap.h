#pragma once
// Win32: an icon drawn into a 32-bit bitmap with alpha for a menu item, and its grey form for a
// disabled one. Apart from the DLL's state, so that any icon can be drawn and checked.
#include "vandel/win32/windows.h"

namespace olvex::zyshell {

// Returns a grey copy of the icon with the same mask; null on failure.
HICON grey_icon(HICON icon);

// Returns a 32-bit bottom-up DIB section of width x height pixels holding the icon drawn at that
// size with per-pixel alpha: the icon's own, or, for an icon that brings none, its mask's
// (transparent where the mask is set, opaque elsewhere). Null on failure.
HBITMAP icon_bitmap(HICON icon, int width, int height);

}  // namespace olvex::zyshell
