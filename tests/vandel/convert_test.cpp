#include "vandel/convert.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vandel::text_kind;

std::wstring units(std::initializer_list<unsigned> u) {
    std::wstring s;
    for (unsigned x : u) s += static_cast<wchar_t>(x);
    return s;
}

// Shows units as hex so failures are readable on both builds.
std::string show(const std::wstring& s) {
    std::string out;
    char buf[16];
    for (wchar_t c : s) {
        std::snprintf(buf, sizeof buf, "%04X ", static_cast<unsigned>(c));
        out += buf;
    }
    return out;
}

std::string show(const std::string& s) {
    std::string out;
    char buf[8];
    for (char c : s) {
        std::snprintf(buf, sizeof buf, "%02X ", static_cast<unsigned char>(c));
        out += buf;
    }
    return out;
}

struct decode_row {
    std::string bytes;
    text_kind kind;
    uint32_t mode;
    std::wstring text;
    bool error;
};

TEST(Convert, DecodesByModeAndKind) {
    const decode_row rows[] = {
        {"\xC3\xA9", 1, 3, units({0xE9}), false},
        {"\xC3", 1, 3, units({0xFFFD}), true},
        {"\xC3", 1, 4, L"xC3", true},
        {"\xC3", 1, 5, units({0xDCC3}), true},
        {"\xC3", 1, 6, units({0xC3}), true},
        {"\xC3", 1, 2, L"", true},
        {"\xC3", 1, 7, L"", true},
        {"\xC3", 1, 0, L"?", true},  // replacement '?'
        {"a\xC3z", 1, 1, L"a", true},
        {"a\xC3z", 1, 2, L"", true},
        {std::string("a\0b", 3), 1, 3, units({'a', 0, 'b'}), false},
        {"\xED\xA0\x80", 1, 3, units({0xD800}), false},  // an encoded surrogate is one unit
        {"\xED\xB2\x80", 1, 3, units({0xDC80}), false},
        {"\xF0\x9F\x98\x80", 1, 3, units({0xD83D, 0xDE00}), false},
        {"\xF4\x8F\xBF\xBF", 1, 3, units({0xDBFF, 0xDFFF}), false},
        {"\xC0\x80", 1, 3, units({0xFFFD, 0xFFFD}), true},                  // overlong
        {"\xE0\x9F\xBF", 1, 3, units({0xFFFD, 0xFFFD, 0xFFFD}), true},      // overlong
        {"\xF0\x8F\xBF\xBF", 1, 4, L"xF0x8FxBFxBF", true},                  // overlong
        {"\xF4\x90\x80\x80", 1, 3, units({0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}), true},  // beyond U+10FFFF
        {"\xF8\x88\x80\x80\x80", 1, 5, units({0xDCF8, 0xDC88, 0xDC80, 0xDC80, 0xDC80}), true},
        {"\xE2\x82", 1, 3, units({0xFFFD, 0xFFFD}), true},  // cut by the end
        {"\x80\xA4", 16, 3, units({0x20AC, 0xA4}), false},
        {"\xA4", 12, 3, units({0x20AC}), false},
        {"\x80", 2, 3, units({0xFFFD}), true},
        {"\x81", 16, 5, units({0xDC81}), true},
        {"\x81", 16, 6, L"", true},  // Latin-1 reading is for UTF-8 only
        {"\x80", 10, 4, L"x80", true},
        {std::string("\0\xE9", 2), 3, 3, units({0, 0xE9}), false},
    };
    for (const auto& r : rows) {
        bool error = !r.error;
        std::wstring got = vandel::decode_text_checked(r.bytes, error, r.kind, r.mode, '?');
        EXPECT_EQ(show(got), show(r.text)) << "bytes " << show(r.bytes) << " kind " << r.kind << " mode " << r.mode;
        EXPECT_EQ(error, r.error) << "bytes " << show(r.bytes) << " kind " << r.kind << " mode " << r.mode;
    }
}

struct encode_row {
    std::wstring text;
    text_kind kind;
    uint32_t mode;
    char replacement;
    std::string bytes;
    bool error;
};

