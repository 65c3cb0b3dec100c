// Setting a job up: what is refused, what paths and title the job gets, and the controls of an
// idle or finished engine.
#include "engine/engine.h"
#include "engine/scheme.h"
#include "tests/engine/job_runner.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

namespace {

using namespace oblivar::test;
using olvex::job_options;

TEST(EngineSetUp, RefusesBadInputAndChangesNothing) {
    struct row {
        const char* what;
        int32_t type;
        uint32_t scheme;
        std::wstring paths, separator;
    };
    const std::wstring some = L"x" + nul_separator;
    const row rows[] = {
        {"job type 0", olvex::job_none, 0, some, nul_separator},
        {"empty separator", olvex::job_files, 0, some, L""},
        {"scheme 10", olvex::job_files, 10, some, nul_separator},
        {"scheme 10 with a verification bit", olvex::job_files, olvex::verify_last | 10, some, nul_separator},
        {"no path", olvex::job_files, 0, L"", nul_separator},
        {"only blanks and separators", olvex::job_files, 0, L" \t" + nul_separator + L"  " + nul_separator, nul_separator},
        {"no volume", olvex::job_volumes, 0, nul_separator, nul_separator},
    };
    for (const row& r : rows) {
        olvex::engine e;
        job_options o = job_of(r.type);
        o.scheme = r.scheme;
        EXPECT_EQ(e.start_job(r.paths, o, r.separator), olvex::err_invalid_input) << r.what;
        EXPECT_EQ(e.get_state(), olvex::state_idle) << r.what;
        EXPECT_EQ(e.job_options().job_type, olvex::job_none) << r.what;
        EXPECT_FALSE(e.is_running()) << r.what;
    }
}

TEST(EngineSetUp, OneJobAtATimeUntilReset) {
    sandbox sb;
    write_bytes(sb.path(L"a"), "a");
    job_runner job;
    EXPECT_EQ(job.run({sb.path(L"a")}, job_of(olvex::job_files)), olvex::state_done) << job.dump();
    write_bytes(sb.path(L"b"), "b");
    // A finished job keeps its state (and the engine) until reset.
    EXPECT_EQ(job.engine.start_job(path_list({sb.path(L"b")}), job_of(olvex::job_files), nul_separator),
              olvex::err_invalid_state);
    EXPECT_EQ(job.engine.get_state(), olvex::state_done);
    EXPECT_EQ(job.engine.confirm_start(), olvex::err_invalid_state);
    EXPECT_FALSE(job.engine.reset());
    EXPECT_EQ(job.engine.get_state(), olvex::state_idle);
    EXPECT_EQ(job.engine.job_title(false), L"");
    job.log.clear();
    EXPECT_EQ(job.run({sb.path(L"b")}, job_of(olvex::job_files)), olvex::state_done) << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"b")));
}

TEST(EngineSetUp, ControlsOfAnIdleEngineAreRefused) {
    olvex::engine e;
    EXPECT_EQ(e.confirm_start(), olvex::err_invalid_state);
    EXPECT_EQ(e.abort(), olvex::err_invalid_state);
    EXPECT_EQ(e.pause(), olvex::err_invalid_state);
    EXPECT_EQ(e.resume(), olvex::err_invalid_state);
    EXPECT_EQ(e.get_state(), olvex::state_idle);
    olvex::job_status s;
    EXPECT_EQ(e.get_progress(s), olvex::state_idle);
    EXPECT_FALSE(e.set_scheme(10));
    EXPECT_TRUE(e.set_scheme(3));
    e.set_speed(150);
    EXPECT_EQ(e.speed(), 100);
}

TEST(EngineSetUp, PathsAreTrimmedSortedAndTitled) {
    sandbox sb;
    make_dirs(sb.path(L"d"));
    for (const wchar_t* name : {L"d/b", L"d/a", L"d/c"}) write_bytes(sb.path(name), "x");
    job_options o = job_of(olvex::job_files);
    o.simulate = 1;
    job_runner job;
    // Blanks and control characters around a path that doesn't exist as given are trimmed.
    const std::wstring text = L"  " + sb.path(L"d/c") + L"\t" + nul_separator + sb.path(L"d/a") + nul_separator +
                              nul_separator + sb.path(L"d/b") + L"\r\n";
    ASSERT_EQ(job.engine.start_job(text, o, nul_separator), 0);
    const std::wstring folder = sb.path(L"d") + native_separator();
    EXPECT_EQ(job.engine.job_title(false), folder);
    EXPECT_EQ(job.engine.job_title(true), L"Multiple Items in " + folder);
    job.engine.confirm_start();
    EXPECT_EQ(job.wait_end(), olvex::state_done) << job.dump();
    EXPECT_EQ(job.status.path_count, 3);
    // Wiped in code-unit order.
    const int64_t a = job.find(L"a ... OK"), b = job.find(L"b ... OK"), c = job.find(L"c ... OK");
    EXPECT_TRUE(a >= 0 && a < b && b < c) << job.dump();
    EXPECT_TRUE(job.has_block({L"ANALYZING PATHS...", L"", L"Multiple Items in " + folder, L""}));
}

TEST(EngineSetUp, AFileJobOfOnePathIsTitledByIt) {
    sandbox sb;
    write_bytes(sb.path(L"one"), "x");
    olvex::engine e;
    job_options o = job_of(olvex::job_files);
    o.simulate = 1;
    ASSERT_EQ(e.start_job(sb.path(L"one"), o, nul_separator), 0);
    EXPECT_EQ(e.job_title(true), sb.path(L"one"));
    e.reset();
}

}  // namespace
