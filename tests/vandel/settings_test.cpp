#include "vandel/map_settings.h"
#include "vandel/memory_stream.h"
#include "vandel/settings.h"
#include "vandel/locale.h"
#include "vandel/os_text.h"
#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/failing_stream.h"
#include "tests/support/sandbox.h"
#include "tests/support/throws.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using oblivar::test::failing_stream;
using oblivar::test::throws;
using vandel::map_settings;
using vandel::memory_stream;
using wstrings = std::vector<std::wstring>;

std::string hex_of(const memory_stream& s) {
    std::string out;
    for (int64_t i = 0; i < s.size(); ++i) {
        static const char digits[] = "0123456789abcdef";
        out += digits[*s.data_at(i) >> 4];
        out += digits[*s.data_at(i) & 15];
    }
    return out;
}

void put_hex(memory_stream& s, const std::string& hex) {
    for (size_t i = 0; i + 1 < hex.size(); i += 2) s.write_int8(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    s.rewind();
}

TEST(SettingsLine, BuildsAndSplitsLines) {
    EXPECT_EQ(vandel::settings_line(L" A ", L" x ", 2), L"A.int= x ");
    EXPECT_EQ(vandel::settings_line(L"A", L"x", 0), L"A=x");
    EXPECT_EQ(vandel::settings_line(L" \t", L"x", 1), L"");
    EXPECT_EQ(vandel::settings_line(std::string("F"), std::string("1.5"), 3), "F.float=1.5");
    // A dotted name goes without its type, which would read back as part of the name.
    for (const std::wstring name : {L"A.B", L"Window.Pos.x", L"ends."}) {
        std::wstring back, text;
        EXPECT_EQ(vandel::split_settings_line(vandel::settings_line(name, L"7", 2), back, text), 1) << name;
        EXPECT_EQ(back, name);
        EXPECT_EQ(text, L"7");
    }

    struct row {
        std::wstring line, name, text;
        int type;
    } rows[] = {
        {L"A.int= x ", L"A", L"x", 2},
        {L"B.bool=yes", L"B", L"yes", 4},
        {L"C.text=1", L"C.text", L"1", 1},
        {L"A.B.int=5", L"A.B.int", L"5", 1},   // only the first dot counts
        {L" E . float = 2=3 ", L"E", L"2=3", 3},
        {L"F.Int=1", L"F.Int", L"1", 1},       // type names are case-sensitive
        {L"G=", L"G", L"", 1},
        {L"=5", L"", L"", 0},
        {L"D", L"", L"", 0},
        {L" .str=x", L"", L"", 0},             // a type without a name
    };
    for (const auto& r : rows) {
        std::wstring name = L"old", text = L"old";
        EXPECT_EQ(vandel::split_settings_line(r.line, name, text), r.type);
        EXPECT_EQ(name, r.name);
        EXPECT_EQ(text, r.text);
    }
    std::string name, text;
    EXPECT_EQ(vandel::split_settings_line(std::string("N.float=2.5"), name, text), 3);
    EXPECT_EQ(name, "N");

    std::wstring type_name = L"old";
    vandel::settings_type_name(3, type_name);
    EXPECT_EQ(type_name, L"float");
    vandel::settings_type_name(5, type_name);
    EXPECT_EQ(type_name, L"");
    EXPECT_EQ(vandel::parse_settings_type(std::wstring(L"bool")), 4);
    EXPECT_EQ(vandel::parse_settings_type(std::string("double")), 0);
}

TEST(SettingsLine, ParsesBooleans) {
    struct row {
        const char* text;
        bool def, expected;
    } rows[] = {
        {" TRUE ", false, true}, {"Yes", false, true}, {"1", false, true},    {"no", true, false},
        {"0", true, false},      {"0x10", false, true}, {"-3", false, true},  {"0x0", true, false},
        {"maybe", true, true},   {"maybe", false, false}, {"", true, true},   {"99999999999", true, true},
        {"00000000001", true, false},  // only the first 10 characters count
    };
    for (const auto& r : rows) {
        const std::string t = r.text;
        EXPECT_EQ(vandel::parse_bool(t, r.def), r.expected) << t;
        EXPECT_EQ(vandel::parse_bool(std::wstring(t.begin(), t.end()), r.def), r.expected) << t;
    }
}

TEST(SettingsLine, FloatTextUsesAPointAndReadsBack) {
    EXPECT_EQ(vandel::settings_float_text<std::wstring>(1.5), L"1.5");
    EXPECT_EQ(vandel::settings_float_text<std::string>(-1234567.25), "-1234567.25");
    EXPECT_EQ(vandel::settings_float_text<std::wstring>(1e300), L"1.0000000000000000525E+300");
    for (double x : {0.1, -2.9, 1e-310, 123456789012345678.0, 5e-324}) {
        double back = 0;
        const auto text = vandel::settings_float_text<std::wstring>(x);
        EXPECT_EQ(vandel::parse_settings_float(text, back), static_cast<int>(text.size()));
        EXPECT_EQ(back, x);
    }
    double out = 7;
    EXPECT_EQ(vandel::parse_settings_float(std::wstring(L"abc"), out), 0);
    EXPECT_EQ(vandel::parse_settings_float(std::string("1e999"), out), -1);
    EXPECT_EQ(vandel::parse_settings_float(std::string(" 2.5x"), out), 4);
    EXPECT_EQ(out, 2.5);
}

// ---- map_settings ----

TEST(MapSettings, SettersNoticeChangesOnly) {
    map_settings<std::wstring> m;
    EXPECT_FALSE(m.modified());
    EXPECT_TRUE(m.set_int(L"n", 5));
    EXPECT_TRUE(m.modified());
    EXPECT_TRUE(m.value_modified(L"n"));
    EXPECT_TRUE(m.changed_since_save());

    m.set_modified(false);
    EXPECT_TRUE(m.set_int(L"n", 5));  // the same number: no flag
    EXPECT_FALSE(m.modified());
    EXPECT_FALSE(m.value_modified(L"n"));
    EXPECT_TRUE(m.set_float(L"n", 5.0));  // another type: a change
    EXPECT_TRUE(m.modified());
    EXPECT_EQ(m.type(L"n"), vandel::settings_float);

    m.set_modified(false);
    m.set_float(L"n", 5.0);
    EXPECT_FALSE(m.modified());
    m.set_float(L"nan", std::nan(""));
    m.set_modified(false);
    m.set_float(L"nan", std::nan(""));  // NaN never equals itself
    EXPECT_TRUE(m.value_modified(L"nan"));

    m.set_modified(false);
    m.set_string(L"s", L"x");
    m.set_bool(L"b", true);
    m.set_modified(false);
    m.set_string(L"s", L"x");
    m.set_bool(L"b", true);
    EXPECT_FALSE(m.modified());
    m.set_string(L"s", L"X");
    EXPECT_TRUE(m.value_modified(L"s"));
    EXPECT_FALSE(m.value_modified(L"b"));
    EXPECT_FALSE(m.value_modified(L"absent"));

    m.set_modified(false);
    EXPECT_FALSE(m.set_value_modified(L"absent", true));
    EXPECT_FALSE(m.modified());
    EXPECT_TRUE(m.set_value_modified(L"b", true));
    EXPECT_TRUE(m.modified());
    EXPECT_TRUE(m.set_value_modified(L"b", false));
    EXPECT_TRUE(m.modified());  // the store flag is only ever set here
}

TEST(MapSettings, GettersConvertAndNeverClamp) {
    map_settings<std::wstring> m;
    m.set_int(L"nine", 9);
    m.set_int(L"three", 3);
    m.set_float(L"f29", 2.9);
    m.set_float(L"fm29", -2.9);
    m.set_float(L"big", 1e19);
    m.set_float(L"nan", std::nan(""));
    m.set_string(L"hex", L" 0x10 ");
    m.set_string(L"word", L"abc");
    m.set_string(L"float", L"2.5");
    m.set_string(L"yes", L"yes");
    m.set_bool(L"t", true);

    EXPECT_EQ(m.get_int(L"nine", 7, 0, 5), 7);
    EXPECT_EQ(m.get_int(L"three", 7, 0, 5), 3);
    EXPECT_EQ(m.get_int(L"absent", 70, 0, 5), 70);
    EXPECT_EQ(m.get_int(L"nine", 70, 0, 5), 70);
    EXPECT_EQ(m.get_int(L"f29", 0, INT64_MIN, INT64_MAX), 2);
    EXPECT_EQ(m.get_int(L"fm29", 0, INT64_MIN, INT64_MAX), -2);
    EXPECT_EQ(m.get_int(L"big", 11, INT64_MIN, INT64_MAX), 11);
    EXPECT_EQ(m.get_int(L"nan", 11, INT64_MIN, INT64_MAX), 11);
    EXPECT_EQ(m.get_int(L"hex", 0, INT64_MIN, INT64_MAX), 16);
    EXPECT_EQ(m.get_int(L"word", 4, INT64_MIN, INT64_MAX), 4);
    EXPECT_EQ(m.get_int(L"t", 0, INT64_MIN, INT64_MAX), 1);

    EXPECT_EQ(m.get_float(L"float", 0), 2.5);
    EXPECT_EQ(m.get_float(L"word", 0.5), 0.5);
    EXPECT_EQ(m.get_float(L"nine", 0), 9.0);
    EXPECT_EQ(m.get_float(L"t", 0), 1.0);

    EXPECT_TRUE(m.get_bool(L"yes", false));
    EXPECT_TRUE(m.get_bool(L"word", true));
    EXPECT_FALSE(m.get_bool(L"word", false));
    EXPECT_TRUE(m.get_bool(L"nan", false));
    EXPECT_TRUE(m.get_bool(L"nine", false));

    EXPECT_EQ(m.get_string(L"nine", L"d"), L"9");
    EXPECT_EQ(m.get_string(L"f29", L"d"), L"2.8999999999999999112");
    EXPECT_EQ(m.get_string(L"t", L"d"), L"1");
    EXPECT_EQ(m.get_string(L"absent", L"d"), L"d");
}

TEST(MapSettings, ListsInCodeUnitOrder) {
    map_settings<std::wstring> m;
    for (const wchar_t* n : {L"b", L"B", L"a", L"\x00e9", L"ab"}) m.set_int(n, 1);
    wstrings names{L"old"};
    ASSERT_TRUE(m.names(names));
    EXPECT_EQ(names, (wstrings{L"B", L"a", L"ab", L"b", L"\x00e9"}));
    EXPECT_EQ(m.count(), 5);
    EXPECT_TRUE(m.erase(L"ab"));
    EXPECT_FALSE(m.erase(L"ab"));
    EXPECT_EQ(m.count(), 4);
}

TEST(MapSettings, LinesRoundTripAndCopy) {
    map_settings<std::wstring> m;
    m.set_int(L"i", -5);
    m.set_float(L"f", 0.1);
    m.set_bool(L"b", false);
    m.set_string(L"s", L"a=b");
    wstrings lines;
    ASSERT_TRUE(m.to_lines(lines, true));
    EXPECT_EQ(lines, (wstrings{L"b.bool=0", L"f.float=0.10000000000000000555", L"i.int=-5", L"s.str=a=b"}));
    ASSERT_TRUE(m.to_lines(lines, false));
    EXPECT_EQ(lines.front(), L"b=0");

    map_settings<std::wstring> copy;
    copy.set_int(L"gone", 1);
    ASSERT_TRUE(copy.copy_from(m));
    EXPECT_EQ(copy.count(), 4);
    EXPECT_EQ(copy.type(L"gone"), 0);
    EXPECT_EQ(copy.get_float(L"f", 0), 0.1);
    EXPECT_EQ(copy.type(L"b"), vandel::settings_bool);
    EXPECT_TRUE(copy.value_modified(L"i"));

    map_settings<std::wstring> parsed;
    ASSERT_TRUE(parsed.from_lines({L"X.int=0x10", L"Y.int=abc", L"Z.float=abc", L"W.bool=maybe", L"junk", L"X.int=3"},
                                  false));
    EXPECT_EQ(parsed.count(), 4);
    EXPECT_EQ(parsed.get_int(L"X", 0, INT64_MIN, INT64_MAX), 3);  // the later line wins
    EXPECT_EQ(parsed.get_int(L"Y", 9, INT64_MIN, INT64_MAX), 0);
    EXPECT_EQ(parsed.get_float(L"Z", 9), 0.0);
    EXPECT_EQ(parsed.type(L"W"), vandel::settings_bool);
    EXPECT_FALSE(parsed.get_bool(L"W", true));

    map_settings<std::string> narrow;
    ASSERT_TRUE(narrow.from_lines({"n.int=7", "t=text"}, true));
    EXPECT_EQ(narrow.get_int("n", 0, 0, 10), 7);
    EXPECT_EQ(narrow.get_string("t", ""), "text");
}

TEST(MapSettings, OnlyALoadOrSaveForgetsUnsavedChanges) {
    map_settings<std::wstring> m;
    m.set_int(L"a", 1);
    memory_stream s;
    ASSERT_TRUE(m.write_binary(s));
    EXPECT_FALSE(m.changed_since_save());

    // Nothing taken from the lines: the store flag says so, the file still differs.
    m.set_int(L"a", 2);
    ASSERT_TRUE(m.from_lines({}, true));
    EXPECT_FALSE(m.modified());
    EXPECT_TRUE(m.changed_since_save());

    ASSERT_TRUE(m.write_binary(s));
    ASSERT_TRUE(m.clear());
    EXPECT_TRUE(m.changed_since_save());  // the file holds a value the store no longer has
    EXPECT_TRUE(m.modified());
    ASSERT_TRUE(m.from_lines({L"junk"}, false));
    EXPECT_TRUE(m.changed_since_save());
}

// ---- binary format ----

// All four types, a surrogate pair included: the same bytes from both builds.
const char* const golden =
    "00fcfa0304000000"
    "020000004100" "0600000069006e007400" "040000002d003500"
    "020000004200" "06000000730074007200" "0600000078003dd800de"
    "020000004300" "0a00000066006c006f0061007400" "0600000031002e003500"
    "020000004400" "0800000062006f006f006c00" "020000003100";

map_settings<std::wstring> golden_store() {
    map_settings<std::wstring> m;
    m.set_bool(L"D", true);
    m.set_float(L"C", 1.5);
    m.set_string(L"B", std::wstring{L'x', wchar_t(0xD83D), wchar_t(0xDE00)});
    m.set_int(L"A", -5);
    return m;
}

TEST(SettingsBinary, GoldenBytes) {
    auto m = golden_store();
    memory_stream s;
    ASSERT_TRUE(m.write_binary(s));
    EXPECT_EQ(hex_of(s), golden);
    EXPECT_FALSE(m.changed_since_save());

    map_settings<std::wstring> empty;
    memory_stream e;
    ASSERT_TRUE(empty.write_binary(e));
    EXPECT_EQ(hex_of(e), "00fcfa0300000000");

    map_settings<std::wstring> back;
    back.set_int(L"stale", 1);
    s.rewind();
    ASSERT_TRUE(back.read_binary(s));
    EXPECT_FALSE(back.changed_since_save());
    EXPECT_EQ(back.count(), 4);
    EXPECT_EQ(back.type(L"stale"), 0);
    EXPECT_EQ(back.get_int(L"A", 0, INT64_MIN, INT64_MAX), -5);
    EXPECT_EQ(back.get_string(L"B", L""), (std::wstring{L'x', wchar_t(0xD83D), wchar_t(0xDE00)}));
    EXPECT_EQ(back.get_float(L"C", 0), 1.5);
    EXPECT_EQ(back.type(L"D"), vandel::settings_bool);
    EXPECT_TRUE(back.value_modified(L"A"));
}

TEST(SettingsBinary, UnknownTypesAreSkippedAndEmptyNamesKept) {
    memory_stream s;
    s.write_uint32(0x03FAFC00);
    s.write_uint32(3);
    for (const wchar_t* t : {L"when", L"date", L"2024", L"", L"str", L"unnamed", L"n", L"int", L"7"})
        s.write_wstring(t);
    s.rewind();
    map_settings<std::wstring> m;
    ASSERT_TRUE(m.read_binary(s));
    EXPECT_EQ(m.count(), 2);
    EXPECT_EQ(m.get_string(L"", L"d"), L"unnamed");
    EXPECT_EQ(m.get_int(L"n", 0, 0, 10), 7);

    // A name the empty one sorts before survives the round trip too.
    memory_stream out;
    ASSERT_TRUE(m.write_binary(out));
    out.rewind();
    map_settings<std::wstring> back;
    ASSERT_TRUE(back.read_binary(out));
    EXPECT_EQ(back.count(), 2);
}

TEST(SettingsBinary, ACutFileNeverLoadsAsSuccess) {
    memory_stream whole;
    auto m = golden_store();
    ASSERT_TRUE(m.write_binary(whole));
    for (int64_t cut = 1; cut < whole.size(); ++cut) {
        memory_stream part(whole.data_at(0), cut);
        map_settings<std::wstring> loaded;
        loaded.set_int(L"mine", 1);
        EXPECT_FALSE(loaded.read_binary(part)) << "cut at " << cut;
        if (cut < 8) {
            EXPECT_EQ(loaded.type(L"mine"), vandel::settings_int) << "cut at " << cut;
        }
    }
    memory_stream none(whole.data_at(0), 0);
    map_settings<std::wstring> loaded;
    EXPECT_FALSE(loaded.read_binary(none));
}

TEST(SettingsBinary, DamagedFilesAreRefused) {
    map_settings<std::wstring> m;
    m.set_int(L"keep", 1);

    memory_stream text;
    put_hex(text, "412e696e743d35");  // "A.int=5": not binary, nothing changes
    EXPECT_FALSE(m.read_binary(text));
    EXPECT_EQ(m.count(), 1);

    memory_stream odd;
    put_hex(odd, "00fcfa0301000000" "03000000410042");  // an odd byte count
    EXPECT_FALSE(m.read_binary(odd));

    memory_stream huge;
    put_hex(huge, "00fcfa0301000000" "0100a000");  // 0xA00001 bytes announced
    EXPECT_TRUE(throws<std::runtime_error>([&] { m.read_binary(huge); }, "read string size too large"));
}

TEST(SettingsBinary, AShortWriteFailsAndKeepsTheChange) {
    auto m = golden_store();
    memory_stream whole;
    ASSERT_TRUE(golden_store().write_binary(whole));
    for (int64_t budget : {int64_t(0), int64_t(3), int64_t(8), whole.size() - 1}) {
        failing_stream s(budget);
        m.set_int(L"A", budget);
        EXPECT_FALSE(m.write_binary(s)) << budget;
        EXPECT_TRUE(m.changed_since_save()) << budget;
    }
    memory_stream view(whole.data_at(0), whole.size());  // not writable
    EXPECT_FALSE(m.write_binary(view));
}

}  // namespace

