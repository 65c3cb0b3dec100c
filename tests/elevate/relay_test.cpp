// The helper's relaying decisions, with a launcher that records instead of starting anything:
// what goes to the elevated zygui, what after 152, which codes come back, and the temporary files.
#include "elevate/run_elevated.h"
#include "services/command_bridge.h"

#include "tests/elevate/relay_support.h"
#include "vandel/convert.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/strings.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace olvex {
namespace {

using namespace oblivar::test;

struct launch_call {
    std::wstring program, parameters;
    int mode;
    uint64_t window;
    std::wstring list;  // the path list a receiver read from the call's "-tfn" file
    bool own_file;      // that file was one of ours (".tmp") and not the requester's
};

// Plays the receiving zygui: reads (and so deletes) a "-tfn" file as the real one does.
struct recording_launcher : launch_provider {
    explicit recording_launcher(std::vector<int> results) : results(std::move(results)) { previous = set_launch_provider(this); }
    ~recording_launcher() override { set_launch_provider(previous); }
    int launch(const std::wstring& program, const std::wstring& parameters, int mode, uint64_t window,
               bool& started) override {
        launch_call call{program, parameters, mode, window, {}, false};
        const size_t at = parameters.find(L"-tfn ");
        if (at != std::wstring::npos) {
            const std::wstring name = command_bridge::unescape_value(parameters.substr(at + 5, parameters.find(L' ', at + 5) - at - 5));
            call.own_file = name != requester_file && name.size() > 4 && name.compare(name.size() - 4, 4, L".tmp") == 0;
            if (!missing_program) call.list = command_bridge::read_temp_file(name);
        }
        calls.push_back(call);
        const size_t n = calls.size() - 1;
        if (n < throw_at.size() && throw_at[n]) throw std::runtime_error("launcher failed");
        started = !missing_program;
        return missing_program ? -1 : results.at(std::min(n, results.size() - 1));
    }
    launch_provider* previous;
    std::vector<int> results;
    std::vector<bool> throw_at;
    bool missing_program = false;
    std::wstring requester_file;
    std::vector<launch_call> calls;
};

using relay = private_temp_test;

std::wstring list_of(size_t units) { return path_list(units, L"file.txt"); }

// A request as the requesting zygui sends it: its arguments, with its own "-tfn" file.
std::vector<std::wstring> request_args(uint32_t word, const command_payload& p, std::wstring& file) {
    command_bridge sender(L".tmp");
    std::vector<std::wstring> args;
    vandel::split(args, sender.build_arguments(word, p), true, L" ");
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == L"-tfn") file = command_bridge::unescape_value(args[i + 1]);
    return args;
}

TEST_F(relay, relays_word_handle_and_list_in_a_file_of_its_own) {
    command_payload p;
    p.data = list_of(600);
    p.window = 0x20A3C;
    recording_launcher launcher({0});
    const std::vector<std::wstring> args = request_args(0x901, p, launcher.requester_file);
    ASSERT_FALSE(launcher.requester_file.empty());
    EXPECT_EQ(relay_request(args), 0);
    ASSERT_EQ(launcher.calls.size(), 1u);
    const launch_call& c = launcher.calls[0];
    EXPECT_EQ(vandel::file_name_part(c.program, true), L"zygui.exe");
    EXPECT_EQ(c.mode, launch_runas_wait);
    EXPECT_EQ(c.window, 0x20A3Cu);  // the owner of the elevation prompt
    EXPECT_EQ(c.parameters.rfind(L"-cmd 901 -hndl 20a3c -tfn ", 0), 0u) << vandel::to_utf8(c.parameters, '?');
    EXPECT_TRUE(c.own_file);
    EXPECT_EQ(c.list, p.data);
    EXPECT_EQ(vandel::path_kind(launcher.requester_file), vandel::kind_missing);
    EXPECT_TRUE(temp_files_left().empty());
}

