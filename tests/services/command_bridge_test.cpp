// The internal command line: building and parsing, the path-list codecs, temporary files and
// what a receiver refuses, and launching a stub program in every mode.
#include "services/command_bridge.h"

#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"
#include "vandel/convert.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/strings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

namespace olvex {
namespace {

using namespace oblivar::test;

// A path list of n units: paths of blanks, "%20", "%" and letters, each ended by NUL.
std::wstring path_list(size_t n) {
    const std::wstring path = L"C:\\a dir\\100%20 done %x.txt";
    std::wstring list;
    while (list.size() < n) {
        list += path.substr(0, std::min(path.size(), n - list.size() - 1));
        list += L'\0';
    }
    return list;
}

std::vector<std::wstring> split_arguments(const std::wstring& program, const std::wstring& parameters) {
    std::vector<std::wstring> args{program};
    if (!parameters.empty()) vandel::split(args, parameters, true, L" ");
    return args;
}

// Writes bytes to a fresh temporary file of our name form, never touching an existing file.
std::wstring write_temp_file(command_bridge& bridge, const std::string& bytes) {
    for (;;) {
        const std::wstring name = bridge.temp_file_name();
        vandel::file_stream f;
        if (!f.open(name, vandel::open_create_new)) continue;
        EXPECT_EQ(f.write(bytes.data(), static_cast<int64_t>(bytes.size())), static_cast<int64_t>(bytes.size()));
        return name;
    }
}

std::string le32(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

TEST(command_bridge, builds_parameter_strings) {
    command_bridge b(L".tmp");
    EXPECT_EQ(b.build_arguments(0, {}), L"");

    command_payload p;
    p.window = 0x1A2B;
    p.has_point = true;
    p.x = 1;
    p.y = -2;
    p.data = std::wstring(L"C:\\x\0", 5);
    p.raw = L"a b%c";
    EXPECT_EQ(b.build_arguments(0x101, p), L"-cmd 101 -hndl 1a2b -point AQAAAP7///8= -data QwA6AFwAeAAAAA== -raw a%20b%25c");
    EXPECT_EQ(b.build_arguments(CMD_PAGE_FILE_CLEAR_OFF, {}), L"-cmd 40000000");
    EXPECT_EQ(b.command_line(L"C:\\Program Files\\zygui.exe", CMD_PAGE_FILE_CLEAR_OFF, {}),
              L"\"C:\\Program Files\\zygui.exe\" -cmd 40000000");
    EXPECT_EQ(b.command_line(L"/opt/zy/zygui", 0, {}), L"\"/opt/zy/zygui\"");
}

TEST(command_bridge, parses_arguments) {
    struct row {
        std::vector<std::wstring> args;
        uint32_t command;
        std::wstring data, raw;
        uint64_t window;
    };
    const row rows[] = {
        {{L"zygui", L"-cmd", L"101", L"-cmd", L"202"}, 0x101, L"", L"", 0},
        {{L"zygui", L"-cmd", L"zz", L"-cmd", L"202"}, 0x202, L"", L"", 0},
        // "-raw" takes its value, which is looked at again as an option.
        {{L"zygui", L"-raw", L"-cmd", L"5"}, 5, L"", L"-cmd", 0},
        // The values of "-data" and "-tfn" are never options.
        {{L"zygui", L"-data", L"-cmd", L"5"}, 0, L"", L"", 0},
        {{L"zygui", L"-cmd", L"1", L"-data"}, 1, L"", L"", 0},
        {{L"zygui", L"-hndl", L"ff", L"-raw", L"a%20b%25%2x"}, 0, L"", L"a b%%2x", 0xFF},
        {{L"zygui", L"-hndl", L"zz", L"-data", L"YQBiAA=="}, 0, L"ab", L"", 0},
        // Any handle the sender writes, the top bit set too.
        {{L"zygui", L"-hndl", L"fffffffffffff5d5"}, 0, L"", L"", 0xFFFFFFFFFFFFF5D5},
        {{L"zygui", L"-hndl", L"10000000000000000"}, 0, L"", L"", 0},
        {{L"zygui", L"-data", L"YQBiAA==", L"-data", L"Yw"}, 0, L"", L"", 0},
        {{L"zygui", L"-cmd", L"10000000"}, CMD_INSTALL_SHELL_EXTENSION, L"", L"", 0},
        {{}, 0, L"", L"", 0},
    };
    for (const row& r : rows) {
        command_bridge b(L".tmp");
        EXPECT_EQ(b.parse(r.args), r.command) << vandel::to_utf8(vandel::join(r.args, L" "), '?');
        EXPECT_EQ(b.command, r.command);
        EXPECT_EQ(b.payload().data, r.data);
        EXPECT_EQ(b.payload().raw, r.raw);
        EXPECT_EQ(b.payload().window, r.window);
    }
}

TEST(command_bridge, codecs) {
    EXPECT_EQ(command_bridge::decode_data(L"Q"), L"");
    EXPECT_EQ(command_bridge::decode_data(L"QwA6AF*"), L"");                 // not Base64
    EXPECT_EQ(command_bridge::decode_data(L"QwA6\r\nAA=="), L"C:");         // line breaks are skipped
    EXPECT_EQ(command_bridge::decode_data(L"QwA6"), L"C");                  // an odd last byte is dropped

    const std::wstring point = command_bridge::encode_point(-7, 0x12345678);
    EXPECT_EQ(point.size(), 12u);
    EXPECT_EQ(point.back(), L'=');
    int32_t x = 0, y = 0;
    EXPECT_TRUE(command_bridge::decode_point(point, x, y));
    EXPECT_EQ(x, -7);
    EXPECT_EQ(y, 0x12345678);
    EXPECT_FALSE(command_bridge::decode_point(L"A", x, y));
    EXPECT_FALSE(command_bridge::decode_point(L"AQAA", x, y));  // too few bytes for two numbers
    EXPECT_FALSE(command_bridge::decode_point(L"AQAA?P7///8=", x, y));
    EXPECT_EQ(x, -7);

    EXPECT_EQ(command_bridge::escape_value(L"a b%20c%"), L"a%20b%2520c%25");
    EXPECT_EQ(command_bridge::unescape_value(L"a%20b%2520c%25%2"), L"a b%20c%%2");
}

TEST(command_bridge, program_directory) {
    command_bridge b(L".tmp");
    EXPECT_FALSE(b.get_program_directory().empty());
    const std::pair<std::wstring, std::wstring> rows[] = {
        {L"C:\\x", L"C:\\x\\"}, {L"C:\\x\\", L"C:\\x\\"}, {L"/opt/zy", L"/opt/zy/"},
        {L"C:/x\\y", L"C:/x\\y/"}, {L"zy", L"zy\\"},
    };
    for (const auto& [in, out] : rows) {
        b.set_program_directory(in);
        EXPECT_EQ(b.get_program_directory(), out);
    }
}

// Inherits a private temporary folder from the parent.
TEST(command_bridge_child, fresh_process_names) {
    if (!is_child_test()) GTEST_SKIP() << "runs as a child of first_names_and_taken_names";
    command_bridge b(L".olvex");
    const std::wstring folder = temp_folder();
    // Another sender's file holds the first name of the sequence: it is passed over, untouched.
    {
        vandel::file_stream other(folder + L"tfn_db710640.olvex", vandel::open_create_new);
        ASSERT_TRUE(other.is_open());
        ASSERT_EQ(other.write("theirs", 6), 6);
    }
    command_payload p;
    p.data = path_list(600);
    EXPECT_EQ(b.data_argument(p), L"-tfn " + command_bridge::escape_value(folder + L"tfn_c9298960.olvex"));
    vandel::file_stream other(folder + L"tfn_db710640.olvex", vandel::open_read);
    EXPECT_EQ(other.size(), 6);
    other.close();
    EXPECT_EQ(command_bridge::read_temp_file(folder + L"tfn_c9298960.olvex"), p.data);
    EXPECT_EQ(b.temp_file_name(), folder + L"tfn_b6e20c80.olvex");
}

TEST(command_bridge, first_names_and_taken_names) {
    sandbox sb;
    make_dirs(sb.path(L"tmp"));
    const std::wstring tmp = sb.path(L"tmp");
    scoped_env e1("TMPDIR", tmp), e2("TMP", tmp), e3("TEMP", tmp);
    EXPECT_EQ(run_child_test("command_bridge_child.fresh_process_names"), 0);
    sb.require_inside(sb.path(L"tmp/tfn_db710640.olvex"));
    vandel::remove_path(sb.path(L"tmp/tfn_db710640.olvex"), false);
}

TEST(command_bridge, names_do_not_repeat_within_a_process) {
    command_bridge b(L".tmp");
    std::set<std::wstring> names;
    for (int i = 0; i < 5000; ++i) {
        const std::wstring name = b.temp_file_name();
        ASSERT_TRUE(command_bridge::is_temp_file_name(name)) << vandel::to_utf8(name, '?');
        ASSERT_TRUE(names.insert(name).second) << "repeated after " << i << " names";
    }
}

TEST(command_bridge, round_trip_at_the_inline_limit) {
    sandbox sb;
    // A temporary folder whose path itself needs escaping.
    const std::wstring tmp = sb.path(L"t m%20p%");
    make_dirs(tmp);
    scoped_env e1("TMPDIR", tmp), e2("TMP", tmp), e3("TEMP", tmp);

    for (size_t n : {size_t{1}, size_t{512}, size_t{513}, size_t{20000}}) {
        command_bridge sender(L".tmp");
        command_payload p;
        p.data = path_list(n);
        const std::wstring parameters = sender.build_arguments(ACTION_WIPE_FILES | CMD_DIALOG_MODE, p);
        EXPECT_EQ(parameters.find(n <= 512 ? L" -data " : L" -tfn "), 8u) << n;

        command_bridge receiver(L".tmp");
        EXPECT_EQ(receiver.parse(split_arguments(L"zygui", parameters)), 0x101u);
        EXPECT_EQ(receiver.payload().data, p.data) << n;
    }
    EXPECT_TRUE(list_tree(tmp).empty());  // every file read was deleted
}

TEST(command_bridge, receiver_refuses_what_is_not_a_whole_list_of_ours) {
    sandbox sb;
    const std::wstring tmp = sb.path(L"tmp");
    make_dirs(tmp);
    scoped_env e1("TMPDIR", tmp), e2("TMP", tmp), e3("TEMP", tmp);
    command_bridge b(L".tmp");
    const std::string units("a\0\0\0b\0\0\0", 8);

    // Ours by name and folder, but not whole: ignored and deleted.
    const std::string broken[] = {
        le32(100) + units,                          // truncated
        le32(7) + units.substr(0, 7),               // odd byte count
        le32(4) + std::string("a\0b\0", 4),         // no NUL at the end
        le32(8) + units + "xx",                     // more than announced
        le32(max_temp_file_bytes + 2) + units,      // oversized
        "ab",                                       // not even a byte count
    };
    for (const std::string& bytes : broken) {
        const std::wstring name = write_temp_file(b, bytes);
        EXPECT_EQ(b.parse({L"zygui", L"-tfn", command_bridge::escape_value(name)}), 0u);
        EXPECT_EQ(b.payload().data, L"");
        EXPECT_TRUE(b.tfn_refused);
        EXPECT_FALSE(path_exists(name));
    }
    const std::wstring good = write_temp_file(b, le32(8) + units);
    b.parse({L"zygui", L"-tfn", good});
    EXPECT_EQ(b.payload().data, std::wstring(L"a\0b\0", 4));
    EXPECT_FALSE(b.tfn_refused);
    // A later list replaces a refused one, and a new parse starts clean.
    b.parse({L"zygui", L"-tfn", good, L"-data", L"YQBiAA=="});
    EXPECT_FALSE(b.tfn_refused);
    b.parse({L"zygui", L"-tfn", good});
    EXPECT_TRUE(b.tfn_refused);
    b.parse({L"zygui"});
    EXPECT_FALSE(b.tfn_refused);

    // Not ours: another folder, or another name form. Neither read nor deleted.
    const std::wstring foreign[] = {
        sb.path(L"tfn_0123abcd.tmp"), tmp + native_separator() + L"tfn_0123ABCD.tmp",
        tmp + native_separator() + L"tfn_0123abc.tmp", tmp + native_separator() + L"tfn_0123abcd.txt",
        tmp + native_separator() + L"tfn_0123abcd.tmp.tmp", tmp + native_separator() + L"notes.tmp",
    };
    for (const std::wstring& name : foreign) {
        write_bytes(name, le32(8) + units);
        EXPECT_EQ(command_bridge::read_temp_file(name), L"") << vandel::to_utf8(name, '?');
        EXPECT_TRUE(path_exists(name));
    }
    // A link of our name form: neither it nor what it names is read or deleted.
    const std::wstring link = tmp + native_separator() + L"tfn_00000001.tmp";
    if (make_link(link, foreign[0], false)) {
        EXPECT_EQ(command_bridge::read_temp_file(link), L"");
        EXPECT_TRUE(path_exists(link));
        EXPECT_TRUE(path_exists(foreign[0]));
    }
}

TEST(command_bridge, parallel_senders_never_share_a_file) {
    constexpr int per_thread = 40;
    std::vector<std::wstring> params[2];
    std::thread senders[2];
    for (int t = 0; t < 2; ++t)
        senders[t] = std::thread([t, &params] {
            for (int i = 0; i < per_thread; ++i) {
                command_bridge b(L".tmp");
                command_payload p;
                p.data = path_list(600) + std::wstring(1, static_cast<wchar_t>(L'A' + t)) + L'\0';
                params[t].push_back(b.build_arguments(0, p));
            }
        });
    for (auto& s : senders) s.join();
    std::set<std::wstring> seen;
    for (int t = 0; t < 2; ++t)
        for (const std::wstring& parameters : params[t]) {
            ASSERT_TRUE(seen.insert(parameters).second);
            command_bridge receiver(L".tmp");
            receiver.parse(split_arguments(L"zygui", parameters));
            ASSERT_EQ(receiver.payload().data.size(), 602u);
            EXPECT_EQ(receiver.payload().data[600], static_cast<wchar_t>(L'A' + t));
        }
}

// ---- Launching ----

class recording_launcher : public launch_provider {
public:
    recording_launcher(int result, bool started) : result_(result), started_(started), previous_(set_launch_provider(this)) {}
    ~recording_launcher() override { set_launch_provider(previous_); }
    int launch(const std::wstring& program, const std::wstring& parameters, int mode, uint64_t window,
               bool& started) override {
        this->program = program;
        this->parameters = parameters;
        this->mode = mode;
        this->window = window;
        started = started_;
        return result_;
    }
    std::wstring program, parameters;
    int mode = -1;
    uint64_t window = 0;

private:
    int result_;
    bool started_;
    launch_provider* previous_;
};

TEST(command_bridge, launch_goes_through_the_provider_and_cleans_up_after_a_failed_start) {
    command_bridge b(L".tmp");
    b.set_program_directory(L"C:\\zy");
    command_payload p;
    p.window = 0x42;
    p.data = path_list(700);
    {
        recording_launcher rec(-1, false);
        EXPECT_EQ(b.launch(L"zygui.exe", 0x111, launch_runas_wait, p), -1);
        EXPECT_EQ(rec.program, L"C:\\zy\\zygui.exe");
        EXPECT_EQ(rec.mode, launch_runas_wait);
        EXPECT_EQ(rec.window, 0x42u);
        const size_t at = rec.parameters.find(L"-tfn ");
        ASSERT_NE(at, std::wstring::npos);
        EXPECT_FALSE(path_exists(command_bridge::unescape_value(rec.parameters.substr(at + 5))));
    }
    {
        // Started, the child gave -1: the file is the receiver's.
        recording_launcher rec(-1, true);
        EXPECT_EQ(b.launch(L"zygui.exe", 0x111, launch_open_wait, p), -1);
        const std::wstring name = command_bridge::unescape_value(rec.parameters.substr(rec.parameters.find(L"-tfn ") + 5));
        EXPECT_TRUE(path_exists(name));
        EXPECT_EQ(command_bridge::read_temp_file(name), p.data);
    }
}

class launch_test : public sandbox_test {
protected:
    void SetUp() override {
        stub_folder = vandel::directory_part(own_program_path());
        record = sb.path(L"record.txt");
    }

    // Returns the arguments the stub recorded, waiting for a stub that was not waited for.
    std::vector<std::wstring> recorded(bool wait_for_it) {
        for (int i = 0; wait_for_it && !path_exists(record) && i < 3000; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::vector<std::wstring> lines;
        vandel::split(lines, vandel::from_utf8(read_bytes(record)), false, L"\n");
        sb.require_inside(record);
        vandel::remove_path(record, false);
        return lines;
    }

    std::wstring stub_folder;
    std::wstring record;
#ifdef _WIN32
    const std::wstring stub = L"launch_stub.exe";
#else
    const std::wstring stub = L"launch_stub";
#endif
};

TEST_F(launch_test, starts_the_program_in_every_mode) {
    scoped_env rec("OBLIVAR_STUB_RECORD", record);
    command_bridge b(L".tmp");
    b.set_program_directory(stub_folder);
    command_payload p;
    p.data = path_list(513);
    p.raw = L"x y";

    struct row {
        int mode;
        std::wstring exit;
        int expected;
    };
#ifdef _WIN32
    const row rows[] = {{launch_open, L"0", 0},        {launch_runas, L"0", 0},
                        {launch_open_wait, L"152", 152}, {launch_runas_wait, L"-1", -1},
                        {launch_open_wait, L"0", 0}};
#else
    const row rows[] = {{launch_open, L"0", 0}, {launch_open_wait, L"152", 152}, {launch_open_wait, L"0", 0}};
#endif
    for (const row& r : rows) {
        scoped_env code("OBLIVAR_STUB_EXIT", r.exit);
        EXPECT_EQ(b.launch(stub, 0x101, r.mode, p), r.expected) << r.mode;
        const std::vector<std::wstring> args = recorded(r.mode == launch_open || r.mode == launch_runas);
        command_bridge receiver(L".tmp");
        std::vector<std::wstring> argv{stub};
        argv.insert(argv.end(), args.begin(), args.end());
        EXPECT_EQ(receiver.parse(argv), 0x101u) << r.mode;
        EXPECT_EQ(receiver.payload().data, p.data) << r.mode;
        EXPECT_EQ(receiver.payload().raw, p.raw) << r.mode;
    }

    // No parameters at all.
    EXPECT_EQ(b.launch(stub, 0, launch_open_wait, {}), 0);
    EXPECT_TRUE(recorded(false).empty());
}

TEST_F(launch_test, failed_starts_give_minus_one_and_leave_no_file) {
    const std::wstring tmp = sb.path(L"tmp");
    make_dirs(tmp);
    scoped_env e1("TMPDIR", tmp), e2("TMP", tmp), e3("TEMP", tmp), rec("OBLIVAR_STUB_RECORD", record);
    command_bridge b(L".tmp");
    b.set_program_directory(sb.root());
    command_payload p;
    p.data = path_list(600);
    EXPECT_EQ(b.launch(L"missing-program", 0x101, launch_open_wait, p), -1);
    EXPECT_EQ(b.launch(L"missing-program", 0x101, launch_open, p), -1);
#ifndef _WIN32
    // There is no elevation prompt to ask: "runas" is refused as a refused prompt is.
    b.set_program_directory(stub_folder);
    EXPECT_EQ(b.launch(stub, 0x101, launch_runas, p), -1);
    EXPECT_EQ(b.launch(stub, 0x101, launch_runas_wait, p), -1);
    EXPECT_FALSE(path_exists(record));
#endif
    EXPECT_TRUE(list_tree(tmp).empty());
}

}  // namespace
}  // namespace olvex
