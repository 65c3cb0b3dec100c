// The built zygui run as a setup program runs it: headless command words and what comes with them.
#include "tests/e2e/support/program.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

namespace {

using namespace oblivar::test;

class ZyguiProgram : public sandbox_test {
protected:
    program_result run(const std::vector<std::wstring>& args) {
        // A platform that does not exist: should zygui create its application (and so any window),
        // Qt stops the process, and the exit code can't be 0 or 1.
        scoped_env platform("QT_QPA_PLATFORM", std::wstring(L"no-such-platform"));
        const std::wstring io = sb.path(L"io");
        make_dirs(io);
        return run_program(own_folder() + ZYGUI_PROGRAM, args, "", io, 60);
    }
};

TEST_F(ZyguiProgram, HeadlessWordsEndWithoutWindowAndChangeNothingHere) {
#ifdef _WIN32
    GTEST_SKIP() << "these words would change the machine registry that every test in this Wine prefix shares; "
                    "ZyappHeadless runs each of them against a registry in memory";
#else
    // There is no registry here: every word fails, without a window and before the language
    // folder is looked at; no settings file appears.
    const std::wstring config = sb.path(L"config");
    make_dirs(config + L"/Tarnhollow");
    scoped_env home("HOME", sb.path(L"config"));
    scoped_env xdg("XDG_CONFIG_HOME", config);
    const auto before = list_tree(config);
    for (const wchar_t* word : {L"10000000", L"20000000", L"30000000", L"40000000", L"50000000", L"60000000"}) {
        const program_result r = run({L"-cmd", word});
        EXPECT_EQ(r.exit_code, 1) << word << "\n" << r.output;
        EXPECT_EQ(r.output, "") << word;
    }
    EXPECT_EQ(list_tree(config), before);
#endif
}

TEST_F(ZyguiProgram, MalformedCompanionsLeaveAHeadlessWordHeadless) {
#ifdef _WIN32
    GTEST_SKIP() << "these words would change the machine registry that every test in this Wine prefix shares; "
                    "command_bridge's tests parse malformed companions on this target";
#else
    // A file that is not one of our temporary files is neither read nor deleted.
    const std::wstring foreign = sb.path(L"tfn_0000000a.tmp");
    write_bytes(foreign, "not ours");
    const std::vector<std::vector<std::wstring>> lines = {
        {L"-cmd", L"40000000", L"-hndl"},
        {L"-cmd", L"40000000", L"-data", L"%%%not-base64", L"-point", L"zz"},
        {L"-cmd", L"60000000", L"-tfn", foreign, L"/no/such/path"},
        {L"-hndl", L"-cmd", L"50000000"},
    };
    for (const auto& line : lines) {
        const program_result r = run(line);
        EXPECT_EQ(r.exit_code, 1) << r.output;
    }
    EXPECT_EQ(read_bytes(foreign), "not ours");
#endif
}

TEST_F(ZyguiProgram, AnyOtherWordStartsTheWindowedProgram) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows program without a platform may stop with a message box instead of an exit code";
#endif
    // No display platform: Qt refuses to start, which shows that the windowed start was taken.
    for (const wchar_t* word : {L"10000001", L"1000000", L"zz", L"101"}) {
        const program_result r = run({L"-cmd", word});
        EXPECT_NE(r.exit_code, 0) << word;
        EXPECT_NE(r.exit_code, 1) << word;
        EXPECT_NE(r.output.find("no-such-platform"), std::string::npos) << word << "\n" << r.output;
    }
}

}  // namespace
