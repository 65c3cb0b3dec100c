#include "console/argv_parser.h"
#include "console/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using strings = std::vector<std::wstring>;

// The console's option table in the Windows style ("/", ":") or the POSIX one ("-", "--", "=",
// "/" begins a path), whatever the build.
struct styled_parser : olvex::argv_user {
    explicit styled_parser(bool windows) {
        set_windows_style(windows);
        set_slash_options(windows);
    }
    int run(const strings& args) { return join_arguments(args, 0); }
    std::wstring first_error() const { return errors().empty() ? L"" : format_error(errors()[0]); }
    std::wstring wipe_value() const {
        std::wstring v;
        value(olvex::opt_wipe, v);
        return v;
    }
};

TEST(ArgvParser, WindowsStyleTakesAValueAfterEitherSeparatorInOneOrSeveralArguments) {
    const strings cases[] = {
        {L"/wipe:file"}, {L"/w:file"},        {L"--wipe=file"},        {L"-w=file"},         {L"--wipe:", L"file"},
        {L"/wipe", L":", L"file"}, {L"--wipe", L"=file"}, {L"/WIPE:file"}, {L"  /wipe : file "}, {L"/w=", L"file"},
    };
    for (const auto& args : cases) {
        styled_parser p(true);
        EXPECT_EQ(p.run(args), 0) << args[0];
        EXPECT_TRUE(p.is_set(olvex::opt_wipe)) << args[0];
        EXPECT_EQ(p.wipe_value(), L"file") << args[0];
        EXPECT_TRUE(p.free_arguments().empty()) << args[0];
    }
}

TEST(ArgvParser, ReportsEachKindOfMistakeWithItsMessage) {
    struct row {
        bool windows;
        strings args;
        const wchar_t* message;
    } rows[] = {
        {true, {L"--wipe", L"file"}, L"A value is required for option \"/wipe\"."},
        {true, {L"-wipe:file"}, L"Unexpected value following option \"/wipe\"."},
        {true, {L"-wipe"}, L"Ambiguous input. Did you mean \"/wipe\"?"},
        {true, {L"/W:file"}, L"Unknown option \"/W\"."},
        {true, {L"/k", L"/skip-confirm"}, L"Option \"/skip-confirm\" used more than once"},
        {true, {L"/k:yes"}, L"Unexpected value following option \"/k\"."},
        {true, {L"/nothing"}, L"Unknown option \"/nothing\"."},
        {false, {L"-kz"}, L"Unknown option \"-z\"."},
        {false, {L"-kzq"}, L"Unknown option \"-z,q\"."},
        {false, {L"-verbose"}, L"Ambiguous input. Did you mean \"--verbose\"?"},
        {false, {L"-kk"}, L"Option \"-k\" used more than once"},
        {false, {L"--wipe"}, L"A value is required for option \"--wipe\"."},
        {false, {L"-kb=1"}, L"Unexpected value following option \"-kb\"."},
        {false, {L"--nothing=1"}, L"Unknown option \"--nothing\"."},
    };
    for (const auto& r : rows) {
        styled_parser p(r.windows);
        EXPECT_GE(p.run(r.args), 1) << r.args[0];
        EXPECT_EQ(p.first_error(), r.message) << r.args[0];
    }
    styled_parser p(true);
    p.run({L"--wipe", L"file"});
    EXPECT_TRUE(p.is_set(olvex::opt_wipe));  // given, though without its value
    EXPECT_EQ(p.free_arguments(), strings{L"file"});
}

TEST(ArgvParser, WindowsStyleJoinsADriveWithTheNextArgument) {
    styled_parser p(true);
    EXPECT_EQ(p.run({L"C:", L"D:", L"/k"}), 0);
    EXPECT_EQ(p.free_arguments(), strings{L"C:D:"});
    EXPECT_TRUE(p.is_set(olvex::opt_skip_confirm));
}

