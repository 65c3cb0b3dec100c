#pragma once
// What the main window decides without drawing: which bars, buttons and entries the appearance
// settings show, the tool bar's and menu bar's style sheets, the title, the taskbar indicator and
// the use of a stored position. Plain values, so tests need no window.
#include <cstdint>
#include <string>

namespace olvex {

class settings;

// The appearance settings as the main window reads them.
struct main_settings {
    bool show_menu = true;
    bool show_toolbar = true;
    bool show_files = true, show_device = true, show_volume = true, show_space = true, show_trash = true,
         show_page = true, show_tools = true;
    int toolbar_size = 1;
    int toolbar_text = 1;
    int toolbar_place = 0;
    bool shaded_toolbar = false;
    bool transparent_menu = false;
    int theme = 1;
};

// Reads them from the settings object.
main_settings read_main_settings(settings& s);

// Places of the tool bar.
enum : int { toolbar_left = 0, toolbar_top = 1, toolbar_right = 2 };

struct main_layout {
    bool menu_bar_visible = true;
    bool toolbar_visible = true;
    bool files_button = true, device_button = true, volume_button = true, space_button = true, trash_button = true,
         page_button = true;
    bool page_entry = true;    // the Oblivar menu's page-file entry
    bool tools_button = true;  // the tools button on the tool bar
    int icon_size = 32;        // square
    int button_style = 3;      // Qt::ToolButtonStyle: 0 icon only, 2 text beside, 3 text under
    int place = toolbar_left;
};

// Returns what the settings show. page_file_offered is false on a portable copy and where the
// system keeps no page-file setting.
main_layout layout_of(const main_settings& s, bool page_file_offered);

// Returns the tool bar's style sheet for the theme; styles fills "#STYLES" (it depends on the
// tool bar's place and width).
std::string toolbar_style_sheet(const main_settings& s, const std::string& styles);
// Returns "#STYLES" for the place: padding at the top, else a minimum width of width pixels.
std::string toolbar_place_styles(int place, int width);
// Returns the menu bar's style sheet: empty unless the menu bar is shown and transparent.
// window and window_text are the window's palette colour names.
std::string menubar_style_sheet(const main_settings& s, const std::string& window, const std::string& window_text);

// Returns base, with the caption in brackets after it when there is one.
std::wstring window_title(const std::wstring& base, const std::wstring& caption);

// The taskbar button's progress indicator.
struct taskbar_indicator {
    bool visible = false;
    int value = 0;  // 0..100
    bool paused = false;
    bool stopped = false;
};
// Applies the job window's taskbar value: 0 hides, -1 pauses, -2 stops, a value >= 0 is shown
// (and resumes a paused or stopped indicator).
void apply_taskbar_value(taskbar_indicator& indicator, int value);

// A stored position is used when either coordinate is 0 or more; a negative one becomes 0.
// Returns whether to move, with x and y the place.
bool stored_position(int32_t& x, int32_t& y);

}  // namespace olvex
