#include "gui/shell/main_layout.h"
#include "gui/shell/theme.h"

#include <gtest/gtest.h>

namespace {

using olvex::main_settings;

TEST(MainLayout, BarsAndButtons) {
    const struct {
        bool show_menu, show_toolbar, show_tools;
        bool menu_bar, tools_button;
    } rows[] = {
        {false, false, false, true, false},  // without a tool bar the menu bar stays
        {false, true, false, false, true},   // the tools button stands in for the menu
        {true, true, false, true, false},
        {true, true, true, true, true},
    };
    for (const auto& r : rows) {
        main_settings s;
        s.show_menu = r.show_menu;
        s.show_toolbar = r.show_toolbar;
        s.show_tools = r.show_tools;
        const olvex::main_layout l = olvex::layout_of(s, true);
        EXPECT_EQ(l.menu_bar_visible, r.menu_bar) << r.show_menu << r.show_toolbar << r.show_tools;
        EXPECT_EQ(l.tools_button, r.tools_button) << r.show_menu << r.show_toolbar << r.show_tools;
        EXPECT_EQ(l.toolbar_visible, r.show_toolbar);
    }
    main_settings s;
    s.show_device = false;
    s.show_page = true;
    EXPECT_FALSE(olvex::layout_of(s, true).device_button);
    EXPECT_TRUE(olvex::layout_of(s, true).page_button);
    EXPECT_TRUE(olvex::layout_of(s, true).page_entry);
    EXPECT_FALSE(olvex::layout_of(s, false).page_button);  // portable, or no page-file setting
    EXPECT_FALSE(olvex::layout_of(s, false).page_entry);
}

TEST(MainLayout, IconSizesStylesAndPlaces) {
    const struct {
        int value, icon, style, place;
    } rows[] = {{0, 24, 0, 0}, {1, 32, 3, 1}, {2, 48, 2, 2}, {3, 32, 3, 0}, {-1, 32, 3, 0}};
    for (const auto& r : rows) {
        main_settings s;
        s.toolbar_size = s.toolbar_text = s.toolbar_place = r.value;
        const olvex::main_layout l = olvex::layout_of(s, true);
        EXPECT_EQ(l.icon_size, r.icon) << r.value;
        EXPECT_EQ(l.button_style, r.style) << r.value;
        EXPECT_EQ(l.place, r.place) << r.value;
    }
}

TEST(MainLayout, StyleSheets) {
    main_settings s;
    s.theme = olvex::theme_dark;  // "#2A2A2A"
    EXPECT_EQ(olvex::toolbar_style_sheet(s, olvex::toolbar_place_styles(olvex::toolbar_top, 0)),
              "QToolBar { border-style: outset; background-color: #2A2A2A; } QToolButton{ padding-bottom: 4px; "
              "color:#FFFFFF; padding-left: 5px; padding-right: 5px; }");
    s.shaded_toolbar = true;
    EXPECT_NE(olvex::toolbar_style_sheet(s, olvex::toolbar_place_styles(olvex::toolbar_left, 57))
                  .find("background-color: #323232; } QToolButton{ padding-bottom: 4px; color:#FFFFFF; min-width: 57px; }"),
              std::string::npos);
    s.show_toolbar = false;  // a hidden tool bar is never shaded
    EXPECT_NE(olvex::toolbar_style_sheet(s, "").find("#2A2A2A"), std::string::npos);

    s = main_settings();
    s.theme = olvex::theme_white;
    EXPECT_EQ(olvex::menubar_style_sheet(s, "#efefef", "#000000"), "");  // not transparent
    s.transparent_menu = true;
    s.shaded_toolbar = true;
    s.toolbar_place = olvex::toolbar_top;
    const std::string sheet = olvex::menubar_style_sheet(s, "#efefef", "#101010");
    const std::string white = olvex::theme_style_sheet(olvex::theme_white, olvex::theme_background);
    EXPECT_NE(sheet.find("QMenuBar { background-color: " + olvex::shade_color(white, 20) + "; color: #000000; }"),
              std::string::npos)
        << sheet;
    EXPECT_NE(sheet.find("QMenuBar::item:pressed { background: #efefef; color: #101010; }"), std::string::npos);
    s.show_menu = false;  // the tool bar stands in: no menu bar to style
    EXPECT_EQ(olvex::menubar_style_sheet(s, "#efefef", "#101010"), "");
}

TEST(MainLayout, TitleWithCaption) {
    EXPECT_EQ(olvex::window_title(L"Oblivar", L""), L"Oblivar");
    EXPECT_EQ(olvex::window_title(L"Oblivar", L"45%"), L"Oblivar (45%)");
}

TEST(MainLayout, TaskbarIndicator) {
    olvex::taskbar_indicator t;
    const struct {
        int value;
        bool visible, paused, stopped;
        int shown;
    } steps[] = {
        {30, true, false, false, 30}, {-1, true, true, false, 30},  {40, true, false, false, 40},
        {-2, true, false, true, 40},  {-1, true, false, true, 40},  {50, true, false, false, 50},
        {0, false, false, false, 0},
    };
    for (const auto& s : steps) {
        olvex::apply_taskbar_value(t, s.value);
        EXPECT_EQ(t.visible, s.visible) << s.value;
        EXPECT_EQ(t.paused, s.paused) << s.value;
        EXPECT_EQ(t.stopped, s.stopped) << s.value;
        EXPECT_EQ(t.value, s.shown) << s.value;
    }
}

TEST(MainLayout, StoredPosition) {
    const struct {
        int32_t x, y;
        bool moves;
        int32_t to_x, to_y;
    } rows[] = {{-1, -1, false, -1, -1}, {-1, 50, true, 0, 50}, {20, -7, true, 20, 0}, {0, 0, true, 0, 0}};
    for (const auto& r : rows) {
        int32_t x = r.x, y = r.y;
        EXPECT_EQ(olvex::stored_position(x, y), r.moves) << r.x << "," << r.y;
        EXPECT_EQ(x, r.to_x);
        EXPECT_EQ(y, r.to_y);
    }
}

}  // namespace