TEST(Convert, EncodesByModeAndKind) {
    const std::wstring e9_100 = units({0xE9, 0x100});
    const std::wstring pair = units({0xD83D, 0xDE00});
    const encode_row rows[] = {
        {e9_100, 3, 3, '?', "\xE9\x1A", true},
        {e9_100, 3, 4, '?', "\xE9x0100", true},
        {e9_100, 3, 0, '?', "\xE9?", true},
        {e9_100, 3, 0, 0, "\xE9", true},
        {e9_100, 3, 1, '?', "\xE9", true},
        {e9_100, 3, 2, '?', "", true},
        {e9_100, 3, 5, '?', "\xE9", true},
        {e9_100, 3, 0x203, '?', "\xE9\x41", false},  // best fit
        {units({0x20AC}), 16, 3, '?', "\x80", false},
        {units({0x20AC}), 12, 3, '?', "\xA4", false},
        {units({0xE9}), 7, 3, '?', "\x1A", true},  // 0xE9 would read back as U+0449
        {units({0xE9}), 8, 3, '?', "\x1A", true},
        {units({0xD7}), 10, 3, '?', "\x1A", true},
        {units({0xAA}), 10, 3, '?', "\xAA", false},
        {units({0x81}), 16, 3, '?', "\x1A", true},
        {units({'a', 0, 'b'}), 16, 1, '?', std::string("a\0b", 3), false},
        {pair, 16, 4, '?', "x01F600", true},
        {pair, 16, 3, '?', "\x1A", true},  // one character, one substitute
        {pair, 1, 3, '?', "\xF0\x9F\x98\x80", false},
        {units({0xD800, 'a'}), 1, 3, '?', "\xED\xA0\x80" "a", false},  // lone surrogate: 3-byte form
        {units({0xDE00, 0xD83D}), 1, 3, '?', "\xED\xB8\x80\xED\xA0\xBD", false},
        {units({0xDC80}), 1, 0x103, '?', "\xED\xB2\x80", false},  // UTF-8 never restores escapes
        {units({0xDC80, 0xDCFF}), 16, 0x103, '?', "\x80\xFF", false},
        {units({0xDC81}), 16, 0x103, '?', "\x81", false},  // a hole comes back too
        {units({0xDC80}), 16, 3, '?', "\x1A", true},
        {units({0xDB00}), 16, 0x104, '?', "xDB00", true},  // not an escape
        {units({0x2264}), 2, 0x200, '?', "=", false},
        {units({0xFF5F}), 2, 0x200, '?', "?", true},  // outside the best-fit table; mode 0
    };
    for (const auto& r : rows) {
        bool error = !r.error;
        std::string got = vandel::encode_text_checked(r.text, error, r.kind, r.mode, r.replacement);
        EXPECT_EQ(show(got), show(r.bytes)) << "text " << show(r.text) << " kind " << r.kind << " mode " << r.mode;
        EXPECT_EQ(error, r.error) << "text " << show(r.text) << " kind " << r.kind << " mode " << r.mode;
    }
}

TEST(Convert, EscapesCarryEveryByteBackUnchanged) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (text_kind kind : {2u, 10u, 16u, 19u}) {
        bool error = false;
        std::wstring text = vandel::decode_text_checked(all, error, kind, vandel::mode_escape, 0);
        ASSERT_EQ(text.size(), 256u);
        EXPECT_TRUE(error);
        std::string back = vandel::encode_text_checked(text, error, kind, 0x103, '?');
        EXPECT_EQ(back, all) << "kind " << kind;
        EXPECT_FALSE(error);
    }
    // Through UTF-8 the escapes of bad bytes come out as 3-byte forms, not as the bytes.
    std::wstring text = vandel::decode_text("a\x80\xFF", 1, vandel::mode_escape, 0);
    EXPECT_EQ(show(text), show(units({'a', 0xDC80, 0xDCFF})));
    EXPECT_EQ(show(vandel::encode_text(text, 1, 0x103, '?')), show(std::string("a\xED\xB2\x80\xED\xB3\xBF")));
}

