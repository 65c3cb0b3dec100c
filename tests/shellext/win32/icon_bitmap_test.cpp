// Menu pictures from icons without alpha: the mask gives the alpha, the right way up and at the
// drawing's size; the grey form of a disabled item keeps the mask and loses the colour.
#include "shellext/win32/icon_bitmap.h"

#include <gtest/gtest.h>

#include <vector>

namespace olvex::zyshell {
namespace {

constexpr RGBQUAD colour{0x20, 0x40, 0xC0, 0};  // blue, green, red; no alpha
constexpr BYTE grey_level = 98;                 // 0.299 red + 0.587 green + 0.114 blue, truncated

// An old-style square icon: its top `clear` rows transparent by the mask, the rest in colour.
HICON icon_without_alpha(int size, int clear) {
    const int stride = (size + 15) / 16 * 2;  // mask rows are word-aligned
    std::vector<BYTE> mask_bits(static_cast<size_t>(stride) * static_cast<size_t>(size), 0);
    for (int y = 0; y < clear; ++y)
        for (int b = 0; b < stride; ++b) mask_bits[static_cast<size_t>(y * stride + b)] = 0xFF;
    HBITMAP mask = CreateBitmap(size, size, 1, 1, mask_bits.data());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (mask == nullptr || color == nullptr) return nullptr;
    auto* px = static_cast<RGBQUAD*>(bits);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) px[y * size + x] = y < clear ? RGBQUAD{} : colour;
    ICONINFO ii{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(mask);
    DeleteObject(color);
    return icon;
}

TEST(icon_bitmap, an_icon_without_alpha_takes_it_from_its_mask) {
    const struct {
        int icon_size, clear_rows, width, height;
        bool grey;
        int clear_drawn;  // rows of the drawing that the mask clears
    } rows[] = {
        {16, 4, 16, 16, false, 4},
        {16, 4, 16, 16, true, 4},
        {16, 4, 24, 24, false, 6},  // drawn larger than the icon
        {32, 8, 20, 20, false, 5},  // drawn smaller
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.icon_size << " -> " << r.width << (r.grey ? " grey" : ""));
        HICON icon = icon_without_alpha(r.icon_size, r.clear_rows);
        ASSERT_NE(icon, nullptr);
        if (r.grey) {
            HICON grey = grey_icon(icon);
            DestroyIcon(icon);
            icon = grey;
            ASSERT_NE(icon, nullptr);
        }
        HBITMAP bitmap = icon_bitmap(icon, r.width, r.height);
        DestroyIcon(icon);
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
        ASSERT_EQ(dib.dsBm.bmWidth, r.width);
        ASSERT_EQ(dib.dsBm.bmHeight, r.height);
        ASSERT_GT(dib.dsBmih.biHeight, 0);  // bottom-up: the last row in memory is the top one
        const auto* px = static_cast<const RGBQUAD*>(dib.dsBm.bmBits);
        int wrong = 0;
        for (int y = 0; y < r.height; ++y) {
            for (int x = 0; x < r.width; ++x) {
                const RGBQUAD& p = px[(r.height - 1 - y) * r.width + x];
                const bool clear = y < r.clear_drawn;
                bool ok = clear ? (p.rgbReserved == 0 && p.rgbRed == 0 && p.rgbGreen == 0 && p.rgbBlue == 0)
                                : p.rgbReserved == 0xFF;
                // Unscaled, the colours are known exactly.
                if (ok && !clear && r.width == r.icon_size)
                    ok = r.grey ? (p.rgbRed == grey_level && p.rgbGreen == grey_level && p.rgbBlue == grey_level)
                                : (p.rgbRed == colour.rgbRed && p.rgbGreen == colour.rgbGreen &&
                                   p.rgbBlue == colour.rgbBlue);
                if (!ok && ++wrong <= 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": alpha " << int(p.rgbReserved) << ", rgb "
                                  << int(p.rgbRed) << " " << int(p.rgbGreen) << " " << int(p.rgbBlue);
            }
        }
        EXPECT_EQ(wrong, 0);
        DeleteObject(bitmap);
    }
}

}  // namespace
}  // namespace olvex::zyshell
