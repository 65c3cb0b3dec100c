#include "engine/file_writer.h"
#include "engine/scheme.h"
#include "tests/support/failing_file_stream.h"
#include "tests/support/limits.h"
#include "tests/support/manual_clock.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"
#include "vandel/folder_handle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using oblivar::test::failing_file_stream;
using oblivar::test::make_dirs;
using oblivar::test::pattern_bytes;
using oblivar::test::read_bytes;
using oblivar::test::write_bytes;
constexpr uint32_t verify_last = olvex::verify_last;

class WriterTest : public oblivar::test::sandbox_test {
protected:
    // A file of size bytes of a known pattern, inside the sandbox.
    std::wstring make_file(const std::wstring& name, size_t size) {
        std::wstring p = sb.path(name);
        write_bytes(p, pattern_bytes(size, "victim!"));
        sb.require_inside(p);
        return p;
    }

    // A writer whose stream misbehaves as the test sets it up through `fake`.
    std::unique_ptr<olvex::file_writer> faulty(int32_t mode = 0, int32_t rename_count = -1) {
        auto stream = std::make_unique<failing_file_stream>();
        fake = stream.get();
        return std::make_unique<olvex::file_writer>(mode, rename_count, std::move(stream));
    }

    // Steps to the end; returns the bytes each step added.
    static std::vector<uint64_t> run(olvex::poller& w) {
        std::vector<uint64_t> steps;
        uint64_t before = w.bytes_done();
        while (w.step(false)) {
            steps.push_back(w.bytes_done() - before);
            before = w.bytes_done();
        }
        steps.push_back(w.bytes_done() - before);
        return steps;
    }

    oblivar::test::manual_clock clock;  // the writer's retry waits pass at once
    failing_file_stream* fake = nullptr;
};

TEST_F(WriterTest, AOneByteFileIsOverwrittenAsOneBlock) {
    std::wstring p = make_file(L"one", 1);
    olvex::file_writer w(olvex::writer_overwrite, -1);
    ASSERT_EQ(w.open(p, 0, 0), 0);
    EXPECT_EQ(w.state(), olvex::writer_active);
    EXPECT_EQ(w.size(), 4096u);
    EXPECT_EQ(w.bytes_total(), 4096u);
    EXPECT_EQ(w.path(), p);
    EXPECT_EQ(run(w), std::vector<uint64_t>{4096});
    EXPECT_EQ(w.state(), olvex::writer_finished);
    EXPECT_EQ(w.result(), 0);
    EXPECT_EQ(w.bytes_done(), 4096u);
    w.reset();  // closes without cutting the file
    EXPECT_EQ(read_bytes(p), std::string(4096, '\0'));

    ASSERT_EQ(w.open(p, 0, 0), 0);
    run(w);
    EXPECT_EQ(w.close(), 0);
    EXPECT_EQ(w.state(), olvex::writer_closed);
    EXPECT_EQ(read_bytes(p), "");  // kept (rename count -1), cut to 0
}

// Each step moves one request of up to 4 MiB of consecutive blocks, the last one of a pass up to
// its end (the length rounded up to 4096).
TEST_F(WriterTest, EveryPassStepsThroughRequestsAndVerifies) {
    std::wstring p = make_file(L"f", (9 << 20) + 100000);
    olvex::file_writer w(olvex::writer_overwrite, -1);
    ASSERT_EQ(w.open(p, 3 | verify_last, 0), 0);
    const uint64_t size = (9 << 20) + 102400;
    EXPECT_EQ(w.size(), size);
    EXPECT_EQ(w.bytes_total(), 4 * size);
    std::vector<uint64_t> steps = run(w);
    const std::vector<uint64_t> pass = {4 << 20, 4 << 20, size - (8 << 20)};
    std::vector<uint64_t> want;
    for (int i = 0; i < 4; ++i) want.insert(want.end(), pass.begin(), pass.end());
    EXPECT_EQ(steps, want);
    EXPECT_EQ(w.result(), 0);
    EXPECT_EQ(w.bytes_done(), w.bytes_total());
    EXPECT_EQ(w.bad_verify_bytes(), 0u);
    EXPECT_EQ(w.scheme(), 3 | verify_last);
    w.reset();
    std::string content = read_bytes(p);
    ASSERT_EQ(content.size(), size);
    EXPECT_EQ(content.find("victim!"), std::string::npos);
}

