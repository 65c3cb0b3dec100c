#include "vandel/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

using vandel::parse_double;
using vandel::parse_int32;
using vandel::parse_int64;
using vandel::parse_uint32;

constexpr int32_t untouched = 12345;

TEST(NumberText, Int32ParsingCountsCharactersAndChecksRange) {
    struct row {
        const char* text;
        int radix;
        const char* group;
        int count;
        int32_t value;  // untouched unless count > 0
    } rows[] = {
        {"  42", 0, "", 4, 42},
        {"+7x", 0, "", 2, 7},
        {"x7", 0, "", 0, untouched},
        {"", 0, "", 0, untouched},
        {"0x1F", 0, "", 4, 31},
        {"0X1f", 16, "", 4, 31},
        {"0x1F", 10, "", 0, untouched},
        {"1F", 16, "", 2, 31},
        {"2147483647", 0, "", 10, 2147483647},
        {"2147483648", 0, "", -1, untouched},
        {"-2147483648", 0, "", 11, INT32_MIN},
        {"-2147483649", 0, "", -1, untouched},
        {"-0", 0, "", 2, 0},
        {"0xFFFFFFFF", 0, "", 10, -1},   // other radixes keep the low 32 bits
        {"-0x1", 0, "", 4, -1},
        {"0x100000000", 0, "", -1, untouched},
        {"777", 8, "", 3, 511},
        {"1,234", 0, ",", 5, 1234},
        {"1,,234", 0, ",", 1, 1},
        {"1,234,567", 0, ",", 9, 1234567},
        {"1 000", 0, " ", 5, 1000},
        {"9:", 36, "", 1, 9},            // ':' lies between '9' and 'A' and is no digit
        {"zz", 36, "", 2, 35 * 36 + 35},
        // No digit, no number: a sign or a prefix alone is not a zero.
        {"+", 0, "", 0, untouched},
        {"-", 0, "", 0, untouched},
        {"0x", 0, "", 0, untouched},
        {"0xg", 0, "", 0, untouched},
        {"- 5", 0, "", 0, untouched},
        {"+-5", 0, "", 0, untouched},
        {",5", 0, ",", 0, untouched},
        {"\xA0" "5", 0, "", 0, untouched},  // bytes above 0x7F are no white space
    };
    for (const auto& r : rows) {
        int32_t v = untouched;
        EXPECT_EQ(parse_int32(std::string(r.text), v, r.radix, r.group), r.count) << r.text;
        EXPECT_EQ(v, r.value) << r.text;
    }
}

TEST(NumberText, ScannerReportsRadixSignAndMagnitude) {
    uint64_t m = 7;
    int radix = 0;
    bool negative = false;
    EXPECT_EQ(vandel::parse_integer(std::string(" -0x10"), "", m, radix, negative), 6);
    EXPECT_EQ(m, 16u);
    EXPECT_EQ(radix, 16);
    EXPECT_TRUE(negative);

    radix = 0;
    EXPECT_EQ(vandel::parse_integer(std::string("18446744073709551615"), "", m, radix, negative), 20);
    EXPECT_EQ(m, UINT64_MAX);
    EXPECT_EQ(radix, 10);
    EXPECT_FALSE(negative);

    // Each of these would wrap past 2^64 and come out as a plausible small number.
    for (const char* t : {"18446744073709551616", "18446744073709551625", "36893488147419103232",
                          "0x10000000000000000", "999999999999999999999"}) {
        radix = 0;
        EXPECT_EQ(vandel::parse_integer(std::string(t), "", m, radix, negative), -1) << t;
    }
}

TEST(NumberText, BadRadixThrowsEverywhere) {
    int32_t v = 0;
    int64_t w = 0;
    uint32_t u = 0;
    for (int radix : {1, 37, -1}) {
        EXPECT_THROW(parse_int32(std::string("1"), v, radix), std::invalid_argument);
        EXPECT_THROW(parse_int32(std::wstring(L"1"), v, radix), std::invalid_argument);
        EXPECT_THROW(parse_uint32(std::string("1"), u, radix), std::invalid_argument);
        EXPECT_THROW(parse_int64(std::string(""), w, radix), std::invalid_argument);
    }
    try {
        parse_int32(std::string("1"), v, 1);
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "invalid radix");
    }
    for (int radix : {0, 2, 36}) EXPECT_NO_THROW(parse_int32(std::string("1"), v, radix));
}

TEST(NumberText, Uint32AndInt64Ranges) {
    uint32_t u = 9;
    EXPECT_EQ(parse_uint32("-1", u), -1);
    EXPECT_EQ(parse_uint32("-0", u), -1);
    EXPECT_EQ(parse_uint32("4294967296", u), -1);
    EXPECT_EQ(u, 9u);
    EXPECT_EQ(parse_uint32("4294967295", u), 10);
    EXPECT_EQ(u, 4294967295u);

    int64_t w = 9;
    EXPECT_EQ(parse_int64("9223372036854775808", w), -1);
    EXPECT_EQ(parse_int64("0x8000000000000000", w), -1);
    EXPECT_EQ(w, 9);
    EXPECT_EQ(parse_int64("-9223372036854775808", w), 20);
    EXPECT_EQ(w, INT64_MIN);
    EXPECT_EQ(parse_int64(std::wstring(L"9223372036854775807"), w), 19);
    EXPECT_EQ(w, INT64_MAX);
}