// ---- text format ----

TEST(SettingsText, ReadsLinesAndSaysWhereItStopped) {
    memory_stream s;
    const std::string text = "[section]\r\n# note\r\n  // note\r\n\r\nA.int=0x10\r\nB= spaced \r\ngarbage\r\nC.int=1\r\n";
    s.write(text.data(), static_cast<int64_t>(text.size()));
    s.rewind();
    s.set_text_form(1);
    map_settings<std::wstring> m;
    m.set_int(L"old", 1);
    int line = -1;
    EXPECT_FALSE(m.read_text(s, &line));
    EXPECT_EQ(line, 7);
    EXPECT_EQ(m.type(L"old"), 0);  // cleared first; what came before the bad line stays
    EXPECT_EQ(m.get_int(L"A", 0, 0, 100), 16);
    EXPECT_EQ(m.get_string(L"B", L""), L"spaced");
    EXPECT_EQ(m.type(L"C"), 0);

    memory_stream empty;
    EXPECT_FALSE(m.read_text(empty, &line));
    EXPECT_EQ(line, 0);

    // Detected as text: a UTF-8 file with its byte-order mark.
    memory_stream marked;
    put_hex(marked, "efbbbf"  "782e626f6f6c3d7965730a");  // "x.bool=yes\n"
    map_settings<std::wstring> detected;
    EXPECT_EQ(detected.read_settings(marked, &line), map_settings<std::wstring>::read_outcome::text);
    EXPECT_TRUE(detected.get_bool(L"x", false));
    EXPECT_FALSE(detected.changed_since_save());
}

