// Files jobs end to end through the engine's front-end interface, on trees in the sandbox.
#include "engine/engine.h"
#include "engine/file_writer.h"
#include "engine/scheme.h"
#include "tests/engine/job_runner.h"
#include "tests/support/env.h"
#include "tests/support/manual_clock.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

using namespace oblivar::test;
using olvex::job_options;

class EngineFiles : public sandbox_test {
protected:
    // t/ a.txt (100 B), .hidden (hidden), empty (0 B), ro.txt (read-only), sub/big.bin
    // (1 MiB + 17), sub/deeper/x, emptydir/; and keep.txt beside t.
    void make_tree() {
        make_dirs(sb.path(L"t/sub/deeper"));
        make_dirs(sb.path(L"t/emptydir"));
        write_bytes(sb.path(L"t/a.txt"), std::string(100, 'a'));
        write_bytes(sb.path(L"t/.hidden"), "hidden");
        vandel::set_file_attributes(sb.path(L"t/.hidden"), vandel::attr_hidden);
        write_bytes(sb.path(L"t/empty"), "");
        write_bytes(sb.path(L"t/ro.txt"), "read only");
        ASSERT_TRUE(vandel::set_file_attributes(sb.path(L"t/ro.txt"), vandel::attr_read_only));
        write_bytes(sb.path(L"t/sub/big.bin"), pattern_bytes((1 << 20) + 17, "big"));
        write_bytes(sb.path(L"t/sub/deeper/x"), "x");
        write_bytes(sb.path(L"keep.txt"), "keep");
    }
    std::wstring folder(const std::wstring& rel) const { return sb.path(rel) + native_separator(); }

    job_runner job;
};

TEST_F(EngineFiles, NestedTreeIsWipedAndRemovedToTheLastFolder) {
    make_tree();
    sb.require_inside(sb.path(L"t"));
    EXPECT_EQ(job.run({sb.path(L"t")}, job_of(olvex::job_files)), olvex::state_done) << job.dump();

    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_EQ(read_bytes(sb.path(L"keep.txt")), "keep");
    const olvex::job_status& s = job.status;
    EXPECT_EQ(s.file_count, 6);
    EXPECT_EQ(s.dir_count, 4);
    EXPECT_EQ(s.item_count, 10);
    EXPECT_EQ(s.done_count, 10);
    EXPECT_EQ(s.failed_count, 0);
    EXPECT_EQ(s.warnings, olvex::warn_read_only);
    EXPECT_EQ(s.errors, 0u);
    // Every file is overwritten whole, rounded up to 4096 bytes; an empty one counts 4096.
    const int64_t total = 5 * 4096 + (1 << 20) + 4096;
    EXPECT_EQ(s.total_bytes, total);
    EXPECT_EQ(s.pass_bytes, total);
    EXPECT_EQ(s.done_bytes, total);

    EXPECT_TRUE(job.has_block({L"Warning: Read-only file will be removed.", L"Path: " + sb.path(L"t/ro.txt")}));
    EXPECT_TRUE(job.has_block({L"Analysis Complete", L"", L"Total Paths: 10", L"Files: 6", L"Directories: 4",
                               L"Inaccessible: 0"}));
    EXPECT_TRUE(job.has(L"WIPING FILES IN: " + folder(L"t/sub")));
    EXPECT_TRUE(job.has(L"big.bin ... OK"));
    EXPECT_TRUE(job.has(L"empty ... OK"));
    // Removal runs from the last item to the first: the given folder goes last.
    const int64_t removing = job.find(L"REMOVING PATHS...");
    ASSERT_GE(removing, 0);
    EXPECT_EQ(job.log[static_cast<size_t>(removing) + 1], folder(L"t") + L" ... OK");
    EXPECT_TRUE(job.has_block({L"TOTALS", L"Items Completed: 10", L"Failed Items: 0"}));
    EXPECT_TRUE(job.has(L"FINISHED: All Done OK"));
    EXPECT_FALSE(job.mentions(L"Note. No files or directories were modified"));
}

