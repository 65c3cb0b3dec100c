#include "gui/shell/theme.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace olvex;

struct row {
    int theme;
    const char* items[7];
    const char* bar[3];  // #TXTCOL, #TOPCOL, #BTMCOL; null: no style sheet
};

const row table[] = {
    {0, {"#FFFFFF", "#4A4A4A", "#000000", "#004A7F", "#C9DEF5", ":/main/state_default_lbk.png", ":/main/usb64_lbk.png"},
     {nullptr, nullptr, nullptr}},
    {1, {"#f0f0f0", "#101010", "#000000", "#004A7F", "#C9DEF5", ":/main/state_default_lbk.png", ":/main/usb64_lbk.png"},
     {nullptr, nullptr, nullptr}},
    {2, {"#2A2A2A", "#CCCCCC", "#FFFFFF", "#EC5600", "#AEA79F", ":/main/state_default_dbk.png", ":/main/usb64_dbk.png"},
     {"#2A2A2A", "#EC5600", "#8C3600"}},
    {3, {"#FFBB3E", "#000000", "#FFFFFF", "#004A7F", "#AEA79F", ":/main/state_default_dbk.png", ":/main/usb64_dbk.png"},
     {"#888888", "#4A4A4A", "#2A2A2A"}},
    {4, {"#2C001E", "#AEA79F", "#FFFFFF", "#EC5600", "#AEA79F", ":/main/state_default_dbk.png", ":/main/usb64_dbk.png"},
     {"#2C001E", "#AEA79F", "#333333"}},
    {5, {"#BAC5C7", "#014753", "#FFFFFF", "#004A7F", "#014753", ":/main/state_default_dbk.png", ":/main/usb64_dbk.png"},
     {"#888888", "#027E91", "#014753"}},
    {6, {"#014051", "#FFFFFF", "#C0C0C0", "#DB562D", "#3C8DA0", ":/main/state_default_dbk.png", ":/main/usb64_dbk.png"},
     {"#181818", "#0EA913", "#0EA913"}},
};

std::string progress_sheet(const char* text, const char* top, const char* bottom) {
    return std::string("QProgressBar {color:") + text +
           "; border: 1px solid #707070; text-align: center; border-radius: 0; background: QLinearGradient( x1: 0, "
           "y1: 0, x2: 0, y2: 1, stop: 0 #FFF, stop: 0.4999 #EEE, stop: 0.5 #DDD, stop: 1 #EEE ); width: 15px; "
           "}QProgressBar::chunk { border-radius: 0; background: QLinearGradient( x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 " +
           top + ", stop: 1 " + bottom + " ); }";
}

class Theme : public ::testing::Test {
protected:
    void SetUp() override { set_system_colors("#f0f0f0", "#101010"); }
    void TearDown() override { set_system_colors("", ""); }
};

TEST_F(Theme, EveryItemOfEveryTheme) {
    for (const row& r : table) {
        SCOPED_TRACE(r.theme);
        for (int item = 0; item < 7; ++item) EXPECT_EQ(theme_style_sheet(r.theme, item), r.items[item]) << item;
        EXPECT_EQ(theme_style_sheet(r.theme, 7), r.bar[0] ? progress_sheet(r.bar[0], r.bar[1], r.bar[2]) : "");
        EXPECT_EQ(theme_style_sheet(r.theme, 8), "");
        EXPECT_EQ(theme_style_sheet(r.theme, -1), "");
    }
}

TEST_F(Theme, TemplateHasItsLengthAndEveryPlaceholderFilled) {
    const std::string sheet = theme_style_sheet(theme_teal, theme_progress_style);
    EXPECT_EQ(progress_sheet("#TXTCOL", "#TOPCOL", "#BTMCOL").size(), 364u);
    EXPECT_EQ(sheet.find("COL"), std::string::npos);
    EXPECT_NE(sheet.find("stop: 0 #0EA913, stop: 1 #0EA913"), std::string::npos);
}

TEST_F(Theme, IndexesOutsideTheTableReadAsTheSystemTheme) {
    for (int theme : {-1, 7, 100, INT32_MIN, INT32_MAX})
        for (int item = 0; item <= 7; ++item) EXPECT_EQ(theme_style_sheet(theme, item), theme_style_sheet(1, item));
}

TEST(ThemeSystemColors, EmptyUntilCapturedAndThenLightChoice) {
    set_system_colors("", "");
    EXPECT_EQ(theme_style_sheet(theme_default, theme_background), "");
    EXPECT_EQ(theme_style_sheet(theme_default, theme_text), "");
    EXPECT_EQ(pick_by_brightness(theme_style_sheet(1, 0), "dark", "light"), "light");
}

TEST(ThemeColors, Parse) {
    const struct {
        const char* text;
        uint32_t value;
    } cases[] = {
        {"  #00ff7f  ", 0x00FF7F}, {"", 0}, {"#", 0}, {"abc", 0xABC}, {"#2A2A2Azz", 0x2A2A2A},
        {"##FF", 0xFF}, {"xyz", 0}, {"#1FFFFFFFF", 0}, {"\t#ffffff\n", 0xFFFFFF},
    };
    for (const auto& c : cases) EXPECT_EQ(parse_color(c.text), c.value) << c.text;
}

TEST(ThemeColors, BrightnessThresholdIs380) {
    EXPECT_EQ(pick_by_brightness("#7F7F7E", "D", "L"), "D");
    EXPECT_EQ(pick_by_brightness("#7F7F7F", "D", "L"), "L");
    EXPECT_EQ(pick_by_brightness("#000000", "D", "L"), "D");
    EXPECT_EQ(pick_by_brightness("", "D", "L"), "L");
}

TEST(ThemeColors, Shade) {
    const struct {
        const char* color;
        int percent;
        const char* shade;
    } cases[] = {
        {"#2A2A2A", 20, "#323232"}, {"#FFFFFF", 20, "#CCCCCC"}, {"#000000", 20, "#000000"},
        {"#2A2A2A", 150, "#545454"}, {"#2A2A2A", -5, "#2A2A2A"}, {"", 20, ""},
        {"#808080", 20, "#676767"},  // sum 384: darkened, truncating towards zero
        {"#7F8080", 20, "#989999"},  // sum 383: lightened
        {"#C0C0C0", 100, "#000000"}, {"#0A0B0C", 100, "#141618"},
    };
    for (const auto& c : cases) EXPECT_EQ(shade_color(c.color, c.percent), c.shade) << c.color << " " << c.percent;
}

}  // namespace
