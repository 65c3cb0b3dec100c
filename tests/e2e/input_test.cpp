// Input errors, help and version texts, and the confirmation prompt.
#include "tests/e2e/e2e.h"
#include "tests/e2e/help_text.h"

#ifdef _WIN32
#include "vandel/win32/windows.h"
#endif

namespace oblivar::test {
namespace {

using input_test = e2e_test;

std::wstring report(const std::wstring& message) {
    const std::wstring indent = message.size() < 40 ? L"  " : L"";
    return L"\nInput error:\n\n" + indent + message + L"\n\nUse \"" + shown(L"help") + L"\" for help information\n\n";
}

TEST_F(input_test, RefusesBadInputWithTheMessageOfTheLastFailingCheck) {
    make_file(L"x.txt", 10);
    const std::wstring x = sb.path(L"x.txt");
    struct row {
        args arguments;
        std::wstring message;
    } rows[] = {
        {{}, L"A primary input command, such as \"" + shown(L"wipe") + L"\", must be specified"},
        {{L"--skip-confirm", x}, L"A primary input command, such as \"" + shown(L"wipe") + L"\", must be specified"},
        {{L"--wipe=bogus", x}, L"Absent or invalid \"" + shown(L"wipe") + L"\" option"},
        {{L"--wipe=file"}, L"Invalid file or device path(s)"},
        {{L"--wipe=file", L"--scheme=strong", x}, L"Invalid wiping scheme value"},
        {{L"--wipe=file", L"--verify=twice", x}, L"Invalid verify scheme"},
        {{L"--wipe=file", L"--rename=27", x}, L"Invalid file rename value"},
        {{L"--wipe=file", L"--rename=x", x}, L"Invalid file rename value"},
        {{L"--wipe=file", L"--tolerence=50.1", x}, L"Invalid error tolerance value"},
        {{L"--wipe=file", L"--tolerence=50.5%", x}, L"Invalid error tolerance value"},
        {{L"--wipe=file", L"--tolerence=%", x}, L"Invalid error tolerance value"},
        {{L"--wipe=file", L"--mod-time=30", x}, L"Invalid date-time value"},
        {{L"--wipe=file", L"--mod-time=2017-02-29", x}, L"Invalid date-time value"},
        {{L"--wipe=file", L"--mod-time=100years", x}, L"Invalid date-time value"},
        {{L"--wipe=file", L"--throttle=0", x}, L"Invalid throttle value"},
        {{L"--wipe=file", L"--throttle=101", x}, L"Invalid throttle value"},
        // several bad values: the last check in order speaks
        {{L"--wipe=file", L"--scheme=x", L"--verify=x", L"--rename=99", L"--throttle=0", x}, L"Invalid throttle value"},
        {{L"--wipe=file", L"--scheme=x", L"--rename=99"}, L"Invalid file or device path(s)"},
        {{L"--wipe=file", L"--nothing", x}, L"Unknown option \"" + shown(L"nothing") + L"\"."},
        {{L"--wipe=file", L"--wipe=file", x}, L"Option \"" + shown(L"wipe") + L"\" used more than once"},
        {{L"--wipe", x}, L"A value is required for option \"" + shown(L"wipe") + L"\"."},
        {{L"--help", L"--version"}, L"Mutually exclusive input flags specified"},
    };
    for (const auto& r : rows) {
        const program_result run = olvex(r.arguments);
        EXPECT_EQ(run.exit_code, 2) << utf8(r.message);
        if (r.arguments.size() == 2 && r.arguments[0] == L"--help") {
            // The first command present runs, then the report follows.
            EXPECT_TRUE(holds(run.output, L"Oblivar - ")) << run.output;
            EXPECT_NE(run.output.find(utf8(report(r.message))), std::string::npos) << run.output;
        } else {
            EXPECT_EQ(run.output, utf8(report(r.message)));
        }
    }
    EXPECT_EQ(read_bytes(x), pattern_bytes(10, "OBLIVAR-MARKER-"));  // nothing was touched
}

TEST_F(input_test, RecycleBinJobsNeedNoPathButOtherJobsDo) {
    // With the image targets there are no recycle bins at all: set-up refuses, after the checks.
    const program_result run = olvex_images({}, {L"--wipe=rcyc", L"--skip-confirm"});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.output, "FAILED: Path not found\n");
    EXPECT_EQ(olvex_images({}, {L"--wipe=vol"}).output, utf8(report(L"Invalid file or device path(s)")));
}

TEST_F(input_test, SilentIsRefusedWhileTheUserMustAnswer) {
    make_file(L"x.txt", 10);
    const program_result run = olvex({L"--wipe=file", L"--silent", L"--simulation", sb.path(L"x.txt")}, "n\n");
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(run.output.find(utf8(L"\nIgnoring \"" + shown(L"silent") +
                                   L"\" flag as it conflicts with other input options.\n\n")),
              0u)
        << run.output;
    const program_result quiet = olvex({L"--wipe=file", L"--silent", L"--skip-confirm", sb.path(L"x.txt")});
    EXPECT_EQ(quiet.exit_code, 0);
    EXPECT_EQ(quiet.output, "");
    EXPECT_FALSE(path_exists(sb.path(L"x.txt")));
}

TEST_F(input_test, TheLogUserOptionIsAcceptedAndHidden) {
    const program_result run = olvex({L"--help", L"--log-user"});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_FALSE(holds(run.output, L"log-user"));
}

TEST_F(input_test, VersionText) {
    const program_result run = olvex({L"--version"});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.output,
              "\nOblivar - Secure Data Eraser for the Command Line (64-bit)\nVersion: 5.2.0 Vostral\n\n"
              "Copyright (C) Tarnhollow. All rights reserved.\n\n");
}

