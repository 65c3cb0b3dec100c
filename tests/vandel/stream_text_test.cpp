#include "vandel/convert.h"
#include "vandel/locale.h"
#include "vandel/memory_stream.h"
#include "tests/support/failing_stream.h"
#include "tests/support/throws.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using oblivar::test::throws;
using vandel::memory_stream;
using bytes = std::vector<uint8_t>;

bytes bytes_of(const memory_stream& s) {
    bytes out;
    for (int64_t i = 0; i < s.size(); ++i) out.push_back(*s.data_at(i));
    return out;
}

TEST(StreamText, LineEndingModes) {
    const std::string data = "ab\r\nxy";
    memory_stream s(data.data(), static_cast<int64_t>(data.size()));
    std::string line;
    EXPECT_EQ(s.read_chars(line, -1, 5), 4);
    EXPECT_EQ(line, "ab");
    EXPECT_EQ(s.read_chars(line, -1, 5), 2);
    EXPECT_EQ(line, "xy");
    EXPECT_EQ(s.read_chars(line, -1, 5), 0);
    EXPECT_EQ(line, "");

    s.rewind();
    EXPECT_EQ(s.read_chars(line, -1, 4), 3);
    EXPECT_EQ(line, "ab");
    EXPECT_EQ(s.read_chars(line, -1, 4), 3);
    EXPECT_EQ(line, "\nxy");

    const std::string cr("a\rb\r\nc\0d", 8);
    memory_stream c(cr.data(), 8);
    EXPECT_EQ(c.read_chars(line, -1, 2), 5);
    EXPECT_EQ(line, "a\rb");  // only the CR before the LF goes
    EXPECT_EQ(c.read_chars(line, -1, 1), 2);
    EXPECT_EQ(line, "c");
    c.rewind();
    EXPECT_EQ(c.read_chars(line, -1, 0), 8);  // no terminator in mode 0
    EXPECT_EQ(line, cr);

    const std::string counted = "pqrst\n";
    memory_stream p(counted.data(), 6);
    EXPECT_EQ(p.read_chars(line, 3, 3), 3);
    EXPECT_EQ(line, "pqr");
    EXPECT_EQ(p.read_chars(line, 3, 3), 3);
    EXPECT_EQ(line, "st");
}

TEST(StreamText, WideUnitsInBothByteOrders) {
    const uint8_t be[] = {0x00, 'a', 0x00, 0x0D, 0x00, 0x0A, 0x00, 'b', 0x0A};  // ends in half a unit
    memory_stream s(be, sizeof be);
    s.set_byte_order(1);
    s.set_text_form(2);
    std::wstring line;
    EXPECT_EQ(s.read_line(line, -1), 3);
    EXPECT_EQ(line, L"a");
    EXPECT_EQ(s.read_line(line, -1), 1);
    EXPECT_EQ(line, L"b");
    EXPECT_TRUE(s.eof());  // the cut unit was consumed

    std::vector<uint32_t> units;
    const uint8_t le32[] = {'x', 0, 0, 0, 0x0A, 0, 0, 0};
    memory_stream u(le32, sizeof le32);
    EXPECT_EQ(u.read_utf32_units(units, -1, 2), 2);
    EXPECT_EQ(units, std::vector<uint32_t>{'x'});
    EXPECT_TRUE(throws<std::runtime_error>([&] { u.read_utf32_units(units, -2, 2); }, "read string size too large"));
    EXPECT_TRUE(throws<std::runtime_error>([&] { u.read_utf16_units(line, -5, 2); }, "read string size too large"));
}

TEST(StreamText, LineWritersUseTheFormat) {
    struct row {
        int32_t form, order, ending;
        bytes expect;
    };
    const row rows[] = {
        {2, 1, 5, {0x00, 'x', 0x00, 0x0D, 0x00, 0x0A}},
        {2, 0, 2, {'x', 0x00, 0x0A, 0x00}},
        {3, 2, 4, {'x', 0, 0, 0, 0x0D, 0, 0, 0}},
        {3, 1, 1, {0, 0, 0, 'x', 0, 0, 0, 0}},
        {1, 1, 3, {'x', 0x0D, 0x0A}},
        {0, 0, 0, {'x', 0x00}},  // raw: the wide string's UTF-16 units
        {0, 0, 7, {'x', 0x00}},  // an unknown ending writes none
    };
    for (const row& r : rows) {
        memory_stream s;
        s.set_text_form(r.form);
        s.set_byte_order(r.order);
        s.set_line_ending(r.ending);
        EXPECT_EQ(s.write_line(std::wstring(L"x")), static_cast<int64_t>(r.expect.size()));
        EXPECT_EQ(bytes_of(s), r.expect) << r.form << " " << r.order << " " << r.ending;
    }
}

TEST(StreamText, EveryFormRoundTrips) {
    const std::wstring text = std::wstring(L"caf") + wchar_t(0xE9) + L" line";
    const std::string system_bytes = vandel::encode_text(text, vandel::text_kind_system, 3, '?');
    for (int32_t form : {0, 1, 2, 3, 4}) {
        for (int32_t order : {0, 1}) {
            memory_stream s;
            s.set_text_form(form);
            s.set_byte_order(order);
            s.set_text_kind(16);  // Windows-1252 for form 4
            s.write_line(text);
            s.write_line(system_bytes);
            s.rewind();
            std::wstring wide;
            std::string narrow;
            EXPECT_GT(s.read_line(wide, -1), 0);
            EXPECT_EQ(wide, text) << "form " << form << " order " << order;
            EXPECT_GT(s.read_line(narrow, -1), 0);
            if (form == 0)
                EXPECT_EQ(narrow, system_bytes);  // raw bytes both ways
            else
                EXPECT_EQ(vandel::decode_text(narrow, vandel::text_kind_system, 3, '?'), text) << "form " << form;
            EXPECT_TRUE(s.eof());
        }
    }
}