TEST_F(relay, short_lists_points_and_text_go_on_unchanged) {
    command_payload p;
    p.data = list_of(40);
    p.raw = L"a b";
    p.has_point = true;
    p.x = -3;
    p.y = 9;
    recording_launcher launcher({1});
    std::wstring file;
    EXPECT_EQ(relay_request(request_args(0x902, p, file)), 1);
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0].parameters, command_bridge(L".tmp").build_arguments(0x902, p));
    // No arguments at all: zygui is still started, without any.
    EXPECT_EQ(relay_request({}), 1);
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[1].parameters, L"");
}

TEST_F(relay, exit_codes_pass_through_and_152_starts_zygui_again_with_normal_rights) {
    struct row {
        std::vector<int> results;
        int expected;
        size_t calls;
    };
    const row rows[] = {
        {{0}, 0, 1}, {{1}, 1, 1}, {{-1}, -1, 1}, {{7}, 7, 1},
        {{152, 0}, 0, 2}, {{152, -1}, -1, 2},
    };
    for (const row& r : rows) {
        recording_launcher launcher(r.results);
        command_payload p;
        p.data = list_of(30);
        p.window = 0x99;
        std::wstring file;
        EXPECT_EQ(relay_request(request_args(0x3500D02, p, file)), r.expected) << r.results[0];
        ASSERT_EQ(launcher.calls.size(), r.calls);
        if (r.calls == 2) {
            const launch_call& again = launcher.calls[1];
            EXPECT_EQ(vandel::file_name_part(again.program, true), L"zygui.exe");
            EXPECT_EQ(again.mode, launch_open);
            EXPECT_EQ(again.parameters, L"-cmd 3500500");  // no action, no helper mark, no payload
            EXPECT_EQ(again.window, 0u);
        }
    }
    // A word that is nothing but an action and the helper's mark comes back without "-cmd".
    recording_launcher launcher({152, 0});
    EXPECT_EQ(relay_request({L"-cmd", L"801"}), 0);
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[1].parameters, L"");
}

TEST_F(relay, a_missing_zygui_gives_minus_one_and_leaves_no_file) {
    command_payload p;
    p.data = list_of(600);
    recording_launcher launcher({0});
    launcher.missing_program = true;
    const std::vector<std::wstring> args = request_args(0x901, p, launcher.requester_file);
    EXPECT_EQ(relay_request(args), -1);
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_TRUE(launcher.calls[0].own_file);
    EXPECT_TRUE(temp_files_left().empty());  // neither the requester's file nor our own
}

TEST_F(relay, a_list_file_that_gives_no_whole_list_starts_nothing) {
    recording_launcher launcher({0});
    const std::wstring folder = temp_folder();
    const std::wstring oversized = folder + L"tfn_00000001.tmp";
    ASSERT_TRUE(write_oversized_list_file(oversized));
    const std::wstring damaged = folder + L"tfn_00000002.tmp";
    write_bytes(damaged, std::string("\x06\x00\x00\x00" "a\0b\0", 8));  // announces more than it holds
    const std::vector<std::wstring> rows[] = {
        {L"-cmd", L"901", L"-tfn", oversized},
        {L"-cmd", L"901", L"-tfn", damaged},
        {L"-cmd", L"901", L"-tfn", folder + L"tfn_00000003.tmp"},  // missing
        {L"-cmd", L"901", L"-tfn", folder + L"other.tmp"},         // not one of ours
    };
    for (const auto& args : rows) EXPECT_EQ(relay_request(args), -1) << vandel::to_utf8(args[3], '?');
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_TRUE(temp_files_left().empty());
}

TEST_F(relay, an_exception_returns_the_last_result_obtained) {
    {
        recording_launcher launcher({0});
        launcher.throw_at = {true};
        EXPECT_EQ(relay_request({L"-cmd", L"901"}), -1);
    }
    recording_launcher launcher({152});
    launcher.throw_at = {false, true};
    EXPECT_EQ(relay_request({L"-cmd", L"901"}), 152);
    EXPECT_EQ(launcher.calls.size(), 2u);
}

}  // namespace
}  // namespace olvex
