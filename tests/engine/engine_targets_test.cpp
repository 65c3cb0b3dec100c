// Volume, device and recycle-bin jobs end to end through the engine's front-end interface, on
// image files and folders of the sandbox standing for the machine's targets.
#include "engine/drives.h"
#include "engine/engine.h"
#include "tests/engine/job_runner.h"
#include "tests/support/image_targets.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"
#include "vandel/version.h"

#include <gtest/gtest.h>

namespace {

using namespace oblivar::test;
using olvex::job_options;

constexpr size_t image_size = 256 * 1024;

class EngineTargets : public sandbox_test {
protected:
    EngineTargets() {
        t.add_device(2, {t.image(L"disk2.img", image_size), L"SER-2", 512, true, true});
        t.add_volume({volume_root, t.image(L"v.img", image_size), L"DATA", olvex::kind_fixed, {2}, false, bin, -1});
    }
    bool all_zero(const std::wstring& image) const { return read_bytes(image) == std::string(image_size, '\0'); }
    bool untouched(const std::wstring& image) const { return read_bytes(image) == std::string(image_size, 'x'); }

    image_targets t{sb};
    const std::wstring volume_root = t.folder(L"v");
    const std::wstring bin = t.folder(L"v/bin");
    job_runner job;
};

TEST_F(EngineTargets, VolumeJobWritesTheWholeVolume) {
    job.start({volume_root}, job_of(olvex::job_volumes));
    EXPECT_EQ(job.engine.job_title(false), L"Local Drive (" + volume_root + L")");
    EXPECT_EQ(job.engine.job_title(true), L"Volume Local Drive (" + volume_root + L")");
    job.engine.confirm_start();
    EXPECT_EQ(job.wait_end(), olvex::state_done) << job.dump();
    EXPECT_TRUE(all_zero(sb.path(L"v.img")));
    EXPECT_TRUE(untouched(sb.path(L"disk2.img")));
    EXPECT_EQ(t.taken(), std::vector<std::wstring>{volume_root});
    EXPECT_EQ(job.status.drive_count, 1);
    EXPECT_EQ(job.status.pass_bytes, static_cast<int64_t>(image_size));
    EXPECT_TRUE(job.has(L"VOLUME: (" + volume_root + L")"));
    EXPECT_TRUE(job.mentions(L"Serial: "));
    EXPECT_TRUE(job.has_block({L"Wiping Volume", L"", L"Finished OK", L""}));
    EXPECT_TRUE(job.has(L"Volumes: 1"));
    EXPECT_FALSE(job.has(L"REMOVING PATHS..."));
}

TEST_F(EngineTargets, DeviceJobWritesTheWholeDeviceHoldingItsVolumes) {
    job.start({L"PhysicalDrive2"}, job_of(olvex::job_devices));
    const std::wstring size = vandel::format_bytes<std::wstring>(image_size);
    EXPECT_EQ(job.engine.job_title(true), L"Device 2 (" + size + L")");
    job.engine.confirm_start();
    EXPECT_EQ(job.wait_end(), olvex::state_done) << job.dump();
    EXPECT_TRUE(all_zero(sb.path(L"disk2.img")));
    EXPECT_TRUE(untouched(sb.path(L"v.img")));
    EXPECT_EQ(t.taken(), std::vector<std::wstring>{volume_root});
    EXPECT_EQ(job.status.total_bytes, static_cast<int64_t>(image_size));
    EXPECT_TRUE(job.has_block({L"DEVICE: 2", L"Serial: SER-2", L"Free  : " + size, L""}));
    EXPECT_TRUE(job.has_block({L"PHYSICAL DEVICE: 2", L"Wiping Device", L"", L"Finished OK"}));
    EXPECT_TRUE(job.has(L"Physical Drives: 1"));
    std::printf("%s", job.dump().c_str());
}

TEST_F(EngineTargets, SystemTargetsAreRefusedAndNothingIsWritten) {
    struct row {
        int32_t type;
        std::wstring path, note;
    };
    t.set_system_volume(volume_root);
    t.set_system_devices(std::vector<int32_t>{2});
    for (const row& r : {row{olvex::job_volumes, volume_root, L"Note. Wiping the system volume is prohibited"},
                         row{olvex::job_devices, L"2", L"Note. Wiping the system device is prohibited"}}) {
        job_runner j;
        EXPECT_EQ(j.run({r.path}, job_of(r.type)), olvex::state_failed) << j.dump();
        EXPECT_TRUE(j.has_block({L"ERROR: Access denied", r.note})) << j.dump();
        EXPECT_TRUE(j.has(L"Note. No files or directories were modified"));
    }
    EXPECT_TRUE(untouched(sb.path(L"v.img")));
    EXPECT_TRUE(untouched(sb.path(L"disk2.img")));
    EXPECT_TRUE(t.taken().empty());

    // Nor is the system volume's root folder wiped as files, however it is spelled.
    make_dirs(volume_root + L"sub");
    olvex::engine e;
    for (const std::wstring& root : {volume_root, volume_root + L"sub" + native_separator() + L".."})
        EXPECT_EQ(e.start_job(root, job_of(olvex::job_files), L"\n"), olvex::err_invalid_input) << root.c_str();
    EXPECT_EQ(e.get_state(), olvex::state_idle);
    EXPECT_TRUE(is_directory(volume_root + L"sub"));
}

// What the analysis of a volume says when it can't be wiped: its serial and size first, then why.
TEST_F(EngineTargets, VolumesThatCannotBeWrittenSaySo) {
    struct row {
        std::wstring root;
        std::vector<std::wstring> block;
    } rows[] = {
        // Memory or network file systems have no block device to write.
        {t.folder(L"mem"),
         {L"ERROR: Not available", L"Note. This volume has no block device of its own; it can't be wiped as a whole"}},
        // A volume the system lists but whose file system can't be read.
        {sb.path(L"gone") + native_separator(), {L"ERROR: Access denied", L"Note. Failed to access volume information"}},
    };
    for (const auto& r : rows) {
        t.add_volume({r.root, L"", L"", olvex::kind_ram, {}, false, L"", -1});
        job_runner j;
        EXPECT_EQ(j.run({r.root}, job_of(olvex::job_volumes)), olvex::state_failed) << j.dump();
        const int64_t at = j.find(r.block.front());
        ASSERT_GE(at, 2) << j.dump();
        EXPECT_TRUE(j.has_block(r.block)) << j.dump();
        EXPECT_EQ(j.log[static_cast<size_t>(at) - 2].compare(0, 8, L"Serial: "), 0) << j.dump();
        EXPECT_EQ(j.log[static_cast<size_t>(at) - 1].compare(0, 8, L"Free  : "), 0) << j.dump();
    }
}

TEST_F(EngineTargets, UnknownTargetsFailTheAnalysis) {
    // A device number that no device answers to is no device at all.
    EXPECT_EQ(job.run({L"PhysicalDrive7"}, job_of(olvex::job_devices)), olvex::state_failed) << job.dump();
    EXPECT_TRUE(job.has_block({L"DEVICE: 7", L"ERROR: Invalid input parameter(s)", L"Note. Device ID is invalid"}));
    job_runner other;
    const std::wstring outside = sb.path(L"elsewhere");
    make_dirs(outside);
    EXPECT_EQ(other.run({outside}, job_of(olvex::job_volumes)), olvex::state_failed) << other.dump();
    EXPECT_TRUE(other.has_block({L"ERROR: Path not found", L"Note. Volume path is invalid"}));
}

// A volume job takes the volume's root itself, however spelled; a folder or file inside it names
// no volume, and nothing is written.
TEST_F(EngineTargets, OnlyTheVolumesRootNamesTheVolume) {
    write_bytes(t.folder(L"v/sub") + L"f.txt", "data");
    const std::wstring sep(1, native_separator());
    for (const std::wstring& inside : {t.folder(L"v/sub"), vandel::remove_trailing_separator(t.folder(L"v/sub")),
                                       t.folder(L"v/sub") + L"f.txt", t.folder(L"v/sub") + L".." + sep + L"sub"}) {
        job_runner j;
        EXPECT_EQ(j.run({inside}, job_of(olvex::job_volumes)), olvex::state_failed) << j.dump();
        EXPECT_TRUE(j.has_block({L"VOLUME: (" + volume_root + L")", L"ERROR: Path not found",
                                 L"Note. Volume path is invalid"}))
            << j.dump();
    }
    EXPECT_TRUE(untouched(sb.path(L"v.img")));
    EXPECT_TRUE(t.taken().empty());

    job_options o = job_of(olvex::job_volumes);
    o.simulate = 1;
    for (const std::wstring& root : {volume_root, vandel::remove_trailing_separator(volume_root),
                                     t.folder(L"v/sub") + L".." + sep}) {
        job_runner j;
        EXPECT_EQ(j.run({root}, o), olvex::state_done) << j.dump();
    }
}

TEST_F(EngineTargets, SimulatedTargetsCountButAreNotWritten) {
    job_options o = job_of(olvex::job_devices);
    o.simulate = 1;
    EXPECT_EQ(job.run({L"2"}, o), olvex::state_done) << job.dump();
    EXPECT_TRUE(untouched(sb.path(L"disk2.img")));
    EXPECT_EQ(job.status.done_bytes, 1024);
    EXPECT_TRUE(job.has_block({L"PHYSICAL DEVICE: 2", L"Wiping Device", L"", L"Finished OK", L""}));
    EXPECT_TRUE(t.taken().empty());
}

TEST_F(EngineTargets, RecycleBinJobWipesItsItemsKeepsDesktopIniAndEmptiesIt) {
    make_dirs(bin + L"dir");
    write_bytes(bin + L"a.txt", "a");
    write_bytes(bin + L"dir" + native_separator() + L"b.txt", "b");
    write_bytes(bin + L"desktop.ini", "settings");
    job.start({volume_root}, job_of(olvex::job_recycler));
    EXPECT_EQ(job.engine.job_title(true), L"Recycler  (" + volume_root + L")");
    job.engine.confirm_start();
    EXPECT_EQ(job.wait_end(), olvex::state_done) << job.dump();
    EXPECT_TRUE(job.has(L"Recycler: " + bin));
    EXPECT_TRUE(job.has(L"Recycler Items: 4"));  // a.txt, dir, b.txt and the bin itself
    EXPECT_TRUE(job.has(L"a.txt ... OK"));
    EXPECT_TRUE(job.has(L"b.txt ... OK"));
    EXPECT_FALSE(job.mentions(L"desktop.ini"));
    EXPECT_EQ(t.emptied(), std::vector<std::wstring>{volume_root});
    EXPECT_TRUE(is_directory(bin));
    EXPECT_TRUE(list_tree(bin).empty());
    std::printf("%s", job.dump().c_str());
}

TEST_F(EngineTargets, RecycleBinWithATimeLimitIsNotEmptied) {
    write_bytes(bin + L"new.txt", "n");
    job_options o = job_of(olvex::job_recycler);
    o.modified_before = 1000;  // everything is newer
    EXPECT_EQ(job.run({volume_root}, o), olvex::state_done) << job.dump();
    EXPECT_TRUE(t.emptied().empty());
    EXPECT_EQ(read_bytes(bin + L"new.txt"), "n");
}

TEST_F(EngineTargets, RecycleBinJobWithoutPathsTakesEveryBin) {
    const std::wstring root2 = t.folder(L"w"), bin2 = t.folder(L"w/bin");
    t.add_volume({root2, L"", L"", olvex::kind_removable, {}, false, bin2, -1});
    write_bytes(bin2 + L"c.txt", "c");
    job.start({}, job_of(olvex::job_recycler));
    EXPECT_EQ(job.engine.job_title(true), L"Recyclers Multiple");
    job.engine.confirm_start();
    EXPECT_EQ(job.wait_end(), olvex::state_done) << job.dump();
    EXPECT_EQ(job.status.path_count, 2);
    EXPECT_EQ(t.emptied(), (std::vector<std::wstring>{root2, volume_root}));
    EXPECT_FALSE(path_exists(bin2 + L"c.txt"));
}

TEST(EngineTargetsNone, RecycleBinJobWithoutPathsOrBinsIsRefused) {
    sandbox sb;
    image_targets t{sb};
    t.add_volume({t.folder(L"v"), L"", L"", olvex::kind_fixed, {}, false, L"", -1});
    olvex::engine e;
    EXPECT_EQ(e.start_job(L" " + nul_separator, job_of(olvex::job_recycler), nul_separator), olvex::err_path_not_found);
    EXPECT_EQ(e.get_state(), olvex::state_idle);
    // A volume without a bin, named: the analysis says so.
    job_runner job;
    EXPECT_EQ(job.run({sb.path(L"v")}, job_of(olvex::job_recycler)), olvex::state_failed) << job.dump();
    EXPECT_TRUE(job.has_block({L"ERROR: Invalid input parameter(s)", L"Note. This volume does not have a recycler"}));
}

// A bin the system fails to empty.
class stuck_bin_targets : public image_targets {
public:
    using image_targets::image_targets;
    olvex::error_code empty_recycle_bin(const std::wstring&) override { return olvex::err_failed; }
};

TEST(EngineTargetsStuck, RecycleBinThatFailsToEmptyIsLoggedAndCounted) {
    sandbox sb;
    stuck_bin_targets t{sb};
    const std::wstring bin = t.folder(L"v/bin");
    t.add_volume({t.folder(L"v"), L"", L"", olvex::kind_fixed, {}, false, bin, -1});
    write_bytes(bin + L"a.txt", "a");
    job_runner job;
    EXPECT_EQ(job.run({sb.path(L"v")}, job_of(olvex::job_recycler)), olvex::state_partly_done) << job.dump();
    EXPECT_TRUE(job.has_block({bin + L" ... FAIL", L"ERROR: Operation failed", L"Note. The recycle bin could not be emptied."}))
        << job.dump();
    EXPECT_EQ(job.status.failed_count, 1);
    EXPECT_EQ(job.status.done_count, 1);
}

}  // namespace