TEST_F(WriterTest, OpenRefusesWhatItCannotWrite) {
    olvex::file_writer w(olvex::writer_overwrite, -1);
    make_dirs(sb.path(L"dir"));
    const struct { std::wstring path; uint32_t scheme; int32_t code; } rows[] = {
        {sb.path(L"missing"), 1, olvex::err_path_not_found},
        {sb.path(L"no/such/file"), 1, olvex::err_path_not_found},
        {sb.path(L"dir"), 1, olvex::err_path_not_found},  // not a file
        {sb.path(L"dir") + oblivar::test::native_separator(), 1, olvex::err_invalid_input},
        {make_file(L"ok", 10), 12, olvex::err_invalid_input},  // a scheme without passes
    };
    for (const auto& r : rows) {
        EXPECT_EQ(w.open(r.path, r.scheme, 0), r.code);
        EXPECT_EQ(w.result(), r.code);
        EXPECT_EQ(w.state(), olvex::writer_closed);
        // Stepping a writer whose open failed must not turn the failure into success.
        EXPECT_FALSE(w.step(false));
        EXPECT_EQ(w.result(), r.code);
        EXPECT_EQ(w.state(), olvex::writer_closed);
        EXPECT_EQ(w.close(), olvex::err_invalid_state);
    }
}

TEST_F(WriterTest, AFileHeldByAnotherStreamIsAccessDenied) {
    std::wstring p = make_file(L"held", 5000);
    vandel::file_stream other(p, vandel::open_read_write | vandel::open_share_none);
    ASSERT_TRUE(other.is_open());
    olvex::file_writer w(olvex::writer_overwrite, -1);
    EXPECT_EQ(w.open(p, 0, 0), olvex::err_access_denied);
    EXPECT_GE(clock.slept_ms(), 150);  // one retry after a pause
    other.close();
    EXPECT_EQ(read_bytes(p), pattern_bytes(5000, "victim!"));
}

TEST_F(WriterTest, ActiveWritersRefuseOpenAndCloseAndTolerancesAreClamped) {
    std::wstring p = make_file(L"f", 5 << 20);
    olvex::file_writer w(olvex::writer_overwrite, 3);
    EXPECT_EQ(w.tolerance(), 1.0);
    for (auto [in, out] : {std::pair{150.0, 100.0}, {-3.0, 0.0}, {2.5, 2.5}}) {
        w.set_tolerance(in);
        EXPECT_EQ(w.tolerance(), out);
    }
    ASSERT_EQ(w.open(p, 0, 0), 0);
    ASSERT_TRUE(w.step(false));
    EXPECT_EQ(w.open(p, 0, 0), olvex::err_invalid_state);
    EXPECT_EQ(w.close(), olvex::err_invalid_state);
    EXPECT_EQ(w.state(), olvex::writer_active);
    w.reset();
    EXPECT_EQ(w.state(), olvex::writer_closed);
    EXPECT_EQ(w.bytes_done(), 0u);
    // The file was neither cut nor removed.
    std::string content = read_bytes(p);
    EXPECT_EQ(content.size(), 5u << 20);
    EXPECT_TRUE(content.substr(4 << 20) == pattern_bytes(5 << 20, "victim!").substr(4 << 20));
}

TEST_F(WriterTest, WithoutToleranceTheFirstBadChunkFailsAndTheFileStays) {
    std::wstring p = make_file(L"report.txt", 200000);
    auto w = faulty(olvex::writer_overwrite, 3);
    fake->fail_writes(70000, 70001);
    w->set_tolerance(0);
    ASSERT_EQ(w->open(p, 0, 0), 0);
    run(*w);
    EXPECT_EQ(w->result(), olvex::err_failed);
    EXPECT_EQ(w->state(), olvex::writer_finished);
    EXPECT_EQ(w->close(), 0);
    EXPECT_EQ(w->result(), olvex::err_failed);
    // Left in place under its own name, neither cut nor renamed.
    EXPECT_EQ(oblivar::test::list_tree(sb.root()), std::vector<std::wstring>{L"report.txt"});
    std::string content = read_bytes(p);
    EXPECT_EQ(content.substr(0, 70000), std::string(70000, '\0'));
    EXPECT_EQ(content.substr(70000), pattern_bytes(200000, "victim!").substr(70000));
}

