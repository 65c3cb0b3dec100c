// zyuac.exe for real under Wine: started as zygui starts it, with the stand-in zygui beside it.
// Wine raises no prompt for "runas"; what the elevated instance is given is what is checked.
#include "elevate/run_elevated.h"
#include "gui/shell/start_request.h"
#include "services/command_bridge.h"
#include "services/shell_open.h"

#include "tests/elevate/relay_support.h"
#include "tests/support/child.h"
#include "tests/support/standin.h"
#include "vandel/convert.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/strings.h"

#include <gtest/gtest.h>

namespace olvex {
namespace {

using namespace oblivar::test;

std::wstring list_of(size_t units) { return path_list(units, L"\x00e9t\x00e9.txt"); }

class zyuac_test : public private_temp_test {
protected:
    // Places zyuac.exe (and, unless told otherwise, the stand-in with its exit codes) in the
    // sandbox, as they lie together in the program folder.
    void install(const std::vector<int>& exit_codes, bool with_zygui = true) {
        const std::wstring zyuac = vandel::directory_part(own_program_path()) + ZYUAC_PROGRAM;
        ASSERT_TRUE(oblivar::test::detail::copy_program(zyuac, sb.path(L"zyuac.exe")));
        if (with_zygui) install_standin(sb.root(), exit_codes);
    }
    // Runs zyuac with the parameter string and returns its exit code.
    int run_zyuac(const std::wstring& parameters) { return shell_execute(sb.path(L"zyuac.exe"), parameters, true); }
    // A request as zygui builds it; file is the sender's "-tfn" file, if any.
    std::wstring request(uint32_t word, const command_payload& p, std::wstring& file) {
        command_bridge sender(L".tmp");
        const std::wstring parameters = sender.build_arguments(word, p);
        const size_t at = parameters.find(L"-tfn ");
        if (at != std::wstring::npos)
            file = command_bridge::unescape_value(parameters.substr(at + 5, parameters.find(L' ', at + 5) - at - 5));
        return parameters;
    }
};

TEST_F(zyuac_test, relays_word_handle_and_a_long_list_in_its_own_file) {
    install({0});
    command_payload p;
    p.data = list_of(600);
    p.window = 0x10032;
    // Every process draws the same first name; a requester that drew one before sends the next,
    // so the two files can be told apart by name.
    command_bridge(L".tmp").temp_file_name();
    std::wstring sender_file;
    const std::wstring parameters = request(0x901, p, sender_file);
    ASSERT_FALSE(sender_file.empty());
    EXPECT_EQ(run_zyuac(parameters), 0);

    const std::vector<standin_run> runs = standin_runs(sb.root());
    ASSERT_EQ(runs.size(), 1u);
    const standin_run& r = runs[0];
    EXPECT_EQ(r.args.size() >= 2 ? r.args[1] : L"", L"901");
    EXPECT_EQ(r.command, 0x901u);
    EXPECT_EQ(r.window, 0x10032u);
    EXPECT_EQ(r.data, p.data);
    EXPECT_TRUE(r.tfn_existed);
    EXPECT_TRUE(command_bridge::is_temp_file_name(r.tfn));
    EXPECT_NE(vandel::to_lower(r.tfn), vandel::to_lower(sender_file));  // zyuac's own new file
    EXPECT_EQ(r.tfn.substr(r.tfn.size() - 4), L".tmp");
    EXPECT_FALSE(path_exists(sender_file));
    EXPECT_TRUE(temp_files_left().empty());
}

TEST_F(zyuac_test, exit_codes_pass_through) {
    install({0, 1, -1});
    for (int expected : {0, 1, -1}) EXPECT_EQ(run_zyuac(L"-cmd 902"), expected);
    EXPECT_EQ(standin_runs(sb.root()).size(), 3u);
}

TEST_F(zyuac_test, after_152_zygui_starts_once_more_with_only_the_kept_word) {
    install({152, 0});
    command_payload p;
    p.data = list_of(20);
    p.window = 0x10032;
    std::wstring file;
    EXPECT_EQ(run_zyuac(request(0x3500D02, p, file)), 0);
    const std::vector<standin_run> runs = wait_for_standin_runs(sb.root(), 2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].command, 0x3500D02u);
    EXPECT_EQ(runs[0].data, p.data);
    EXPECT_EQ(runs[1].args, (std::vector<std::wstring>{L"-cmd", L"3500500"}));
}

TEST_F(zyuac_test, a_missing_zygui_gives_minus_one_and_leaves_no_file) {
    install({}, false);
    command_payload p;
    p.data = list_of(600);
    std::wstring sender_file;
    EXPECT_EQ(run_zyuac(request(0x901, p, sender_file)), -1);
    EXPECT_FALSE(path_exists(sender_file));
    EXPECT_TRUE(temp_files_left().empty());  // zyuac deleted the file it wrote for nobody
}

TEST_F(zyuac_test, an_oversized_list_file_gives_minus_one_without_a_launch) {
    install({0});
    command_bridge sender(L".tmp");
    const std::wstring name = sender.temp_file_name();
    ASSERT_TRUE(write_oversized_list_file(name));
    EXPECT_EQ(run_zyuac(L"-cmd 901 -tfn " + command_bridge::escape_value(name)), -1);
    EXPECT_TRUE(standin_runs(sb.root()).empty());
    EXPECT_TRUE(temp_files_left().empty());
}

TEST(zyuac_program, runs_with_the_rights_of_whoever_starts_it) {
    const std::string exe = read_bytes(vandel::directory_part(own_program_path()) + ZYUAC_PROGRAM);
    EXPECT_NE(exe.find("<requestedExecutionLevel level=\"asInvoker\""), std::string::npos);
}

// zygui's restart through the helper, as zyapp makes it (its word, its payload, zyuac from the
// program folder), reaches the elevated zygui with the same word and paths; so do short lists.
TEST_F(zyuac_test, zygui_relaunch_request_arrives_whole_end_to_end) {
    install({0});
    struct row {
        uint32_t action, scheme_word;
        int speed;
        bool dialog_mode;
        size_t units;
    };
    const row rows[] = {{ACTION_WIPE_FILES, 0x80000003u, 40, true, 600}, {ACTION_WIPE_VOLUMES, 9, 100, false, 40},
                        {ACTION_WIPE_RECYCLE_BIN, 0, 0, true, 0}};
    size_t n = 0;
    for (const row& r : rows) {
        const uint32_t word = relaunch_word(r.action, r.scheme_word, r.speed, r.dialog_mode);
        command_bridge bridge(L".tmp");
        bridge.set_program_directory(sb.root());
        command_payload p;
        p.data = list_of(r.units);
        p.window = 0x2004E;
        // zyapp doesn't wait for the helper; waiting here only orders the runs.
        EXPECT_EQ(bridge.launch(L"zyuac.exe", word, launch_open_wait, p), 0);
        const std::vector<standin_run> runs = standin_runs(sb.root());
        ASSERT_EQ(runs.size(), ++n);
        const standin_run& got = runs.back();
        EXPECT_EQ(got.command, word);
        EXPECT_EQ(got.window, p.window);
        EXPECT_EQ(got.data, p.data);
        const start_request sent = decode_request(word, p.data, L"", false);
        const start_request received = decode_request(got.command, got.data, L"", false);
        EXPECT_EQ(received.start_job_kind, sent.start_job_kind);
        EXPECT_EQ(received.paths, sent.paths);
        EXPECT_TRUE(received.relaunched);
        EXPECT_EQ(received.scheme_field, sent.scheme_field);
        EXPECT_EQ(received.start_speed, sent.start_speed);
        EXPECT_EQ(received.dialog_mode, r.dialog_mode);
    }
    EXPECT_TRUE(temp_files_left().empty());
}

}  // namespace
}  // namespace olvex
