// The pure path-text functions under both styles, on every build.
#include "vandel/files.h"

#include <gtest/gtest.h>

namespace {

using vandel::path_style;
constexpr path_style win = path_style::windows;
constexpr path_style posix = path_style::posix;

std::wstring repeat(wchar_t c, size_t n) { return std::wstring(n, c); }

TEST(PathText, Normalize) {
    const std::wstring long_tail = repeat(L'a', 258);  // "C:\" + 258 = 261 units
    struct row {
        path_style style;
        std::wstring in, out;
    } rows[] = {
        {win, L"  C:/a//b/  ", L"C:\\a\\b\\"},
        {win, L"\\\\server\\share", L"\\\\server\\share"},
        {win, L"//server//share", L"\\\\server\\share"},
        {win, L"//?/C:/x", L"\\\\?\\C:\\x"},
        {win, L"\\\\?\\C:\\a\\\\b", L"\\\\?\\C:\\a\\\\b"},
        {win, L"C:\\" + long_tail, L"\\\\?\\C:\\" + long_tail},
        {win, L"C:\\" + long_tail.substr(1), L"C:\\" + long_tail.substr(1)},
        {win, repeat(L'r', 300), repeat(L'r', 300)},
        {win, L"\\\\srv\\sh\\" + long_tail, L"\\\\?\\UNC\\srv\\sh\\" + long_tail},
        // A prefixed path is taken literally by the system: its dots are resolved first.
        {win, L"C:\\x\\..\\" + long_tail + L"\\.\\y", L"\\\\?\\C:\\" + long_tail + L"\\y"},
        {win, L"\\\\.\\" + long_tail, L"\\\\.\\" + long_tail},
        {posix, L"  /a//b/  ", L"  /a/b/  "},
        {posix, L"a\\\\b", L"a\\\\b"},
        {posix, L"/" + long_tail + L"/" + long_tail, L"/" + long_tail + L"/" + long_tail},
        {posix, L"\\\\?\\C:\\x", L"\\\\?\\C:\\x"},
    };
    for (const auto& r : rows) EXPECT_EQ(vandel::normalize_path(r.in, r.style), r.out) << std::string(r.in.begin(), r.in.end());
}

TEST(PathText, TrailingSeparators) {
    struct row {
        path_style style;
        std::wstring in, added, removed;
    } rows[] = {
        {win, L"a/b", L"a/b/", L"a/b"},
        {win, L"a\\b/c", L"a\\b/c\\", L"a\\b/c"},
        {win, L"name", L"name\\", L"name"},
        {win, L"", L"", L""},
        {win, L"C:\\a\\\\", L"C:\\a\\\\", L"C:\\a\\"},
        {posix, L"a\\b", L"a\\b/", L"a\\b"},
        {posix, L"a/", L"a/", L"a"},
        {posix, L"a\\", L"a\\/", L"a\\"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(vandel::add_trailing_separator(r.in, r.style), r.added);
        EXPECT_EQ(vandel::remove_trailing_separator(r.in, r.style), r.removed);
    }
}

TEST(PathText, AbsoluteAndRelative) {
    struct row {
        path_style style;
        std::wstring in;
        bool absolute, relative;
    } rows[] = {
        {win, L".\\x:y", false, true},  {win, L"x:y", true, false},     {win, L"\\x", true, false},
        {win, L"x", false, true},       {win, L"", false, false},       {win, L"//?/x", true, false},
        {win, L"/x", true, false},      {posix, L"/x", true, false},    {posix, L"C:\\x", false, true},
        {posix, L"\\x", false, true},   {posix, L"", false, false},     {posix, L"./x", false, true},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(vandel::is_absolute_path(r.in, r.style), r.absolute) << std::string(r.in.begin(), r.in.end());
        EXPECT_EQ(vandel::is_relative_path(r.in, r.style), r.relative) << std::string(r.in.begin(), r.in.end());
    }
}

TEST(PathText, Decompose) {
    struct row {
        path_style style;
        std::wstring in, folder, name, ext;
    } rows[] = {
        {win, L"C:\\a\\b.tar.gz", L"C:\\a\\", L"b.tar", L".gz"},
        {win, L"C:\\a/b", L"C:\\a/", L"b", L"<none>"},
        {win, L"C:\\a\\", L"C:\\a\\", L"", L"<none>"},
        {win, L".x", L"<none>", L"", L".x"},
        {posix, L"/a\\b.c", L"/", L"a\\b", L".c"},
        {posix, L"dir/ x.y ", L"dir/", L" x", L".y "},
    };
    for (const auto& r : rows) {
        std::wstring folder = L"<none>", name, ext = L"<none>";
        vandel::decompose_path(r.in, folder, name, ext, true, r.style);
        EXPECT_EQ(folder, r.folder);
        EXPECT_EQ(name, r.name);
        EXPECT_EQ(ext, r.ext);
    }
    EXPECT_EQ(vandel::file_name_part(L"C:\\a\\b.tar.gz", true, win), L"b.tar.gz");
    EXPECT_EQ(vandel::file_name_part(L"C:\\a\\b.tar.gz", false, win), L"b.tar");
    EXPECT_EQ(vandel::file_name_part(L"C:\\a\\", true, win), L"");
    EXPECT_EQ(vandel::directory_part(L"name", win), L"");
    EXPECT_EQ(vandel::directory_part(std::string("/x/y\\z"), posix), "/x/");
    EXPECT_EQ(vandel::directory_part(std::string("c:\\x\\y"), win), "c:\\x\\");

    std::wstring folder = L"kept", name;
    vandel::split_path(L"file.txt", folder, name, win);
    EXPECT_EQ(folder, L"kept");
    EXPECT_EQ(name, L"file.txt");
}

TEST(PathText, Resolve) {
    struct row {
        path_style style;
        std::wstring path, base, out;
    } rows[] = {
        {win, L"..\\zy-langs\\", L"C:\\p\\zy-bin\\", L"C:\\p\\zy-langs\\"},
        {win, L"a\\.\\b", L"C:\\", L"C:\\a\\b"},
        {win, L"..\\x", L"", L"..\\x"},                 // would leave a relative path: unchanged
        {win, L"a\\..\\..\\x", L"", L"a\\..\\..\\x"},
        {win, L"x", L"rel\\base", L"x"},                // a relative base: unchanged
        {win, L"", L"C:\\", L""},
        {win, L"C:\\..\\..\\x", L"", L"C:\\x"},         // never above a root
        {win, L"\\\\srv\\share\\..\\x", L"", L"\\\\srv\\share\\x"},
        {win, L"\\\\?\\UNC\\srv\\share\\a\\..\\..\\x", L"", L"\\\\?\\UNC\\srv\\share\\x"},
        {win, L"\\\\?\\C:\\..\\x", L"", L"\\\\?\\C:\\x"},
        {win, L"\\..\\x", L"", L"\\x"},
        {win, L"a\\b\\..", L"C:\\", L"C:\\a\\b\\.."},  // a final ".." is a plain component
        {win, L"a..\\...\\.b\\", L"C:\\", L"C:\\a..\\...\\.b\\"},  // only exact "." and ".."
        {win, L"a\\\\..\\b", L"C:\\", L"C:\\b"},
        {win, L"D:\\y", L"C:\\x", L"D:\\y"},
        {posix, L"../x", L"/r/s", L"/r/x"},
        {posix, L"../../../x", L"/r", L"/x"},
        {posix, L"a\\..\\b", L"/r", L"/r/a\\..\\b"},  // a backslash is an ordinary character
        {posix, L" ./ ../x", L"/r", L"/r/ ./ ../x"},
        {posix, L"x", L"rel", L"x"},
        {posix, L"../x", L"", L"../x"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(vandel::resolve_path(r.path, r.base, r.style), r.out) << std::string(r.path.begin(), r.path.end());
}

TEST(PathText, CollapseKeepsALeadingPair) {
    EXPECT_EQ(vandel::collapse_separators(L"\\\\\\a\\\\\\b", L'\\', win), L"\\\\a\\b");
    EXPECT_EQ(vandel::collapse_separators(L"C:\\\\a", L'\\', win), L"C:\\a");
    EXPECT_EQ(vandel::collapse_separators(L"/", L'/', posix), L"/");
}

}  // namespace