TEST_F(WriterTest, ASingleDifferingByteFailsVerificationWithoutTolerance) {
    std::wstring p = make_file(L"f", 300000);
    auto w = faulty();
    fake->corrupt_read(123457);
    w->set_tolerance(0);
    ASSERT_EQ(w->open(p, 1 | verify_last, 0), 0);
    run(*w);
    EXPECT_EQ(w->result(), olvex::err_verify_failed);
    EXPECT_EQ(w->bad_verify_bytes(), 1u);
    EXPECT_EQ(w->bad_write_bytes(), 0u);
}

TEST_F(WriterTest, OneBadRegionWithinToleranceIsSkipped) {
    std::wstring p = make_file(L"f", 1 << 20);
    auto w = faulty();
    fake->fail_writes(65536, 65536 + 4096);
    ASSERT_EQ(w->open(p, 0, 0), 0);  // tolerance 1.0: up to 10485 bad bytes a pass
    run(*w);
    EXPECT_EQ(w->result(), 0);
    EXPECT_EQ(w->bad_write_bytes(), 4096u);
    EXPECT_EQ(w->bytes_done(), w->bytes_total());
    w->reset();
    std::string content = read_bytes(p);
    std::string original = pattern_bytes(1 << 20, "victim!");
    EXPECT_EQ(content.substr(65536, 4096), original.substr(65536, 4096));  // what the medium refused
    content.replace(65536, 4096, 4096, '\0');
    EXPECT_EQ(content, std::string(1 << 20, '\0'));
}

TEST_F(WriterTest, ConsecutiveFailuresSkipFurtherAndFurther) {
    std::wstring p = make_file(L"f", 4 << 20);
    auto w = faulty();
    fake->fail_writes(0, 3 << 20);
    w->set_tolerance(100);
    ASSERT_EQ(w->open(p, 0, 0), 0);
    std::vector<uint64_t> steps;
    for (int i = 0; i < 34; ++i) {
        uint64_t before = w->bytes_done();
        ASSERT_TRUE(w->step(false));
        steps.push_back(w->bytes_done() - before);
    }
    // The whole pass failed as one request, which is then tried block by block.
    std::vector<uint64_t> want(1, 0);
    want.insert(want.end(), 16, 4096);
    want.insert(want.end(), 16, 65536);
    want.push_back(1 << 20);
    EXPECT_EQ(steps, want);
    EXPECT_EQ(w->bad_write_bytes(), 16u * 4096 + 16 * 65536 + (1 << 20));
    // The first good chunk starts the skips at 4096 again: the region ends at 3 MiB.
    run(*w);
    EXPECT_EQ(w->result(), 0);
    EXPECT_EQ(w->bad_write_bytes(), 16u * 4096 + 16 * 65536 + 2 * (1 << 20));  // whole skips, past the region
}

TEST_F(WriterTest, BadBytesBeyondToleranceFailTheJob) {
    std::wstring p = make_file(L"f", 1 << 20);
    auto w = faulty();
    fake->fail_writes(0, 3 * 4096);
    ASSERT_EQ(w->open(p, 0, 0), 0);
    run(*w);
    EXPECT_EQ(w->result(), olvex::err_too_many_write_errors);
    EXPECT_EQ(w->bad_write_bytes(), 3u * 4096);
    w->reset();

    // Unreadable bytes on a verification pass count against it too.
    auto v = faulty();
    fake->fail_reads(8192, 8192 + 3 * 4096);
    ASSERT_EQ(v->open(p, 0 | verify_last, 0), 0);
    run(*v);
    EXPECT_EQ(v->result(), olvex::err_verify_failed);
    EXPECT_EQ(v->bad_verify_bytes(), 3u * 4096);
}

TEST_F(WriterTest, FailedSkipsAndRewindsEndTheJob) {
    std::wstring p = make_file(L"f", 1 << 20);
    auto w = faulty();
    fake->fail_writes(0, 4096);
    fake->fail_skips();
    ASSERT_EQ(w->open(p, 0, 0), 0);
    run(*w);
    EXPECT_EQ(w->result(), olvex::err_failed);
    w->reset();

    auto v = faulty();
    fake->fail_rewinds();
    ASSERT_EQ(v->open(p, 3, 0), 0);
    run(*v);
    EXPECT_EQ(v->result(), olvex::err_failed);
    EXPECT_EQ(v->bytes_done(), 1u << 20);  // the first pass, then no way back to the start
}

