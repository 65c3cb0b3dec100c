#include "vandel/os_text.h"

#include <gtest/gtest.h>

namespace {

std::wstring units(std::initializer_list<unsigned> u) {
    std::wstring s;
    for (unsigned x : u) s += static_cast<wchar_t>(x);
    return s;
}

TEST(OsText, ValidUtf8DecodesToUtf16Units) {
    struct row {
        std::string bytes;
        std::wstring text;
    } rows[] = {
        {"abc", L"abc"},
        {"\xC3\xA9", units({0xE9})},
        {"\xE2\x82\xAC", units({0x20AC})},
        {"\xF0\x9F\x98\x80", units({0xD83D, 0xDE00})},  // surrogate pair, also on 32-bit wchar_t
        {"a\\b ", L"a\\b "},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(vandel::from_os_bytes(r.bytes), r.text);
        EXPECT_EQ(vandel::to_os_bytes(r.text), r.bytes);
    }
}

TEST(OsText, PrintableNamesEscapeWhatCouldForgeOrBreakALine) {
    struct row {
        std::wstring name;
        std::wstring shown;
    } rows[] = {
        {L"plain name.txt", L"plain name.txt"},
        {L"C:\\Temp\\a b", L"C:\\Temp\\a b"},
        {L"a\nb\rc\td", L"a\\x0Ab\\x0Dc\\x09d"},
        {units({'x', 0x1B, '[', '2', 'J', 0x7F}), L"x\\x1B[2J\\x7F"},
        {vandel::from_os_bytes("bad\xFF\xC3"), L"bad\\xFF\\xC3"},
        {units({0xE9, 0x20AC, 0xD83D, 0xDE00}), units({0xE9, 0x20AC, 0xD83D, 0xDE00})},  // a pair stays
        {units({'a', 0xD800, 'b', 0xDFFF}), L"a\\uD800b\\uDFFF"},
        {units({0x85, 0x9B, 0x2028, 0x202E, 0x2067}), L"\\u0085\\u009B\\u2028\\u202E\\u2067"},
    };
    for (const auto& r : rows) EXPECT_EQ(vandel::printable_name(r.name), r.shown);
}

TEST(OsText, InvalidBytesTravelAsEscapesAndComeBackByteForByte) {
    const std::string names[] = {
        "\xFF",              // never valid
        "\xC3",              // cut off
        "\xC0\x80",          // overlong
        "\xED\xA0\x80",      // encoded surrogate
        "\xED\xB2\x80",      // encoded U+DC80, must not turn into the byte 0x80
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "x\x80y\xE9z",
    };
    for (const auto& n : names) {
        EXPECT_EQ(vandel::to_os_bytes(vandel::from_os_bytes(n)), n);
    }
    EXPECT_EQ(vandel::from_os_bytes("\xFF"), units({0xDCFF}));
    EXPECT_EQ(vandel::from_os_bytes("\xED\xB2\x80"), units({0xDCED, 0xDCB2, 0xDC80}));
}

TEST(OsText, EveryByteStringOfLengthTwoRoundTrips) {
    for (unsigned a = 0; a < 256; ++a)
        for (unsigned b = 0; b < 256; ++b) {
            std::string s{static_cast<char>(a), static_cast<char>(b)};
            ASSERT_EQ(vandel::to_os_bytes(vandel::from_os_bytes(s)), s) << a << " " << b;
        }
}

}  // namespace
