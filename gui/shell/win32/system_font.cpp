// Win32 side of system_font: the message font of the non-client metrics.
#include "gui/shell/system_font.h"

#include "vandel/win32/windows.h"

namespace olvex {

ui_font system_ui_font() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return {};
    ui_font font;
    font.face = QString::fromWCharArray(metrics.lfMessageFont.lfFaceName);
    // A negative height is the characters' height in pixels of the screen.
    const LONG height = metrics.lfMessageFont.lfHeight;
    if (height < 0) {
        HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) ReleaseDC(nullptr, screen);
        if (dpi > 0) font.points = -height * 72.0 / dpi;
    }
    return font;
}

}  // namespace olvex