TEST_F(WriterTest, APassThatCannotBeFlushedFailsWhateverTheTolerance) {
    std::wstring p = make_file(L"f", 100000);
    auto w = faulty();
    fake->fail_flushes();
    ASSERT_EQ(w->open(p, 0, 0), 0);
    w->set_tolerance(100.0);
    run(*w);
    EXPECT_EQ(w->state(), 2);
    EXPECT_EQ(w->result(), olvex::err_failed);
}

// Two steps a pass (4 MiB and 1 MiB): each pass end is flushed exactly once, also when the
// engine asks every step to flush. Where writes go through the system's cache, the first request
// is flushed too: that flush shows what the medium takes.
TEST_F(WriterTest, EveryPassEndIsFlushedOnce) {
    for (bool flush_steps : {false, true}) {
        std::wstring p = make_file(L"f", 5 << 20);
        auto w = faulty();
        ASSERT_EQ(w->open(p, 3, 0), 0);
        while (w->step(flush_steps)) {
        }
        EXPECT_EQ(w->result(), 0);
        EXPECT_EQ(fake->flush_calls(), flush_steps ? 6 : fake->direct() ? 3 : 4) << flush_steps;
        w->reset();
    }
}

// Direct writes leave nothing for the system to write back, but a medium may hold them in a
// cache of its own, which each flush has to empty. Here a flush takes 2 ms for every MiB written
// since the one before: the first, after 32 MiB, takes 64 ms, and the writer then flushes often
// enough to keep every later one within 40 ms, also in a write pass after a verification (whose
// fast reads must not stretch the span the writes go by).
TEST_F(WriterTest, DirectWritesAreFlushedSoThatNoFlushTakesLong) {
    for (uint32_t scheme : {0u, 4u | olvex::verify_first}) {  // zeros; random, verification, zeros
        SCOPED_TRACE(scheme);
        std::wstring p = make_file(L"f", 96 << 20);
        auto w = faulty();
        ASSERT_EQ(w->open(p, scheme, 0), 0);
        if (!fake->direct()) GTEST_SKIP() << "the sandbox's file system takes no direct transfers";
        std::vector<int64_t> ms;
        fake->on_flush = [&] {
            ms.push_back(fake->unflushed_bytes() / (1 << 20) * 2);
            clock.advance(ms.back());
        };
        run(*w);
        EXPECT_EQ(w->result(), 0);
        ASSERT_GE(ms.size(), 3u);
        EXPECT_EQ(ms.front(), 64);
        EXPECT_LE(*std::max_element(ms.begin() + 1, ms.end()), 40);
        w->reset();
    }
}

// Where writes land in the system's cache they look fast, and the flush pays for them all. On a
// medium that takes 2 MB/s, the first request's flush shows that; from then on no step, with or
// without a flush of its own, keeps the engine waiting for pause or abort much over 40 ms: not
// when the writer flushes by itself, not at the engine's batch ends, not when the engine
// flushes every step while it calibrates.
TEST_F(WriterTest, CachedWritesAreFlushedSoThatNoStepTakesLong) {
    oblivar::test::scoped_ramfs fs(sb, sb.path(L"ram"));
    const std::wstring p = fs.mounted() ? fs.path() + L"/f" : sb.path(L"f");
    constexpr int64_t bytes_per_ms = 2000;
    for (int flush_every : {0, 8, 1}) {  // never, at batch ends, every step
        SCOPED_TRACE(flush_every);
        write_bytes(p, pattern_bytes(6 << 20, "victim!"));
        sb.require_inside(p);
        auto w = faulty();
        fake->on_flush = [&] { clock.advance(fake->unflushed_bytes() / bytes_per_ms); };
        fake->on_transfer = [&](int64_t count) {
            if (fake->read_calls() > 0) clock.advance(count / bytes_per_ms);  // the last pass reads the medium
        };
        ASSERT_EQ(w->open(p, 3 | verify_last, 0), 0);
        if (fake->direct()) GTEST_SKIP() << "no file system here that refuses direct transfers";
        std::vector<int64_t> ms;
        for (bool more = true; more;) {
            const int64_t t0 = clock.now_ms();
            more = w->step(flush_every && ms.size() % flush_every == 0);
            ms.push_back(clock.now_ms() - t0);
        }
        EXPECT_EQ(w->result(), 0);
        EXPECT_EQ(w->bytes_done(), w->bytes_total());
        EXPECT_GT(ms.front(), 1000);  // 4 MiB
        EXPECT_LE(*std::max_element(ms.begin() + 1, ms.end()), 100);
        w->reset();
    }
}

