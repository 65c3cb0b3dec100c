// Log files: the folder of --output or of the settings, an explicit file, the byte-order mark,
// NONE, a missing folder, runs in the same second; and the settings file a run migrates.
#include "tests/e2e/e2e.h"
#include "services/log_names.h"
#include "vandel/clock.h"
#include "vandel/folders.h"
#include "vandel/map_settings.h"

#include <algorithm>

namespace oblivar::test {
namespace {

using log_test = e2e_test;

std::vector<std::wstring> logs_in(const std::wstring& folder) {
    std::vector<std::wstring> found;
    for (const auto& name : list_tree(folder))
        if (name.compare(0, 3, L"zy-") == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, L".log") == 0)
            found.push_back(name);
    return found;
}

TEST_F(log_test, OutputFolderGetsOneNewLogPerRunWithOrWithoutMark) {
    make_dirs(sb.path(L"logs"));
    make_file(L"x.txt", 10);
    // Logs of earlier runs hold every name of the next seconds: the new runs must choose others.
    const int64_t now = vandel::now_s();
    std::vector<std::wstring> earlier;
    for (int64_t t = now - 1; t <= now + 30; ++t) {
        earlier.push_back(olvex::log_file_name(vandel::user_name(), t, false));
        write_bytes(sb.path(L"logs/" + earlier.back()), "EARLIER LOG\n");
    }
    const program_result first =
        olvex({L"--wipe=file", L"-k", L"--simulation", L"--output=" + sb.path(L"logs"), sb.path(L"x.txt")});
    const program_result second = olvex(
        {L"--wipe=file", L"-k", L"--simulation", L"--bom", L"--output=" + sb.path(L"logs"), sb.path(L"x.txt")});
    ASSERT_EQ(first.exit_code, 0) << first.output;
    ASSERT_EQ(second.exit_code, 0) << second.output;
    for (const auto& name : earlier) EXPECT_EQ(read_bytes(sb.path(L"logs/" + name)), "EARLIER LOG\n");
    std::vector<std::wstring> logs;
    for (const auto& name : logs_in(sb.path(L"logs")))
        if (std::find(earlier.begin(), earlier.end(), name) == earlier.end()) logs.push_back(name);
    ASSERT_EQ(logs.size(), 2u);
    std::string with_mark, without_mark;
    for (const auto& name : logs) {
        EXPECT_NE(name.find(L"Z-"), std::wstring::npos) << utf8(name);  // "-1", "-2" before ".log"
        const std::string bytes = read_bytes(sb.path(L"logs/" + name));
        (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? with_mark : without_mark) = bytes;
    }
    ASSERT_FALSE(with_mark.empty());
    ASSERT_FALSE(without_mark.empty());
    EXPECT_NE(without_mark.find("JOB TYPE:   Wipe File Data"), std::string::npos);
    EXPECT_NE(with_mark.find("FINISHED: All Done OK"), std::string::npos);
#ifdef _WIN32
    EXPECT_NE(without_mark.find("Analysis Complete\r\n"), std::string::npos);
#else
    EXPECT_EQ(without_mark.find('\r'), std::string::npos);
#endif
}

TEST_F(log_test, OutputMayNameTheFileItselfOrNone) {
    make_file(L"x.txt", 10);
    const std::wstring file = sb.path(L"my job.log");
    EXPECT_EQ(olvex({L"--wipe=file", L"-k", L"--simulation", L"--output=" + file, sb.path(L"x.txt")}).exit_code, 0);
    EXPECT_NE(read_bytes(file).find("Wipe File Data"), std::string::npos);

    const program_result none =
        olvex({L"--wipe=file", L"-k", L"--simulation", L"--output=NoNe", sb.path(L"x.txt")});
    EXPECT_EQ(none.exit_code, 0);
    EXPECT_FALSE(holds(none.output, L"WARNING"));
}

TEST_F(log_test, TheLogAskedForIsANewFileOrNothingIsWiped) {
    make_file(L"x.txt", 10);
    const std::string kept = read_bytes(sb.path(L"x.txt"));

    // A log that can't be made stops the job before it starts.
    const std::wstring missing = sb.path(L"no-such-folder/job.log");
    const program_result failed = olvex({L"--wipe=file", L"-k", L"--output=" + missing, sb.path(L"x.txt")});
    EXPECT_EQ(failed.exit_code, 1);
    EXPECT_EQ(failed.output, utf8(L"ERROR - Failed to create log file: " + missing + L"\nNothing was wiped.\n\n"));

    // An existing file, or a link in its place, is never emptied or written: an input error.
    const std::wstring old_log = sb.path(L"old.log"), victim = sb.path(L"victim.txt");
    write_bytes(old_log, "last week's log\n");
    write_bytes(victim, "someone else's file\n");
    std::vector<std::wstring> taken{old_log};
    if (make_link(sb.path(L"planted.log"), victim, false)) taken.push_back(sb.path(L"planted.log"));
    if (make_link(sb.path(L"dangling.log"), sb.path(L"nowhere.txt"), false)) taken.push_back(sb.path(L"dangling.log"));
    for (const auto& name : taken) {
        const program_result refused = olvex({L"--wipe=file", L"-k", L"--output=" + name, sb.path(L"x.txt")});
        EXPECT_EQ(refused.exit_code, 2) << refused.output;
        EXPECT_TRUE(holds(refused.output, L"\nInput error:\n\nThe log file exists already: " + name + L"\n\n"))
            << refused.output;
    }
    EXPECT_EQ(read_bytes(old_log), "last week's log\n");
    EXPECT_EQ(read_bytes(victim), "someone else's file\n");
    EXPECT_FALSE(path_exists(sb.path(L"nowhere.txt")));
    EXPECT_EQ(read_bytes(sb.path(L"x.txt")), kept);
}

TEST_F(log_test, InputErrorsReachTheLogToo) {
    make_dirs(sb.path(L"logs"));
    EXPECT_EQ(olvex({L"--wipe=file", L"--scheme=x", L"--output=" + sb.path(L"logs"), sb.path(L"x")}).exit_code, 2);
    const auto logs = logs_in(sb.path(L"logs"));
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_NE(read_bytes(sb.path(L"logs/" + logs[0])).find("Invalid wiping scheme value"), std::string::npos);
}

TEST_F(log_test, APortableCopyKeepsItsSettingsAndLogsBesideItself) {
    // A copy with a "zy-bin" folder is portable: settings.dat there, logs in zy-log beside it.
    const std::wstring program = copy_program(L"prog");
    make_dirs(sb.path(L"prog/zy-bin"));
    make_dirs(sb.path(L"prog/zy-log"));
    {
        vandel::map_settings<std::wstring> settings;
        settings.set_string(L"OLVEX_VERSION", L"5.2.0");
        settings.set_bool(L"LOG_USER", false);
        ASSERT_TRUE(settings.save_binary_file(sb.path(L"prog/zy-bin/settings.dat")));
    }
    make_file(L"x.txt", 10);
    const program_result run = run_program(program, {L"--wipe=file", L"-k", sb.path(L"x.txt")}, "", io_);
    EXPECT_EQ(run.exit_code, 0) << run.output;
    const auto logs = logs_in(sb.path(L"prog/zy-log"));
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].find(L'-', 3), std::wstring::npos) << "LOG_USER false: no user part";
    EXPECT_NE(read_bytes(sb.path(L"prog/zy-log/" + logs[0])).find("FINISHED: All Done OK"), std::string::npos);
}

