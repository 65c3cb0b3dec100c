// Win32: menu pictures: the DLL's icon groups drawn into 32-bit bitmaps with alpha, grey for
// disabled items, made once per group and state and deleted when the DLL unloads.
#include "shellext/win32/icon_bitmap.h"
#include "shellext/win32/server.h"

#include <atomic>
#include <map>
#include <mutex>
#include <utility>

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

HBITMAP make_bitmap(int group, bool grey) {
    const int size = icon_size();
    if (size <= 0) return nullptr;
    HICON icon = static_cast<HICON>(LoadImageW(module(), MAKEINTRESOURCEW(group), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (icon == nullptr) return nullptr;
    if (grey) {
        HICON copy = grey_icon(icon);
        DestroyIcon(icon);
        icon = copy;
        if (icon == nullptr) return nullptr;
    }
    HBITMAP bitmap = icon_bitmap(icon, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
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
