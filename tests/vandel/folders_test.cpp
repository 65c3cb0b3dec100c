// Special folders (redirected into the sandbox), environment and the process-information store.
// The store can be filled once per process, so its tests run in child processes.
#include "vandel/folders.h"

#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"
#include "vandel/os_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using namespace oblivar::test;

const wchar_t sep = native_separator();

std::wstring folder(int kind) {
    std::wstring out = L"garbage";
    if (!vandel::known_folder(kind, out)) {
        EXPECT_EQ(out, L"");
    }
    return out;
}

class Folders : public sandbox_test {};

TEST_F(Folders, KindsOutsideTheTableFail) {
    EXPECT_EQ(folder(10), L"");
    EXPECT_EQ(folder(-1), L"");
}

TEST_F(Folders, CurrentFolderEndsInASeparator) {
    const std::wstring cwd = folder(vandel::folder_current);
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(cwd.back(), sep);
    EXPECT_TRUE(is_directory(cwd));
    std::string narrow;
    EXPECT_TRUE(vandel::known_folder(vandel::folder_current, narrow));
    EXPECT_EQ(narrow, vandel::narrow_path(cwd));
}

#ifdef _WIN32

TEST_F(Folders, WindowsFolders) {
    const std::wstring temp = folder(2);
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), L'\\');
    EXPECT_EQ(folder(3), temp);
    EXPECT_EQ(folder(5), folder(6));
    EXPECT_EQ(folder(8), folder(9));
    {
        scoped_env profile("USERPROFILE", sb.root());
        EXPECT_EQ(folder(4), sb.root() + L"\\");
    }
    {
        scoped_env profile("USERPROFILE", sb.path(L"missing"));
        EXPECT_EQ(folder(4), L"");
    }
    scoped_env profile("USERPROFILE", std::nullopt);
    EXPECT_EQ(folder(4), L"");
}

#else

TEST_F(Folders, LinuxFoldersFollowTheEnvironment) {
    make_dirs(sb.path(L"tmp"));
    make_dirs(sb.path(L"home/.config"));
    make_dirs(sb.path(L"home/.local/share"));
    make_dirs(sb.path(L"cfg"));
    make_dirs(sb.path(L"data"));
    make_dirs(sb.path(L"sys1"));
    const std::wstring home = sb.path(L"home");
    scoped_env tmp("TMPDIR", sb.path(L"tmp"));
    scoped_env h("HOME", home);
    scoped_env cfg("XDG_CONFIG_HOME", std::nullopt);
    scoped_env data("XDG_DATA_HOME", std::nullopt);
    scoped_env dirs("XDG_CONFIG_DIRS", L"relative:" + sb.path(L"sys1") + L":/etc");

    EXPECT_EQ(folder(2), sb.path(L"tmp/"));
    EXPECT_EQ(folder(3), sb.path(L"tmp/"));
    EXPECT_EQ(folder(4), home + L"/");
    EXPECT_EQ(folder(5), home + L"/.config/");
    EXPECT_EQ(folder(6), home + L"/.config/");
    EXPECT_EQ(folder(7), home + L"/.local/share/");
    EXPECT_EQ(folder(8), sb.path(L"sys1/"));
    EXPECT_EQ(folder(9), sb.path(L"sys1/"));
    {
        scoped_env c("XDG_CONFIG_HOME", sb.path(L"cfg"));
        scoped_env d("XDG_DATA_HOME", sb.path(L"data"));
        EXPECT_EQ(folder(6), sb.path(L"cfg/"));
        EXPECT_EQ(folder(7), sb.path(L"data/"));
    }
    {
        scoped_env c("XDG_CONFIG_HOME", std::wstring(L"relative/cfg"));  // not absolute: ignored
        EXPECT_EQ(folder(6), home + L"/.config/");
    }
    {
        scoped_env t("TMPDIR", sb.path(L"missing"));
        EXPECT_EQ(folder(2), L"");
    }
    scoped_env no_home("HOME", std::nullopt);
    EXPECT_EQ(folder(4), L"");
    EXPECT_EQ(folder(6), L"");
}

#endif

TEST(Environment, VariablesAndNames) {
    {
        scoped_env v("OBLIVAR_TEST_VALUE", std::wstring(L"a b=c"));
        EXPECT_EQ(vandel::environment_variable(L"OBLIVAR_TEST_VALUE"), L"a b=c");
    }
    EXPECT_EQ(vandel::environment_variable(L"OBLIVAR_TEST_VALUE"), L"");
    EXPECT_EQ(vandel::environment_variable(L""), L"");
    EXPECT_FALSE(vandel::computer_name().empty());
    const std::wstring user = vandel::user_name();
    EXPECT_FALSE(user.empty());
    EXPECT_EQ(user.find(L'\0'), std::wstring::npos);
}

// ---- process-information store, one fresh process per scenario ----

constexpr int child_ok = 10;