// A request that meets a bad region fails whole, as a direct transfer does. Its range is then
// tried block by block, so no more is skipped than a single block's transfer would have: here,
// with the region at a block's start, its own 4096 bytes, and every other byte of the request is
// written, or read back.
TEST_F(WriterTest, AFailedRequestIsRetriedBlockByBlock) {
    const int64_t bad = (5 << 20) + 65536;
    for (bool reads : {false, true}) {
        SCOPED_TRACE(reads ? "verification" : "write");
        std::wstring p = make_file(L"f", 8 << 20);
        auto w = faulty();
        fake->fail_whole_transfers();
        if (reads)
            fake->fail_reads(bad, bad + 4096);
        else
            fake->fail_writes(bad, bad + 4096);
        ASSERT_EQ(w->open(p, reads ? 0 | verify_last : 0, 0), 0);
        run(*w);
        EXPECT_EQ(w->result(), 0);
        EXPECT_EQ(reads ? w->bad_verify_bytes() : w->bad_write_bytes(), 4096u);
        EXPECT_EQ(w->bytes_done(), w->bytes_total());
        w->reset();
        std::string content = read_bytes(p);
        if (!reads) {
            EXPECT_TRUE(content.substr(bad, 4096) == pattern_bytes(8 << 20, "victim!").substr(bad, 4096));
            content.replace(bad, 4096, 4096, '\0');
        }
        EXPECT_TRUE(content == std::string(8 << 20, '\0'));
    }
}

// On a slow medium requests shrink to what it moves in a few tens of milliseconds, so the
// engine, which looks for pause and abort between steps, still sees them promptly; on a fast
// one they stay large.
TEST_F(WriterTest, RequestsShrinkToTheSpeedOfASlowMedium) {
    for (int64_t bytes_per_ms : {10000, 0}) {  // 10 MB/s; a medium that takes no time
        SCOPED_TRACE(bytes_per_ms);
        std::wstring p = make_file(L"f", 24 << 20);
        auto w = faulty();
        fake->on_transfer = [&](int64_t count) { clock.advance(bytes_per_ms ? count / bytes_per_ms : 0); };
        ASSERT_EQ(w->open(p, 0 | verify_last, 0), 0);
        std::vector<int64_t> ms;
        std::vector<uint64_t> sizes;
        for (bool more = true; more;) {
            const int64_t t0 = clock.now_ms();
            const uint64_t b0 = w->bytes_done();
            more = w->step(false);
            ms.push_back(clock.now_ms() - t0);
            sizes.push_back(w->bytes_done() - b0);
        }
        EXPECT_EQ(w->result(), 0);
        if (bytes_per_ms) {
            // The first request shows the speed; every later one keeps well under 100 ms.
            EXPECT_GT(ms.front(), 100);
            EXPECT_LE(*std::max_element(ms.begin() + 1, ms.end()), 50);
            EXPECT_GE(*std::min_element(sizes.begin() + 1, sizes.end()), 65536u);
        } else {
            EXPECT_EQ(sizes, std::vector<uint64_t>(12, 4 << 20));
        }
    }
}

TEST_F(WriterTest, CreateModeGivesTheFileItsSize) {
    std::wstring p = sb.path(L"work");
    olvex::file_writer w(olvex::writer_create, 3);
    ASSERT_EQ(w.open(p, 1, 10000), 0);
    EXPECT_EQ(w.size(), 12288u);
    w.reset();
    EXPECT_EQ(vandel::file_size(p), 12288);
    ASSERT_EQ(w.open(p, 1, 10000), 0);
    run(w);
    EXPECT_EQ(w.result(), 0);
    EXPECT_EQ(w.close(), 0);
    EXPECT_EQ(w.result(), 0);
    EXPECT_TRUE(oblivar::test::list_tree(sb.root()).empty());
}

