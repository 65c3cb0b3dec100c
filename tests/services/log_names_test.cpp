#include "services/log_names.h"

#include "tests/support/manual_clock.h"
#include "tests/support/sandbox.h"
#include "vandel/file_stream.h"
#include "vandel/folders.h"
#include "vandel/strings.h"

#include <gtest/gtest.h>

namespace olvex {
namespace {

using namespace oblivar::test;

constexpr int64_t moment = 1710513005;  // 2024-03-15 14:30:05 UTC

TEST(log_names, template) {
    EXPECT_EQ(log_file_name(L"Field Tech", moment, false), L"zy-FieldTech-20240315T143005Z.log");
    EXPECT_EQ(log_file_name(L"Field Tech", moment, true), L"zy-FieldTech-*.log");
    EXPECT_EQ(log_file_name(L"", moment, false), L"zy-20240315T143005Z.log");
    EXPECT_EQ(log_file_name(L"", moment, true), L"zy-*.log");
    EXPECT_EQ(log_file_name(L" ", moment, false), L"zy-20240315T143005Z.log");
}

TEST(log_names, paths_in_a_folder) {
    sandbox sb;
    manual_clock clock(moment * 1000 + 999);
    const std::wstring sep(1, native_separator());

    EXPECT_EQ(make_log_file_name(L"", false, false), L"");
    EXPECT_EQ(make_log_file_name(sb.path(L"missing"), false, false), L"");
    EXPECT_EQ(make_log_file_name(sb.path(L"missing"), false, true), L"");

    const std::wstring first = sb.root() + sep + L"zy-20240315T143005Z.log";
    EXPECT_EQ(make_log_file_name(sb.root(), false, false), first);
    EXPECT_EQ(make_log_file_name(sb.root() + sep, false, false), first);
    EXPECT_EQ(make_log_file_name(sb.root(), false, true), sb.root() + sep + L"zy-*.log");

    // A log of the same second is never overwritten.
    write_bytes(first, "earlier job");
    EXPECT_EQ(make_log_file_name(sb.root(), false, false), sb.root() + sep + L"zy-20240315T143005Z-1.log");
    write_bytes(sb.root() + sep + L"zy-20240315T143005Z-1.log", "");
    EXPECT_EQ(make_log_file_name(sb.root(), false, false), sb.root() + sep + L"zy-20240315T143005Z-2.log");
    EXPECT_EQ(make_log_file_name(sb.root(), false, true), sb.root() + sep + L"zy-*.log");

    const std::wstring user = vandel::replace_all(vandel::user_name(), L" ", L"", 0);
    if (!user.empty()) {
        EXPECT_EQ(make_log_file_name(sb.root(), true, false),
                  sb.root() + sep + L"zy-" + user + L"-20240315T143005Z.log");
    }

    // Date macros name a folder per day; it must exist for a name.
    const std::wstring daily = sb.path(L"logs-%DATEZ%");
    EXPECT_EQ(make_log_file_name(daily, false, false), L"");
    make_dirs(sb.path(L"logs-20240315"));
    EXPECT_EQ(make_log_file_name(daily, false, false), sb.path(L"logs-20240315") + sep + L"zy-20240315T143005Z.log");
}

TEST(log_names, new_files_only) {
    sandbox sb;
    manual_clock clock(moment * 1000);
    const std::wstring sep(1, native_separator());
    const std::wstring first = sb.root() + sep + L"zy-20240315T143005Z.log";
    const std::wstring end = log_line_ending() == 3 ? L"\r\n" : L"\n";
    std::wstring name;
    {
        vandel::file_stream log;
        ASSERT_TRUE(open_new_log_file(sb.root(), false, true, log, name));
        EXPECT_EQ(name, first);
        log.write_line(std::wstring(L"line"));
    }
    EXPECT_EQ(read_bytes(first), "\xEF\xBB\xBFline" + std::string(end.begin(), end.end()));
    vandel::file_stream again;
    EXPECT_FALSE(create_log_file(first, false, again)) << "never an existing file";
    EXPECT_EQ(read_bytes(first).size(), 3 + 4 + end.size());

    // A link planted at the next name is neither followed nor replaced: the name after it is used.
    write_bytes(sb.path(L"target"), "keep");
    if (make_link(sb.root() + sep + L"zy-20240315T143005Z-1.log", sb.path(L"target"), false)) {
        vandel::file_stream log;
        ASSERT_TRUE(open_new_log_file(sb.root(), false, false, log, name));
        EXPECT_EQ(name, sb.root() + sep + L"zy-20240315T143005Z-2.log");
        EXPECT_EQ(read_bytes(sb.path(L"target")), "keep");
    }
    vandel::file_stream none;
    EXPECT_FALSE(open_new_log_file(sb.path(L"missing"), false, false, none, name));
    EXPECT_EQ(name, L"");
    EXPECT_FALSE(none.is_open());
}

}  // namespace
}  // namespace olvex
