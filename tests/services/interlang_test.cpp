// The translation table: the language-file grammar and its errors, fallback and lookup, plural
// texts, loading a folder, the translators' report, and use from several threads.
#include "services/interlang.h"

#include "tests/support/child.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"
#include "vandel/convert.h"
#include "vandel/memory_stream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace olvex {
namespace {

using namespace oblivar::test;

// Parses text (UTF-8) into the table in its own update; returns the error line, 0 for success.
int parse(interlang& table, const std::string& text) {
    vandel::memory_stream s(text.data(), static_cast<int64_t>(text.size()));
    interlang::update_scope update(table);
    int line = 0;
    return table.parse_language_file(s, line) ? 0 : line;
}

TEST(interlang, grammar) {
    interlang t;
    EXPECT_EQ(parse(t,
                    "# comment\n"
                    "KEY: WIPE_FILES\n"
                    "LANG: EN\n"
                    "TEXT: Wipe\n"
                    "   the\r\n"
                    "// a comment does not end the text\n"
                    "files\n"
                    "LANG: de\n"
                    "TEXT:Dateien   \n"
                    "KEY: wipe_files\n"
                    "LANG: en\n"
                    "TEXT: lower\\x41\\x4\\%\\\\\n"
                    "\n"),
              0);
    EXPECT_EQ(t.translate(L"WIPE_FILES", L"en"), L"Wipe the files");
    EXPECT_EQ(t.translate(L"WIPE_FILES", L"de"), L"Dateien");
    EXPECT_EQ(t.translate(L"wipe_files", L"en"), L"lowerA\\x4\\%\\\\");
    std::vector<std::wstring> codes;
    EXPECT_EQ(t.languages(codes), 2);
    EXPECT_EQ(codes, (std::vector<std::wstring>{L"en", L"de"}));
}

TEST(interlang, syntax_errors_name_their_line) {
    const std::pair<std::string, int> rows[] = {
        {"KEY: A\nKEY: B\nLANG: en\nTEXT: x\n", 2},              // a key still pending
        {"KEY: A\nLANG: en\nTEXT: x\nTEXT: y\n", 4},             // two texts under one language
        {"TEXT: x\nKEY: A\nLANG: en\n", 2},                      // a text before any key
        {"TEXT: x\n", 1},                                        // ... stored at the last line
        {"KEY: A\nLANG: en\nmore\nTEXT: x\n", 3},                // continuing a LANG line
        {"stray\nKEY: A\n", 1},                                  // continuing nothing
        {"", -1},                                                // no encoding to detect
    };
    for (const auto& [text, line] : rows) {
        interlang t;
        EXPECT_EQ(parse(t, text), line) << text;
    }
    // Texts stored before the error stay.
    interlang t;
    EXPECT_EQ(parse(t, "KEY: A\nLANG: en\nTEXT: a\nKEY: B\nKEY: C\n"), 5);
    EXPECT_EQ(t.translate(L"A"), L"a");
}

TEST(interlang, encodings) {
    // UTF-16 LE with a byte-order mark, CR LF line ends.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("KEY: K\r\nLANG: fr\r\nTEXT: \xE9t\xE9\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    interlang t;
    EXPECT_EQ(parse(t, utf16), 0);
    EXPECT_EQ(t.translate(L"K", L"fr"), L"\u00E9t\u00E9");
    EXPECT_EQ(parse(t, "KEY: K\nLANG: ru\nTEXT: \xD0\x94\xD0\xB0\n"), 0);  // UTF-8 without a mark
    EXPECT_EQ(t.translate(L"K", L"ru"), L"\u0414\u0430");
}

TEST(interlang, states_and_misuse) {
    interlang t;
    EXPECT_EQ(t.state(), interlang::empty);
    EXPECT_EQ(t.translate(L"KEY"), L"KEY");
    EXPECT_EQ(t.current_language(), L"");
    std::wstring report = L"kept";
    EXPECT_TRUE(t.translation_report(report, 0));
    EXPECT_EQ(report, L"kept");
    EXPECT_THROW(t.end_update(), std::logic_error);
    EXPECT_THROW(t.store_text(L"x"), std::logic_error);

    t.begin_update();
    EXPECT_THROW(t.begin_update(), std::logic_error);
    EXPECT_THROW(t.translate(L"KEY"), std::logic_error);
    EXPECT_THROW(t.store_text(L"x"), std::logic_error);  // no working key and language
    std::vector<std::wstring> codes{L"x"};
    EXPECT_THROW(t.languages(codes), std::logic_error);
    EXPECT_TRUE(codes.empty());
    t.end_update();
    EXPECT_EQ(t.state(), interlang::ready);
}

TEST(interlang, fallback_and_current_language) {
    interlang t;
    ASSERT_EQ(parse(t, "KEY: BOTH\nLANG: de\nTEXT: beide\nLANG: en\nTEXT: both\n"
                       "KEY: EN_ONLY\nLANG: en\nTEXT: english\n"
                       "KEY: DE_ONLY\nLANG: de\nTEXT: deutsch\n"
                       "KEY: COUNT_1\nLANG: en\nTEXT: %1 file\n"
                       "KEY: COUNT_N\nLANG: en\nTEXT: %1 files, %1 in all\n"),
              0);
    t.begin_update();
    t.set_languages(L"FR ", L"en");
    t.end_update();
    EXPECT_EQ(t.current_language(), L"en");  // no French texts: the primary language

    t.begin_update();
    t.set_languages(L"De", L"en");
    t.end_update();
    EXPECT_EQ(t.current_language(), L"de");
    EXPECT_EQ(t.current_language_narrow(), "de");
    EXPECT_TRUE(t.has_language(L"de"));
    EXPECT_FALSE(t.has_language(L"DE"));
    EXPECT_FALSE(t.has_language(L""));

    EXPECT_EQ(t.translate(L"BOTH"), L"beide");
    EXPECT_EQ(t.translate(L"EN_ONLY"), L"english");      // from the primary language
    EXPECT_EQ(t.translate(L"DE_ONLY", L"en"), L"DE_ONLY");  // the key itself
    EXPECT_EQ(t.translate(L"MISSING"), L"MISSING");

    std::wstring out = L"x";
    EXPECT_FALSE(t.lookup(L"de", L"EN_ONLY", interlang::fallback_key, &out));
    EXPECT_EQ(out, L"EN_ONLY");
    EXPECT_FALSE(t.lookup(L"de", L"EN_ONLY", interlang::fallback_none, &out));
    EXPECT_EQ(out, L"");
    EXPECT_TRUE(t.lookup(L"de", L"EN_ONLY", interlang::fallback_primary, &out));
    EXPECT_EQ(out, L"english");

    EXPECT_EQ(t.translate_count(L"COUNT_1", L"COUNT_N", 1, L"en"), L"1 file");
    EXPECT_EQ(t.translate_count(L"COUNT_1", L"COUNT_N", 0, L"en"), L"0 files, 0 in all");
    EXPECT_EQ(t.translate_count(L"COUNT_1", L"COUNT_N", -3, L"en"), L"-3 files, -3 in all");
    EXPECT_EQ(t.translate_arg(L"COUNT_1", L"one", L"en"), L"one file");
}

TEST(interlang, report) {
    interlang t;
    t.begin_update();
    t.end_update();
    std::wstring report;
    EXPECT_FALSE(t.translation_report(report, 0));
    EXPECT_EQ(report, L"ERROR: Data does not contain any translations\n\n");

    ASSERT_EQ(parse(t, "KEY: A\nLANG: en\nTEXT: a\nLANG: de\nTEXT: a-de\n"), 0);
    EXPECT_TRUE(t.translation_report(report, 100));
    EXPECT_EQ(report,
              L"NEW TRANSLATION KEYS\nThese need to be added to languages indicated...\n\n(None - all OK)\n\n"
              L"\nOBSOLETE KEYS\nThese are no longer present in the primary language,\n"
              L"and can be safely removed from other language files...\n\n(None - all OK)\n\n");

    ASSERT_EQ(parse(t, "KEY: B\nLANG: en\nTEXT: b\nKEY: C\nLANG: de\nTEXT: c\nKEY: D\nLANG: en\nTEXT: d\n"
                       "LANG: fr\nTEXT: d-fr\n"),
              0);
    t.begin_update();
    t.set_languages(L"de", L"en");
    t.end_update();
    EXPECT_FALSE(t.translation_report(report, 0));
    EXPECT_EQ(report,
              L"NEW TRANSLATION KEYS\nThese need to be added to languages indicated...\n\n"
              L"# a\nKEY: A\nTEXT: <translation needed for languages: fr>\n\n"
              L"# b\nKEY: B\nTEXT: <translation needed for languages: de fr>\n\n"
              L"# d\nKEY: D\nTEXT: <translation needed for languages: de>\n\n"
              L"\nOBSOLETE KEYS\nThese are no longer present in the primary language,\n"
              L"and can be safely removed from other language files...\n\n"
              L"C\n");
    EXPECT_FALSE(t.translation_report(report, 2));
    EXPECT_NE(report.find(L"KEY: B\n"), std::wstring::npos);
    EXPECT_EQ(report.find(L"KEY: D\n"), std::wstring::npos);
    EXPECT_NE(report.find(L"(None - all OK)\n\nNOTE. More items were found, but the report was truncated.\n\n"),
              std::wstring::npos);
}

TEST(interlang, loads_a_folder) {
    sandbox sb;
    interlang t;
    EXPECT_EQ(load_language_files(sb.root(), t), L"Language File Error\nFailed to load language files.");
    EXPECT_EQ(t.state(), interlang::empty);

    write_bytes(sb.path(L"a.lang.txt"), "KEY: A\nLANG: en\nTEXT: a\n");
    write_bytes(sb.path(L"b.LANG.TXT"), "KEY: B\nLANG: de\nTEXT: b\n");
    write_bytes(sb.path(L"c.lang.txt.bak"), "broken");
    write_bytes(sb.path(L"empty.lang.txt"), "");
    make_dirs(sb.path(L"sub.lang.txt"));
    std::vector<std::wstring> files;
    EXPECT_TRUE(find_language_files(sb.root(), files));
    EXPECT_EQ(files.size(), 3u);

    EXPECT_EQ(load_language_files(sb.root(), t),
              L"Language File Error\nThere is a syntax error at line -1 in the following file.\n" +
                  sb.path(L"empty.lang.txt"));
    EXPECT_EQ(t.translate(L"A", L"en"), L"a");  // the other files still loaded
    EXPECT_EQ(t.translate(L"B", L"de"), L"b");

    EXPECT_EQ(load_language_file(sb.path(L"none.lang.txt"), t),
              L"Language File Error\nThe following file could not be opened.\n" + sb.path(L"none.lang.txt"));
    t.begin_update();
    EXPECT_EQ(load_language_file(sb.path(L"a.lang.txt"), t),
              L"Language File Error\nThere was an unexpected problem reading the following file.\n" +
                  sb.path(L"a.lang.txt"));
    EXPECT_EQ(t.state(), interlang::ready);
}

TEST(interlang, shipped_language_files_load_cleanly) {
    interlang t;
    EXPECT_EQ(load_language_files(vandel::directory_part(own_program_path()) + L"zy-langs", t), L"");
    EXPECT_TRUE(t.has_language(L"en"));
    std::wstring report;
    EXPECT_TRUE(t.translation_report(report, 0)) << vandel::to_utf8(report, '?');
}

// Four threads load and read while a fifth switches the language back and forth: no call
// fails, and no reader ever sees a table half updated.
TEST(interlang, several_threads) {
    interlang t;
    ASSERT_EQ(parse(t, "KEY: BOTH\nLANG: en\nTEXT: both\nLANG: de\nTEXT: beide\n"), 0);
    std::atomic<bool> go{false};
    std::atomic<int> loaders_done{0};
    std::mutex failures_lock;
    std::vector<std::string> failures;
    const auto fail = [&](const std::string& what) {
        const std::lock_guard<std::mutex> l(failures_lock);
        failures.push_back(what);
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&, i] {
            while (!go) std::this_thread::yield();
            for (int n = 0; n < 200; ++n) {
                const std::string key = "K" + std::to_string(i) + "_" + std::to_string(n);
                try {
                    if (parse(t, "KEY: " + key + "\nLANG: en\nTEXT: v\nLANG: de\nTEXT: w\n") != 0)
                        fail("the file of " + key + " did not parse");
                    const std::wstring text = t.translate(vandel::from_utf8(key));
                    const std::wstring both = t.translate(L"BOTH");
                    if ((text != L"v" && text != L"w") || (both != L"both" && both != L"beide"))
                        fail(key + " read as " + vandel::to_utf8(text, '?') + ", " + vandel::to_utf8(both, '?'));
                } catch (const std::exception& e) {
                    fail(key + ": " + e.what());
                }
            }
            ++loaders_done;
        });
    threads.emplace_back([&] {
        while (!go) std::this_thread::yield();
        for (int n = 0; loaders_done < 4 || n < 100; ++n) {
            try {
                if (n % 2 == 0) {
                    t.begin_update();
                    t.set_languages(n % 4 == 0 ? L"de" : L"en", L"en");
                    t.end_update();
                } else {
                    t.select_languages(n % 4 == 1 ? L"de" : L"en", L"en");
                }
            } catch (const std::exception& e) {
                fail(std::string("language switch: ") + e.what());
            }
        }
    });
    go = true;
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.size(), 0u) << failures.front();
    EXPECT_EQ(t.translate(L"K3_199", L"en"), L"v");
    EXPECT_EQ(t.translate(L"K0_0", L"de"), L"w");
}