TEST(SettingsText, WritesLinesInTheStreamsFormat) {
    auto m = golden_store();
    memory_stream s;
    s.set_text_form(1);
    s.set_line_ending(2);
    ASSERT_TRUE(m.write_text(s, true));
    EXPECT_FALSE(m.changed_since_save());
    const std::string expected = "A.int=-5\nB.str=x\xF0\x9F\x98\x80\nC.float=1.5\nD.bool=1\n";
    ASSERT_EQ(s.size(), static_cast<int64_t>(expected.size()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(s.data_at(0)), expected.size()), expected);

    s.rewind();
    map_settings<std::wstring> back;
    ASSERT_TRUE(back.read_text(s));
    wstrings a, b;
    m.to_lines(a, true);
    back.to_lines(b, true);
    EXPECT_EQ(a, b);

    for (int64_t budget : {int64_t(0), int64_t(10), static_cast<int64_t>(expected.size()) - 1}) {
        failing_stream short_one(budget);
        m.set_int(L"A", budget);
        EXPECT_FALSE(m.write_text(short_one, true)) << budget;
        EXPECT_TRUE(m.changed_since_save()) << budget;
    }
}

// ---- the locale's decimal separator ----

namespace locale_check {

constexpr int child_ok = 10;

// Runs in a child process whose locale writes "," for the decimal point and "." between groups.
TEST(SettingsLocaleChild, FloatsUseAPointWhateverTheLocale) {
    if (!oblivar::test::is_child_test()) GTEST_SKIP() << "runs only as a child of SettingsLocale";
    ASSERT_EQ(vandel::current_locale().decimal_separator_w(), L",");
    EXPECT_EQ(vandel::settings_float_text<std::wstring>(1234.5), L"1234.5");
    EXPECT_EQ(vandel::settings_float_text<std::string>(-0.25), "-0.25");

    map_settings<std::wstring> m;
    m.set_float(L"f", 1234.5);
    EXPECT_EQ(m.get_string(L"f", L""), L"1234.5");
    std::vector<std::wstring> lines;
    m.to_lines(lines, true);
    EXPECT_EQ(lines, (wstrings{L"f.float=1234.5"}));
    memory_stream s;
    ASSERT_TRUE(m.write_binary(s));
    EXPECT_NE(hex_of(s).find("0c00000031003200330034002e003500"), std::string::npos);  // "1234.5"

    // Reading takes the point, and the locale's own separator where that reads further.
    double v = 0;
    EXPECT_EQ(vandel::parse_settings_float(std::wstring(L"2.5"), v), 3);
    EXPECT_EQ(v, 2.5);
    EXPECT_EQ(vandel::parse_settings_float(std::wstring(L"2,5"), v), 3);
    EXPECT_EQ(v, 2.5);
    ASSERT_TRUE(m.from_lines({L"a.float=3,5", L"b.float=0.125", L"c=7,25"}, false));
    EXPECT_EQ(m.get_float(L"a", 0), 3.5);
    EXPECT_EQ(m.get_float(L"b", 0), 0.125);
    EXPECT_EQ(m.get_float(L"c", 0), 7.25);
    std::exit(::testing::Test::HasFailure() ? 1 : child_ok);
}

TEST(SettingsLocale, FloatsUseAPointWhateverTheLocale) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a locale of the C library made for the test (Linux)";
#else
    oblivar::test::sandbox sb;
    // A locale of our own: only its numbers differ from POSIX.
    std::string def;
    for (const char* c : {"LC_CTYPE", "LC_COLLATE", "LC_TIME", "LC_MONETARY", "LC_MESSAGES", "LC_PAPER", "LC_NAME",
                          "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"})
        def += std::string(c) + "\ncopy \"POSIX\"\nEND " + c + "\n";
    def += "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"<U002E>\"\ngrouping 3;3\nEND LC_NUMERIC\n";
    oblivar::test::write_bytes(sb.path(L"comma.def"), def);
    const std::string folder = vandel::to_os_bytes(sb.root());
    const std::string command = "localedef -i '" + folder + "/comma.def' -f ANSI_X3.4-1968 '" + folder +
                                "/xx_XX' >/dev/null 2>&1";
    // localedef reports the categories copied from POSIX as warnings: its folder tells.
    if (std::system(command.c_str()) == -1 || !oblivar::test::path_exists(sb.path(L"xx_XX/LC_NUMERIC")))
        GTEST_SKIP() << "localedef can't build a test locale here";
    oblivar::test::scoped_env path("LOCPATH", sb.root());
    oblivar::test::scoped_env all("LC_ALL", std::wstring(L"xx_XX"));
    EXPECT_EQ(oblivar::test::run_child_test("SettingsLocaleChild.FloatsUseAPointWhateverTheLocale"), child_ok);
#endif
}

}  // namespace locale_check