TEST_F(EngineFiles, LeaveDirsRemovesOnlyFiles) {
    make_tree();
    job_options o = job_of(olvex::job_files);
    o.leave_dirs = 1;
    EXPECT_EQ(job.run({sb.path(L"t")}, o), olvex::state_done) << job.dump();
    EXPECT_EQ(list_tree(sb.path(L"t")),
              (std::vector<std::wstring>{L"emptydir/", L"sub/", L"sub/deeper/"}));
    EXPECT_EQ(job.status.item_count, 6);
    EXPECT_TRUE(job.has_block({L"Notes", L"Empty directories will not be removed"}));
}

TEST_F(EngineFiles, ModifiedBeforeLeavesNewerFilesAndTheirFolders) {
    make_dirs(sb.path(L"t/new"));
    make_dirs(sb.path(L"t/old"));
    const std::vector<std::pair<std::wstring, int64_t>> files = {
        {L"t/old.txt", 1000000000}, {L"t/new.txt", 1600000000}, {L"t/new/n", 1500000000}, {L"t/old/o", 1499999999}};
    for (const auto& [rel, time] : files) {
        write_bytes(sb.path(rel), "data");
        set_write_time(sb.path(rel), time);
    }
    job_options o = job_of(olvex::job_files);
    o.modified_before = 1500000000;  // "at or after" the limit stays
    EXPECT_EQ(job.run({sb.path(L"t")}, o), olvex::state_done) << job.dump();
    EXPECT_EQ(list_tree(sb.path(L"t")), (std::vector<std::wstring>{L"new.txt", L"new/", L"new/n"}));
    EXPECT_EQ(read_bytes(sb.path(L"t/new.txt")), "data");
    EXPECT_EQ(read_bytes(sb.path(L"t/new/n")), "data");
    EXPECT_TRUE(job.mentions(L"Only files modified before "));
}

TEST_F(EngineFiles, WildcardTakesOnlyMatchingEntriesOfItsFolder) {
    make_dirs(sb.path(L"t/sub"));
    for (const wchar_t* rel : {L"t/a.txt", L"t/b.txt", L"t/c.log", L"t/sub/d.txt"}) write_bytes(sb.path(rel), "x");
    EXPECT_EQ(job.run({sb.path(L"t/*.txt")}, job_of(olvex::job_files)), olvex::state_done) << job.dump();
    EXPECT_EQ(list_tree(sb.path(L"t")), (std::vector<std::wstring>{L"c.log", L"sub/", L"sub/d.txt"}));
    EXPECT_EQ(job.status.file_count, 2);
}

TEST_F(EngineFiles, WildcardMatchingNothingIsNoSuccess) {
    make_dirs(sb.path(L"t"));
    write_bytes(sb.path(L"t/a.txt"), "x");
    write_bytes(sb.path(L"b.txt"), "b");
    EXPECT_EQ(job.run({sb.path(L"t/*.none")}, job_of(olvex::job_files)), olvex::state_failed) << job.dump();
    EXPECT_TRUE(job.has_block({L"ERROR: Path not found", L"Path: " + sb.path(L"t/*.none"),
                               L"Note. Nothing matches the wildcard."}));
    EXPECT_EQ(job.status.item_count, 1);
    EXPECT_EQ(job.status.failed_count, 1);
    EXPECT_TRUE(job.has(L"Note. No files or directories were modified"));
    EXPECT_EQ(read_bytes(sb.path(L"t/a.txt")), "x");
    // Beside a path that is wiped, the job is partly done.
    job_runner mixed;
    EXPECT_EQ(mixed.run({sb.path(L"t/*.none"), sb.path(L"b.txt")}, job_of(olvex::job_files)), olvex::state_partly_done)
        << mixed.dump();
    EXPECT_FALSE(path_exists(sb.path(L"b.txt")));
}

