// Win32: menu pictures: the DLL's icon groups drawn into 32-bit bitmaps with alpha, grey for
// disabled items, made once per group and state and deleted when the DLL unloads.
#include "shellext/win32/server.h"

#include <uxtheme.h>

#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace olvex::zyshell {

namespace {

// The icon size for the system's small-icon height, chosen once it is known.
int icon_size() {
    static std::atomic<int> chosen{0};
    int size = chosen;
    if (size > 0) return size;
    const int m = GetSystemMetrics(SM_CYSMICON);
    size = m >= 32 ? 32 : m >= 24 ? 24 : m >= 20 ? 20 : m >= 1 ? 16 : m;
    if (size > 0) chosen = size;
    return size;
}

// Owns a GDI object.
struct gdi_object {
    HGDIOBJ h = nullptr;
    ~gdi_object() {
        if (h != nullptr) DeleteObject(h);
    }
};

// Returns the 32-bit pixels of a bitmap, top row first; empty on failure.
std::vector<RGBQUAD> read_pixels(HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * height);
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != height)
        return {};
    return pixels;
}

// Returns a grey copy of the icon with the same mask; null on failure.
HICON grey_copy(HICON icon) {
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) return nullptr;
    gdi_object mask{ii.hbmMask}, color{ii.hbmColor};
    BITMAP bm{};
    if (ii.hbmColor == nullptr || GetObjectW(ii.hbmColor, sizeof bm, &bm) == 0) return nullptr;
    HDC screen = GetDC(nullptr);
    std::vector<RGBQUAD> pixels = read_pixels(screen, ii.hbmColor, bm.bmWidth, bm.bmHeight);
    HICON copy = nullptr;
    if (!pixels.empty()) {
        for (RGBQUAD& p : pixels) {
            double g = 0.587 * p.rgbGreen;
            g += 0.299 * p.rgbRed;
            g += 0.114 * p.rgbBlue;
            p.rgbRed = p.rgbGreen = p.rgbBlue = static_cast<BYTE>(g);
        }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = bm.bmWidth;
        info.bmiHeader.biHeight = -bm.bmHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
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

// Where the icon brought no alpha (an old-style icon), its mask gives it: transparent where the
// mask is set, opaque elsewhere.
void alpha_from_mask(HPAINTBUFFER buffer, HDC dc, HICON icon, int width, int height) {
    RGBQUAD* painted = nullptr;
    int row = 0;
    if (FAILED(GetBufferedPaintBits(buffer, &painted, &row)) || painted == nullptr) return;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (painted[y * row + x].rgbReserved != 0) return;
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii)) return;
    gdi_object mask{ii.hbmMask}, color{ii.hbmColor};
    const std::vector<RGBQUAD> bits = read_pixels(dc, ii.hbmMask, width, height);
    if (bits.empty()) return;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            RGBQUAD& p = painted[y * row + x];
            const RGBQUAD& m = bits[static_cast<size_t>(y) * width + x];
            if (m.rgbRed != 0 || m.rgbGreen != 0 || m.rgbBlue != 0) p = RGBQUAD{};
            else p.rgbReserved = 0xFF;
        }
    }
}

HBITMAP make_bitmap(int group, bool grey) {
    const int size = icon_size();
    if (size <= 0) return nullptr;
    HICON icon = static_cast<HICON>(LoadImageW(module(), MAKEINTRESOURCEW(group), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (icon == nullptr) return nullptr;
    if (grey) {
        HICON copy = grey_copy(icon);
        DestroyIcon(icon);
        icon = copy;
        if (icon == nullptr) return nullptr;
    }
    const int width = GetSystemMetrics(SM_CXSMICON), height = GetSystemMetrics(SM_CYSMICON);
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
            if (HPAINTBUFFER buffer = BeginBufferedPaint(dc, &area, BPBF_DIB, &params, &paint)) {
                if (DrawIconEx(paint, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL))
                    alpha_from_mask(buffer, dc, icon, width, height);
                EndBufferedPaint(buffer, TRUE);
            }
            BufferedPaintUnInit();
            SelectObject(dc, old);
        }
        DeleteDC(dc);
    }
    DestroyIcon(icon);
    return bitmap;
}

// The bitmaps made so far, by group and grey flag; deleted when the DLL unloads, as menus that
// Explorer still shows may hold them until then.
class bitmap_cache {
public:
    ~bitmap_cache() {
        for (auto& [key, bitmap] : bitmaps_) DeleteObject(bitmap);
    }
    HBITMAP get(int group, bool grey) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto key = std::make_pair(group, grey);
        const auto found = bitmaps_.find(key);
        if (found != bitmaps_.end()) return found->second;
        HBITMAP made = make_bitmap(group, grey);
        if (made != nullptr) bitmaps_.emplace(key, made);
        return made;
    }

private:
    std::mutex mutex_;
    std::map<std::pair<int, bool>, HBITMAP> bitmaps_;
};

bitmap_cache cache;

}  // namespace

HBITMAP menu_bitmap(int group, bool grey) { return cache.get(group, grey); }

}  // namespace olvex::zyshell
