// Free-space cleaning on real file systems: an image in the sandbox, attached to a loop device
// and mounted inside the sandbox. Files of a marker text are deleted; after the job the raw image
// holds none of the marker, or the job said how much free space it could not reach and did not
// call itself done.
#include "engine/engine.h"
#include "tests/engine/job_runner.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"
#include "vandel/version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace {

using namespace oblivar::test;

const std::string marker = "OBLIVAR-DELETED-7f3e9a-";

struct layout {
    const char* name;
    std::string type;
    std::string mkfs;  // run with the image's path appended
    uint64_t image_mib;
    bool no_reserve;  // ext4's held-back clusters set to 0 for the mount
};

std::string describe(const testing::TestParamInfo<layout>& i) { return i.param.name; }
void PrintTo(const layout& l, std::ostream* os) { *os << l.name; }

std::string shell_quoted(const std::wstring& path) { return "'" + vandel::to_os_bytes(path) + "'"; }

// Bytes of marker text in the file, counting whole copies of the marker.
uint64_t marker_bytes(const std::wstring& file) {
    std::ifstream in(vandel::to_os_bytes(file), std::ios::binary);
    std::string chunk(1 << 20, '\0'), carry;
    uint64_t found = 0;
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        std::string text = carry + chunk.substr(0, static_cast<size_t>(in.gcount()));
        for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + marker.size()))
            found += marker.size();
        carry = text.size() >= marker.size() ? text.substr(text.size() - marker.size() + 1) : text;
    }
    return found;
}

// The largest byte count a size text of the log ("16.5 MB", "812 bytes") may stand for.
uint64_t size_ceiling(const std::wstring& text) {
    static const std::vector<std::wstring> units = {L" bytes", L" KB", L" MB", L" GB"};
    const std::string number = vandel::to_os_bytes(text.substr(0, text.find(L' ')));
    for (size_t u = 0; u < units.size(); ++u) {
        if (text.compare(number.size(), units[u].size(), units[u]) != 0) continue;
        const double unit = static_cast<double>(uint64_t{1} << (10 * u));
        return static_cast<uint64_t>((std::atof(number.c_str()) + (u == 0 ? 0.0 : 0.1)) * unit);
    }
    return 0;
}