TEST_F(input_test, HelpText) {
    const program_result run = olvex({L"-h"});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.output, HELP_TEXT);
}

TEST_F(input_test, ThePromptTakesYesNoOrTheEndOfInput) {
    struct row {
        std::string input;
        int exit_code;
        size_t prompts;
        bool wiped;
    } rows[] = {
        {"n\n", 3, 1, false},
        {"No\r\n", 3, 1, false},
        {"maybe\nyEs\n\ny\n", 0, 4, true},
        {"", 3, 1, false},
        {"what\n", 3, 2, false},  // then the end of input
        {"YES", 0, 1, true},
        {"  y \r\n", 0, 1, true},  // blanks around the answer don't count
        {"\tno \n", 3, 1, false},
        {"y y\n", 3, 2, false},
    };
    for (const auto& r : rows) {
        make_file(L"t/a.txt", 3000);
        const program_result run = olvex({L"--wipe=file", sb.path(L"t/a.txt")}, r.input);
        EXPECT_EQ(run.exit_code, r.exit_code) << r.input << run.output;
        EXPECT_EQ(count_of(run.output, L"Start now? [y/n]: "), r.prompts) << r.input;
        EXPECT_EQ(path_exists(sb.path(L"t/a.txt")), !r.wiped) << r.input;
        if (!r.wiped) {
            EXPECT_TRUE(holds(run.output, L"ABORTED: The operation was aborted")) << run.output;
            EXPECT_EQ(read_bytes(sb.path(L"t/a.txt")), pattern_bytes(3000, "OBLIVAR-MARKER-"));
        } else {
            EXPECT_TRUE(holds(run.output, L"FINISHED: All Done OK")) << run.output;
        }
        // The final report always comes last.
        EXPECT_TRUE(holds(run.output, L"Finish Time: ")) << run.output;
    }
}

#ifdef _WIN32
TEST_F(input_test, AYesPipedFromCmdKeepsItsBlankAndIsAYes) {
    // cmd's "echo y | olvex.exe" sends "y \r\n".
    make_file(L"t/a.txt", 3000);
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::wstring olvex_exe = own_folder() + OLVEX_PROGRAM;
    ASSERT_EQ(olvex_exe.find(L' '), std::wstring::npos) << "cmd would need other quotes";
    sb.require_inside(sb.path(L"t/a.txt"));
    const program_result run = run_program(std::wstring(system) + L"\\cmd.exe",
                                           {L"/c", L"echo y | " + olvex_exe + L" --wipe=file " + sb.path(L"t/a.txt")},
                                           "", io_);
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(count_of(run.output, L"Start now? [y/n]: "), 1u) << run.output;
    EXPECT_FALSE(path_exists(sb.path(L"t/a.txt")));
}
#endif

}  // namespace
}  // namespace oblivar::test
