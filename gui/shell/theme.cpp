#include "gui/shell/theme.h"

#include "vandel/numbers.h"
#include "vandel/strings.h"

#include <algorithm>
#include <mutex>

namespace olvex {

namespace {

struct theme_row {
    const char* colors[5];
    const char* state_image;
    const char* banner_image;
    // Progress-bar placeholders; null: the platform's own progress bar.
    const char* bar_text;
    const char* bar_top;
    const char* bar_bottom;
};

const char* const light_state = ":/main/state_default_lbk.png";
const char* const dark_state = ":/main/state_default_dbk.png";
const char* const light_banner = ":/main/usb64_lbk.png";
const char* const dark_banner = ":/main/usb64_dbk.png";

// Theme 1's first two colours are the captured system ones (empty entries here).
const theme_row rows[theme_count] = {
    {{"#FFFFFF", "#4A4A4A", "#000000", "#004A7F", "#C9DEF5"}, light_state, light_banner, nullptr, nullptr, nullptr},
    {{"", "", "#000000", "#004A7F", "#C9DEF5"}, light_state, light_banner, nullptr, nullptr, nullptr},
    {{"#2A2A2A", "#CCCCCC", "#FFFFFF", "#EC5600", "#AEA79F"}, dark_state, dark_banner, "#2A2A2A", "#EC5600", "#8C3600"},
    {{"#FFBB3E", "#000000", "#FFFFFF", "#004A7F", "#AEA79F"}, dark_state, dark_banner, "#888888", "#4A4A4A", "#2A2A2A"},
    {{"#2C001E", "#AEA79F", "#FFFFFF", "#EC5600", "#AEA79F"}, dark_state, dark_banner, "#2C001E", "#AEA79F", "#333333"},
    {{"#BAC5C7", "#014753", "#FFFFFF", "#004A7F", "#014753"}, dark_state, dark_banner, "#888888", "#027E91", "#014753"},
    {{"#014051", "#FFFFFF", "#C0C0C0", "#DB562D", "#3C8DA0"}, dark_state, dark_banner, "#181818", "#0EA913", "#0EA913"},
};

const char* const progress_template =
    "QProgressBar {color:#TXTCOL; border: 1px solid #707070; text-align: center; border-radius: 0; "
    "background: QLinearGradient( x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #FFF, stop: 0.4999 #EEE, stop: 0.5 #DDD, "
    "stop: 1 #EEE ); width: 15px; }QProgressBar::chunk { border-radius: 0; background: QLinearGradient( x1: 0, "
    "y1: 0, x2: 0, y2: 1, stop: 0 #TOPCOL, stop: 1 #BTMCOL ); }";

std::mutex system_colors_mutex;
std::string system_window;
std::string system_window_text;

std::string replace(const std::string& text, const char* search, const std::string& by) {
    return vandel::replace_all(text, search, by, 0);
}

}  // namespace

std::string theme_style_sheet(int theme, int item) {
    if (theme < 0 || theme >= theme_count) theme = theme_default;
    const theme_row& row = rows[theme];
    switch (item) {
    case theme_background:
    case theme_text:
        if (theme == theme_default) {
            std::lock_guard<std::mutex> lock(system_colors_mutex);
            return item == theme_background ? system_window : system_window_text;
        }
        return row.colors[item];
    case theme_strong_text:
    case theme_link:
    case theme_selection:
        return row.colors[item];
    case theme_state_image:
        return row.state_image;
    case theme_banner_image:
        return row.banner_image;
    case theme_progress_style:
        if (!row.bar_text) return {};
        return replace(replace(replace(progress_template, "#TXTCOL", row.bar_text), "#TOPCOL", row.bar_top),
                       "#BTMCOL", row.bar_bottom);
    default:
        return {};
    }
}

void set_system_colors(const std::string& window, const std::string& window_text) {
    std::lock_guard<std::mutex> lock(system_colors_mutex);
    system_window = window;
    system_window_text = window_text;
}

uint32_t parse_color(const std::string& text) {
    const std::string digits = replace(vandel::trim(text, true, true), "#", "");
    uint32_t value = 0;
    if (vandel::parse_uint32(digits, value, 16) <= 0) return 0;
    return value;
}

std::string pick_by_brightness(const std::string& color, const std::string& on_dark, const std::string& on_light) {
    if (color.empty()) return on_light;
    const uint32_t c = parse_color(color);
    const uint32_t sum = ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF);
    return sum <= 380 ? on_dark : on_light;
}

std::string shade_color(const std::string& color, int percent) {
    if (color.empty()) return {};
    percent = std::clamp(percent, 0, 100);
    const uint32_t c = parse_color(color);
    int channels[3] = {static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                       static_cast<int>(c & 0xFF)};
    if (channels[0] + channels[1] + channels[2] >= 384) percent = -percent;
    uint64_t value = 0;
    for (int& ch : channels) {
        ch = std::clamp(ch + ch * percent / 100, 0, 255);
        value = value * 256 + static_cast<uint64_t>(ch);
    }
    return "#" + vandel::int_to_text<std::string>(value, 2, 6);
}

}  // namespace olvex
