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