#ifndef _WIN32
// The per-user settings file of an installed copy: Linux reads it from $XDG_CONFIG_HOME, which
// the test launcher made private to this test.
TEST_F(log_test, SettingsOfAnOlderVersionAreMigratedAndTheirLogFolderUsed) {
    std::wstring config;
    ASSERT_TRUE(vandel::known_folder(vandel::folder_app_data, config));
    ASSERT_TRUE(sb.contains(config) || config.find(L"/test-tmp/") != std::wstring::npos) << utf8(config);
    make_dirs(config + L"Tarnhollow");
    const std::wstring file = config + L"Tarnhollow/Olvex Main.cfg";
    make_dirs(sb.path(L"logs"));
    {
        vandel::map_settings<std::wstring> old;
        old.set_string(L"OLVEX_VERSION", L"5.1.9");
        old.set_bool(L"SAVE_LOG", true);
        old.set_int(L"THEME", 3);
        old.set_string(L"LOG_LOCATION", sb.path(L"logs"));
        old.set_bool(L"LOG_USER", false);
        old.set_int(L"MAX_LOG_SIZE", 7);
        ASSERT_TRUE(old.save_binary_file(file));
    }
    make_file(L"x.txt", 10);
    EXPECT_EQ(olvex({L"--wipe=file", L"-k", sb.path(L"x.txt")}).exit_code, 0);

    vandel::map_settings<std::wstring> now;
    ASSERT_TRUE(now.load_file(file));
    EXPECT_EQ(now.get_string(L"OLVEX_VERSION", L""), L"5.2.0");
    EXPECT_EQ(now.type(L"SAVE_LOG"), 0);
    EXPECT_EQ(now.type(L"THEME"), 0);
    EXPECT_EQ(now.get_int(L"MAX_LOG_SIZE", 0, 0, 100), 7);
    const auto logs = logs_in(sb.path(L"logs"));
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].find(L'-', 3), std::wstring::npos) << "LOG_USER false: no user part";
    // The settings' folder is no place for a file name: a missing one means no log.
    remove_tree(sb.path(L"logs"));
    make_file(L"y.txt", 10);
    const program_result run = olvex({L"--wipe=file", L"-k", sb.path(L"y.txt")});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_TRUE(holds(run.output, L"WARNING - Failed to open log file: ")) << run.output;
    EXPECT_FALSE(path_exists(sb.path(L"logs")));
    remove_tree(config + L"Tarnhollow");
}
#endif

}  // namespace
}  // namespace oblivar::test