TEST_F(EngineFiles, SimulationChangesNothing) {
    make_tree();
    const std::vector<std::wstring> before = list_tree(sb.path(L"t"));
    job_options o = job_of(olvex::job_files);
    o.simulate = 1;
    EXPECT_EQ(job.run({sb.path(L"t")}, o), olvex::state_done) << job.dump();
    EXPECT_EQ(list_tree(sb.path(L"t")), before);
    EXPECT_EQ(read_bytes(sb.path(L"t/sub/big.bin")), pattern_bytes((1 << 20) + 17, "big"));
    EXPECT_EQ(read_bytes(sb.path(L"t/a.txt")), std::string(100, 'a'));
    EXPECT_TRUE(job.has_block({L"TEST SIMULATION ONLY", L"Real data will not be removed", L""}));
    // An empty file is as removable as any other.
    EXPECT_TRUE(job.has(L"empty ... OK"));
    EXPECT_TRUE(job.has(folder(L"t") + L" ... OK"));
    EXPECT_EQ(job.status.done_count, 10);
}

TEST_F(EngineFiles, MissingPathFailsTheAnalysis) {
    EXPECT_EQ(job.run({sb.path(L"nope.txt")}, job_of(olvex::job_files)), olvex::state_failed) << job.dump();
    EXPECT_TRUE(job.has_block({L"ERROR: Path not found", L"Path: " + sb.path(L"nope.txt"),
                               L"Note. Failed to retrieve path details."}));
    EXPECT_TRUE(job.has_block({L"Items Completed: 0", L"Failed Items: 1"}));
    EXPECT_TRUE(job.has(L"Note. No files or directories were modified"));
    EXPECT_TRUE(job.has(L"FAILED: The operation failed"));
    EXPECT_FALSE(job.has(L"STARTING WIPE..."));
}

TEST_F(EngineFiles, OneMissingPathAmongOthersLeavesTheJobPartlyDone) {
    write_bytes(sb.path(L"a.txt"), "a");
    EXPECT_EQ(job.run({sb.path(L"a.txt"), sb.path(L"nope.txt")}, job_of(olvex::job_files)), olvex::state_partly_done)
        << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"a.txt")));
    EXPECT_EQ(job.status.done_count, 1);
    EXPECT_EQ(job.status.failed_count, 1);
    EXPECT_TRUE(job.has(L"WARNING: Some tasks were not completely successful"));
}

TEST_F(EngineFiles, ExistingPathsKeepTheirMacroTextMissingOnesAreExpanded) {
    manual_clock clock;  // 2023-11-14 in every time zone
    write_bytes(sb.path(L"report-%DATE%.txt"), "r");
    EXPECT_EQ(job.run({sb.path(L"report-%DATE%.txt"), sb.path(L"gone-%YYYY%.txt")}, job_of(olvex::job_files)),
              olvex::state_partly_done)
        << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"report-%DATE%.txt")));
    EXPECT_TRUE(job.has(L"Path: " + sb.path(L"gone-2023.txt")));
}

TEST_F(EngineFiles, LinksLoseOnlyTheirNames) {
    make_dirs(sb.path(L"outside/dir"));
    write_bytes(sb.path(L"outside/secret.txt"), "secret");
    write_bytes(sb.path(L"outside/dir/inner.txt"), "inner");
    make_dirs(sb.path(L"t"));
    if (!make_link(sb.path(L"t/file-link"), sb.path(L"outside/secret.txt"), false) ||
        !make_link(sb.path(L"t/dir-link"), sb.path(L"outside/dir"), true) ||
        !make_link(sb.path(L"root-link"), sb.path(L"outside/dir"), true))
        GTEST_SKIP() << "links can't be made here";
    EXPECT_EQ(job.run({sb.path(L"t"), sb.path(L"root-link")}, job_of(olvex::job_files)), olvex::state_done) << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_FALSE(path_exists(sb.path(L"root-link")));
    EXPECT_EQ(read_bytes(sb.path(L"outside/secret.txt")), "secret");
    EXPECT_EQ(read_bytes(sb.path(L"outside/dir/inner.txt")), "inner");
    EXPECT_EQ(job.status.warnings, olvex::warn_links);
    EXPECT_TRUE(job.has_block({L"Warning: Directory is a symbolic link. Only the link will be removed.",
                               L"Path: " + folder(L"t/dir-link")}));
    EXPECT_TRUE(job.has_block({L"Warning: File is a symbolic link. Only the link will be removed.",
                               L"Path: " + sb.path(L"t/file-link")}));
}