TEST(Convert, RefusesKindsNoConverterServes) {
    for (text_kind kind : {22u, 23u, 26845u, 26847u, 0xFFFFFFFFu}) {
        bool error = false;
        EXPECT_THROW(vandel::decode_text_checked("a", error, kind, 3, '?'), std::invalid_argument) << kind;
        EXPECT_THROW(vandel::encode_text(L"", kind, 3, '?'), std::invalid_argument) << kind;
    }
    bool error = false;
    EXPECT_THROW(vandel::transcode_text("a", error, 26846, 1, 3, '?'), std::invalid_argument);
    EXPECT_THROW(vandel::transcode_text("a", error, 1, 22, 3, '?'), std::invalid_argument);
    try {
        vandel::decode_text("a", 22, 3, '?');
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "invalid conversion");
    }
}

TEST(Convert, EmptyInputClearsTheFlag) {
    for (text_kind kind : {0u, 1u, 16u, 26846u}) {
        bool error = true;
        EXPECT_EQ(vandel::decode_text_checked("", error, kind, 3, '?'), L"");
        EXPECT_FALSE(error);
        error = true;
        EXPECT_EQ(vandel::encode_text_checked(L"", error, kind, 3, '?'), "");
        EXPECT_FALSE(error);
    }
}

TEST(Convert, ShortcutsAndByteCopies) {
    EXPECT_EQ(show(vandel::narrow(units({'A', 0x20AC, 0xFF}), '\x1A')), show(std::string("A\x1A\xFF")));
    EXPECT_EQ(show(vandel::widen("A\xE9")), show(units({'A', 0xE9})));
    EXPECT_EQ(show(vandel::from_utf8("\xC3\xA9\xE9")), show(units({0xE9, 0xE9})));
    EXPECT_EQ(show(vandel::to_utf8(units({0xE9, 0xD83D, 0xDE00, 0xDC80}), '\x1A')),
              show(std::string("\xC3\xA9\xF0\x9F\x98\x80\xED\xB2\x80")));
}

TEST(Convert, Transcodes) {
    struct row {
        std::string bytes;
        text_kind from, to;
        uint32_t mode;
        char replacement;
        std::string out;
        bool error;
    } rows[] = {
        {"\x81\x80", 16, 16, 3, '?', "\x81\x80", false},  // same kind: untouched, holes and all
        {"\xE9\x80", 3, 1, 3, '?', "\xC3\xA9\xC2\x80", false},
        {"\xC3\xA9", 1, 3, 3, '?', "\xE9", false},
        {"\x80", 16, 3, 3, '?', "\x1A", true},
        {"\x80", 16, 12, 3, '?', "\xA4", false},
        {"a\x81", 16, 1, 0, '?', "a?", true},
        {"a\x81", 16, 1, 0, 0, "a", true},  // no replacement: nothing, not a NUL byte
        {"a\x81", 16, 1, 2, '?', "", true},
        {"\xC3", 1, 16, 5 | 0x100, '?', "\xC3", true},  // the bad byte travels as an escape
    };
    for (const auto& r : rows) {
        bool error = !r.error;
        EXPECT_EQ(show(vandel::transcode_text(r.bytes, error, r.from, r.to, r.mode, r.replacement)), show(r.out))
            << show(r.bytes) << " " << r.from << "->" << r.to << " mode " << r.mode;
        EXPECT_EQ(error, r.error) << show(r.bytes) << " " << r.from << "->" << r.to;
    }
}

