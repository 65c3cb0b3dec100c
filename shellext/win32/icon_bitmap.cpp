// Win32: icons drawn into 32-bit bitmaps through a buffered paint, grey copies of icons.
#include "shellext/win32/icon_bitmap.h"

#include <uxtheme.h>

#include <algorithm>
#include <vector>

namespace olvex::zyshell {

namespace {

// Owns a GDI object.
struct gdi_object {
    HGDIOBJ h = nullptr;
    ~gdi_object() {
        if (h != nullptr) DeleteObject(h);
    }
};

BITMAPINFO top_down_info(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Returns the 32-bit pixels of a whole bitmap, top row first, and its size; empty on failure.
std::vector<RGBQUAD> read_pixels(HDC dc, HBITMAP bitmap, int& width, int& height) {
    BITMAP bm{};
    if (GetObjectW(bitmap, sizeof bm, &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight <= 0) return {};
    width = bm.bmWidth;
    height = bm.bmHeight;
    BITMAPINFO info = top_down_info(width, height);
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != height)
        return {};
    return pixels;
}

// Where the drawn icon brought no alpha (an old-style icon, or one the system converted to the
// display's colours), its mask gives it. The mask is read at its own size, scaled to the drawing
// and taken row for row from the top, as the paint buffer holds its rows.
void alpha_from_mask(HPAINTBUFFER buffer, HICON icon, int width, int height) {
    RGBQUAD* painted = nullptr;
    int row = 0;
    if (FAILED(GetBufferedPaintBits(buffer, &painted, &row)) || painted == nullptr || row < width) return;
    const auto at = [&](int x, int y) -> RGBQUAD& { return painted[static_cast<size_t>(y) * row + x]; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (at(x, y).rgbReserved != 0) return;
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) return;
    gdi_object mask{ii.hbmMask}, color{ii.hbmColor};
    HDC screen = GetDC(nullptr);
    int mask_width = 0, mask_height = 0;
    const std::vector<RGBQUAD> bits = read_pixels(screen, ii.hbmMask, mask_width, mask_height);
    ReleaseDC(nullptr, screen);
    if (bits.empty()) return;
    // A monochrome icon keeps its image below the mask, in the same bitmap.
    const int icon_height = ii.hbmColor == nullptr ? mask_height / 2 : mask_height;
    if (icon_height <= 0) return;
    for (int y = 0; y < height; ++y) {
        const size_t my = static_cast<size_t>(y) * static_cast<size_t>(icon_height) / static_cast<size_t>(height);
        for (int x = 0; x < width; ++x) {
            const size_t mx = static_cast<size_t>(x) * static_cast<size_t>(mask_width) / static_cast<size_t>(width);
            const RGBQUAD& m = bits[my * static_cast<size_t>(mask_width) + mx];
            RGBQUAD& p = at(x, y);
            if (m.rgbRed != 0 || m.rgbGreen != 0 || m.rgbBlue != 0)
                p = RGBQUAD{};
            else
                p.rgbReserved = 0xFF;
        }
    }
}

}  // namespace

HICON grey_icon(HICON icon) {
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) return nullptr;
    gdi_object mask{ii.hbmMask}, color{ii.hbmColor};
    if (ii.hbmColor == nullptr) return nullptr;
    HDC screen = GetDC(nullptr);
    int width = 0, height = 0;
    std::vector<RGBQUAD> pixels = read_pixels(screen, ii.hbmColor, width, height);
    HICON copy = nullptr;
    if (!pixels.empty()) {
        for (RGBQUAD& p : pixels) {
            double g = 0.587 * p.rgbGreen;
            g += 0.299 * p.rgbRed;
            g += 0.114 * p.rgbBlue;
            p.rgbRed = p.rgbGreen = p.rgbBlue = static_cast<BYTE>(g);
        }
        BITMAPINFO info = top_down_info(width, height);
        void* bits = nullptr;
        gdi_object grey{CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0)};
        if (grey.h != nullptr) {
            std::copy(pixels.begin(), pixels.end(), static_cast<RGBQUAD*>(bits));
            ICONINFO made{TRUE, 0, 0, ii.hbmMask, static_cast<HBITMAP>(grey.h)};
            copy = CreateIconIndirect(&made);
        }
    }
    ReleaseDC(nullptr, screen);
    return copy;
}

HBITMAP icon_bitmap(HICON icon, int width, int height) {
    if (icon == nullptr || width <= 0 || height <= 0) return nullptr;
    HBITMAP bitmap = nullptr;
    if (HDC dc = CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap != nullptr) {
            HGDIOBJ old = SelectObject(dc, bitmap);
            BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            BP_PAINTPARAMS params{};
            params.cbSize = sizeof params;
            params.dwFlags = BPPF_ERASE;
            params.pBlendFunction = &blend;
            RECT area{0, 0, width, height};
            HDC paint = nullptr;
            BufferedPaintInit();
            // Top-down, so that the buffer's rows and the mask's run the same way.
            if (HPAINTBUFFER buffer = BeginBufferedPaint(dc, &area, BPBF_TOPDOWNDIB, &params, &paint)) {
                if (DrawIconEx(paint, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL))
                    alpha_from_mask(buffer, icon, width, height);
                EndBufferedPaint(buffer, TRUE);
            }
            BufferedPaintUnInit();
            SelectObject(dc, old);
        }
        DeleteDC(dc);
    }
    return bitmap;
}

}  // namespace olvex::zyshell
