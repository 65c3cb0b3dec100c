#include "vandel/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using strings = std::vector<std::string>;
using wstrings = std::vector<std::wstring>;

TEST(Strings, JoinAndSplit) {
    EXPECT_EQ(vandel::join({L"x", L"y", L"z"}, L", "), L"x, y, z");
    EXPECT_EQ(vandel::join({L"x"}, L", "), L"x");
    EXPECT_EQ(vandel::join({}, L", "), L"");

    struct row {
        std::string text, separator;
        strings parts;
    } rows[] = {
        {"x,y,,z,", ",", {"x", "y", "", "z"}},
        {"", ",", {}},
        {"abc", "", {"abc"}},
        {"", "", {""}},
        {",a", ",", {"", "a"}},
        {"a,", ",", {"a"}},
        {"a, b,c", ", ", {"a", "b,c"}},
        {"a,,", ",,", {"a"}},
    };
    for (const auto& r : rows) {
        strings parts{"old"};
        EXPECT_EQ(vandel::split(parts, r.text, false, r.separator), static_cast<int64_t>(r.parts.size())) << r.text;
        EXPECT_EQ(parts, r.parts) << "'" << r.text << "' at '" << r.separator << "'";
    }
    wstrings wide{L"old"};
    EXPECT_EQ(vandel::split(wide, std::wstring(L"a\0b", 3), true, std::wstring(1, L'\0')), 2);
    EXPECT_EQ(wide, (wstrings{L"old", L"a", L"b"}));
}

TEST(Strings, SortsStablyByCodeUnit) {
    wstrings list{L"ab", L"a", L"B", std::wstring(1, wchar_t(0xE9)), L"", L"a"};
    vandel::sort_strings(list);
    EXPECT_EQ(list, (wstrings{L"", L"B", L"a", L"a", L"ab", std::wstring(1, wchar_t(0xE9))}));
    EXPECT_TRUE(vandel::comp_fn<std::wstring>()(L"a", std::wstring(1, wchar_t(0xFFFF))));
}

TEST(Strings, CaseOfAsciiLettersOnly) {
    EXPECT_EQ(vandel::to_lower(std::string("AZaz@[\xC9\xE9")), "azaz@[\xC9\xE9");
    EXPECT_EQ(vandel::to_upper(std::string("AZaz`{\xC9\xE9")), "AZAZ`{\xC9\xE9");
    const std::wstring wide = L"Ab" + std::wstring(1, wchar_t(0xC9)) + std::wstring(1, wchar_t(0x0131));
    EXPECT_EQ(vandel::to_lower(wide), L"ab" + std::wstring(1, wchar_t(0xC9)) + std::wstring(1, wchar_t(0x0131)));
    EXPECT_EQ(vandel::to_upper(wide), L"AB" + std::wstring(1, wchar_t(0xC9)) + std::wstring(1, wchar_t(0x0131)));
}

