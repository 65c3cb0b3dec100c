#include "vandel/stream.h"
#include "vandel/memory_stream.h"
#include "vandel/strings.h"
#include "tests/support/failing_stream.h"
#include "tests/support/throws.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using oblivar::test::failing_stream;
using oblivar::test::throws;
using vandel::memory_stream;

std::vector<uint8_t> bytes_of(const memory_stream& s) {
    std::vector<uint8_t> out;
    for (int64_t i = 0; i < s.size(); ++i) out.push_back(*s.data_at(i));
    return out;
}

using bytes = std::vector<uint8_t>;

TEST(Stream, NewStreamHasTheDefaultFormat) {
    memory_stream a, b;
    EXPECT_EQ(a.byte_order(), 0);
    EXPECT_EQ(a.line_ending(), 5);
    EXPECT_EQ(a.text_form(), 0);
    EXPECT_EQ(a.text_kind(), 0);
    EXPECT_TRUE(a.same_format(b));
    EXPECT_TRUE(a.is_seekable());
    EXPECT_TRUE(a.is_open());
    a.set_byte_order(1);
    a.set_line_ending(2);
    a.set_text_form(4);
    a.set_text_kind(16);
    b.copy_format(a);
    EXPECT_EQ(b.byte_order(), 1);
    EXPECT_EQ(b.line_ending(), 2);
    EXPECT_EQ(b.text_form(), 4);
    EXPECT_EQ(b.text_kind(), 16);
}

TEST(Stream, SameFormat) {
    struct row {
        int32_t order_a, ending_a, form_a, kind_a, order_b, ending_b, form_b, kind_b;
        bool same;
    };
    const row rows[] = {
        {0, 5, 0, 0, 0, 3, 0, 0, true},     // 5 counts as 3
        {0, 5, 0, 0, 0, 2, 0, 0, false},    // line endings differ
        {1, 3, 1, 0, 2, 3, 1, 7, true},     // both UTF-8: order and kind don't matter
        {1, 3, 4, 16, 0, 3, 4, 16, true},   // same code page: the order doesn't matter
        {0, 3, 4, 16, 0, 3, 4, 15, true},   // another code page: like any form, by the order
        {1, 3, 4, 16, 0, 3, 4, 15, false},  // another code page and another order
        {0, 3, 2, 0, 2, 3, 2, 0, true},     // 0 and 2 are both little-endian
        {1, 3, 2, 0, 2, 3, 2, 0, false},    // big against little
        {0, 3, 2, 0, 0, 3, 3, 0, false},    // forms differ
    };
    for (const row& r : rows) {
        memory_stream a, b;
        a.set_byte_order(r.order_a);
        a.set_line_ending(r.ending_a);
        a.set_text_form(r.form_a);
        a.set_text_kind(r.kind_a);
        b.set_byte_order(r.order_b);
        b.set_line_ending(r.ending_b);
        b.set_text_form(r.form_b);
        b.set_text_kind(r.kind_b);
        EXPECT_EQ(a.same_format(b), r.same) << r.order_a << r.ending_a << r.form_a << r.kind_a;
        EXPECT_EQ(b.same_format(a), r.same);
    }
}

TEST(Stream, TypedValuesHaveTheirByteOrderOnTheMedium) {
    for (int32_t order : {0, 1, 2, 7}) {
        bool big = order == 1;
        memory_stream s;
        s.set_byte_order(order);
        EXPECT_EQ(s.write_uint32(0x03FAFC00), 4);
        EXPECT_EQ(s.write_int8(0x81), 1);
        EXPECT_EQ(s.write_char16(0x1234), 2);
        EXPECT_EQ(s.write_int64(-2), 8);
        EXPECT_EQ(s.write_double(1.0), 8);
        EXPECT_EQ(s.write_float(-2.5f), 4);
        int16_t i16 = -300;
        EXPECT_EQ(s.write_int16(i16), 2);
        bytes expect = big ? bytes{0x03, 0xFA, 0xFC, 0x00, 0x81, 0x12, 0x34, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFE, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20,
                                   0, 0, 0xFE, 0xD4}
                           : bytes{0x00, 0xFC, 0xFA, 0x03, 0x81, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0,
                                   0x20, 0xC0, 0xD4, 0xFE};
        EXPECT_EQ(bytes_of(s), expect) << "byte order " << order;

        s.rewind();
        int32_t i32 = 0;
        uint8_t u8 = 0;
        char16_t c16 = 0;
        int64_t i64 = 0;
        double d = 0;
        float f = 0;
        int16_t back16 = 0;
        EXPECT_EQ(s.read_int32(i32), 4);
        EXPECT_EQ(s.read_int8(u8), 1);
        EXPECT_EQ(s.read_int16(c16), 2);
        EXPECT_EQ(s.read_int64(i64), 8);
        EXPECT_EQ(s.read_double(d), 8);
        EXPECT_EQ(s.read_float(f), 4);
        EXPECT_EQ(s.read_int16(back16), 2);
        EXPECT_EQ(i32, 0x03FAFC00);
        EXPECT_EQ(u8, 0x81);
        EXPECT_EQ(c16, 0x1234);
        EXPECT_EQ(i64, -2);
        EXPECT_EQ(d, 1.0);
        EXPECT_EQ(f, -2.5f);
        EXPECT_EQ(back16, -300);
    }
}

