// The stand-in zygui and its record: what a launcher hands it comes back whole, run by run.
#include "services/command_bridge.h"

#include "tests/support/sandbox.h"
#include "tests/support/standin.h"
#include "vandel/files.h"

#include <gtest/gtest.h>

namespace olvex {
namespace {

using namespace oblivar::test;

TEST(standin, record_text_round_trips_every_unit) {
    std::wstring all;
    for (uint32_t u = 0; u <= 0xFFFF; ++u) all += static_cast<wchar_t>(u);
    const std::string encoded = encode_record_text(all);
    EXPECT_EQ(encoded.find_first_of("\n\r"), std::string::npos);
    EXPECT_EQ(decode_record_text(encoded), all);
    EXPECT_EQ(encode_record_text(std::wstring(L"a\\b\0c", 5)), "a\\u005cb\\u0000c");
}

class standin_test : public sandbox_test {};

TEST_F(standin_test, records_each_run_and_ends_with_its_code) {
    install_standin(sb.root(), {152, 3});
    command_bridge b(L".tmp");
    b.set_program_directory(sb.root());
    command_payload p;
    // Over 512 units, with a blank, a "%" and a unit outside ASCII: it travels as "-tfn".
    std::wstring path = L"C:\\a b\\100% \x00e9";
    while (p.data.size() < 600) p.data += path + L'\0';
    p.window = 0xFFFF0000000012ABull;
    p.has_point = true;
    p.x = -5;
    p.y = 7;
#ifdef _WIN32
    const std::wstring program = L"zygui.exe";
#else
    const std::wstring program = L"zygui";
#endif
    EXPECT_EQ(b.launch(program, 0x901, launch_open_wait, p), 152);
    EXPECT_EQ(b.launch(program, 0, launch_open_wait, {}), 3);
    EXPECT_EQ(b.launch(program, 0x20, launch_open_wait, {}), 3);  // the last code repeats

    const std::vector<standin_run> runs = standin_runs(sb.root());
    ASSERT_EQ(runs.size(), 3u);
    const standin_run& r = runs[0];
    EXPECT_EQ(r.command, 0x901u);
    EXPECT_EQ(r.window, p.window);
    EXPECT_TRUE(r.has_point);
    EXPECT_EQ(r.x, -5);
    EXPECT_EQ(r.y, 7);
    EXPECT_EQ(r.data, p.data);
    EXPECT_TRUE(command_bridge::is_temp_file_name(r.tfn));
    EXPECT_TRUE(r.tfn_existed);
    EXPECT_FALSE(path_exists(r.tfn));  // read and deleted, as the real receiver does
    EXPECT_EQ(r.exit_code, 152);
    ASSERT_GE(r.args.size(), 8u);
    EXPECT_EQ(r.args[0], L"-cmd");
    EXPECT_EQ(r.args[1], L"901");
    EXPECT_NE(r.command_line.find(L"-cmd 901 -hndl ffff0000000012ab"), std::wstring::npos);

    EXPECT_TRUE(runs[1].args.empty());
    EXPECT_EQ(runs[1].command, 0u);
    EXPECT_TRUE(runs[1].tfn.empty());
    EXPECT_EQ(runs[1].exit_code, 3);
    EXPECT_EQ(runs[2].command, 0x20u);
}

}  // namespace
}  // namespace olvex