void sync_volume(const std::wstring& folder) {
    const int fd = open(vandel::to_os_bytes(folder).c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    syncfs(fd);
    close(fd);
}

class free_space_image : public testing::TestWithParam<layout> {
protected:
    sandbox sb;
    std::wstring image = sb.path(L"fs.img");
    std::unique_ptr<scoped_loop_device> loop;
    std::unique_ptr<scoped_mount> mnt;
    const std::string kept = pattern_bytes(300 * 1024 + 17, "kept-file-");
    uint64_t held_clusters = 0;  // ext4: the clusters it keeps back from every writer

    void SetUp() override {
        if (vandel::path_kind(L"/dev/loop-control") == vandel::kind_missing) GTEST_SKIP() << "no loop devices here";
        const layout& l = GetParam();
        {
            std::ofstream(vandel::to_os_bytes(image));  // sparse: only what is written takes room
        }
        sb.require_inside(image);
        ASSERT_EQ(truncate(vandel::to_os_bytes(image).c_str(), static_cast<off_t>(l.image_mib << 20)), 0);
        if (std::system((l.mkfs + " " + shell_quoted(image) + " >/dev/null 2>&1").c_str()) != 0)
            GTEST_SKIP() << "cannot make " << l.type << " here (" << l.mkfs << ")";
        loop = std::make_unique<scoped_loop_device>(sb, image);
        if (!loop->attached()) GTEST_SKIP() << "cannot attach a loop device here";
        mnt = std::make_unique<scoped_mount>(sb, loop->device(), sb.path(L"mnt"), l.type);
        if (!mnt->mounted()) GTEST_SKIP() << "cannot mount " << l.type << " here";
        if (l.type == "ext4") {
            const std::string knob = "/sys/fs/ext4/" + vandel::to_os_bytes(loop->device().substr(5)) + "/reserved_clusters";
            if (l.no_reserve) std::ofstream(knob) << "0\n";
            std::ifstream(knob) >> held_clusters;
        }

        // Deleted files of the marker in several folders, and a file that stays.
        const uint64_t room = l.image_mib << 20;
        make_dirs(sb.path(L"mnt/a/b"));
        make_dirs(sb.path(L"mnt/c"));
        make_dirs(sb.path(L"mnt/keep"));
        write_bytes(sb.path(L"mnt/a/b/first.txt"), pattern_bytes(static_cast<size_t>(room / 3), marker));
        write_bytes(sb.path(L"mnt/c/second.txt"), pattern_bytes(static_cast<size_t>(room / 8), marker));
        write_bytes(sb.path(L"mnt/keep/kept.bin"), kept);
        sync_volume(mnt->path());
        sb.require_inside(sb.path(L"mnt/a"));
        ASSERT_EQ(unlink(vandel::to_os_bytes(sb.path(L"mnt/a/b/first.txt")).c_str()), 0);
        ASSERT_EQ(unlink(vandel::to_os_bytes(sb.path(L"mnt/c/second.txt")).c_str()), 0);
        sync_volume(mnt->path());
    }

    // Unmounts and detaches; returns the marker bytes the raw image still holds.
    uint64_t left_in_image() {
        mnt.reset();
        loop.reset();
        return marker_bytes(image);
    }

    // The kept file is whole, the deleted folders are as they were, and no work file or folder
    // stands anywhere.
    void expect_volume_as_it_was() {
        EXPECT_EQ(read_bytes(sb.path(L"mnt/keep/kept.bin")), kept);
        for (const std::wstring& name : list_tree(mnt->path()))
            EXPECT_EQ(name.find(L"olvex_"), std::wstring::npos) << vandel::to_os_bytes(name);
        EXPECT_EQ(list_tree(sb.path(L"mnt/a")), std::vector<std::wstring>{L"b/"});
        EXPECT_TRUE(list_tree(sb.path(L"mnt/c")).empty());
    }
};

TEST_P(free_space_image, overwrites_the_deleted_text_or_says_how_much_free_space_it_could_not_reach) {
    sb.require_inside(mnt->path());
    job_runner job;
    const int32_t state = job.run({mnt->path() + L"/"}, job_of(olvex::job_free_space));
    expect_volume_as_it_was();

    // The size texts of the two warnings a cleaning may end with: free space the file system kept
    // back, and free space the work files' own records took.
    const std::wstring kept_tail = L" of free space could not be overwritten: the file system keeps it back from this program.";
    const std::wstring records_tail = L" of free space held the work files' own records and may not have been overwritten.";
    std::wstring kept_back, records;
    std::vector<std::wstring> warnings;
    for (const std::wstring& line : job.log) {
        if (line.compare(0, 9, L"Warning: ") != 0) continue;
        warnings.push_back(line);
        for (auto [tail, text] : {std::pair{&kept_tail, &kept_back}, std::pair{&records_tail, &records}})
            if (line.size() > 9 + tail->size() && line.compare(line.size() - tail->size(), tail->size(), *tail) == 0)
                *text = line.substr(9, line.size() - 9 - tail->size());
    }
    const uint64_t left = left_in_image();
    // The progress covers the whole fill, root's reserve included: it does not sit at its end
    // while the last stretch is written.
    EXPECT_GT(job.status.done_bytes, 0);
    EXPECT_LE(std::abs(job.status.done_bytes - job.status.work_bytes), job.status.work_bytes / 100)
        << job.status.done_bytes << " of " << job.status.work_bytes;

    if (GetParam().type == "ext4") {
        // What ext4 keeps back is told; with nothing kept back every free block is reached.
        const uint64_t block = GetParam().mkfs.find("1024") != std::string::npos ? 1024 : 4096;
        if (held_clusters == 0) {
            EXPECT_EQ(kept_back, L"") << job.dump();
        } else {
            EXPECT_GE(size_ceiling(kept_back), held_clusters * block) << job.dump();
            // Less than one 4 KiB request beyond it.
            EXPECT_LT(size_ceiling(kept_back), held_clusters * block * 11 / 10 + 4096) << job.dump();
        }
    }
    if (warnings.empty()) {
        EXPECT_EQ(left, 0u) << job.dump();
        EXPECT_EQ(state, olvex::state_done) << job.dump();
        EXPECT_TRUE(job.has(L"Finished OK")) << job.dump();
    } else {
        EXPECT_LE(left, size_ceiling(kept_back) + size_ceiling(records)) << job.dump();
        EXPECT_EQ(state, olvex::state_partly_done) << job.dump();
        warnings.push_back(L"Finished");
        EXPECT_TRUE(job.has_block(warnings)) << job.dump();
        EXPECT_FALSE(job.has(L"FINISHED: All Done OK")) << job.dump();
        EXPECT_EQ(job.status.failed_count, 0);
    }
}

TEST_P(free_space_image, an_abort_in_the_middle_leaves_the_volume_as_it_was) {
    sb.require_inside(mnt->path());
    job_runner job;
    job.start({mnt->path() + L"/"}, job_of(olvex::job_free_space));
    job.engine.confirm_start();
    ASSERT_TRUE(job.wait_for_line(L"Cleaning Free Space"));
    job.engine.abort();
    EXPECT_EQ(job.wait_end(), olvex::state_aborted) << job.dump();
    expect_volume_as_it_was();
}

INSTANTIATE_TEST_SUITE_P(
    file_systems, free_space_image,
    testing::Values(layout{"ext4_1k_blocks", "ext4", "mkfs.ext4 -q -F -b 1024", 48, false},
                    layout{"ext4_4k_blocks", "ext4", "mkfs.ext4 -q -F -b 4096", 64, false},
                    layout{"ext4_nothing_kept_back", "ext4", "mkfs.ext4 -q -F -b 4096", 64, true},
                    // mkfs.xfs makes nothing smaller than 300 MiB.
                    layout{"xfs", "xfs", "mkfs.xfs -q -f", 300, false}),
    describe);

}  // namespace