TEST_F(WriterTest, FillModeWritesUntilTheDiskIsFullThenRunsThePassesOverIt) {
    oblivar::test::scoped_tmpfs fs(sb, sb.path(L"small"), 256);
    if (!fs.mounted()) GTEST_SKIP() << "no tmpfs here";
    std::wstring p = fs.path() + L"/fill";
    auto w = faulty(olvex::writer_fill, 3);
    ASSERT_EQ(w->open(p, 3 | verify_last, 0), 0);
    EXPECT_EQ(w->size(), 0u);
    while (w->mode() == olvex::writer_fill && w->step(false)) {
    }
    // One request the disk cuts short, then halved ones down to a single block.
    EXPECT_LE(fake->write_calls(), 12);
    EXPECT_LE(fake->flush_calls(), 2);
    run(*w);
    EXPECT_EQ(w->result(), 0);
    EXPECT_EQ(w->mode(), olvex::writer_overwrite);
    EXPECT_GT(w->size(), 128u * 1024);
    EXPECT_LE(w->size(), 256u * 1024);
    EXPECT_EQ(w->bytes_total(), 4 * w->size());
    EXPECT_EQ(w->bytes_done(), w->bytes_total());
    EXPECT_EQ(w->bad_verify_bytes(), 0u);
    EXPECT_EQ(w->close(), 0);
    EXPECT_EQ(w->result(), 0);
    EXPECT_TRUE(oblivar::test::list_tree(fs.path()).empty());
}

// A created file that grows by its writes and meets a full disk ends there: no bad region, no
// failure; the remaining passes and the verification run over what it holds.
TEST_F(WriterTest, AGrowingCreatedFileEndsWhereTheDiskIsFull) {
    oblivar::test::scoped_tmpfs fs(sb, sb.path(L"small"), 256);
    if (!fs.mounted()) GTEST_SKIP() << "no tmpfs here";
    const std::wstring p = fs.path() + L"/work";
    olvex::file_writer w(olvex::writer_create, 3);
    w.set_tolerance(100.0);
    w.set_grow_by_writes(true);
    ASSERT_EQ(w.open(p, 3 | verify_last, 1 << 20), 0);
    run(w);
    EXPECT_EQ(w.result(), 0);
    EXPECT_TRUE(w.met_full_disk());
    EXPECT_GT(w.size(), 128u * 1024);
    EXPECT_LE(w.size(), 256u * 1024);
    EXPECT_EQ(static_cast<uint64_t>(vandel::file_size(p)), w.size());
    EXPECT_EQ(w.bytes_done(), 4 * w.size());
    EXPECT_EQ(w.bad_write_bytes(), 0u);
    EXPECT_EQ(w.bad_verify_bytes(), 0u);
    EXPECT_EQ(w.close(), 0);
}

// Where the file system refuses direct transfers (a ramfs does), the file goes through the
// system's cache as before: the random pass verifies, every pass end is flushed (and the first
// request, whose flush shows what the medium takes), the last pass's zeros are what the file holds.
TEST_F(WriterTest, WhereDirectTransfersAreRefusedTheCacheCarriesTheSameBytes) {
    oblivar::test::scoped_ramfs fs(sb, sb.path(L"ram"));
    if (!fs.mounted()) GTEST_SKIP() << "no ramfs here";
    const std::wstring p = fs.path() + L"/f";
    write_bytes(p, pattern_bytes((6 << 20) + 1000, "victim!"));
    auto w = faulty();
    ASSERT_EQ(w->open(p, 4 | olvex::verify_first, 0), 0);  // random, verification, zeros
    EXPECT_FALSE(fake->direct());
    run(*w);
    EXPECT_EQ(w->result(), 0);
    EXPECT_EQ(w->bad_verify_bytes(), 0u);
    EXPECT_EQ(fake->flush_calls(), 4);
    w->reset();
    EXPECT_TRUE(read_bytes(p) == std::string((6 << 20) + 4096, '\0'));
}

TEST_F(WriterTest, AFillEndsAtTheFileSizeLimitAsAtAFullDisk) {
    std::wstring p = sb.path(L"fill");
    olvex::file_writer w(olvex::writer_fill, -1);
    {
        oblivar::test::file_size_limit limit(256 * 1024);
        if (!limit.active()) GTEST_SKIP() << "no file size limit here";
        ASSERT_EQ(w.open(p, 1 | verify_last, 0), 0);
        run(w);
    }
    EXPECT_EQ(w.result(), 0);
    EXPECT_EQ(w.size(), 256u * 1024);
    EXPECT_EQ(w.bytes_done(), 2u * 256 * 1024);
    EXPECT_EQ(w.bad_verify_bytes(), 0u);
}

