// A file whose blocks the disk never had room for: overwriting it in place fills the disk, and
// the log says so rather than blaming the medium.
#include "engine/engine.h"
#include "tests/engine/job_runner.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace oblivar::test;

TEST(EngineFullDisk, ASparseFileLargerThanTheFreeSpaceReadsAsAFullDisk) {
    sandbox sb;
    scoped_tmpfs fs(sb, sb.path(L"fs"), 256);
    if (!fs.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    write_bytes(sb.path(L"fs/sparse"), "head");
    ASSERT_EQ(truncate(vandel::to_os_bytes(sb.path(L"fs/sparse")).c_str(), 4 << 20), 0);

    sb.require_inside(sb.path(L"fs/sparse"));
    job_runner job;
    EXPECT_EQ(job.run({sb.path(L"fs/sparse")}, job_of(olvex::job_files)), olvex::state_failed) << job.dump();
    EXPECT_TRUE(job.has(L"sparse ... FAIL")) << job.dump();
    EXPECT_TRUE(job.mentions(L"Warning: Disk full - ")) << job.dump();
    EXPECT_FALSE(job.mentions(L"Bad i/o")) << job.dump();
    EXPECT_TRUE(job.has_block({L"ERROR: Too many write io errors", L"Note. The disk is full."})) << job.dump();
    // A file whose overwrite failed stays, under its own name.
    EXPECT_TRUE(path_exists(sb.path(L"fs/sparse")));
}

}  // namespace
