#include "gui/shell/start_request.h"
#include "gui/shell/zyapp.h"
#include "services/command_bridge.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

namespace {

using namespace olvex;
using oblivar::test::sandbox_test;

TEST(StartRequest, HeadlessWordsAreWholeWords) {
    for (uint32_t w : {0x10000000u, 0x20000000u, 0x30000000u, 0x40000000u, 0x50000000u, 0x60000000u})
        EXPECT_TRUE(is_headless_command(w)) << std::hex << w;
    for (uint32_t w : {0u, 0x10000001u, 0x70000000u, 0x20000100u, 0x0F000000u, 0xF0000000u, 0x101u})
        EXPECT_FALSE(is_headless_command(w)) << std::hex << w;
}

TEST(StartRequest, WordsDecodeFieldByField) {
    const struct {
        uint32_t word;
        bool portable;
        first_window_kind window;
        bool dialog;
        int job;
        bool relaunched, verify_on, verify_off;
        int32_t scheme_field, speed;
    } cases[] = {
        {0x0, false, first_window_kind::main, false, 0, false, false, false, 0, 0},
        {0x10000001, false, first_window_kind::main, false, 1, false, false, false, 0, 0},  // bit 28 ignored
        {0x113, false, first_window_kind::about, true, 0, false, false, false, 0, 0},
        {0x13, false, first_window_kind::about, true, 0, false, false, false, 0, 0},  // alone: dialog mode too
        {0x110, true, first_window_kind::page_file, true, 0, false, false, false, 0, 0},
        {0x111, false, first_window_kind::options, true, 0, false, false, false, 0, 0},
        {0x105, false, first_window_kind::main, true, 5, false, false, false, 0, 0},
        {0x105, true, first_window_kind::main, false, 5, false, false, false, 0, 0},  // portable: never
        {0x100, false, first_window_kind::main, false, 0, false, false, false, 0, 0},  // no action clears it
        {0x106, false, first_window_kind::main, false, 0, false, false, false, 0, 0},
        // Values are read whatever bit 8 says.
        {0x1F00B02, false, first_window_kind::main, true, 2, true, true, false, 1, 100},
        {0x9900602, false, first_window_kind::main, false, 2, false, true, true, 9, 60},
        {0x0400403, false, first_window_kind::main, false, 3, false, false, true, 0, 26},
        {0xF000004, false, first_window_kind::main, false, 4, false, false, false, 15, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.word << " portable " << c.portable);
        const start_request r = decode_request(c.word, L"", L"", c.portable);
        EXPECT_EQ(r.command, c.word);
        EXPECT_EQ(r.first_window, c.window);
        EXPECT_EQ(r.dialog_mode, c.dialog);
        EXPECT_EQ(r.start_job_kind, c.job);
        EXPECT_EQ(r.relaunched, c.relaunched);
        EXPECT_EQ(r.verify_on, c.verify_on);
        EXPECT_EQ(r.verify_off, c.verify_off);
        EXPECT_EQ(r.scheme_field, c.scheme_field);
        EXPECT_EQ(r.start_speed, c.speed);
    }
}

TEST(StartRequest, PlainPathsBecomeAFilesRequestFromExplorer) {
    const std::wstring two = std::wstring(L"/a") + L'\0' + L"/b";
    start_request r = decode_request(0, L"", two, false);
    EXPECT_EQ(r.command, 0x101u);
    EXPECT_EQ(r.paths, two);
    EXPECT_EQ(r.start_job_kind, 1);
    EXPECT_TRUE(r.dialog_mode);
    EXPECT_FALSE(decode_request(0, L"", two, true).dialog_mode);
    // A request of its own, or a command word, keeps plain arguments out.
    r = decode_request(0, L"/data", two, false);
    EXPECT_EQ(r.command, 0u);
    EXPECT_EQ(r.paths, L"/data");
    r = decode_request(0x113, L"", two, false);
    EXPECT_EQ(r.command, 0x113u);
    EXPECT_EQ(r.paths, L"");
    EXPECT_EQ(decode_request(0, L"", L"", false).command, 0u);
}

TEST(StartRequest, PlainArgumentsLeaveOptionsAndTheirValuesOut) {
    EXPECT_EQ(plain_arguments({L"zygui", L"-hndl", L"1234", L"/x", L"-cmd", L"101", L"y", L"-raw"}),
              (std::vector<std::wstring>{L"/x", L"y"}));
    EXPECT_EQ(plain_arguments({L"zygui", L"-point", L"AAAA", L"-data", L"QQ==", L"-tfn", L"t", L"z"}),
              (std::vector<std::wstring>{L"z"}));
    EXPECT_EQ(plain_arguments({L"zygui"}), std::vector<std::wstring>{});
    EXPECT_EQ(plain_arguments({}), std::vector<std::wstring>{});
}

class StartPaths : public sandbox_test {};

TEST_F(StartPaths, OnlyExistingPathsAreTaken) {
    oblivar::test::write_bytes(sb.path(L"a.txt"), "a");
    oblivar::test::make_dirs(sb.path(L"dir"));
    const std::wstring list = existing_path_list({sb.path(L"missing"), sb.path(L"a.txt"), L"", sb.path(L"dir")});
    EXPECT_EQ(list, sb.path(L"a.txt") + L'\0' + sb.path(L"dir"));
    EXPECT_EQ(existing_path_list({sb.path(L"missing")}), L"");
}

TEST(StartRequest, EverySchemeTravelsThroughARestart) {
    for (uint32_t scheme = 0; scheme < 10; ++scheme) {
        const uint32_t word = relaunch_word(ACTION_WIPE_VOLUMES, scheme | 0x80000000u, 100, false);
        const start_request r = decode_request(word, L"", L"", false);
        uint32_t got = 99;
        ASSERT_TRUE(scheme_of_field(r.scheme_field, got)) << scheme;
        EXPECT_EQ(got, scheme);
        EXPECT_TRUE(r.verify_on);
        EXPECT_FALSE(r.verify_off);
        EXPECT_TRUE(r.relaunched);
        EXPECT_EQ(r.start_job_kind, 2);
    }
    // A scheme word without a scheme number sends none; without verification bits verify off.
    const start_request r = decode_request(relaunch_word(0, 0xFF, 0, true), L"", L"", false);
    uint32_t got = 0;
    EXPECT_FALSE(scheme_of_field(r.scheme_field, got));
    EXPECT_TRUE(r.verify_off);
    EXPECT_EQ(relaunch_word(0, 0xFF, 0, true), 0x800u | 0x100u | 0x400u);
    for (int32_t field : {0, 11, 15, -1}) EXPECT_FALSE(scheme_of_field(field, got)) << field;
}

TEST(StartRequest, SpeedTravelsAsFifteenths) {
    const struct {
        int sent;
        int32_t received;
    } cases[] = {{100, 100}, {65, 60}, {30, 26}, {1, 0}, {7, 6}, {0, 0}, {101, 0}, {-5, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(decode_request(relaunch_word(1, 1, c.sent, false), L"", L"", false).start_speed, c.received) << c.sent;
}

TEST(StartRequest, ApplicationObjectReportsTheRequestValues) {
    zyapp app;
    uint32_t value = 0;
    bool verify = false;
    EXPECT_FALSE(app.start_scheme(value));
    EXPECT_FALSE(app.start_speed(value));
    EXPECT_FALSE(app.start_verify(verify));
    app.set_request(decode_request(0x1F00703 | (1u << 24), L"", L"", false));
    ASSERT_TRUE(app.start_scheme(value));
    EXPECT_EQ(value, 0u);
    ASSERT_TRUE(app.start_speed(value));
    EXPECT_EQ(value, 100u);
    ASSERT_TRUE(app.start_verify(verify));
    EXPECT_TRUE(verify);  // bit 9 wins over bit 10
    app.set_request(decode_request(0x403, L"", L"", false));
    ASSERT_TRUE(app.start_verify(verify));
    EXPECT_FALSE(verify);
    EXPECT_EQ(app.start_job_kind(), 3);
}

TEST(StartRequest, OnlyHeadlessWordsRunHeadless) {
    zyapp app;
    command_bridge bridge(L".tmp");
    int code = 42;
    for (uint32_t w : {0u, 0x10000001u, 0x113u}) {
        bridge.command = w;
        EXPECT_FALSE(app.run_headless_command(bridge, code));
        EXPECT_EQ(code, 42);
    }
}

}  // namespace
