#pragma once
// The seven colour themes (the THEME_COLOR setting): one row each of five colour texts, two
// picture paths and a progress-bar style sheet, and the colour functions that derive readable
// text colours and shades from them. Plain texts, no Qt: windows turn them into colours.
#include <cstdint>
#include <string>

namespace olvex {

// Theme indexes.
enum : int {
    theme_white = 0,
    theme_default = 1,  // the system's own window colours
    theme_dark = 2,
    theme_yellow = 3,
    theme_aubergine = 4,
    theme_silver = 5,
    theme_teal = 6,
    theme_count = 7,
};

// Items of a theme row.
enum : int {
    theme_background = 0,
    theme_text = 1,
    theme_strong_text = 2,
    theme_link = 3,
    theme_selection = 4,
    theme_state_image = 5,
    theme_banner_image = 6,
    theme_progress_style = 7,
};

// Returns the text of item of theme; themes outside 0..6 read as theme 1, items outside 0..7
// give an empty text. Items 0 and 1 of theme 1 are empty until set_system_colors.
std::string theme_style_sheet(int theme, int item);
// Stores the system's Window and WindowText colour names for theme 1.
void set_system_colors(const std::string& window, const std::string& window_text);

// Returns the colour of a text such as "#00FF7F" as 0xRRGGBB; 0 when it holds no hex number or
// one beyond 32 bits.
uint32_t parse_color(const std::string& text);
// Returns on_dark when color is dark (red + green + blue at most 380), else on_light (also for an
// empty colour).
std::string pick_by_brightness(const std::string& color, const std::string& on_dark, const std::string& on_light);
// Returns color lightened (dark colours) or darkened (light ones) by percent (clamped to 0..100)
// as "#RRGGBB"; empty for an empty colour.
std::string shade_color(const std::string& color, int percent);

}  // namespace olvex