TEST(Strings, ReplaceAll) {
    struct row {
        std::string text, search, replacement;
        int flags;
        std::string out;
    } rows[] = {
        {"a--", "-", "+", 0, "a++"},
        {"abab", "ab", "x", 0, "xx"},
        {"abab", "ab", "x", 2, "xab"},
        {"a--b", "-", "+", 4, "a+-b"},
        {"a---b", "-", "+", 4, "a+--b"},
        {"--", "-", "+", 4, "+-"},
        {"ABC", "b", "X", 1, "AXC"},
        {"ABC", "B", "b", 1, "ABC"},
        {"aaa", "a", "aa", 0, "aaaaaa"},  // replaced text is never searched again
        {"aXa", "a", "", 0, "X"},
        {"abc", "b", "b", 0, "abc"},
        {"abc", "", "x", 0, "abc"},
        {"ab", "abc", "x", 0, "ab"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(vandel::replace_all(r.text, r.search, r.replacement, r.flags), r.out)
            << r.text << " " << r.search << "->" << r.replacement << " flags " << r.flags;
    EXPECT_EQ(vandel::replace_all(std::wstring(L"A\\B\\c"), L"\\", L"/", 0), L"A/B/c");
}

TEST(Strings, Trim) {
    EXPECT_EQ(vandel::trim(std::string("  a b \t"), true, true), "a b");
    EXPECT_EQ(vandel::trim(std::string("  a b \t"), true, false), "a b \t");
    EXPECT_EQ(vandel::trim(std::string("  a b \t"), false, true), "  a b");
    EXPECT_EQ(vandel::trim(std::string("   "), true, true), "");
    EXPECT_EQ(vandel::trim(std::string("\xA0x\xA0"), true, true), "\xA0x\xA0");
    EXPECT_EQ(vandel::trim(std::wstring(L"\r\n x\x01"), true, true), L"x");
}

TEST(Strings, Unescape) {
    struct row {
        std::string text;
        bool drop;
        std::string out;
    } rows[] = {
        {"a\\tb", false, "a\tb"},
        {"\\a\\b\\f\\n\\r\\v", false, "\a\b\f\n\r\v"},
        {"\\x41", false, "A"},
        {"\\x4a\\x4A", false, "JJ"},
        {"\\x4", false, "\\x4"},
        {"\\x 4", false, "\\x 4"},  // hexadecimal digits only: no blank, sign or prefix
        {"\\x+4", false, "\\x+4"},
        {"\\x-1", true, "x-1"},
        {"\\xFF", false, "\xFF"},
        {"\\101", false, "A"},
        {"\\1010", false, "A0"},
        {"\\18", false, std::string("\x01" "8")},
        {"\\0", false, std::string(1, '\0')},
        {"\\400", false, "\\400"},
        {"\\400", true, "400"},
        {"\\q", false, "\\q"},
        {"\\q", true, "q"},
        {"\\\\", false, "\\\\"},
        {"\\\\", true, "\\"},
        {"\\\\n", false, "\\\\n"},  // the second backslash is escaped, so n stays
        {"a\\", false, "a\\"},
        {"a\\", true, "a"},
        {"\\", true, "\\"},  // too short to look at
        {"\\u0041", false, "\\u0041"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(vandel::unescape(r.text, r.drop), r.out) << r.text << (r.drop ? " drop" : "");

    EXPECT_EQ(vandel::unescape(std::wstring(L"\\u0041\\u20ac\\x41"), false),
              L"A" + std::wstring(1, wchar_t(0x20AC)) + L"A");
    EXPECT_EQ(vandel::unescape(std::wstring(L"\\u004"), false), L"\\u004");
    EXPECT_EQ(vandel::unescape(std::wstring(L"\\u 041"), false), L"\\u 041");
}

TEST(Strings, ParseLongClampsToInt32OnBothBuilds) {
    struct row {
        std::string text;
        int base;
        int taken;
        int32_t value;
    } rows[] = {
        {"", 10, 0, 0},
        {"abc", 10, 0, 0},
        {"  -42x", 10, 5, -42},
        {"0x1F", 16, 4, 31},
        {"0x1F", 0, 4, 31},
        {"017", 0, 3, 15},
        {"ff", 16, 2, 255},
        {"2147483647", 10, 10, INT32_MAX},
        {"2147483648", 10, 10, INT32_MAX},
        {"-2147483649", 10, 11, INT32_MIN},
        {"99999999999999999999", 10, 20, INT32_MAX},
        {"4294967296", 10, 10, INT32_MAX},
        {"12", 1, 0, 0},
    };
    for (const auto& r : rows) {
        int32_t value = 7;
        EXPECT_EQ(vandel::parse_long(r.text, value, r.base), r.taken) << r.text;
        EXPECT_EQ(value, r.value) << r.text;
    }
    int32_t value = 7;
    EXPECT_EQ(vandel::parse_long(L"12" + std::wstring(1, wchar_t(0x0663)), value, 10), 2);
    EXPECT_EQ(value, 12);
}

TEST(Strings, HexDump) {
    const unsigned char bytes[] = {'A', 0x01, 0xAB, 0x7F, 0x80};
    EXPECT_EQ(vandel::hex_dump(bytes, 2, true, " ", ""), "A01");
    EXPECT_EQ(vandel::hex_dump(bytes, 2, false, " ", ""), "41 01");
    EXPECT_EQ(vandel::hex_dump(bytes + 1, 2, false, ":", ""), "01:AB");
    EXPECT_EQ(vandel::hex_dump(bytes, 5, true, ",", "0x"), "A0x01,0xAB,\x7F" "0x80");
    EXPECT_EQ(vandel::hex_dump(bytes + 1, 2, false, L" ", L"$"), L"$01 $AB");
    EXPECT_EQ(vandel::hex_dump(nullptr, 0, false, " ", ""), "");
    EXPECT_THROW(vandel::hex_dump(nullptr, 1, false, " ", ""), std::invalid_argument);
}

TEST(Strings, CheckedCopy) {
    char buf[8] = "abcdefg";
    EXPECT_EQ(vandel::checked_copy(buf + 1, 7, buf, 6), buf + 1);  // overlapping, forwards
    EXPECT_STREQ(buf, "aabcdef");
    vandel::checked_copy(buf, 8, buf + 2, 5);  // overlapping, backwards
    EXPECT_EQ(std::string(buf, 5), "bcdef");
    char small[3];
    try {
        vandel::checked_copy(small, 3, "abcd", 4);
        ADD_FAILURE() << "no throw";
    } catch (const std::overflow_error& e) {
        EXPECT_STREQ(e.what(), "size error");
    }
    EXPECT_THROW(vandel::checked_copy(nullptr, 3, "a", 1), std::invalid_argument);
    EXPECT_THROW(vandel::checked_copy(small, 3, nullptr, 1), std::invalid_argument);
    EXPECT_EQ(vandel::checked_copy(small, 3, nullptr, 0), small);
}

TEST(Strings, Crc32KnownAnswers) {
    struct row {
        std::string data;
        uint32_t crc;
    } rows[] = {
        {"123456789", 0xCBF43926u},
        {"", 0x00000000u},
        {"a", 0xE8B7BE43u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const auto& r : rows) EXPECT_EQ(vandel::crc32(r.data.data(), r.data.size(), true, 0xFFFFFFFFu), r.crc) << r.data;
    // In pieces: unfinished values carry on.
    uint32_t crc = vandel::crc32("1234", 4, false, 0xFFFFFFFFu);
    crc = vandel::crc32(nullptr, 0, false, crc);
    EXPECT_EQ(vandel::crc32("56789", 5, true, crc), 0xCBF43926u);
    EXPECT_EQ(vandel::crc32(nullptr, 0, true, 0x12345678u), ~0x12345678u);
    EXPECT_THROW(vandel::crc32(nullptr, 1, true, 0), std::invalid_argument);
}

}  // namespace
