#include "vandel/text_kind.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#ifdef _WIN32
#include "vandel/win32/windows.h"
#endif

namespace {

using vandel::text_kind;

TEST(TextKind, DecodesKnownBytes) {
    struct row {
        text_kind kind;
        uint8_t byte;
        uint16_t unit;  // 0: a hole
    } rows[] = {
        {3, 0x9F, 0x009F}, {7, 0xE9, 0x0449},  {12, 0xA4, 0x20AC}, {13, 0xA1, 0x0104},
        {16, 0x80, 0x20AC}, {21, 0x80, 0x00C7}, {21, 0xB0, 0x2591}, {20, 0x81, 0x067E},
        {9, 0xA4, 0x20AC},  {9, 0xA5, 0x20AF},  {9, 0xAA, 0x037A},  // the 2003 edition
        {8, 0xA1, 0x00A1},  {8, 0xC0, 0x0620},  {10, 0xAA, 0x00AA}, {10, 0xBA, 0x00BA},
        {10, 0xDF, 0x2017}, {14, 0x81, 0x0081}, {14, 0x8A, 0x0160}, {17, 0xD2, 0x00D2},
        {2, 0x7F, 0x007F},  {2, 0x80, 0},       {10, 0x80, 0},      {16, 0x81, 0},
        {19, 0xCA, 0},      {1, 0x80, 0},       {22, 0xE9, 0},      {26846, 0x41, 0x0041},
    };
    for (const auto& r : rows)
        EXPECT_EQ(vandel::byte_to_unicode(r.byte, r.kind), r.unit) << "kind " << r.kind << " byte " << int(r.byte);
    EXPECT_EQ(vandel::ibm850_to_unicode(0xDB), 0x2588);
}

// Holes as runs "A5-AB" (pairs as "FB FC"), to compare with the list each kind is built to.
std::string holes_of(text_kind kind) {
    std::string out;
    for (int b = 0x80; b < 0x100; ++b) {
        if (vandel::byte_to_unicode(static_cast<uint8_t>(b), kind) != 0) continue;
        int e = b;
        while (e + 1 < 0x100 && vandel::byte_to_unicode(static_cast<uint8_t>(e + 1), kind) == 0) ++e;
        char buf[16];
        if (e == b + 1) e = b;  // a pair is written as two bytes
        if (e > b)
            std::snprintf(buf, sizeof buf, "%02X-%02X ", b, e);
        else
            std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
        b = e;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

TEST(TextKind, HolesAreExactlyTheUndefinedBytes) {
    struct row {
        text_kind kind;
        const char* holes;
    } rows[] = {
        {2, "80-FF"},
        {3, ""},
        {4, ""},
        {5, "A5 AE BE C3 D0 E3 F0"},
        {6, ""},
        {7, ""},
        {8, "A5-AB AE-BA BC-BE DB-DF F3-FF"},
        {9, "AE D2 FF"},
        {10, "80-9F A1 BF-DE FB FC FF"},
        {11, ""},
        {12, ""},
        {13, ""},
        {14, ""},
        {15, "98"},
        {16, "81 8D 8F 90 9D"},
        {17, "81 88 8A 8C-90 98 9A 9C-9F AA FF"},
        {18, "81 8D-90 9D 9E"},
        {19, "81 8A 8C-90 9A 9C-9F CA D9-DF FB FC FF"},
        {20, ""},
        {21, ""},
    };
    for (const auto& r : rows) EXPECT_EQ(holes_of(r.kind), r.holes) << "kind " << r.kind;
}

TEST(TextKind, EveryDecodedCharacterEncodesBackToItsByte) {
    for (text_kind kind = 2; kind <= 21; ++kind)
        for (int b = 1; b < 0x100; ++b) {
            uint16_t u = vandel::byte_to_unicode(static_cast<uint8_t>(b), kind);
            if (u == 0) continue;
            EXPECT_EQ(vandel::unicode_to_byte(u, kind), b) << "kind " << kind << " byte " << b;
        }
}

TEST(TextKind, EncodesOnlyCharactersTheKindHolds) {
    struct row {
        text_kind kind;
        uint32_t code_point;
        uint8_t byte;  // 0: unencodable
    } rows[] = {
        {12, 0x20AC, 0xA4}, {16, 0x20AC, 0x80}, {10, 0x00AA, 0xAA}, {14, 0x0081, 0x81},
        {3, 0x0080, 0x80},  {2, 0x0041, 0x41},  {22, 0x0041, 0x41},
        // No fall-back to the byte of the same value: it would read back as another character.
        {7, 0x00E9, 0},  // 0xE9 is U+0449 there
        {4, 0x00A1, 0},  // 0xA1 is U+0104 there
        {8, 0x00E9, 0},     {10, 0x00D7, 0},    {16, 0x0081, 0},    {16, 0x0080, 0},
        {3, 0x0100, 0},     {3, 0x1F600, 0},    {2, 0x00E9, 0},     {1, 0x00E9, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(vandel::unicode_to_byte(r.code_point, r.kind), r.byte)
            << "kind " << r.kind << " U+" << std::hex << r.code_point;
}

TEST(TextKind, BestFitGivesAsciiFor410CodePoints) {
    struct row {
        uint32_t code_point;
        uint8_t byte;
    } rows[] = {{0x0100, 'A'}, {0x2000, ' '}, {0x2006, ' '}, {0x2007, 0},  {0x201C, '"'},
                {0x2264, '='}, {0x2265, '='}, {0xFF5E, '~'}, {0xFF5F, 0}, {0x00E9, 0}};
    for (const auto& r : rows) EXPECT_EQ(vandel::best_fit_ascii(r.code_point), r.byte) << std::hex << r.code_point;
    int count = 0;
    for (uint32_t cp = 0; cp < 0x10000; ++cp) {
        uint8_t b = vandel::best_fit_ascii(cp);
        if (b == 0) continue;
        ++count;
        EXPECT_TRUE(cp >= 0x100 && cp <= 0xFF5E && b >= 0x20 && b <= 0x7E) << std::hex << cp;
    }
    EXPECT_EQ(count, 410);
}

TEST(TextKind, CodePageMap) {
    struct row {
        uint32_t code_page;
        text_kind kind;
    } rows[] = {{65001, 1}, {20127, 2}, {28591, 3}, {28597, 9},  {28599, 11}, {28600, 22},
                {28603, 22}, {28605, 12}, {1250, 14}, {1252, 16}, {1256, 20}, {1257, 22},
                {850, 21},  {874, 22},   {932, 22},   {437, 22},  {0, 22}};
    for (const auto& r : rows) EXPECT_EQ(vandel::text_kind_of_code_page(r.code_page), r.kind) << r.code_page;
}

TEST(TextKind, SystemKindFollowsTheAnsiCodePage) {
    const text_kind kind = vandel::system_text_kind();
    EXPECT_EQ(vandel::system_text_kind(), kind);
#ifdef _WIN32
    text_kind expected = vandel::text_kind_of_code_page(GetACP());
    if (expected == vandel::text_kind_none) expected = vandel::text_kind_system;
    EXPECT_EQ(kind, expected) << "ANSI code page " << GetACP();
#else
    EXPECT_EQ(kind, vandel::text_kind_utf8);
#endif
}

}  // namespace