TEST_F(EngineFiles, NamesThatAreNoTextAreWipedAndShownEscaped) {
    if (native_separator() == L'\\') GTEST_SKIP() << "Windows names hold no control characters";
    const std::wstring forged = L"n\nFINISHED: All Done OK", bad = std::wstring(L"b") + wchar_t(0xDCFF) + wchar_t(0xDC80);
    make_dirs(sb.path(L"t/") + bad);
    write_bytes(sb.path(L"t/") + forged, "forged");
    write_bytes(sb.path(L"t/") + bad + L"/x", "x");
    job_options o = job_of(olvex::job_files);
    o.verbose = 1;
    EXPECT_EQ(job.run({sb.path(L"t")}, o), olvex::state_done) << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_TRUE(job.has(sb.path(L"t/n\\x0AFINISHED: All Done OK ... OK"))) << job.dump();
    EXPECT_TRUE(job.has(sb.path(L"t/b\\xFF\\x80/x ... OK"))) << job.dump();
    EXPECT_EQ(std::count(job.log.begin(), job.log.end(), L"FINISHED: All Done OK"), 1);
}

TEST_F(EngineFiles, PathsGivenTwiceOrInsideAnotherAreTakenOnce) {
    make_tree();
    const std::wstring sep(1, native_separator());
    const std::vector<std::wstring> paths = {sb.path(L"t"), sb.path(L"t/a.txt"), sb.path(L"t"),
                                             sb.path(L"t/sub") + sep + L"." + sep + L"deeper", sb.path(L"t/*.txt"),
                                             sb.path(L"keep.txt")};
    for (const auto& p : paths) sb.require_inside(p);
    EXPECT_EQ(job.run(paths, job_of(olvex::job_files)), olvex::state_done) << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_FALSE(path_exists(sb.path(L"keep.txt")));
    EXPECT_EQ(job.status.path_count, 2);
    EXPECT_TRUE(job.has(L"Note. Paths given twice or inside another given folder are taken once (4 dropped)"))
        << job.dump();
}

// A path ending in "." or ".." is refused before the job starts; one was once dropped as lying
// inside itself, and the job, left without paths, took every recycle bin instead.
TEST_F(EngineFiles, PathsEndingInDotsAreRefusedAndNothingElseIsTaken) {
    scoped_env data("XDG_DATA_HOME", sb.path(L"data"));
    make_dirs(sb.path(L"data/Trash/files"));
    write_bytes(sb.path(L"data/Trash/files/kept"), "kept");
    make_dirs(sb.path(L"t/sub"));
    write_bytes(sb.path(L"t/f"), "f");
    const std::wstring sep(1, native_separator());
    std::vector<std::wstring> refused = {sb.path(L"t") + sep + L".", sb.path(L"t/sub") + sep + L"..",
                                         sb.path(L"t/sub") + sep + L".." + sep};
    if (sep == L"\\") refused.push_back(sb.path(L"t/sub") + L"\\...");  // Windows cuts it to "t\sub"
    for (const std::wstring& path : refused) {
        olvex::engine e;
        EXPECT_EQ(e.start_job(path, job_of(olvex::job_files), L"\n"), olvex::err_invalid_input) << path.c_str();
        EXPECT_EQ(e.get_state(), olvex::state_idle);
    }
    EXPECT_EQ(read_bytes(sb.path(L"t/f")), "f");
    EXPECT_EQ(read_bytes(sb.path(L"data/Trash/files/kept")), "kept");

    // Dots inside a path are the folders they name, taken once.
    EXPECT_EQ(job.run({sb.path(L"t/sub") + sep + L".." + sep + L"f", sb.path(L"t") + sep + L"." + sep + L"sub"},
                      job_of(olvex::job_files)),
              olvex::state_done)
        << job.dump();
    EXPECT_TRUE(list_tree(sb.path(L"t")).empty());
    EXPECT_EQ(read_bytes(sb.path(L"data/Trash/files/kept")), "kept");
}

