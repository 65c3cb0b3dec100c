#include "engine/item_tree.h"

#include <gtest/gtest.h>

namespace {

using olvex::job_item;
using vandel::path_style;

TEST(JobItem, NamesAreKeptOneByteACharacterUnlessTheyNeedMore) {
    struct row {
        std::wstring name;
        size_t bytes;
        bool wide;
    };
    const std::wstring latin = std::wstring(L"caf") + static_cast<wchar_t>(0xE9) + L"/";
    const std::wstring cjk = std::wstring(L"a") + static_cast<wchar_t>(0x65E5) + static_cast<wchar_t>(0xDC80);
    for (const row& r : {row{L"", 0, false}, row{latin, 5, false}, row{cjk, 6, true}}) {
        job_item item;
        item.flags = olvex::item_folder;
        item.set_name(r.name);
        EXPECT_EQ(item.name.size(), r.bytes);
        EXPECT_EQ((item.flags & olvex::item_wide) != 0, r.wide);
        EXPECT_EQ(item.flags & olvex::item_folder, olvex::item_folder);
        EXPECT_EQ(item.name_text(), r.name);
    }
    job_item item;
    item.set_name(cjk);
    item.set_name(L"plain");
    EXPECT_EQ(item.flags & olvex::item_wide, 0);
    EXPECT_EQ(item.name_text(), L"plain");
}

TEST(JobItem, TakesPartByAnyLowByteFlag) {
    job_item item;
    item.flags = olvex::item_folder | olvex::item_pattern | olvex::item_counted;
    EXPECT_FALSE(item.takes_part());
    item.flags |= olvex::item_failed;
    EXPECT_TRUE(item.takes_part());
}

TEST(Wildcards, MatchAsTheStyleDoes) {
    struct row {
        const wchar_t* name;
        const wchar_t* pattern;
        bool posix, windows;
    };
    const row rows[] = {
        {L"a.txt", L"*.txt", true, true},
        {L"a.txt", L"*", true, true},
        {L"", L"*", true, true},
        {L"a.txt", L"?.txt", true, true},
        {L"ab.txt", L"?.txt", false, false},
        {L"a.txt.bak", L"*.txt", false, false},
        {L"report-2023.txt", L"r*-*.t?t", true, true},
        {L"A.TXT", L"*.txt", false, true},
        {L"abc", L"*.*", false, true},
        {L"abc", L"a*.*", false, true},
        {L"a.b.c", L"*.*", true, true},
        {L"aaa", L"a*a*a", true, true},
        {L"aa", L"a*a*a", false, false},
        {L"[x]", L"[x]", true, true},
    };
    for (const row& r : rows) {
        EXPECT_EQ(olvex::wildcard_match(r.name, r.pattern, path_style::posix), r.posix) << r.name << " " << r.pattern;
        EXPECT_EQ(olvex::wildcard_match(r.name, r.pattern, path_style::windows), r.windows) << r.name << " " << r.pattern;
    }
    EXPECT_TRUE(olvex::has_wildcards(L"a?"));
    EXPECT_FALSE(olvex::has_wildcards(L"a[b]"));
}

}  // namespace