TEST(Stream, ShortTypedReadReportsWhatCameAndLeavesTheValue) {
    const uint8_t data[] = {1, 2, 3};
    memory_stream s(data, 3);
    uint32_t v = 77;
    EXPECT_EQ(s.read_int32(v), 3);
    EXPECT_EQ(v, 77u);
    EXPECT_EQ(s.read_int32(v), 0);
}

TEST(Stream, StringsHaveTheirLayoutOnTheMedium) {
    struct row {
        int32_t order;
        std::wstring text;
        bytes expect;
    };
    const row rows[] = {
        {0, L"ab", {4, 0, 0, 0, 0x61, 0, 0x62, 0}},
        {1, L"ab", {0, 0, 0, 4, 0x61, 0, 0x62, 0}},  // units stay little-endian
        {2, std::wstring{wchar_t(0xE9), wchar_t(0x20AC), wchar_t(0xD83D), wchar_t(0xDE00)},
         {8, 0, 0, 0, 0xE9, 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE}},
        {0, L"", {0, 0, 0, 0}},
    };
    for (const row& r : rows) {
        memory_stream s;
        s.set_byte_order(r.order);
        EXPECT_EQ(s.write_wstring(r.text), static_cast<int64_t>(r.expect.size()));
        EXPECT_EQ(bytes_of(s), r.expect);
        s.rewind();
        std::wstring back = L"junk";
        EXPECT_EQ(s.read_wstring(back, 1000), static_cast<int64_t>(r.expect.size()));
        EXPECT_EQ(back, r.text);
    }

    memory_stream s;
    s.set_byte_order(1);
    EXPECT_EQ(s.write_string("xyz"), 7);
    EXPECT_EQ(bytes_of(s), (bytes{0, 0, 0, 3, 'x', 'y', 'z'}));
    s.rewind();
    std::string back;
    EXPECT_EQ(s.read_string(back, 3), 7);
    EXPECT_EQ(back, "xyz");
}

TEST(Stream, WideCharacterBeyondUtf16IsReplaced) {
    if (sizeof(wchar_t) < 4) GTEST_SKIP() << "wchar_t holds only UTF-16 units here";
    memory_stream s;
    s.write_wstring(std::wstring(1, static_cast<wchar_t>(0x1F600)));
    EXPECT_EQ(bytes_of(s), (bytes{2, 0, 0, 0, 0xFD, 0xFF}));
}

TEST(Stream, OddWideByteCountIsAReadFailureNotAnEmptyString) {
    const uint8_t odd[] = {5, 0, 0, 0, 'a', 0, 'b', 0, 'c'};
    memory_stream s(odd, sizeof odd);
    std::wstring text = L"junk";
    EXPECT_EQ(s.read_wstring(text, 1000), -1);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(s.position(), 4);

    const uint8_t empty[] = {0, 0, 0, 0};
    memory_stream e(empty, sizeof empty);
    EXPECT_EQ(e.read_wstring(text, 1000), 4);

    // Oddness is damage whatever the caller's bound: it is reported before the bound is tested.
    memory_stream big(odd, sizeof odd);
    EXPECT_EQ(big.read_wstring(text, 2), -1);
    EXPECT_EQ(big.position(), 4);
}