// What the analysis found is what the wipe acts on: between the two (the job waits for its
// go-ahead), a folder and a file of the tree are swapped for links to targets outside it, and
// another file is replaced by a new one of the same name.
TEST_F(EngineFiles, WhatWasSwappedAfterTheAnalysisIsLeftAlone) {
    make_dirs(sb.path(L"outside/dir"));
    write_bytes(sb.path(L"outside/dir/shadow"), "outside shadow");
    write_bytes(sb.path(L"outside/file"), "outside file");
    make_dirs(sb.path(L"t/zzz"));
    write_bytes(sb.path(L"t/zzz/shadow"), "tree shadow");
    write_bytes(sb.path(L"t/f"), "tree file");
    write_bytes(sb.path(L"t/g"), "analysed g");
    write_bytes(sb.path(L"t/plain"), "plain");
    const bool links = make_link(sb.path(L"probe"), sb.path(L"outside/file"), false);

    job.start({sb.path(L"t")}, job_of(olvex::job_files));
    ASSERT_TRUE(job.wait_for_line(L"Waiting for user start..."));
    sb.require_inside(sb.path(L"t/zzz"));
    if (links) {
        ASSERT_TRUE(vandel::move_file(sb.path(L"t/zzz"), sb.path(L"t/zzz.old"), false));
        ASSERT_TRUE(make_link(sb.path(L"t/zzz"), sb.path(L"outside/dir"), true));
        ASSERT_TRUE(vandel::move_file(sb.path(L"t/f"), sb.path(L"t/f.old"), false));
        ASSERT_TRUE(make_link(sb.path(L"t/f"), sb.path(L"outside/file"), false));
    }
    // Kept elsewhere, so the new file can't be given its number.
    ASSERT_TRUE(vandel::move_file(sb.path(L"t/g"), sb.path(L"g.old"), false));
    write_bytes(sb.path(L"t/g"), "planted g");
    ASSERT_EQ(job.engine.confirm_start(), 0);

    EXPECT_EQ(job.wait_end(), olvex::state_partly_done) << job.dump();
    EXPECT_EQ(read_bytes(sb.path(L"t/g")), "planted g");
    EXPECT_EQ(read_bytes(sb.path(L"g.old")), "analysed g");
    EXPECT_FALSE(path_exists(sb.path(L"t/plain")));
    EXPECT_TRUE(job.has_block({L"g ... FAIL", L"ERROR: Access denied", L"Note. " + olvex::changed_note()})) << job.dump();
    if (!links) GTEST_SKIP() << "links can't be made here; a replaced file was left alone";
    EXPECT_EQ(read_bytes(sb.path(L"outside/dir/shadow")), "outside shadow");
    EXPECT_EQ(read_bytes(sb.path(L"outside/file")), "outside file");
    EXPECT_EQ(read_bytes(sb.path(L"t/zzz.old/shadow")), "tree shadow");
    EXPECT_EQ(read_bytes(sb.path(L"t/f.old")), "tree file");
    EXPECT_TRUE(job.has_block({L"shadow ... FAIL", L"ERROR: Access denied", L"Note. " + olvex::changed_note()}));
    EXPECT_TRUE(job.has_block({L"f ... FAIL", L"ERROR: Access denied", L"Note. " + olvex::changed_note()}));
    EXPECT_EQ(job.status.failed_count, 3 + 2);  // and zzz and t, which keep what was left alone
    // The removal names only the given folder; its errors come without a path.
    EXPECT_TRUE(job.has_block({L"REMOVING PATHS...", L"ERROR: Directory not empty", L"",
                               folder(L"t") + L" ... FAIL", L"ERROR: Directory not empty", L""}))
        << job.dump();
}