TEST(ArgvParser, PosixStyleKeepsPathsAsTypedAndCombinesShortLetters) {
    styled_parser p(false);
    EXPECT_EQ(p.run({L"-kb", L"--WIPE=file", L"/tmp/a:", L"b", L" spaced ", L"--output=", L"/tmp/log:x", L"/k",
                     L"-y=last", L"dir/w:x"}),
              0)
        << p.first_error();
    EXPECT_TRUE(p.is_set(olvex::opt_skip_confirm));
    EXPECT_TRUE(p.is_set(olvex::opt_verbose));
    EXPECT_EQ(p.wipe_value(), L"file");
    std::wstring v;
    EXPECT_TRUE(p.value(olvex::opt_output, v));
    EXPECT_EQ(v, L"/tmp/log:x");
    EXPECT_TRUE(p.value(olvex::opt_verify, v));
    EXPECT_EQ(v, L"last");
    EXPECT_EQ(p.free_arguments(), (strings{L"/tmp/a:", L"b", L" spaced ", L"/k", L"dir/w:x"}));
}

TEST(ArgvParser, RefusesBadDefinitions) {
    struct row {
        int id;
        const wchar_t* short_name;
        const wchar_t* long_name;
        int kind;
        bool accepted;
    } rows[] = {
        {1, L"-a", L"--alpha", 1, true},     {2, L"-b", L"--x", 1, false},      {3, L"-a", L"--other", 1, false},
        {4, L"-c", L"--ALPHA", 1, false},    {5, L"-d", L"--has blank", 1, false}, {6, L"--dd", L"--ee", 1, false},
        {7, L"-e", L"-f", 1, false},         {8, L"-g", L"--gamma", 0, false},  {INT_MAX, L"-h", L"--eta", 1, false},
        {9, L"--solo", L"", 2, true},        {10, L"-z", L"", 1, true},          {11, L"-A", L"--Alpha2", 1, true},
        {1, L"-a", L"--alpha-again", 1, true},  // the same id replaces its own definition
    };
    for (const auto& r : rows) {
        vandel::argv_parser<std::wstring> fresh;
        fresh.add_option(1, L"-a", L"--alpha", 1, L"");
        EXPECT_EQ(fresh.add_option(r.id, r.short_name, r.long_name, r.kind, L""), r.accepted)
            << r.short_name << " " << r.long_name;
        EXPECT_EQ(fresh.error_code(), !r.accepted) << r.short_name;
    }
}

TEST(ArgvParser, RebuildsTheCommandLineAndDescribesOptions) {
    styled_parser p(true);
    p.run({L"/k", L"-w:file", L"x y", L"/s:gost"});
    EXPECT_EQ(p.command_line(false), L"/wipe:file /scheme:gost /skip-confirm x y");
    EXPECT_EQ(p.command_line(true), L"/w:file /s:gost /k x y");
    vandel::option_definition<std::wstring> d;
    EXPECT_TRUE(p.option_description(olvex::opt_wipe, d));
    EXPECT_EQ(d.short_name, L"/w");
    EXPECT_EQ(d.long_name, L"/wipe");
    EXPECT_EQ(d.placeholder, L"TASK");
    EXPECT_EQ(d.description, L"Wipe operation: file|dev|vol|fspc|rcyc");
    EXPECT_FALSE(p.option_description(99, d));
    EXPECT_EQ(d.kind, 1);
    EXPECT_TRUE(d.long_name.empty());
    EXPECT_EQ(p.option_name(olvex::opt_wipe, false), L"/w");
    styled_parser posix(false);
    EXPECT_EQ(posix.option_name(olvex::opt_wipe, true), L"--wipe");
    EXPECT_EQ(posix.option_name(olvex::opt_wipe, false), L"-w");
}

TEST(ArgvParser, ExclusiveGroupsCountUsesAndRequiredOnes) {
    vandel::argv_parser<std::wstring> p;
    p.add_flag_option(1, L"-a", L"--alpha", L"");
    p.add_flag_option(2, L"-b", L"--beta", L"");
    p.add_flag_option(3, L"-c", L"--gamma", L"");
    p.add_exclusive_ids(false, 1, 2);
    p.add_exclusive_ids(true, 3);
    EXPECT_EQ(p.join_arguments({L"prog", L"/a", L"/b"}, 1), 2);
    EXPECT_EQ(p.format_error(p.errors()[0]), L"The option \"/b\" was used with a previous mutually exclusive value.");
    EXPECT_EQ(p.format_error(p.errors()[1]), L"Invalid input. Expected input options were absent.");
    EXPECT_EQ(p.join_arguments({L"/c", L"/a"}, 0), 0);
    p.reset();
    EXPECT_FALSE(p.is_set(3));
    EXPECT_EQ(p.join_arguments({L"/a", L"/b"}, 0), 0);  // reset dropped the groups
}