// A fill writes large requests until the disk is full, then halves them down to one block, so it
// ends exactly where the room does (at a block's end where only a flush shows the end) in a few
// requests. Only what is on the medium counts; nothing is written twice but what a refused flush
// lost; the passes after it, and both verifications, cover exactly the filled length.
TEST_F(WriterTest, AFillEndsAtTheEndOfTheRoomInFewRequests) {
    oblivar::test::scoped_ramfs fs(sb, sb.path(L"ram"));
    const int64_t mib = 1 << 20;
    const struct {
        const char* name;
        bool cached;  // on a file system that refuses direct transfers
        int64_t capacity;
        bool at_flush;
        int64_t filled;
    } rows[] = {
        {"full at a block's end", false, 10 * mib + 8192, false, 10 * mib + 8192},
        {"full within a block", false, 10 * mib + 5000, false, 10 * mib + 5000},
        {"cached, full within a block", true, 10 * mib + 5000, false, 10 * mib + 5000},
        {"cached, full only at the flush", true, 10 * mib + 5000, true, 10 * mib + 4096},
        {"cached, nothing but the flush's refusal", true, 5000, true, 4096},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const std::wstring p = r.cached && fs.mounted() ? fs.path() + L"/fill" : sb.path(L"fill");
        auto w = faulty(olvex::writer_fill, -1);
        fake->fill_up_at(r.capacity, r.at_flush);
        ASSERT_EQ(w->open(p, 4 | olvex::verify_first | verify_last, 0), 0);  // random, verification, zeros, verification
        if (fake->direct() == r.cached) {
            w->reset();
            continue;  // no such file system here
        }
        while (w->mode() == olvex::writer_fill && w->step(false)) {
        }
        EXPECT_LE(fake->write_calls(), 24);
        const int64_t fill_writes = fake->bytes_written();
        run(*w);
        EXPECT_EQ(w->result(), 0);
        EXPECT_EQ(w->mode(), olvex::writer_overwrite);
        const uint64_t filled = static_cast<uint64_t>(r.filled);
        EXPECT_EQ(w->size(), filled);
        EXPECT_EQ(w->bytes_total(), 4 * filled);
        EXPECT_EQ(w->bytes_done(), w->bytes_total());
        EXPECT_EQ(w->bad_verify_bytes(), 0u);
        EXPECT_FALSE(w->met_full_disk());
        if (r.at_flush)
            EXPECT_LE(fill_writes, r.filled + 8 * mib);  // the refused requests again, smaller
        else
            EXPECT_EQ(fill_writes, r.filled);
        EXPECT_EQ(fake->bytes_written(), fill_writes + r.filled);
        w->reset();
        EXPECT_TRUE(read_bytes(p).substr(0, filled) == std::string(filled, '\0'));
        vandel::remove_path(p, false);
    }
}

TEST_F(WriterTest, AFillThatFailsForAnotherReasonFailsTheFile) {
    std::wstring p = sb.path(L"fill");
    auto w = faulty(olvex::writer_fill, -1);
    fake->fail_writes(8192, 1 << 30);
    ASSERT_EQ(w->open(p, 0, 0), 0);
    run(*w);
    EXPECT_EQ(w->result(), olvex::err_failed);
    EXPECT_EQ(w->mode(), olvex::writer_fill);
}

TEST_F(WriterTest, ACreatedFileThatCannotHaveItsSizeIsRemoved) {
    oblivar::test::scoped_tmpfs fs(sb, sb.path(L"small"), 64);
    if (!fs.mounted()) GTEST_SKIP() << "no tmpfs here";
    olvex::file_writer w(olvex::writer_create, 3);
    EXPECT_EQ(w.open(fs.path() + L"/work", 1, 1 << 20), olvex::err_bad_write);
    EXPECT_EQ(w.state(), olvex::writer_closed);
    EXPECT_TRUE(oblivar::test::list_tree(fs.path()).empty());
}

TEST_F(WriterTest, CloseRenamesAndDeletesByTheRenameCount) {
    for (int32_t count : {0, 1, 3}) {
        std::wstring p = make_file(L"report.txt", 5000);
        make_file(L"neighbour", 10);
        olvex::file_writer w(olvex::writer_overwrite, count);
        ASSERT_EQ(w.open(p, 1, 0), 0);
        run(w);
        EXPECT_EQ(w.close(), 0);
        EXPECT_EQ(w.result(), 0) << count;
        EXPECT_EQ(oblivar::test::list_tree(sb.root()), std::vector<std::wstring>{L"neighbour"}) << count;
    }
}