// Folders below the length of any path the system takes are reached through their parents.
TEST_F(EngineFiles, TreesDeeperThanAnyPathAreWipedWhole) {
    // POSIX: beyond PATH_MAX (4096 bytes). Windows: beyond MAX_PATH; not deeper, as Wine hands
    // the host whole paths.
    const int levels = native_separator() == L'/' ? 50 : 8;
    const std::wstring name(100, L'd');
    make_dirs(sb.path(L"t"));
    make_deep_tree(sb.path(L"t"), name, levels, "deep");
    make_deep_tree(sb.path(L"t"), L"e", 3, "shallow");
    sb.require_inside(sb.path(L"t"));
    job_options o = job_of(olvex::job_files);
    EXPECT_EQ(job.run({sb.path(L"t")}, o), olvex::state_done) << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_EQ(job.status.file_count, 2);
    EXPECT_EQ(job.status.dir_count, levels + 3 + 1);
    EXPECT_EQ(job.status.failed_count, 0);
}

// A front end's view while the job waits for its go-ahead, and what the go-ahead decides.
class EngineControl : public EngineFiles {
protected:
    // Once the job announces the folder of t/big.bin, pauses it and moves the (manual) clock on
    // until its first status refresh, which comes after the first step of the file: every step
    // is flushed until the driver knows the medium's speed, so the file is far from done then.
    // Returns the snapshot that shows the bytes done.
    olvex::job_status pause_inside_the_file(manual_clock& clock) {
        olvex::job_status s;
        EXPECT_TRUE(job.wait_for_line(L"WIPING FILES IN: " + folder(L"t")));
        EXPECT_EQ(job.engine.pause(), 0);
        do {
            clock.advance(100);
            std::this_thread::yield();
            job.engine.get_progress(s);
        } while (s.done_bytes == 0 && job.engine.is_running());
        return s;
    }
};

TEST_F(EngineControl, WaitsForTheGoAheadAndTakesTheSchemeChosenMeanwhile) {
    write_bytes(sb.path(L"a.txt"), "a");
    job_options o = job_of(olvex::job_files);
    job.start({sb.path(L"a.txt")}, o);
    ASSERT_TRUE(job.wait_for_line(L"Waiting for user start..."));
    EXPECT_EQ(job.engine.get_state(), olvex::state_waiting);
    olvex::job_status s;
    job.engine.get_progress(s);
    EXPECT_TRUE(s.ready);
    EXPECT_EQ(s.file_count, 1);
    EXPECT_FALSE(job.engine.set_scheme(10));
    EXPECT_TRUE(job.engine.set_scheme(olvex::verify_last | 3));
    EXPECT_EQ(job.engine.confirm_start(), 0);
    EXPECT_EQ(job.engine.confirm_start(), olvex::err_invalid_state);
    EXPECT_FALSE(job.engine.set_scheme(0));
    EXPECT_EQ(job.wait_end(), olvex::state_done) << job.dump();
    EXPECT_TRUE(job.has_block({L"STARTING WIPE...", L"Scheme: DOD 5220.22-M", L"Verification Pass: Last", L""}));
    EXPECT_EQ(job.engine.job_options().scheme, olvex::verify_last | 3);
    EXPECT_TRUE(job.has(L"Verify Errors: 0 bytes"));
}

// The go-ahead reaches the worker within its 100 ms wait, long after the owner began waiting:
// the job's end must wake the owner (else this waits for minutes), and the report follows.
TEST_F(EngineControl, TheOwnersWaitEndsWithTheJob) {
    write_bytes(sb.path(L"a.txt"), "a");
    job.start({sb.path(L"a.txt")}, job_of(olvex::job_files));
    ASSERT_TRUE(job.wait_for_line(L"Waiting for user start..."));
    EXPECT_TRUE(job.engine.wait_while_busy(600000));  // waiting for the start is not busy
    ASSERT_EQ(job.engine.confirm_start(), 0);
    EXPECT_TRUE(job.engine.wait_while_busy(600000));
    EXPECT_EQ(job.engine.get_state(), olvex::state_done);
    job.engine.join();
    job.engine.join();  // joined already: at once
    EXPECT_EQ(job.wait_end(), olvex::state_done) << job.dump();
    EXPECT_TRUE(job.has(L"FINISHED: All Done OK"));
}

