#include "engine/path_macros.h"
#include "tests/support/manual_clock.h"
#include "vandel/locale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vandel::path_style;

// 2026-03-09 12:34:56 UTC: the same date in every time zone within eleven hours of UTC.
constexpr int64_t moment = 1773059696;

std::wstring local(int style) { return vandel::current_locale().date_time_text_w(moment, style, false); }

TEST(PathMacros, TextWithoutPercentIsUnchanged) {
    oblivar::test::manual_clock clock(moment * 1000);
    EXPECT_EQ(olvex::expand_path_macros(L"C:\\logs\\DATE\\x"), L"C:\\logs\\DATE\\x");
    EXPECT_EQ(olvex::expand_path_macros(L""), L"");
}

TEST(PathMacros, UtcForms) {
    oblivar::test::manual_clock clock(moment * 1000);
    const struct { const wchar_t* in; const wchar_t* out; } rows[] = {
        {L"%DATETIMEZ%", L"20260309T123456Z"},
        {L"%DATEZ%", L"20260309"},
        {L"%TIMEZ%", L"123456Z"},
        {L"%YYYYZ%-%MMZ%-%DDZ% %hhZ%", L"2026-03-09 12"},
        {L"%YYZ%", L"26"},
        {L"%dd% %Dd% %DDZ %NOPE% 100%", L"%dd% %Dd% %DDZ %NOPE% 100%"},  // no macros: letter case counts
        {L"%%DATEZ%%", L"%20260309%"},
    };
    for (const auto& r : rows) EXPECT_EQ(olvex::expand_path_macros(r.in), r.out) << r.in;
}

TEST(PathMacros, LocalForms) {
    oblivar::test::manual_clock clock(moment * 1000);
    const std::wstring l = local(14);
    ASSERT_EQ(l.size(), 14u);
    EXPECT_EQ(olvex::expand_path_macros(L"/backup/%YYYY%-%MM%-%DD%"), L"/backup/2026-03-09");
    EXPECT_EQ(olvex::expand_path_macros(L"%DATETIME%"), l.substr(0, 8) + L"T" + l.substr(8));
    EXPECT_EQ(olvex::expand_path_macros(L"%DATE%_%TIME%"), l.substr(0, 8) + L"_" + l.substr(8));
    EXPECT_EQ(olvex::expand_path_macros(L"%hh%:%mm%:%ss% %YY%"),
              l.substr(8, 2) + L":" + l.substr(10, 2) + L":" + l.substr(12, 2) + L" 26");
}

TEST(PathMacros, NothingIsReplacedWhenTheTimeCannotBeTold) {
    oblivar::test::manual_clock clock(-5000);  // before 1970
    EXPECT_EQ(olvex::expand_path_macros(L"x%DATE%y"), L"x%DATE%y");
}

TEST(FileJobTitle, SharedFolderOfThePaths) {
    const struct {
        std::vector<std::wstring> paths;
        path_style style;
        const wchar_t* title;
    } rows[] = {
        {{}, path_style::windows, L"fallback"},
        {{L"C:\\data\\a.txt"}, path_style::windows, L"C:\\data\\a.txt"},
        {{L"C:/data//a.txt"}, path_style::windows, L"C:\\data\\a.txt"},
        {{L""}, path_style::windows, L"fallback"},
        {{L"C:\\data\\one\\a.txt", L"C:\\data\\two\\b.txt"}, path_style::windows, L"C:\\data\\"},
        {{L"C:\\data\\ab1", L"C:\\data\\ab2"}, path_style::windows, L"C:\\data\\"},  // not "C:\data\ab"
        {{L"C:\\data\\x\\f", L"C:\\data\\x"}, path_style::windows, L"C:\\data\\"},  // a prefix path
        {{L"C:\\Data\\f", L"C:\\data\\g"}, path_style::windows, L"C:\\"},          // exact letter case
        {{L"C:\\a\\f", L"D:\\a\\f"}, path_style::windows, L"fallback"},
        {{L"C:\\a\\f", L"D:\\a\\f", L"C:\\a\\g"}, path_style::windows, L"fallback"},
        {{L"", L"", L"C:\\a\\f", L"C:\\a\\g"}, path_style::windows, L"C:\\a\\"},
        {{L"/home/u/a", L"/home/u/b/c"}, path_style::posix, L"/home/u/"},
        {{L"/home/u\\x/a", L"/home/u\\x/b"}, path_style::posix, L"/home/u\\x/"},
        {{L"/a", L"/b"}, path_style::posix, L"/"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(olvex::file_job_title(r.paths, L"fallback", r.style), r.title)
            << (r.paths.empty() ? L"" : r.paths[0]).size();
    }
}

}  // namespace
