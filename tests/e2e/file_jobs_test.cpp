// File and folder jobs on sandbox trees: schemes and verification, folders left or removed,
// wildcards, age and date limits, simulation, verbose logs, and the jobs that fail.
#include "tests/e2e/e2e.h"
#include "tests/support/env.h"
#include "vandel/file_stream.h"

#include <ctime>

namespace oblivar::test {
namespace {

using file_jobs_test = e2e_test;

std::vector<std::wstring> remaining(const sandbox& sb) {
    std::vector<std::wstring> left;
    for (const auto& p : list_tree(sb.root()))
        if (p.compare(0, 3, L"io/") != 0) left.push_back(p);
    return left;
}

TEST_F(file_jobs_test, EverySchemeAndVerificationWipesTheWholeTree) {
    const wchar_t* const schemes[] = {L"zero", L"ran",  L"gost", L"dod",     L"vrn",
                                      L"vrn+", L"vrn++", L"vsitr", L"schneier", L"gutm"};
    const wchar_t* const names[] = {L"Zero Overwrite", L"Random Data", L"GOST R 50739-95", L"DOD 5220.22-M",
                                    L"VORNA",          L"VORNA+",      L"VORNA++",         L"VSITR",
                                    L"Schneier",       L"Gutmann"};
    const wchar_t* const verify[] = {L"none", L"first", L"last", L"both"};
    const wchar_t* const verify_names[] = {L"None", L"First", L"Last", L"Two Pass"};
    for (int i = 0; i < 10; ++i) {
        const std::wstring tree = make_tree();
        const program_result run = olvex({L"--wipe=file", L"--skip-confirm", std::wstring(L"--scheme=") + schemes[i],
                                          std::wstring(L"--verify=") + verify[i % 4], tree});
        EXPECT_EQ(run.exit_code, 0) << run.output;
        EXPECT_TRUE(holds(run.output, std::wstring(L"Scheme: ") + names[i])) << run.output;
        EXPECT_TRUE(holds(run.output, std::wstring(L"Verification Pass: ") + verify_names[i % 4])) << run.output;
        EXPECT_TRUE(holds(run.output, L"FINISHED: All Done OK")) << run.output;
        EXPECT_EQ(run.output.find("\n-----"), 0u) << "skip-confirm prints one line feed first";
        EXPECT_EQ(remaining(sb), std::vector<std::wstring>{}) << utf8(schemes[i]);
    }
}

TEST_F(file_jobs_test, LeaveDirsKeepsTheFolders) {
    const std::wstring tree = make_tree();
    const program_result run = olvex({L"-k", L"--leave-dirs", L"--wipe=files", tree});
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(remaining(sb), (std::vector<std::wstring>{L"t/", L"t/empty/", L"t/sub/", L"t/sub/deeper/"}));
}

TEST_F(file_jobs_test, WildcardsSelectByName) {
    const std::wstring tree = make_tree();
    const std::wstring sep(1, native_separator());
    const program_result run = olvex({L"--wipe=file", L"--skip-confirm", tree + sep + L"*.txt",
                                      tree + sep + L"sub" + sep + L"deeper" + sep + L"?.bin"});
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_FALSE(path_exists(sb.path(L"t/a.txt")));
    EXPECT_FALSE(path_exists(sb.path(L"t/sub/deeper/e.bin")));
    EXPECT_TRUE(path_exists(sb.path(L"t/b.dat")));
    EXPECT_TRUE(path_exists(sb.path(L"t/sub/deeper/d.txt")));
}

TEST_F(file_jobs_test, ModificationTimeLimitsWipeOnlyOlderFiles) {
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    struct row {
        std::wstring limit;
        bool old_wiped, recent_wiped;
    } rows[] = {
        {L"30days", true, false},
        {L"30-days", true, false},
        {L"1y", false, false},
        {L"2017-05-01", false, false},
        {L"20300101", true, true},
        {L"2020/01/01T12:00Z", false, false},
    };
    for (const auto& r : rows) {
        make_file(L"m/old.txt", 100);
        make_file(L"m/recent.txt", 100);
        set_write_time(sb.path(L"m/old.txt"), now - 200 * 86400);  // about 2025 or later: after 2020
        set_write_time(sb.path(L"m/recent.txt"), now - 3600);
        const program_result run =
            olvex({L"--wipe=file", L"--skip-confirm", L"--leave-dirs", L"--mod-time=" + r.limit, sb.path(L"m")});
        EXPECT_EQ(run.exit_code, 0) << utf8(r.limit) << run.output;
        EXPECT_EQ(path_exists(sb.path(L"m/old.txt")), !r.old_wiped) << utf8(r.limit);
        EXPECT_EQ(path_exists(sb.path(L"m/recent.txt")), !r.recent_wiped) << utf8(r.limit);
    }
}

TEST_F(file_jobs_test, SimulationChangesNothing) {
    const std::wstring tree = make_tree();
    const auto before = remaining(sb);
    const program_result run = olvex({L"--wipe=file", L"--skip-confirm", L"--simulation", tree});
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_TRUE(holds(run.output, L"TEST SIMULATION ONLY\nReal data will not be removed\n")) << run.output;
    EXPECT_EQ(remaining(sb), before);
    EXPECT_EQ(read_bytes(sb.path(L"t/sub/c.txt")), pattern_bytes(70000, "OBLIVAR-MARKER-"));
}

TEST_F(file_jobs_test, VerboseNamesEveryFile) {
    const std::wstring tree = make_tree();
    const program_result quiet = olvex({L"--wipe=file", L"--skip-confirm", L"--simulation", tree});
    const program_result verbose = olvex({L"--wipe=file", L"--skip-confirm", L"--simulation", L"--verbose", tree});
    for (const wchar_t* name : {L"t/a.txt", L"t/sub/deeper/d.txt"}) {
        EXPECT_TRUE(holds(verbose.output, sb.path(name))) << verbose.output;
        EXPECT_FALSE(holds(quiet.output, sb.path(name))) << quiet.output;
    }
    EXPECT_TRUE(holds(quiet.output, L"WIPING FILES IN: ")) << quiet.output;
}

TEST_F(file_jobs_test, TreesDeeperThanAnyPathAreWipedWhole) {
    // POSIX: beyond PATH_MAX; Windows: beyond MAX_PATH (Wine hands the host whole paths).
    const int levels = native_separator() == L'/' ? 45 : 8;
    make_dirs(sb.path(L"deep"));
    make_deep_tree(sb.path(L"deep"), std::wstring(100, L'd'), levels, "deep secret");
    const program_result run = olvex({L"--wipe=file", L"--skip-confirm", sb.path(L"deep")});
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_TRUE(holds(run.output, L"FINISHED: All Done OK")) << run.output;
    EXPECT_FALSE(path_exists(sb.path(L"deep")));
}

TEST_F(file_jobs_test, AWildcardThatMatchesNothingIsNoSuccess) {
    const std::wstring tree = make_tree();
    const program_result run = olvex({L"--wipe=file", L"--skip-confirm", tree + native_separator() + L"*.none"});
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_TRUE(holds(run.output, L"Note. Nothing matches the wildcard.")) << run.output;
    EXPECT_FALSE(holds(run.output, L"All Done OK")) << run.output;
    EXPECT_TRUE(path_exists(sb.path(L"t/a.txt")));
}

TEST_F(file_jobs_test, PathsGivenTwiceOrInsideAGivenFolderAreWipedOnce) {
    const std::wstring tree = make_tree();
    const program_result run =
        olvex({L"--wipe=file", L"--skip-confirm", tree, sb.path(L"t/a.txt"), tree, sb.path(L"t/sub")});
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(count_of(run.output, L"Paths given twice or inside another given folder are taken once (3 dropped)"), 1u)
        << run.output;
    EXPECT_TRUE(holds(run.output, L"FINISHED: All Done OK")) << run.output;
    EXPECT_EQ(remaining(sb), std::vector<std::wstring>{});
}

TEST_F(file_jobs_test, TheRootFolderOfTheSystemVolumeIsNoFilesJob) {
    // The driver makes a folder of the sandbox the system volume's root.
    const std::wstring tree = make_tree();
    const std::wstring root = tree + native_separator();
    const program_result run = olvex_images({L"--volume=" + root + L"|-|SYS|1|-|-", L"--system-volume=" + root},
                                            {L"--wipe=file", L"--skip-confirm", tree});
    EXPECT_EQ(run.exit_code, 2) << run.output;
    EXPECT_TRUE(holds(run.output, L"Wiping the root folder of the system volume is prohibited")) << run.output;
    EXPECT_TRUE(path_exists(sb.path(L"t/a.txt")));
}

// As rm refuses them: "." and ".." name no entry that could be renamed and removed. They were
// once dropped as lying inside themselves, and the job then took every recycle bin instead.
TEST_F(file_jobs_test, APathEndingInDotsIsAnInputError) {
    const std::wstring tree = make_tree();
    make_file(L"data/Trash/files/kept.txt", 100);
    scoped_env data("XDG_DATA_HOME", sb.path(L"data"));
    const std::wstring sep(1, native_separator());
    for (const std::wstring& path : {tree + sep + L".", sb.path(L"t/sub") + sep + L"." + sep}) {
        const program_result run = olvex({L"--wipe=file", L"--skip-confirm", path});
        EXPECT_EQ(run.exit_code, 2) << run.output;
        EXPECT_TRUE(holds(run.output, L"A path may not end in \".\" or \"..\": name the folder itself")) << run.output;
    }
    EXPECT_TRUE(path_exists(sb.path(L"t/sub/c.txt")));
    EXPECT_TRUE(path_exists(sb.path(L"data/Trash/files/kept.txt")));
}

TEST_F(file_jobs_test, AMissingPathFails) {
    const program_result run = olvex({L"--wipe=file", L"--skip-confirm", sb.path(L"nothing-here")});
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_TRUE(holds(run.output, L"FAILED: The operation failed")) << run.output;
}

TEST_F(file_jobs_test, APartlyDoneJobExitsWithFailureAndAbortOnErrorStops) {
    make_file(L"p/1-held.txt", 5000);
    make_file(L"p/2-free.txt", 5000);
    // Held open without sharing, the file can't be wiped.
    vandel::file_stream held(sb.path(L"p/1-held.txt"), vandel::open_read_write | vandel::open_share_none);
    ASSERT_TRUE(held.is_open());

    const program_result stop =
        olvex({L"--wipe=file", L"--skip-confirm", L"--abort-on-error", L"--verbose", sb.path(L"p")});
    EXPECT_EQ(stop.exit_code, 1) << stop.output;
    EXPECT_TRUE(path_exists(sb.path(L"p/2-free.txt"))) << stop.output;

    const program_result partly = olvex({L"--wipe=file", L"--skip-confirm", sb.path(L"p")});
    EXPECT_EQ(partly.exit_code, 1) << partly.output;
    EXPECT_TRUE(holds(partly.output, L"WARNING: Some tasks were not completely successful")) << partly.output;
    EXPECT_FALSE(path_exists(sb.path(L"p/2-free.txt")));
    EXPECT_TRUE(path_exists(sb.path(L"p/1-held.txt")));
    held.close();
    EXPECT_EQ(read_bytes(sb.path(L"p/1-held.txt")), pattern_bytes(5000, "OBLIVAR-MARKER-"));
}

}  // namespace
}  // namespace oblivar::test