// A clock whose reading holds every thread but the test's own until it is opened.
class gate_clock : public manual_clock {
public:
    int64_t now_ms() override {
        while (std::this_thread::get_id() != owner_ && !open_) std::this_thread::yield();
        return manual_clock::now_ms();
    }
    void open() { open_ = true; }
    ~gate_clock() override { open_ = true; }

private:
    std::thread::id owner_ = std::this_thread::get_id();
    std::atomic<bool> open_{false};
};

TEST_F(EngineControl, GoAheadDuringTheAnalysisIsKept) {
    write_bytes(sb.path(L"a.txt"), "a");
    gate_clock clock;
    job.start({sb.path(L"a.txt")}, job_of(olvex::job_files));
    // The worker is held at its first reading of the clock, before it analysed anything.
    EXPECT_EQ(job.engine.get_state(), olvex::state_waiting);
    olvex::job_status s;
    EXPECT_EQ(job.engine.get_progress(s), olvex::state_waiting);
    EXPECT_FALSE(s.ready);
    EXPECT_EQ(job.engine.confirm_start(), 0);
    EXPECT_EQ(job.engine.get_state(), olvex::state_analysing);
    clock.open();
    EXPECT_EQ(job.wait_end(), olvex::state_done) << job.dump();
    EXPECT_FALSE(job.has(L"Waiting for user start..."));
    EXPECT_TRUE(job.has(L"STARTING WIPE..."));
}

TEST_F(EngineControl, AbortWhileWaitingModifiesNothing) {
    make_tree();
    const std::vector<std::wstring> before = list_tree(sb.path(L"t"));
    job.start({sb.path(L"t")}, job_of(olvex::job_files));
    ASSERT_TRUE(job.wait_for_line(L"Waiting for user start..."));
    EXPECT_EQ(job.engine.abort(), 0);
    EXPECT_EQ(job.engine.pause(), olvex::err_invalid_state);
    EXPECT_EQ(job.wait_end(), olvex::state_aborted) << job.dump();
    EXPECT_EQ(list_tree(sb.path(L"t")), before);
    EXPECT_EQ(read_bytes(sb.path(L"t/a.txt")), std::string(100, 'a'));
    EXPECT_TRUE(job.has_block({L"TOTALS", L"Items Completed: 0", L""}));
    EXPECT_FALSE(job.mentions(L"Failed Items: "));
    EXPECT_TRUE(job.has(L"Note. No files or directories were modified"));
    EXPECT_TRUE(job.has(L"ABORTED: The operation was aborted"));
    EXPECT_EQ(job.status.errors & olvex::err_aborted, olvex::err_aborted);
    EXPECT_EQ(job.engine.abort(), olvex::err_invalid_state);
}

TEST_F(EngineControl, AbortMidFileLeavesItWhereItIsUnderItsOwnName) {
    const std::string original = pattern_bytes(16 << 20, "original");
    make_dirs(sb.path(L"t"));
    write_bytes(sb.path(L"t/big.bin"), original);
    manual_clock clock;
    job.start({sb.path(L"t")}, job_of(olvex::job_files));
    ASSERT_EQ(job.engine.confirm_start(), 0);
    const olvex::job_status s = pause_inside_the_file(clock);
    ASSERT_GT(s.done_bytes, 0);
    ASSERT_LT(s.done_bytes, s.total_bytes) << "the file was done before the pause";
    EXPECT_EQ(job.engine.get_state(), olvex::state_wiping);
    EXPECT_EQ(job.engine.abort(), 0);
    EXPECT_EQ(job.engine.get_state(), olvex::state_aborting);
    EXPECT_EQ(job.wait_end(), olvex::state_aborted) << job.dump();

    const std::string now = read_bytes(sb.path(L"t/big.bin"));
    EXPECT_EQ(now.size(), original.size());
    EXPECT_EQ(now.substr(0, 4096), std::string(4096, '\0'));
    EXPECT_NE(now, original);
    EXPECT_TRUE(job.has_block({L"big.bin ... FAIL", L"ERROR: Operation was aborted by the user", L""}));
    EXPECT_FALSE(job.has(L"REMOVING PATHS..."));
    EXPECT_FALSE(job.has(L"Note. No files or directories were modified"));
    EXPECT_TRUE(job.has(L"ABORTED: The operation was aborted"));
}

