// Win32 side of system_font: the message font of the non-client metrics, as GDI draws it.
#include "gui/shell/system_font.h"

#include "vandel/win32/windows.h"

namespace olvex {

ui_font system_ui_font() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return {};
    ui_font font;
    font.face = QString::fromWCharArray(metrics.lfMessageFont.lfFaceName);
    HDC screen = GetDC(nullptr);
    if (!screen) return font;
    // The metrics may name an alias ("MS Shell Dlg"): the face GDI really draws it with says more.
    if (HFONT message = CreateFontIndirectW(&metrics.lfMessageFont)) {
        HGDIOBJ before = SelectObject(screen, message);
        wchar_t face[LF_FACESIZE] = {};
        if (GetTextFaceW(screen, LF_FACESIZE, face) > 0 && face[0]) font.face = QString::fromWCharArray(face);
        SelectObject(screen, before);
        DeleteObject(message);
    }
    // A negative height is the characters' height in pixels of the screen.
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    if (metrics.lfMessageFont.lfHeight < 0 && dpi > 0) font.points = -metrics.lfMessageFont.lfHeight * 72.0 / dpi;
    ReleaseDC(nullptr, screen);
    return font;
}

}  // namespace olvex