TEST_F(WriterTest, RandomNamesAndRenameAndDelete) {
    olvex::file_writer w(olvex::writer_overwrite, 3);
    std::wstring a = w.random_name(10), b = w.random_name(10);
    EXPECT_EQ(a.size(), 10u);
    EXPECT_NE(a, b);
    for (wchar_t c : a + b) EXPECT_TRUE(c >= L'a' && c <= L'z');
    EXPECT_EQ(w.random_name(0), L"");

    EXPECT_EQ(w.rename_and_delete(sb.path(L"missing"), 3, true), olvex::err_path_not_found);
    EXPECT_EQ(w.rename_and_delete(sb.path(L"missing"), 3, false), 0);

    make_dirs(sb.path(L"empty"));
    make_file(L"abc", 1);
    EXPECT_EQ(w.rename_and_delete(sb.path(L"empty") + oblivar::test::native_separator(), 3, true), 0);
    EXPECT_EQ(w.rename_and_delete(sb.path(L"abc"), 2, true), 0);
    EXPECT_TRUE(oblivar::test::list_tree(sb.root()).empty());

    // A folder that still holds something keeps its name and its contents.
    make_dirs(sb.path(L"kept"));
    make_file(L"kept/child", 3);
    EXPECT_EQ(w.rename_and_delete(sb.path(L"kept"), 3, true), olvex::err_dir_not_empty);
    EXPECT_EQ(oblivar::test::list_tree(sb.root()), (std::vector<std::wstring>{L"kept/", L"kept/child"}));

    // A link to that folder goes, the folder and its contents stay.
    if (oblivar::test::make_link(sb.path(L"link"), sb.path(L"kept"), true)) {
        EXPECT_EQ(w.rename_and_delete(sb.path(L"link"), 3, true), 0);
        EXPECT_EQ(oblivar::test::list_tree(sb.root()), (std::vector<std::wstring>{L"kept/", L"kept/child"}));
    }
}

// Opened from its folder, a file is written, renamed and deleted only while it is the one expected.
TEST_F(WriterTest, FromItsFolderOnlyTheExpectedFileIsWrittenOrRemoved) {
    make_file(L"a", 5000);
    make_file(L"b", 5000);
    vandel::folder_handle dir;
    ASSERT_TRUE(dir.open(sb.root()));
    struct vandel::file_info a, b;
    dir.entry(L"a", a);
    dir.entry(L"b", b);

    olvex::file_writer other(olvex::writer_overwrite, 3);
    EXPECT_EQ(other.open_at(dir, L"a", b.id, 0), olvex::err_access_denied);
    EXPECT_TRUE(other.changed());
    EXPECT_EQ(other.result_note(), olvex::changed_note());
    EXPECT_EQ(other.rename_and_delete(dir, L"a", b.id, 3, true), olvex::err_access_denied);
    EXPECT_EQ(other.open_at(dir, L"gone", a.id, 0), olvex::err_path_not_found);
    EXPECT_FALSE(other.changed());
    EXPECT_EQ(read_bytes(sb.path(L"a")), pattern_bytes(5000, "victim!"));

    olvex::file_writer w(olvex::writer_overwrite, 3);
    ASSERT_EQ(w.open_at(dir, L"a", a.id, 0), 0);
    run(w);
    EXPECT_EQ(w.close(), 0);
    EXPECT_EQ(w.result(), 0);
    EXPECT_FALSE(w.changed());
    EXPECT_EQ(oblivar::test::list_tree(sb.root()), std::vector<std::wstring>{L"b"});
}

TEST_F(WriterTest, SetModeOnlyWhileNotActive) {
    std::wstring p = make_file(L"f", 100000);
    olvex::file_writer w(olvex::writer_overwrite, -1);
    w.set_mode(olvex::writer_create);
    EXPECT_EQ(w.mode(), olvex::writer_create);
    w.set_mode(olvex::writer_overwrite);
    ASSERT_EQ(w.open(p, 0, 0), 0);
    w.set_mode(olvex::writer_fill);
    EXPECT_EQ(w.mode(), olvex::writer_overwrite);
    EXPECT_TRUE(w.buffered());
    EXPECT_EQ(w.kind(), 1);
}

}  // namespace
