#include "engine/ced.h"
#include "engine/scheme.h"
#include "tests/support/manual_clock.h"
#include "vandel/folders.h"
#include "vandel/locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <thread>
#include <vector>

namespace {

using lines = std::vector<std::wstring>;

lines take(olvex::ced& c) {
    lines out;
    c.get_log_lines(out, true);
    return out;
}

const std::wstring sep(45, L'-');

TEST(JobLog, CapWritesTheNoticeOnceAndForcedLinesStillCome) {
    olvex::ced c;
    c.set_log_limit(3);
    for (const wchar_t* t : {L"1", L"2", L"3", L"4", L"5"}) c.add_line(t);
    c.log_error(olvex::err_access_denied, L"/p", L"", true);
    EXPECT_EQ(take(c), (lines{L"1", L"2", L"3", L"LOG TRUNCATED",
                              L"Maximum log size reached. No more entries will be recorded"}));
    // Room again after the reader took the lines, but ordinary lines stay dropped until reset.
    c.add_line(L"6");
    c.begin_line(L"file");
    c.end_line(1);
    c.log_analysis_summary(olvex::job_status());
    EXPECT_EQ(take(c), (lines{L"", L"Analysis Complete", L"", L"Inaccessible: 0", L"Approx Size: 0 bytes", L""}));

    c.reset();
    c.add_line(L"7");
    EXPECT_EQ(take(c), lines{L"7"});
}

TEST(JobLog, TheCapCountsHeldLinesAndZeroOrLessMeansNone) {
    olvex::ced c;
    c.set_log_limit(3);
    for (int round = 0; round < 3; ++round) {
        for (const wchar_t* t : {L"a", L"b", L"c"}) c.add_line(t);
        EXPECT_EQ(take(c).size(), 3u);
    }
    for (int64_t limit : {0, -1}) {
        c.reset();
        c.set_log_limit(limit);
        for (int i = 0; i < 30000; ++i) c.add_line(L"x");
        EXPECT_EQ(take(c).size(), 30000u) << limit;
    }
}

TEST(JobLog, NotTakingKeepsTheLines) {
    olvex::ced c;
    c.add_line(L"a");
    lines out{L"old"};
    c.get_log_lines(out, false);
    EXPECT_EQ(out, lines{L"a"});
    EXPECT_EQ(take(c), lines{L"a"});
    EXPECT_EQ(take(c), lines{});
}

TEST(JobLog, NeverTwoBlankLinesInARow) {
    olvex::ced c;
    c.add_line(L"x", true);
    c.add_blank_line();
    c.add_blank_line();
    c.add_line(L"y");
    c.add_line(L"", true);  // blank_after counts only for a text
    c.add_blank_line();
    EXPECT_EQ(take(c), (lines{L"x", L"", L"y", L""}));
}

TEST(JobLog, OpenLinesAndResultSuffixes) {
    olvex::ced c;
    c.end_line(1);  // nothing open: nothing appended
    c.begin_line(L"a");
    c.begin_line(L"b");
    c.end_line(2);
    c.begin_line(L"c");
    c.end_line(1);
    c.begin_line(L"d");
    c.end_line(3);
    c.begin_line(L"e");
    c.end_line(7);
    c.begin_line(L"f");
    c.log_warning(L"careful", L"/f", true);
    EXPECT_EQ(take(c), (lines{L"a", L"b ... WARN", L"c ... OK", L"d ... FAIL", L"e", L"f", L"Warning: careful",
                              L"Path: /f", L""}));
}

TEST(JobLog, ErrorAndWarningBlocks) {
    olvex::ced c;
    c.log_error(olvex::err_access_denied, L"C:\\x", L"Failed to retrieve path details.", true);
    c.log_error(olvex::err_failed, L"", L"", false);
    c.log_warning(L"w", L"", false);
    EXPECT_EQ(take(c), (lines{L"ERROR: Access denied", L"Path: C:\\x", L"Note. Failed to retrieve path details.", L"",
                              L"ERROR: Operation failed", L"Warning: w"}));
}

TEST(JobLog, NamesCannotBreakOrForgeLines) {
    olvex::ced c;
    const std::wstring forged = L"x\nFINISHED: All Done OK";
    c.begin_line(forged);
    c.end_line(1);
    c.log_error(olvex::err_access_denied, forged + std::wstring(1, wchar_t(0xDCFF)), L"", false);
    EXPECT_EQ(take(c), (lines{L"x\\x0AFINISHED: All Done OK ... OK", L"ERROR: Access denied",
                              L"Path: x\\x0AFINISHED: All Done OK\\xFF"}));
}

TEST(JobLog, HeaderAtTheClocksTime) {
    oblivar::test::manual_clock clock(1781016307000LL);
    olvex::ced c;
    c.set_log_limit(1);
    c.add_line(L"fills the cap");
    c.begin_line(L"open");
    c.log_job_header(olvex::job_files, true);
    std::wstring when = vandel::current_locale().date_time_text_w(1781016307, 4, false);
    ASSERT_FALSE(when.empty());
    EXPECT_EQ(take(c), (lines{L"fills the cap", L"LOG TRUNCATED",
                              L"Maximum log size reached. No more entries will be recorded", sep,
                              L"JOB TYPE:   Wipe File Data", L"Username:   " + vandel::user_name(),
                              L"Hostname:   " + vandel::computer_name(), L"Start Time: " + when, sep, L""}));
    c.log_job_header(olvex::job_recycler, false);
    EXPECT_EQ(take(c), (lines{sep, L"JOB TYPE:   Wipe Recycler", L"Start Time: " + when, sep, L""}));
}

TEST(JobLog, AnalysisSummaryByJobType) {
    olvex::job_status b;
    b.item_count = 12;
    b.file_count = 10;
    b.dir_count = 2;
    b.drive_count = 3;
    b.failed_count = 1;
    b.total_bytes = 1536;
    const struct { int32_t type; lines counts; } rows[] = {
        {olvex::job_files, {L"Total Paths: 12", L"Files: 10", L"Directories: 2"}},
        {olvex::job_recycler, {L"Recycler Items: 12"}},
        {olvex::job_devices, {L"Physical Drives: 3"}},
        {olvex::job_volumes, {L"Volumes: 3"}},
        {olvex::job_free_space, {L"Volumes: 3"}},
    };
    for (const auto& r : rows) {
        olvex::ced c;
        olvex::job_status s;
        s.job_type = r.type;
        c.set_status(s);
        c.add_line(L"before", true);
        c.log_analysis_summary(b);
        lines want{L"before", L"", L"Analysis Complete", L""};
        want.insert(want.end(), r.counts.begin(), r.counts.end());
        want.insert(want.end(), {L"Inaccessible: 1", L"Approx Size: 1.5 KB", L""});
        EXPECT_EQ(take(c), want) << r.type;
    }
}

TEST(JobLog, FinalReportTexts) {
    oblivar::test::manual_clock clock(1781016307000LL);
    std::wstring finish = L"Finish Time: " + vandel::current_locale().date_time_text_w(1781016307, 4, false);
    olvex::job_status b;
    b.done_count = 4;
    b.failed_count = 2;
    b.bad_write_bytes = 4096;
    b.bad_verify_bytes = 2048;
    b.errors = olvex::err_access_denied | olvex::err_rename_failed;

    olvex::ced c;
    c.set_scheme(3 | olvex::verify_last);
    olvex::job_status s = b;
    s.state = olvex::state_partly_done;
    c.set_status(s);
    c.log_final_report(b, true);
    EXPECT_EQ(take(c), (lines{L"", L"TOTALS", L"Items Completed: 4", L"Failed Items: 2", L"I/O Errors: 4 KB",
                              L"Verify Errors: 2 KB", L"", L"Summary of Failures", L"a. Access denied",
                              L"b. Failed to rename file with random name", L"", sep, L"FINISHED",
                              L"WARNING: Some tasks were not completely successful", finish, sep, L""}));

    const struct { int32_t state; lines verdict; } rows[] = {
        {olvex::state_done, {L"FINISHED: All Done OK"}},
        {olvex::state_failed, {L"FAILED: The operation failed"}},
        {olvex::state_aborted, {L"ABORTED: The operation was aborted"}},
        {olvex::state_wiping, {}},
    };
    for (const auto& r : rows) {
        olvex::ced d;  // scheme 1: no verify line; status without errors: no summary
        olvex::job_status t;
        t.state = r.state;
        d.set_status(t);
        d.log_final_report(b, false);
        lines want{L"", L"TOTALS", L"Items Completed: 4"};
        if (r.state != olvex::state_aborted) want.insert(want.end(), {L"Failed Items: 2", L"I/O Errors: 4 KB"});
        want.insert(want.end(), {L"", L"Note. No files or directories were modified", L"", sep});
        want.insert(want.end(), r.verdict.begin(), r.verdict.end());
        want.insert(want.end(), {finish, sep, L""});
        EXPECT_EQ(take(d), want) << r.state;
    }
}

TEST(JobLog, FailureLettersStopAfterZ) {
    olvex::ced c;
    olvex::job_status b;
    b.errors = 0xFFFFFFFF;
    b.state = olvex::state_failed;
    c.set_status(b);
    c.log_final_report(b, true);
    lines got = take(c);
    auto first = std::find(got.begin(), got.end(), L"a. Busy error");
    ASSERT_NE(first, got.end());
    EXPECT_EQ(*(first + 14), L"o. ");  // bit 14 has no text
    EXPECT_EQ(*(first + 25), L"z. ");
    EXPECT_EQ(*(first + 26), L"");
}

TEST(JobStatus, SettersClampAndKeepAbortingState) {
    olvex::ced c;
    EXPECT_EQ(c.speed(), 70);
    c.set_speed(150);
    EXPECT_EQ(c.speed(), 100);
    c.set_speed(-5);
    EXPECT_EQ(c.speed(), 0);

    c.set_state(olvex::state_aborting);  // idle: nothing to abort
    EXPECT_EQ(c.state(), olvex::state_idle);
    c.set_state(olvex::state_wiping);
    c.set_state(olvex::state_aborting);
    olvex::job_status s;
    s.state = olvex::state_wiping;
    s.done_bytes = 10;
    c.set_status(s);  // the worker's copy, made before it saw the abort
    EXPECT_EQ(c.state(), olvex::state_aborting);
    c.set_state(olvex::state_removing);
    EXPECT_EQ(c.state(), olvex::state_aborting);
    s.state = olvex::state_aborted;
    c.set_status(s);
    EXPECT_EQ(c.state(), olvex::state_aborted);
    c.set_state(olvex::state_aborting);  // an abort racing the end changes nothing
    EXPECT_EQ(c.state(), olvex::state_aborted);
}

// Every state is reached by set_state; the waiting one and the ends return at once (a wrong
// answer would wait for minutes), the busy ones wait out their time.
TEST(JobStatus, TheOwnersWaitEndsWhenTheJobIsNoLongerBusy) {
    for (int32_t state = olvex::state_idle; state <= olvex::state_aborted; ++state) {
        olvex::ced c;
        c.set_state(olvex::state_wiping);
        c.set_state(state);
        const bool busy = state == olvex::state_analysing || state == olvex::state_wiping ||
                          state == olvex::state_removing || state == olvex::state_aborting;
        EXPECT_EQ(c.wait_while_busy(busy ? 0 : 600000), !busy) << state;
    }
}

TEST(JobStatus, SnapshotWorkBytesAndReadiness) {
    olvex::ced c;
    c.set_scheme(3 | olvex::verify_last);  // 4 passes
    olvex::job_status s;
    s.state = olvex::state_analysing;
    s.total_bytes = 1000;
    s.pass_bytes = 300;
    s.done_bytes = 500;
    c.set_status(s);
    olvex::job_status snap;
    EXPECT_EQ(c.get_progress(snap, false), olvex::state_analysing);
    EXPECT_EQ(snap.pass_count, 4);
    EXPECT_EQ(snap.work_bytes, 4000);
    EXPECT_FALSE(snap.ready);
    EXPECT_EQ(snap.rate, -1);
    c.set_start_confirmed(true);
    c.get_progress(snap, false);
    EXPECT_TRUE(snap.ready);

    s.done_bytes = 5000;  // more than estimated
    c.set_status(s);
    c.get_progress(snap, false);
    EXPECT_EQ(snap.work_bytes, 5000);

    for (int32_t state : {olvex::state_done, olvex::state_partly_done}) {
        s.state = state;
        c.set_status(s);
        c.get_progress(snap, false);
        EXPECT_EQ(snap.work_bytes, 1200);  // what was really finished
        EXPECT_EQ(snap.eta_seconds, -1);
    }
    c.reset();
    s.state = olvex::state_waiting;
    c.set_status(s);
    c.get_progress(snap, false);
    EXPECT_TRUE(snap.ready);
    EXPECT_EQ(snap.pass_count, 1);
}

TEST(JobStatus, RatesWhileWipingSurviveDoneBytesPassingTheEstimate) {
    oblivar::test::manual_clock clock(1700000000000LL);
    olvex::ced c;
    olvex::job_status s, snap;
    s.state = olvex::state_wiping;
    s.total_bytes = 1000;
    c.set_status(s);
    c.get_progress(snap, false);
    EXPECT_EQ(snap.rate, 0);

    clock.advance(3000);
    s.done_bytes = 700;
    c.set_status(s);
    c.get_progress(snap, false);
    EXPECT_EQ(snap.rate, 233);
    EXPECT_EQ(snap.average_rate, 233);
    EXPECT_EQ(snap.eta_seconds, 1);

    clock.advance(4000);
    s.done_bytes = 1400;  // past the estimate of 1000
    c.set_status(s);
    c.get_progress(snap, false);
    EXPECT_EQ(snap.work_bytes, 1400);
    EXPECT_EQ(snap.rate, 200);  // a restarted monitor would know no rate yet
    EXPECT_EQ(snap.average_rate, 200);
    EXPECT_EQ(snap.eta_seconds, 0);

    c.get_progress(snap, true);  // paused
    EXPECT_EQ(snap.rate, 0);
    EXPECT_EQ(snap.eta_seconds, -1);
}

TEST(JobStatus, AStalledIntervalWithFreshBytesShowsTheAverage) {
    oblivar::test::manual_clock clock(1700000000000LL);
    olvex::ced c;
    olvex::job_status s, snap;
    s.state = olvex::state_wiping;
    s.total_bytes = 1000000;
    c.set_status(s);
    c.get_progress(snap, false);
    clock.advance(7000);
    c.get_progress(snap, false);  // a whole interval without a byte: interval rate 0
    clock.advance(1000);
    s.done_bytes = 800;
    c.set_status(s);
    c.get_progress(snap, false);
    EXPECT_EQ(snap.rate, 100);
}

TEST(JobStatus, RatesAreClampedToTheInt32Range) {
    oblivar::test::manual_clock clock(1700000000000LL);
    olvex::ced c;
    olvex::job_status s, snap;
    s.state = olvex::state_wiping;
    s.total_bytes = int64_t{1} << 50;
    c.set_status(s);
    c.get_progress(snap, false);
    clock.advance(1000);
    s.done_bytes = int64_t{1} << 40;  // a terabyte in a second
    c.set_status(s);
    c.get_progress(snap, false);
    EXPECT_EQ(snap.rate, INT32_MAX);
    EXPECT_EQ(snap.average_rate, INT32_MAX);
    EXPECT_GT(snap.eta_seconds, 0);
}

TEST(JobLog, BlocksFromTwoThreadsNeverInterleave) {
    olvex::ced c;
    c.set_log_limit(0);
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i) c.log_error(olvex::err_access_denied, L"p", L"n", false);
    });
    for (int i = 0; i < 2000; ++i) c.add_line(L"owner");
    worker.join();
    lines got = take(c);
    ASSERT_EQ(got.size(), 8000u);
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i] != L"ERROR: Access denied") continue;
        ASSERT_EQ(got[i + 1], L"Path: p");
        ASSERT_EQ(got[i + 2], L"Note. n");
    }
}

}  // namespace