TEST(NumberText, WideFormReadsFullwidthDigitsAndUnicodeSpace) {
    int32_t v = 0;
    std::wstring fullwidth = {0x3000, 0xFF11, 0xFF12, 0xFF41};  // ideographic space, "12a"
    EXPECT_EQ(parse_int32(fullwidth, v, 16), 4);
    EXPECT_EQ(v, 0x12A);
    std::wstring nbsp = {0xA0, L'5'};  // no-break space is no white space
    EXPECT_EQ(parse_int32(nbsp, v), 0);
    std::wstring group = {L'1', 0x202F, L'0', L'0', L'0'};
    EXPECT_EQ(parse_int32(group, v, 0, std::wstring(1, 0x202F)), 5);
    EXPECT_EQ(v, 1000);
}

TEST(NumberText, IntegerFormatting) {
    struct row {
        uint64_t value;
        int type;
        int width;
        const char* group;
        const char* text;
    } rows[] = {
        {255, 2, 4, "", "00FF"},
        {255, 3, 0, "", "ff"},
        {static_cast<uint64_t>(-1), 2, 8, "", "FFFFFFFF"},
        {static_cast<uint64_t>(-1), 2, 4, "", "FFFFFFFF"},
        {static_cast<uint64_t>(-1), 2, 0, "", "FFFFFFFFFFFFFFFF"},
        {static_cast<uint64_t>(-1), 2, 9, "", "FFFFFFFFFFFFFFFF"},
        {static_cast<uint64_t>(INT64_C(-2147483649)), 3, 8, "", "ffffffff7fffffff"},
        {static_cast<uint64_t>(-5), 0, 4, "", "-005"},
        {static_cast<uint64_t>(-1), 1, 0, "", "18446744073709551615"},
        {static_cast<uint64_t>(INT64_MIN), 0, 0, "", "-9223372036854775808"},
        {8, 4, 3, "", "010"},
        {0, 5, 7, "", "false"},
        {2, 5, 0, ",", "true"},
        {7, 99, 26, "", "7"},  // unknown type: signed; width above 25: none
        {1234567, 0, 0, ",", "1,234,567"},
        {static_cast<uint64_t>(-1234), 0, 0, ".", "-1.234"},
        {0x12345678, 2, 0, " ", "1234 5678"},
        {0x1234567, 4, 0, ",", "110642547"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(vandel::format_integer(r.value, r.type, std::string(r.group), r.width), r.text) << r.text;
        std::wstring wide(r.text, r.text + std::char_traits<char>::length(r.text));
        std::wstring wgroup(r.group, r.group + std::char_traits<char>::length(r.group));
        EXPECT_EQ(vandel::format_integer(r.value, r.type, wgroup, r.width), wide) << r.text;
    }
    EXPECT_EQ(vandel::int_to_text(1234567), "1234567");
    EXPECT_EQ(vandel::int_to_text<std::wstring>(static_cast<uint64_t>(-42)), L"-42");
}

TEST(NumberText, DigitGrouping) {
    struct row {
        const char* text;
        int size;
        const char* sep;
        const char* grouped;
    } rows[] = {
        {"123", 3, ",", "123"},
        {"1234", 3, ",", "1,234"},
        {"+1234", 3, ",", "+1,234"},
        {"-123", 3, ",", "-123"},
        {"1234567", 3, "'", "1'234'567"},
        {"1234.5678", 3, ",", "1,234.5678"},
        {"1234", 3, "", "1234"},
        {"1234", 0, ",", "1234"},
        {"", 3, ",", ""},
        {"12345", 2, "--", "1--23--45"},
    };
    for (const auto& r : rows) EXPECT_EQ(vandel::group_digits(std::string(r.text), r.size, r.sep), r.grouped);
    EXPECT_EQ(vandel::group_digits(std::wstring(L"1234"), 3, std::wstring(1, 0xA0)), std::wstring({L'1', 0xA0, L'2', L'3', L'4'}));
}

TEST(NumberText, DoubleFormattingIsTheCLocalesPrintf) {
    struct row {
        double value;
        int type;
        int precision;
        const char* text;
    } rows[] = {
        {0.5, 0, 0, "0.5"},
        {0.5, 2, 0, "0.500"},
        {1234.5, 1, 2, "1.23E+03"},
        {1e-5, 0, 3, "1E-05"},
        {1.0 / 3, 0, 100, "0.33333333333333331483"},  // the settings stores' precision: 20 digits
        {0.1, 0, 19, "0.1000000000000000056"},
        {-2.5, 2, 1, "-2.5"},
        {1e20, 2, 0, "100000000000000000000.000"},
        {1e300, 2, 0, ""},  // would not fit printf's 100 characters
        {HUGE_VAL, 0, 0, "INF"},
        {-HUGE_VAL, 2, 0, "-inf"},
    };
    for (const auto& r : rows) EXPECT_EQ(vandel::sprintf_double(r.value, r.type, r.precision), r.text) << r.text;
}

TEST(NumberText, DoubleFormattingWithSeparators) {
    EXPECT_EQ(vandel::format_double(1234.5, 2, 1, std::string(","), std::string(".")), "1.234,5");
    EXPECT_EQ(vandel::format_double(1234.5, 2, 1, std::string(","), std::string(",")), "1234,5");
    EXPECT_EQ(vandel::format_double(-1234567.25, 0, 100, std::string("."), std::string("")), "-1234567.25");
    EXPECT_EQ(vandel::format_double(1234.5, 2, 1, std::wstring(L","), std::wstring(1, 0x202F)),
              std::wstring({L'1', 0x202F, L'2', L'3', L'4', L',', L'5'}));
    // An empty decimal separator takes the user's, which is one character whatever the locale.
    EXPECT_EQ(vandel::format_double(2.5, 0, 0, std::string(), std::string()).size(), 3u);
}

TEST(NumberText, DoubleParsing) {
    struct row {
        const char* text;
        const char* decimal;
        const char* group;
        int count;
        double value;
    } rows[] = {
        {"1.234,5", ",", ".", 7, 1234.5},
        {"  3.5kg", ".", ",", 5, 3.5},
        {"1e999", ".", ",", -1, 0},
        {"-1e999", ".", ",", -1, 0},
        {"inf", ".", ",", -1, 0},
        {"abc", ".", ",", 0, 0},
        {"", ".", ",", 0, 0},
        {"   ", ".", ",", 0, 0},
        {"1e-999", ".", ",", 6, 0},
        {"+.5", ".", ",", 3, 0.5},
        {"-2,5e2x", ",", " ", 6, -250},
        {"1,5,6", ",", ".", 3, 1.5},     // a second decimal separator ends the number
        {"1..5", ",", ".", 1, 1},        // so do two group separators in a row
        {"1.000.000", ",", ".", 9, 1e6},
        {"0x1p4", ".", ",", 5, 16},
        {"0x", ".", ",", 1, 0},
        {"1.5", ",", "", 3, 1.5},        // '.' is not the separator here but still the C point
        {"--1", ".", ",", 0, 0},
        {"12", "||", ",", 2, 12},
    };
    for (const auto& r : rows) {
        double v = 99;
        EXPECT_EQ(parse_double(std::string(r.text), v, r.decimal, r.group), r.count) << r.text;
        EXPECT_EQ(v, r.value) << r.text;
        std::wstring wide(r.text, r.text + std::char_traits<char>::length(r.text));
        std::wstring d(r.decimal, r.decimal + std::char_traits<char>::length(r.decimal));
        std::wstring g(r.group, r.group + std::char_traits<char>::length(r.group));
        v = 99;
        EXPECT_EQ(parse_double(wide, v, d, g), r.count) << r.text;
        EXPECT_EQ(v, r.value) << r.text;
    }
    double v = 0;
    EXPECT_EQ(parse_double(std::string("nan"), v, ".", ","), 3);
    EXPECT_TRUE(std::isnan(v));
    // A separator that is not ASCII, and text after the number that is not either.
    std::wstring text = {L'1', 0x202F, L'0', L'0', L'0', 0x066B, L'5', 0x20AC};
    EXPECT_EQ(parse_double(text, v, std::wstring(1, 0x066B), std::wstring(1, 0x202F)), 7);
    EXPECT_EQ(v, 1000.5);
}

TEST(NumberText, RewriteMapsEveryCharacterToItsSource) {
    std::vector<size_t> map;
    EXPECT_EQ(vandel::number_text_to_c_locale(std::string(" 1.234,5"), ".", ",", ".", map), "1234.5");
    EXPECT_EQ(map, (std::vector<size_t>{1, 3, 4, 5, 6, 7}));
    EXPECT_EQ(vandel::number_text_to_c_locale(std::string("1,5"), "<>", ",", "", map), "1<>5");
    EXPECT_EQ(map, (std::vector<size_t>{0, 1, 1, 2}));
    // The decimal separator counts only when it differs from the target point.
    EXPECT_EQ(vandel::number_text_to_c_locale(std::string("1.5.6"), ".", ".", "", map), "1.5.6");
    EXPECT_EQ(vandel::number_text_to_c_locale(std::string(200, '7'), ".", ",", "", map).size(), 100u);
    EXPECT_EQ(map.size(), 100u);
}

}  // namespace