TEST(Stream, StringReadsAtTheEndOfTheData) {
    const uint8_t two[] = {1, 0};
    memory_stream s(two, 2);
    std::string text = "junk";
    EXPECT_EQ(s.read_string(text, 100), 0);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(s.position(), 0);

    const uint8_t cut[] = {10, 0, 0, 0, '1', '2', '3', '4', '5', '6'};
    memory_stream c(cut, sizeof cut);
    EXPECT_EQ(c.read_string(text, 100), 10);
    EXPECT_EQ(text, "123456");

    // A wide string cut inside a unit keeps only whole units.
    const uint8_t wcut[] = {6, 0, 0, 0, 'a', 0, 'b'};
    memory_stream w(wcut, sizeof wcut);
    std::wstring wide;
    EXPECT_EQ(w.read_wstring(wide, 100), 7);
    EXPECT_EQ(wide, L"a");
}

TEST(Stream, LengthFromTheDataAboveTheCallersBoundThrows) {
    const uint8_t data[] = {4, 0, 0, 0, 'a', 'b', 'c', 'd'};
    memory_stream s(data, sizeof data);
    std::string text;
    EXPECT_TRUE(throws<std::runtime_error>([&] { s.read_string(text, 3); }, "read string size too large"));
    EXPECT_EQ(s.position(), 4);
    s.rewind();
    std::wstring wide;
    EXPECT_TRUE(throws<std::runtime_error>([&] { s.read_wstring(wide, 3); }, "read string size too large"));
}

TEST(Stream, HugeLengthPrefixAllocatesOnlyWhatTheDataHolds) {
    const uint8_t data[] = {0xFE, 0xFF, 0xFF, 0xFF, 'a', 'b'};
    memory_stream s(data, sizeof data);
    std::string text;
    EXPECT_EQ(s.read_string(text, std::numeric_limits<uint64_t>::max()), 6);
    EXPECT_EQ(text, "ab");
}

TEST(Stream, WritersStopAtAShortPrefixWrite) {
    failing_stream full(2);
    EXPECT_EQ(full.write_string("abc"), 2);
    EXPECT_EQ(full.write_calls(), 1);
    failing_stream half(6);
    EXPECT_EQ(half.write_wstring(L"abc"), 6);
}

TEST(Stream, CopyFromTakesEverythingThatRemains) {
    memory_stream source;
    std::vector<uint8_t> data(200000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    source.write(data.data(), static_cast<int64_t>(data.size()));
    source.seek(1000, 0);
    memory_stream target;
    EXPECT_EQ(target.copy_from(source, -1), 199000);
    EXPECT_EQ(target.size(), 199000);
    EXPECT_EQ(std::memcmp(target.data_at(0), data.data() + 1000, 199000), 0);

    source.seek(10, 0);
    memory_stream part;
    EXPECT_EQ(source.copy_to(part, 70000), 70000);
    EXPECT_EQ(source.position(), 70010);
    EXPECT_EQ(*part.data_at(69999), data[70009]);
}

TEST(Stream, CopyOfExactlyOneBlockEndsWithAnEmptyRead) {
    failing_stream source;
    std::vector<uint8_t> block(65536, 0x5A);
    source.write(block.data(), 65536);
    source.rewind();
    memory_stream target;
    EXPECT_EQ(target.copy_from(source, -1), 65536);
    EXPECT_EQ(source.read_calls(), 2);
}

TEST(Stream, CopyStopsWhenTheTargetIsFull) {
    memory_stream source(300000, 1);
    failing_stream target(100000);
    EXPECT_EQ(target.copy_from(source, -1), 100000);
    EXPECT_EQ(target.write_calls(), 2);  // 65536, then the short one
    EXPECT_EQ(target.size(), 100000);
}

TEST(Stream, Crc32IsTheStandardChecksumOfTheBytesRead) {
    memory_stream check;
    check.write("123456789", 9);
    check.rewind();
    EXPECT_EQ(check.crc32(-1), 0xCBF43926u);
    EXPECT_TRUE(check.eof());

    std::vector<uint8_t> data(200000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + (i >> 9));
    memory_stream s(data.data(), static_cast<int64_t>(data.size()));
    s.seek(5, 0);
    EXPECT_EQ(s.crc32(131072), vandel::crc32(data.data() + 5, 131072, true, 0xFFFFFFFF));  // two whole blocks
    EXPECT_EQ(s.position(), 131077);
    EXPECT_EQ(s.crc32(-1), vandel::crc32(data.data() + 131077, data.size() - 131077, true, 0xFFFFFFFF));
    EXPECT_EQ(s.crc32(10), 0u);  // nothing left: the CRC of no bytes
}

}  // namespace