TEST(ProcessInfoChild, Scenario) {
    if (!is_child_test()) GTEST_SKIP() << "runs only as a child process of the ProcessInfo tests";
    const std::wstring scenario = get_env("OBLIVAR_SCENARIO").value_or(L"");
    std::string narrow;
    std::wstring own;
    ASSERT_TRUE(vandel::module_file_names(narrow, own));
    EXPECT_EQ(narrow, vandel::narrow_path(own));
    std::vector<std::wstring> args{L"left"};
    std::wstring text = L"left";

    if (scenario == L"capture") {
        EXPECT_FALSE(vandel::program_directory(text));
        EXPECT_FALSE(vandel::module_path(text));
        EXPECT_FALSE(vandel::command_line_args(args));
        EXPECT_EQ(args, std::vector<std::wstring>{L"left"});
        std::wstring dir;
        EXPECT_FALSE(vandel::known_folder(vandel::folder_program, dir));

        char a0[] = "prog", a1[] = "two words", a2[] = "bad\xFF";
        char* argv[] = {a0, a1, nullptr, a2};
        vandel::capture_process_args(4, argv);
        char other[] = "other";
        char* argv2[] = {other};
        vandel::capture_process_args(1, argv2);  // ignored

        EXPECT_TRUE(vandel::command_line_args(args));
        ASSERT_EQ(args.size(), 4u);
        EXPECT_EQ(args[0], L"prog");
        EXPECT_EQ(args[1], L"two words");
        EXPECT_EQ(args[2], L"");
#ifndef _WIN32
        EXPECT_EQ(vandel::to_os_bytes(args[3]), "bad\xFF");  // travels back to the system intact
#endif
        EXPECT_TRUE(vandel::module_path(text));
        EXPECT_EQ(text, own);
        EXPECT_TRUE(vandel::program_directory(text));
        EXPECT_EQ(text, vandel::directory_part(own));
        EXPECT_TRUE(vandel::known_folder(vandel::folder_program, dir));
        EXPECT_EQ(dir, text);
    } else if (scenario == L"no-args-null") {
        vandel::capture_process_args(0, static_cast<char**>(nullptr));
        EXPECT_TRUE(vandel::command_line_args(args));
        EXPECT_TRUE(args.empty());
        EXPECT_TRUE(vandel::module_path(text));
    } else if (scenario == L"two-null") {
        vandel::capture_process_args(2, static_cast<char**>(nullptr));
        EXPECT_TRUE(vandel::command_line_args(args));
        EXPECT_TRUE(args.empty());
        EXPECT_FALSE(vandel::module_path(text));
        EXPECT_TRUE(vandel::program_directory(text));
    } else if (scenario == L"wide-none") {
        vandel::capture_process_args(0, static_cast<wchar_t**>(nullptr));
        EXPECT_TRUE(vandel::command_line_args(args));
        EXPECT_TRUE(args.empty());
        EXPECT_FALSE(vandel::module_path(text));
    } else if (scenario == L"wide") {
        wchar_t w0[] = L"prog", w1[] = L"\x4E2D";
        wchar_t* wargv[] = {w0, w1};
        vandel::capture_process_args(2, wargv);
        EXPECT_TRUE(vandel::command_line_args(args));
        EXPECT_EQ(args, (std::vector<std::wstring>{L"prog", L"\x4E2D"}));
        EXPECT_TRUE(vandel::module_path(text));
    } else if (scenario == L"folder-only") {
        vandel::capture_program_directory();
        EXPECT_TRUE(vandel::program_directory(text));
        EXPECT_EQ(text, vandel::directory_part(own));
        EXPECT_FALSE(vandel::command_line_args(args));
    } else if (scenario == L"module") {
        EXPECT_EQ(own, get_env("OBLIVAR_EXPECTED_MODULE").value_or(L"?"));
    } else {
        ADD_FAILURE() << "unknown scenario";
    }
    std::exit(::testing::Test::HasFailure() ? 1 : child_ok);
}

TEST(ProcessInfo, StoreIsFilledOnceAndReadBack) {
    for (const wchar_t* s : {L"capture", L"no-args-null", L"two-null", L"wide-none", L"wide", L"folder-only"}) {
        scoped_env scenario("OBLIVAR_SCENARIO", std::wstring(s));
        EXPECT_EQ(run_child_test("ProcessInfoChild.Scenario"), child_ok) << std::string(s, s + wcslen(s));
    }
}

#ifndef _WIN32
TEST(ProcessInfo, LongModulePathIsReadWhole) {
    sandbox sb;
    std::wstring dir = sb.root();
    while (dir.size() < 700) {
        dir += L"/" + std::wstring(100, L'd');
        make_dirs(dir);
    }
    const std::wstring exe = dir + L"/test_vandel";
    sb.require_inside(exe);
    if (link(vandel::to_os_bytes(own_program_path()).c_str(), vandel::to_os_bytes(exe).c_str()) != 0)
        GTEST_SKIP() << "cannot link the test program into the sandbox";
    scoped_env scenario("OBLIVAR_SCENARIO", std::wstring(L"module"));
    scoped_env expected("OBLIVAR_EXPECTED_MODULE", exe);
    EXPECT_EQ(run_child_test("ProcessInfoChild.Scenario", exe), child_ok);
}
#endif

}  // namespace