// An update left by a throw is ended on the way out: another thread's reader does not wait for
// it forever.
TEST(interlang, an_update_left_by_a_throw_ends) {
    interlang t;
    ASSERT_EQ(parse(t, "KEY: K\nLANG: en\nTEXT: k\n"), 0);
    EXPECT_THROW(
        {
            interlang::update_scope update(t);
            t.store_text(L"x");  // no working key: throws
        },
        std::logic_error);
    auto reader = std::async(std::launch::async, [&t] { return t.translate(L"K", L"en"); });
    if (reader.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        t.end_update();  // lets the reader go, so the test ends
        reader.wait();
        FAIL() << "the reader waited for an update nobody would end";
    }
    EXPECT_EQ(reader.get(), L"k");
    EXPECT_EQ(t.state(), interlang::ready);
}

TEST(interlang, select_languages_changes_only_what_differs) {
    interlang t;
    ASSERT_EQ(parse(t, "KEY: BOTH\nLANG: en\nTEXT: both\nLANG: de\nTEXT: beide\n"), 0);
    EXPECT_TRUE(t.select_languages(L" DE", L"en"));
    EXPECT_EQ(t.translate(L"BOTH"), L"beide");
    EXPECT_FALSE(t.select_languages(L"de", L"EN"));
    EXPECT_TRUE(t.select_languages(L"fr", L"en"));  // no French texts: English
    EXPECT_EQ(t.current_language(), L"en");
    EXPECT_FALSE(t.select_languages(L"fr", L"en"));  // the same outcome again
    EXPECT_EQ(t.state(), interlang::ready);

    t.begin_update();
    EXPECT_THROW(t.select_languages(L"de", L"en"), std::logic_error);
    t.end_update();
    EXPECT_EQ(t.translate(L"BOTH"), L"both");
}

TEST(interlang, tr_uses_the_process_table_in_its_current_language) {
    interlang& t = interlang::instance();
    t.clear();
    ASSERT_EQ(parse(t, "KEY: GREET\nLANG: en\nTEXT: %1 and %1 again\nLANG: de\nTEXT: %1 und nochmals %1\n"), 0);
    t.begin_update();
    t.set_languages(L"de", L"en");
    t.end_update();
    EXPECT_EQ(olvex::tr(L"GREET"), L"%1 und nochmals %1");
    EXPECT_EQ(olvex::tr_arg(L"GREET", L"x"), L"x und nochmals x");
    EXPECT_EQ(olvex::tr(L"UNKNOWN_KEY"), L"UNKNOWN_KEY");
    t.clear();
}

}  // namespace
}  // namespace olvex
