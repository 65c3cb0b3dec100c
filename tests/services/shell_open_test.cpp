// Opening locations (what is handed to the shell, through a recorder: nothing opens), starting a
// program through the shell for real (the launch stub), and the Explorer menu's languages.
#include "services/interlang.h"
#include "services/shell_languages.h"
#include "services/shell_open.h"

#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"
#include "vandel/convert.h"
#include "vandel/files.h"

#include <gtest/gtest.h>

namespace olvex {
namespace {

using namespace oblivar::test;

struct shell_recorder : shell_provider {
    shell_recorder() : previous(set_shell_provider(this)) {}
    ~shell_recorder() override { set_shell_provider(previous); }
    int execute(const std::wstring& program, const std::wstring& parameters, bool wait) override {
        calls.push_back(program + L"|" + parameters + (wait ? L"|wait" : L""));
        return result;
    }
    shell_provider* previous;
    std::vector<std::wstring> calls;
    int result = 0;
};

class shell_open_test : public sandbox_test {};

TEST_F(shell_open_test, open_location_hands_on_only_what_it_should) {
    const std::wstring file = sb.path(L"doc.txt");
    write_bytes(file, "x");
    struct row {
        int kind;
        std::wstring text;
        std::wstring call;  // empty: nothing handed on, false
    };
    const row rows[] = {
        {location_web, L"https://example.invalid/a b?c=%20", L"https://example.invalid/a b?c=%20|"},
        {location_web, L"  " + file + L" ", L"file://" + file + L"|"},
        {location_web, sb.root(), L"file://" + sb.root() + L"|"},
        {location_web, sb.path(L"missing"), L""},
        {location_web, L"", L""},
        {location_web, L" \t ", L""},
        {location_mail, L"mailto:a@b.example", L"mailto:a@b.example|"},
        {location_mail, L" MailTo :a@b.example", L" MailTo :a@b.example|"},
        {location_mail, L"https://example.invalid", L""},
        {location_mail, L"javascript:alert(1)", L""},
        {location_mail, L"  a@b.example ", L"mailto:a@b.example|"},
        {location_mail, L":a@b", L"mailto::a@b|"},
        {0, L"C:\\tools\\x.exe", L"C:\\tools\\x.exe|"},
        {3, L"notepad", L"notepad|"},
    };
    for (const row& r : rows) {
        shell_recorder rec;
        EXPECT_EQ(open_location(r.kind, r.text), !r.call.empty()) << vandel::to_utf8(r.text, '?');
        EXPECT_EQ(rec.calls, r.call.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{r.call})
            << vandel::to_utf8(r.text, '?');
    }
    {
        shell_recorder rec;
        rec.result = -1;  // the shell refused it
        EXPECT_FALSE(open_location(location_web, std::string("https://example.invalid/")));
        EXPECT_EQ(rec.calls.size(), 1u);
        EXPECT_EQ(shell_execute(L"", L"x", true), -1);  // an empty program never reaches the shell
        EXPECT_EQ(rec.calls.size(), 1u);
    }
}

TEST_F(shell_open_test, shell_execute_starts_and_waits) {
    const std::wstring record = sb.path(L"record.txt");
    scoped_env rec("OBLIVAR_STUB_RECORD", record), code("OBLIVAR_STUB_EXIT", std::wstring(L"7"));
#ifdef _WIN32
    const std::wstring stub = vandel::directory_part(own_program_path()) + L"launch_stub.exe";
#else
    const std::wstring stub = vandel::directory_part(own_program_path()) + L"launch_stub";
#endif
    EXPECT_EQ(shell_execute(stub, L"-cmd 101 x", true), 7);
    EXPECT_EQ(read_bytes(record), "-cmd\n101\nx\n");
    EXPECT_EQ(shell_execute(sb.path(L"missing.exe"), L"", true), -1);
    EXPECT_EQ(shell_execute(sb.path(L"missing.exe"), L"", false), -1);
    EXPECT_EQ(shell_execute(L"", L"", false), -1);
}

TEST_F(shell_open_test, menu_languages_come_from_beside_the_program_folder) {
    make_dirs(sb.path(L"bin"));
    std::wstring folder = L"stale";
    const std::wstring dll = sb.path(L"bin/zyshell.dll");
    EXPECT_FALSE(load_shell_languages(dll, folder));  // no language folder yet
    EXPECT_EQ(folder, sb.path(L"bin") + native_separator());

    make_dirs(sb.path(L"zy-langs"));
    write_bytes(sb.path(L"zy-langs/test.lang.txt"), "KEY: ZYUAC_TEST_KEY\nLANG: en\nTEXT: From the shell folder\n");
    EXPECT_TRUE(load_shell_languages(dll, folder));
    EXPECT_EQ(tr(L"ZYUAC_TEST_KEY"), L"From the shell folder");

    write_bytes(sb.path(L"zy-langs/bad.lang.txt"), "TEXT: a text without its key\n");
    EXPECT_FALSE(load_shell_languages(dll, folder));
    EXPECT_FALSE(load_shell_languages(L"", folder));
    EXPECT_TRUE(folder.empty());
}

}  // namespace
}  // namespace olvex
