// Free-space and recycle-bin jobs with the system's own target provider, on a small tmpfs the
// test mounts and on a Trash in the sandbox (HOME and XDG_DATA_HOME point there).
#include "engine/drives.h"
#include "engine/engine.h"
#include "tests/engine/job_runner.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "tests/support/sandbox_trash.h"
#include "vandel/files.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace oblivar::test;

TEST(EngineFreeSpacePosix, FillsTheFreeSpaceAndLeavesOnlyWhatWasThere) {
    sandbox sb;
    scoped_tmpfs fs(sb, sb.path(L"fs"), 2048);
    if (!fs.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    write_bytes(sb.path(L"fs/keep.txt"), "keep");
    // The volume's own bin (its top folder's .Trash-uid) is emptied first.
    const std::wstring trash = L"fs/.Trash-" + std::to_wstring(getuid());
    make_dirs(sb.path(trash + L"/files"));
    make_dirs(sb.path(trash + L"/info"));
    write_bytes(sb.path(trash + L"/files/old.txt"), "old");
    write_bytes(sb.path(trash + L"/info/old.txt.trashinfo"), "[Trash Info]\n");
    ASSERT_EQ(olvex::volume_root(fs.path()), fs.path() + L"/");

    olvex::job_options o = job_of(olvex::job_free_space);
    o.empty_recycler = 1;
    job_runner job;
    EXPECT_EQ(job.run({fs.path()}, o), olvex::state_done) << job.dump();
    EXPECT_EQ(list_tree(fs.path()), (std::vector<std::wstring>{L".Trash-" + std::to_wstring(getuid()) + L"/",
                                                               L".Trash-" + std::to_wstring(getuid()) + L"/files/",
                                                               L".Trash-" + std::to_wstring(getuid()) + L"/info/",
                                                               L"keep.txt"}));
    EXPECT_EQ(read_bytes(sb.path(L"fs/keep.txt")), "keep");
    EXPECT_GT(job.status.done_bytes, 1024 * 1024);
    EXPECT_TRUE(job.has(L"Emptying Recycler ... OK"));
    EXPECT_TRUE(job.has_block({L"Cleaning Free Space", L"", L"Finished OK"}));
    EXPECT_TRUE(job.has(L"Volumes: 1"));
}

TEST(EngineFreeSpacePosix, AFolderThatIsNotThereFailsTheAnalysis) {
    sandbox sb;
    job_runner job;
    EXPECT_EQ(job.run({sb.path(L"none")}, job_of(olvex::job_free_space)), olvex::state_failed) << job.dump();
    EXPECT_TRUE(job.has_block({L"ERROR: Path not found", L"Note. Volume path is invalid"}));
}

TEST(EngineRecycleBinPosix, WipesTheUsersTrash) {
    sandbox sb;
    const sandbox_trash sandbox_bin(sb);
    const std::wstring& trash = sandbox_bin.folder;
    // The bin of the sandbox's volume must be the sandbox's Trash, or nothing runs.
    const std::wstring bin = olvex::recycler_folder(sb.root());
    ASSERT_EQ(bin, trash + L"/");
    sb.require_inside(vandel::remove_trailing_separator(bin));

    job_runner job;
    EXPECT_EQ(job.run({sb.root()}, job_of(olvex::job_recycler)), olvex::state_done) << job.dump();
    EXPECT_TRUE(is_directory(trash));
    EXPECT_TRUE(list_tree(trash).empty());
    EXPECT_EQ(read_bytes(sb.path(L"other.txt")), "other");
    EXPECT_TRUE(job.has(L"Recycler: " + trash + L"/"));
    EXPECT_TRUE(job.has(L"a.txt ... OK"));
    EXPECT_TRUE(job.has(L"b.txt ... OK"));
    EXPECT_EQ(job.status.file_count, 4);
}

}  // namespace