TEST(ArgvParser, UsageTextAlignsDescriptionsAndSortsByNames) {
    vandel::argv_parser<std::wstring> p;
    p.add_option(1, L"-v", L"--verbose", 1, L"Say more");
    p.add_option(2, L"-B", L"--bom", 1, L"Byte-order mark");
    p.add_option(3, L"-o", L"--output", 2, L"<FILENAME>|Where the log goes");
    p.add_option(4, L"-x", L"--hidden", 1, L"!");
    p.add_option(5, L"-T", L"--throttle", 2, L"<N>|Speed");
    p.add_option(6, L"-t", L"--tolerence", 2, L"<PERC>|Tolerance");
    vandel::usage_layout layout;  // indent 2, width 20, sorted
    EXPECT_EQ(p.usage_text(L"  Usage: x  ", layout),
              L"Usage: x\n\n"
              L"  /B, /bom            Byte-order mark\n"
              L"  /o, /output : <FILENAME> \n"
              L"                      Where the log goes\n"
              L"  /T, /throttle : <N> Speed\n"
              L"  /t, /tolerence : <PERC> \n"
              L"                      Tolerance\n"
              L"  /v, /verbose        Say more\n");
    layout.sorted = false;
    layout.dotted = true;
    layout.indent = 1;
    layout.width = 40;
    p.set_windows_style(false);
    // POSIX help: values as they are typed, and never a blank before a line end.
    EXPECT_EQ(p.usage_text(L"", layout),
              L" -v, --verbose ...         Say more\n"
              L" -B, --bom ...             Byte-order mark\n"
              L" -o, --output=FILENAME ... Where the log goes\n"
              L" -T, --throttle=N ...      Speed\n"
              L" -t, --tolerence=PERC ...  Tolerance\n");
    p.add_option(7, L"-n", L"--no-text", 1, L"");
    EXPECT_EQ(p.usage_text(L"", vandel::usage_layout()),
              L"  -B, --bom           Byte-order mark\n"
              L"  -n, --no-text\n"
              L"  -o, --output=FILENAME\n"
              L"                      Where the log goes\n"
              L"  -T, --throttle=N    Speed\n"
              L"  -t, --tolerence=PERC\n"
              L"                      Tolerance\n"
              L"  -v, --verbose       Say more\n");
}

TEST(NaturalCompare, OrdersByClassCaseAndNumbers) {
    struct row {
        const wchar_t* a;
        const wchar_t* b;
        int mode;
        int sign;
    } rows[] = {
        {L"Bbom", L"bverbose", 3, -1},  {L"Tthrottle", L"ttolerence", 3, -1}, {L"file2", L"file10", 3, -1},
        {L"file10", L"file2", 1, -1},   {L"abc", L"ABC", 3, -1},              {L"abc", L"ABC", 2, 0},
        {L"a", L"A", 1, -1},            {L"_x", L"0x", 1, -1},                {L"9", L"a", 1, -1},
        {L"z", L"\u00e9", 1, -1},       {L"ab", L"abc", 1, -1},              {L"same", L"same", 3, 0},
        {L"x007", L"x7", 3, -1},  // equal as numbers: the tie goes to the characters
    };
    for (const auto& r : rows) {
        const int c = vandel::natural_compare(r.a, r.b, r.mode, true);
        EXPECT_EQ((c > 0) - (c < 0), r.sign) << r.a << " " << r.b << " mode " << r.mode;
        const int back = vandel::natural_compare(r.b, r.a, r.mode, true);
        EXPECT_EQ((back > 0) - (back < 0), -r.sign) << r.a << " " << r.b;
    }
}

}  // namespace