TEST_F(EngineControl, PauseHoldsTheWipeUntilResumed) {
    make_dirs(sb.path(L"t"));
    write_bytes(sb.path(L"t/big.bin"), pattern_bytes(16 << 20, "original"));
    manual_clock clock;
    job.start({sb.path(L"t")}, job_of(olvex::job_files));
    ASSERT_EQ(job.engine.confirm_start(), 0);
    const olvex::job_status s = pause_inside_the_file(clock);
    ASSERT_LT(s.done_bytes, s.total_bytes);
    EXPECT_TRUE(job.engine.is_running());
    EXPECT_EQ(job.engine.resume(), 0);
    EXPECT_EQ(job.wait_end(), olvex::state_done) << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"t")));
}

// A file that vanishes between the analysis and the wipe fails in the wipe.
class EngineFailures : public EngineFiles, public ::testing::WithParamInterface<bool> {};

TEST_P(EngineFailures, FailedItemIsLoggedWithItsPathAndCounted) {
    const bool abort_on_error = GetParam();
    make_dirs(sb.path(L"t"));
    for (const wchar_t* rel : {L"t/a.txt", L"t/b.txt", L"t/c.txt"}) write_bytes(sb.path(rel), "x");
    job_options o = job_of(olvex::job_files);
    o.abort_on_error = abort_on_error ? 1 : 0;
    job.start({sb.path(L"t")}, o);
    ASSERT_TRUE(job.wait_for_line(L"Waiting for user start..."));
    sb.require_inside(sb.path(L"t/a.txt"));
    ASSERT_TRUE(vandel::remove_path(sb.path(L"t/a.txt"), false));
    ASSERT_EQ(job.engine.confirm_start(), 0);
    const int32_t state = job.wait_end();
    EXPECT_TRUE(job.has_block({L"a.txt ... FAIL", L"ERROR: Path not found", L""})) << job.dump();
    EXPECT_EQ(job.status.failed_count, 1);
    if (abort_on_error) {
        // The first failure stops the job: nothing after it is wiped, nothing is removed.
        EXPECT_EQ(state, olvex::state_failed);
        EXPECT_EQ(list_tree(sb.path(L"t")), (std::vector<std::wstring>{L"b.txt", L"c.txt"}));
        EXPECT_EQ(read_bytes(sb.path(L"t/b.txt")), "x");
        EXPECT_FALSE(job.has(L"REMOVING PATHS..."));
    } else {
        EXPECT_EQ(state, olvex::state_partly_done);
        EXPECT_FALSE(path_exists(sb.path(L"t")));
        EXPECT_EQ(job.status.done_count, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(AbortOnError, EngineFailures, ::testing::Bool());

TEST_F(EngineFiles, AbortOnErrorStopsAtTheFirstFailedPathOfTheAnalysis) {
    write_bytes(sb.path(L"a.txt"), "a");
    job_options o = job_of(olvex::job_files);
    o.abort_on_error = 1;
    EXPECT_EQ(job.run({sb.path(L"a.txt"), sb.path(L"b-missing.txt")}, o), olvex::state_failed) << job.dump();
    EXPECT_EQ(read_bytes(sb.path(L"a.txt")), "a");
    EXPECT_FALSE(job.has(L"Analysis Complete"));
    EXPECT_TRUE(job.has(L"Failed Items: 1"));
}

}  // namespace
