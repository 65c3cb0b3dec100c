#include "gui/shell/main_layout.h"

#include "gui/shell/theme.h"
#include "services/settings.h"

namespace olvex {

namespace {

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string black_or_white(const std::string& color) { return pick_by_brightness(color, "#FFFFFF", "#000000"); }

// The tool bar's background: the theme's, shaded when a shown tool bar asks for it.
std::string toolbar_background(const main_settings& s) {
    const std::string background = theme_style_sheet(s.theme, theme_background);
    return s.show_toolbar && s.shaded_toolbar ? shade_color(background, 20) : background;
}

}  // namespace

main_settings read_main_settings(settings& st) {
    main_settings s;
    s.show_menu = st.get_show_menu();
    s.show_toolbar = st.get_show_toolbar();
    s.show_files = st.get_show_files_btn();
    s.show_device = st.get_show_device_btn();
    s.show_volume = st.get_show_volume_btn();
    s.show_space = st.get_show_space_btn();
    s.show_trash = st.get_show_trash_btn();
    s.show_page = st.get_show_page_btn();
    s.show_tools = st.get_show_tools_btn();
    s.toolbar_size = st.get_toolbar_size();
    s.toolbar_text = st.get_toolbar_text();
    s.toolbar_place = st.get_toolbar_place();
    s.shaded_toolbar = st.get_shaded_toolbar();
    s.transparent_menu = st.get_transparent_menu();
    s.theme = st.get_theme_color();
    return s;
}

main_layout layout_of(const main_settings& s, bool page_file_offered) {
    main_layout l;
    // The menu bar goes only when the tool bar (with its tools button) stands in for it.
    const bool hide_menu = !s.show_menu && s.show_toolbar;
    l.menu_bar_visible = !hide_menu;
    l.toolbar_visible = s.show_toolbar;
    l.files_button = s.show_files;
    l.device_button = s.show_device;
    l.volume_button = s.show_volume;
    l.space_button = s.show_space;
    l.trash_button = s.show_trash;
    l.page_button = s.show_page && page_file_offered;
    l.page_entry = page_file_offered;
    l.tools_button = hide_menu || s.show_tools;
    l.icon_size = s.toolbar_size == 0 ? 24 : s.toolbar_size == 2 ? 48 : 32;
    l.button_style = s.toolbar_text == 0 ? 0 : s.toolbar_text == 2 ? 2 : 3;
    l.place = s.toolbar_place == toolbar_top ? toolbar_top : s.toolbar_place == toolbar_right ? toolbar_right : toolbar_left;
    return l;
}

std::string toolbar_place_styles(int place, int width) {
    if (place == toolbar_top) return "padding-left: 5px; padding-right: 5px;";
    return "min-width: " + std::to_string(width) + "px;";
}

std::string toolbar_style_sheet(const main_settings& s, const std::string& styles) {
    std::string sheet =
        "QToolBar { border-style: outset; background-color: #BKGCOL; } QToolButton{ padding-bottom: 4px; "
        "color:#TXTCOL; #STYLES }";
    replace_all(sheet, "#TXTCOL", black_or_white(theme_style_sheet(s.theme, theme_background)));
    replace_all(sheet, "#BKGCOL", toolbar_background(s));
    replace_all(sheet, "#STYLES", styles);
    return sheet;
}

std::string menubar_style_sheet(const main_settings& s, const std::string& window, const std::string& window_text) {
    if (!s.transparent_menu || !layout_of(s, true).menu_bar_visible) return {};
    std::string sheet =
        "QMenuBar { background-color: #WINBK; color: #WINTX; }QMenuBar::item { spacing: 3px; padding:2px 5px; "
        "background: transparent; border-radius: 0px; }QMenuBar::item:selected { background: #SELBK; color: "
        "#SELTX; }QMenuBar::item:pressed { background: #PRSBK; color: #PRSTX; }";
    const std::string background = theme_style_sheet(s.theme, theme_background);
    const std::string selection = theme_style_sheet(s.theme, theme_selection);
    replace_all(sheet, "#WINBK", s.toolbar_place == toolbar_top ? toolbar_background(s) : background);
    replace_all(sheet, "#WINTX", black_or_white(background));
    replace_all(sheet, "#SELBK", selection);
    replace_all(sheet, "#SELTX", black_or_white(selection));
    replace_all(sheet, "#PRSBK", window);
    replace_all(sheet, "#PRSTX", window_text);
    return sheet;
}

std::wstring window_title(const std::wstring& base, const std::wstring& caption) {
    return caption.empty() ? base : base + L" (" + caption + L")";
}

void apply_taskbar_value(taskbar_indicator& t, int value) {
    t.visible = value != 0;
    if (value >= 0) t.value = value;
    if (!t.visible) return;
    if (value == -1) {
        t.paused = !t.stopped;  // a stopped indicator stays stopped
    } else if (value == -2) {
        t.stopped = true;
        t.paused = false;
    } else if (t.paused || t.stopped) {
        t.paused = false;
        t.stopped = false;
    }
}

bool stored_position(int32_t& x, int32_t& y) {
    if (x < 0 && y < 0) return false;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    return true;
}

}  // namespace olvex