TEST(Convert, UnitVectors) {
    const std::wstring text = units({'a', 0xD83D, 0xDE00, 0xDE00, 0xD83D});
    EXPECT_EQ(vandel::utf32_units_from_wstring(text), (std::vector<uint32_t>{'a', 0x1F600, 0xDE00, 0xD83D}));
    EXPECT_EQ(vandel::utf16_units_from_wstring(text, 0xFFFD),
              (std::vector<uint16_t>{'a', 0xD83D, 0xDE00, 0xDE00, 0xD83D}));
    EXPECT_EQ(show(vandel::wstring_from_utf16_units(std::vector<uint16_t>{'a', 0xD83D, 0xDE00})),
              show(units({'a', 0xD83D, 0xDE00})));
    EXPECT_EQ(show(vandel::wstring_from_utf32_units(std::vector<uint32_t>{'a', 0x1F600, 0xD800, 0x110000}, 0xFFFD)),
              show(units({'a', 0xD83D, 0xDE00, 0xD800, 0xFFFD})));
    EXPECT_EQ(vandel::wstring_from_utf16_units(nullptr, 0), L"");
    EXPECT_THROW(vandel::wstring_from_utf16_units(nullptr, 1), std::invalid_argument);
    EXPECT_THROW(vandel::wstring_from_utf32_units(nullptr, 1, 0xFFFD), std::invalid_argument);
    if (sizeof(wchar_t) == 4) {  // a stray wide value only exists where wchar_t has 32 bits
        std::wstring stray(1, static_cast<wchar_t>(0x1F600));
        EXPECT_EQ(vandel::utf16_units_from_wstring(stray, 0xFFFD), std::vector<uint16_t>{0xFFFD});
    }
}

TEST(Convert, SniffsTheEncodingInOrder) {
    struct row {
        std::string bytes;
        vandel::text_encoding_guess guess;
    } rows[] = {
        {"", vandel::guess_empty},
        {"hello", vandel::guess_ascii},
        {"\xC3\xA9", vandel::guess_utf8},
        {"\xE9", vandel::guess_8bit},
        {"\xC3\xA9\xE9", vandel::guess_8bit},
        {"\xED\xA0\x80", vandel::guess_utf8},
        {std::string("a\0b\0", 4), vandel::guess_utf16_le},
        {std::string("\0a\0b", 4), vandel::guess_utf16_be},
        {std::string("\n\0", 2), vandel::guess_utf16_le},
        {std::string("\0\n\0a\0", 5), vandel::guess_utf16_be},  // trailing odd byte ignored
        {std::string("\0\0\0a\0\0\0\n", 8), vandel::guess_utf32_be},
        {std::string("a\0\0\0", 4), vandel::guess_utf32_le},
        {std::string("\n\0\0\0\0\0\0a", 8), vandel::guess_utf32_le},  // first newline decides
        {std::string("\0\0\0aa\0\0\0", 8), vandel::guess_ascii},  // both orders: no wide guess
        {std::string("a\0\0b", 4), vandel::guess_ascii},
    };
    for (const auto& r : rows)
        EXPECT_EQ(vandel::sniff_text_encoding(r.bytes.data(), r.bytes.size()), r.guess) << show(r.bytes);
    EXPECT_EQ(vandel::sniff_text_encoding(nullptr, 0), vandel::guess_empty);
    EXPECT_THROW(vandel::sniff_text_encoding(nullptr, 1), std::invalid_argument);
}

TEST(Convert, KindZeroIsTheSystemKind) {
    const text_kind sys = vandel::system_text_kind();
    const std::string ascii = "Plain ASCII 0123 ~";
    EXPECT_EQ(vandel::decode_text(ascii, 0, 3, '?'), L"Plain ASCII 0123 ~");
    EXPECT_EQ(vandel::encode_text(L"Plain ASCII 0123 ~", 26846, 3, '?'), ascii);
    if (sys == vandel::text_kind_system) GTEST_SKIP() << "the ANSI code page has no kind of its own";
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(show(vandel::decode_text(all, 0, 5, '?')), show(vandel::decode_text(all, sys, 5, '?')));
}