TEST(StreamText, ReadByteOrderMark) {
    struct row {
        bytes data;
        bool found;
        int32_t form, order;
        int64_t position;
    };
    const row rows[] = {
        {{0xFF, 0xFE, 0x00, 0x00, 'a'}, true, 3, 2, 4},
        {{0x00, 0x00, 0xFE, 0xFF}, true, 3, 1, 4},
        {{0xFF, 0xFE, 0x41, 0x00}, true, 2, 2, 2},
        {{0xFF, 0xFE}, true, 2, 2, 2},
        {{0xFE, 0xFF, 0x00, 0x41}, true, 2, 1, 2},
        {{0xEF, 0xBB, 0xBF, 'a'}, true, 1, 0, 3},
        {{0x41, 0x42}, false, 0, 7, 0},
        {{0xEF, 0xBB}, false, 0, 7, 0},
        {{}, false, 0, 7, 0},
    };
    for (const row& r : rows) {
        bytes data = r.data;
        data.insert(data.begin(), 'z');  // marks are read at the position, not at 0
        memory_stream s(data.data(), static_cast<int64_t>(data.size()));
        s.seek(1, 0);
        s.set_byte_order(7);
        s.set_line_ending(2);
        s.set_text_kind(16);
        EXPECT_EQ(s.read_bom(), r.found);
        EXPECT_EQ(s.text_form(), r.form);
        EXPECT_EQ(s.byte_order(), r.order);
        EXPECT_EQ(s.position(), 1 + r.position);
        EXPECT_EQ(s.line_ending(), 2);
        EXPECT_EQ(s.text_kind(), 16);
    }
}

TEST(StreamText, WriteByteOrderMark) {
    struct row {
        int32_t form, order;
        bool written;
        bytes expect;
    };
    const row rows[] = {
        {1, 0, true, {0xEF, 0xBB, 0xBF}},       {2, 0, true, {0xFF, 0xFE}},
        {2, 1, true, {0xFE, 0xFF}},             {3, 2, true, {0xFF, 0xFE, 0x00, 0x00}},
        {3, 1, true, {0x00, 0x00, 0xFE, 0xFF}}, {0, 0, false, {}},
        {4, 0, false, {}},
    };
    for (const row& r : rows) {
        memory_stream s;
        s.set_text_form(r.form);
        s.set_byte_order(r.order);
        EXPECT_EQ(s.write_bom(), r.written);
        EXPECT_EQ(bytes_of(s), r.expect);
    }
    oblivar::test::failing_stream full(2);
    full.set_text_form(1);
    EXPECT_FALSE(full.write_bom());
}

TEST(StreamText, DetectEncoding) {
    struct row {
        std::string data;
        int64_t count;
        bool found;
        int32_t form, order;
    };
    const row rows[] = {
        {std::string("a\0b\0", 4), 100, true, 2, 2},
        {std::string("\0a\0b", 4), 100, true, 2, 1},
        {std::string("\0\0\0a\0\0\0\n", 8), 100, true, 3, 1},
        {"plain", 100, true, 1, 0},
        {"caf\xC3\xA9", 100, true, 1, 0},
        {"caf\xC3\xA9", 4, true, 1, 0},  // the sample cuts the sequence: still UTF-8
        {"caf\xE2\x82", 100, true, 4, 0},  // a cut sequence at the very end is not UTF-8
        {"caf\xE9 au lait", 100, true, 4, 0},
        {"plain", 0, false, 9, 9},
        {"plain", -1, false, 9, 9},
        {"", 100, false, 9, 9},
    };
    for (const row& r : rows) {
        memory_stream s(r.data.data(), static_cast<int64_t>(r.data.size()));
        s.set_text_form(9);
        s.set_byte_order(9);
        EXPECT_EQ(s.detect_encoding(r.count), r.found) << r.data;
        EXPECT_EQ(s.text_form(), r.form) << r.data;
        EXPECT_EQ(s.byte_order(), r.order) << r.data;
        EXPECT_EQ(s.position(), 0);
    }

    memory_stream marked("\xEF\xBB\xBFx", 4);
    EXPECT_TRUE(marked.detect_encoding(0));
    EXPECT_EQ(marked.position(), 3);
}

TEST(StreamText, DetectedCodePageFollowsTheSystemKind) {
    int32_t system = vandel::current_locale().text_kind();
    bool unicode_system = system == 1 || system == 2;
    const struct {
        int32_t before, after;
    } rows[] = {{1, unicode_system ? 16 : 0}, {2, unicode_system ? 16 : 0}, {0, unicode_system ? 16 : 0}, {15, 15}};
    for (const auto& r : rows) {
        memory_stream s("caf\xE9", 4);
        s.set_text_kind(r.before);
        EXPECT_TRUE(s.detect_encoding(10));
        EXPECT_EQ(s.text_form(), 4);
        EXPECT_EQ(s.text_kind(), r.after) << r.before;
    }
}

}  // namespace