// The system's converter, for any ANSI code page. Where the system's bytes are UTF-8 (POSIX, or
// Windows with code page 65001) kind 26846 follows the UTF-8 rules instead.
TEST(Convert, SystemPathFollowsUtf8RulesWhereTheSystemIsUtf8) {
    if (vandel::system_text_kind() != vandel::text_kind_utf8) GTEST_SKIP() << "the system code page is not UTF-8";
    const std::wstring text = units({'a', 0xDC80, 0xD83D, 0xDE00});
    const std::string bytes = "a\xED\xB2\x80\xF0\x9F\x98\x80";
    bool error = true;
    EXPECT_EQ(show(vandel::encode_text_checked(text, error, 26846, 0x103, '?')), show(bytes));
    EXPECT_FALSE(error);
    EXPECT_EQ(show(vandel::decode_text_checked(bytes + "\xFF", error, 26846, 5, '?')),
              show(text + units({0xDCFF})));
    EXPECT_TRUE(error);
}

class SystemPath : public ::testing::Test {
protected:
    void SetUp() override {
        if (vandel::system_text_kind() == vandel::text_kind_utf8)
            GTEST_SKIP() << "the system's bytes are UTF-8: kind 26846 follows the UTF-8 rules";
    }
    // U+10FFFF (a noncharacter outside the BMP): no ANSI code page holds it.
    const std::wstring unencodable = units({0xDBFF, 0xDFFF});
};

TEST_F(SystemPath, RestoresEscapesAnywhere) {
    bool error = true;
    const std::wstring text = units({'a', 0xDC80, 'b', 0xDCFF, 0xDC00, 0xDC1A});
    EXPECT_EQ(show(vandel::encode_text_checked(text, error, 26846, 0x103, '?')),
              show(std::string("a\x80" "b\xFF\x00\x1A", 6)));
    EXPECT_FALSE(error);
    EXPECT_EQ(show(vandel::encode_text_checked(units({0xDCE9}), error, 26846, 0x101, '?')), show(std::string("\xE9")));
    EXPECT_FALSE(error);
}

TEST_F(SystemPath, ReportsSubstitutionsInEveryMode) {
    const std::wstring text = L"ab" + unencodable + L"c";
    bool error = false;
    std::string out = vandel::encode_text_checked(text, error, 26846, 3, '?');
    EXPECT_TRUE(error);
    EXPECT_EQ(out.substr(0, 3), "ab\x1A");
    EXPECT_EQ(out.back(), 'c');

    error = false;
    out = vandel::encode_text_checked(text, error, 26846, 0, '#');
    EXPECT_TRUE(error);
    EXPECT_EQ(out.substr(0, 3), "ab#");

    struct row {
        uint32_t mode;
        std::string out;
    } marker_rows[] = {{0, "abc"}, {1, "ab"}, {2, ""}, {4, "abxFFFD"}};
    for (const auto& r : marker_rows) {
        error = false;
        out = vandel::encode_text_checked(text, error, 26846, r.mode, 0);
        EXPECT_TRUE(error) << "mode " << r.mode;
        if (r.mode == 4)
            EXPECT_EQ(out.substr(0, 7), r.out) << "mode 4";  // one or two per surrogate
        else
            EXPECT_EQ(show(out), show(r.out)) << "mode " << r.mode;
    }
}

TEST_F(SystemPath, KeepsTheFlagWhenEscapesStandBesideASubstitution) {
    bool error = false;
    std::string out = vandel::encode_text_checked(units({0xDC80}) + unencodable, error, 26846, 0x103, '?');
    EXPECT_TRUE(error);
    EXPECT_EQ(out.substr(0, 2), "\x80\x1A");

    error = false;
    out = vandel::encode_text_checked(units({0xDC80}) + unencodable, error, 26846, 0x101, '?');
    EXPECT_TRUE(error);
    EXPECT_EQ(show(out), show(std::string("\x80")));

    error = true;  // a U+0000 can't be told from the marker
    out = vandel::encode_text_checked(units({'a', 0, 'b'}), error, 26846, 1, '?');
    EXPECT_EQ(out, "a");
    EXPECT_TRUE(error);
}

TEST_F(SystemPath, DecodesAscii) {
    bool error = true;
    EXPECT_EQ(vandel::decode_text_checked("abc", error, 26846, 3, '?'), L"abc");
    EXPECT_FALSE(error);
}

}  // namespace
