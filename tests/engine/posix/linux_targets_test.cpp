// The Linux target provider: disk names, the system disk through partitions and device mappings
// (on a stand-in system tree, and read-only on this machine), scoped volumes and the Trash.
#include "engine/drives.h"
#include "engine/posix/linux_targets.h"
#include "tests/support/env.h"
#include "tests/support/image_targets.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"
#include "vandel/posix/system_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using namespace olvex;
using olvex::posix::linux_scope;
using olvex::posix::linux_targets;
using oblivar::test::make_dirs;
using oblivar::test::path_exists;
using oblivar::test::scoped_env;
using oblivar::test::write_bytes;

using strings = std::vector<std::wstring>;

std::string os(const std::wstring& s) { return vandel::to_os_bytes(s); }

void link_to(const std::wstring& target, const std::wstring& link) {
    ASSERT_EQ(symlink(os(target).c_str(), os(link).c_str()), 0) << os(link);
}

TEST(linux_disk_names, number_whole_disks_only) {
    for (const char* name : {"sda", "sdab", "vda", "xvdb", "hdc", "nvme0n1", "nvme12n3", "mmcblk0"})
        EXPECT_TRUE(olvex::posix::is_listed_disk_name(name)) << name;
    for (const char* name : {"sd", "sda1", "loop0", "ram0", "zram0", "dm-0", "md0", "sr0", "nvme0n1p1",
                             "nvme0", "mmcblk0p1", "mmcblk0boot0", "vdA"})
        EXPECT_FALSE(olvex::posix::is_listed_disk_name(name)) << name;
}

// This machine, read-only: the disk that holds "/" is the system's, and never named for writing.
TEST(linux_targets, this_machines_disk_is_the_system_device) {
    struct stat st {};
    ASSERT_EQ(stat("/", &st), 0);
    const std::string link = "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    std::string dir = vandel::posix::real_path(link);
    if (dir.empty()) GTEST_SKIP() << "\"/\" lies on no block device here";
    if (access((dir + "/partition").c_str(), F_OK) == 0) dir.erase(dir.find_last_of('/'));
    const std::wstring disk = vandel::from_os_bytes("/dev/" + dir.substr(dir.find_last_of('/') + 1));
    const std::wstring number = parse_device_id(disk, true);
    if (number.empty()) GTEST_SKIP() << "no disk of /sys/block holds \"/\" here";

    drive_info d;
    query_device_info(number, d, true);
    EXPECT_NE(d.kind, kind_none);
    EXPECT_EQ(d.path, disk);
    EXPECT_TRUE(d.is_system);
    std::wstring name, identity;
    uint64_t size = 0;
    probe_target(number, name, size, identity);
    EXPECT_EQ(identity, L"");
    EXPECT_TRUE(is_system_volume(L"/usr"));
    if (!oblivar::test::root_is_a_listed_mount()) GTEST_SKIP() << "\"/\" is no listed mount here (a chroot): the system volume is unknown and every volume counts as the system's";
    EXPECT_EQ(volume_root(L"/usr/lib/"), L"/");
}

// A stand-in system tree: "/" on dm-0 over sda2; sdb1 holds a data volume; dm-2 maps sda2 again.
class fake_system : public oblivar::test::sandbox_test {
protected:
    void SetUp() override {
        const std::wstring sys = sb.path(L"sys");
        add_device(L"devices/pci/sda", L"8:0", L"sda");
        add_device(L"devices/pci/sda/sda2", L"8:2", L"", true);
        add_device(L"devices/pci/sdb", L"8:16", L"sdb");
        add_device(L"devices/pci/sdb/sdb1", L"8:17", L"", true);
        add_device(L"devices/virtual/block/dm-0", L"253:0", L"");
        add_device(L"devices/virtual/block/dm-2", L"253:2", L"");
        add_device(L"devices/virtual/block/loop3", L"7:3", L"loop3");
        make_dirs(sys + L"/devices/virtual/block/dm-0/slaves");
        make_dirs(sys + L"/devices/virtual/block/dm-2/slaves");
        link_to(sys + L"/devices/pci/sda/sda2", sys + L"/devices/virtual/block/dm-0/slaves/sda2");
        link_to(sys + L"/devices/pci/sda/sda2", sys + L"/devices/virtual/block/dm-2/slaves/sda2");
        scope.sys = sys;
        scope.dev = sb.path(L"dev");
        scope.mountinfo = sb.path(L"mountinfo");
    }

    // A device folder with its number, listed in block/ under its disk name when it has one.
    void add_device(const std::wstring& rel, const std::wstring& number, const std::wstring& disk,
                    bool partition = false) {
        const std::wstring dir = sb.path(L"sys/" + rel);
        make_dirs(dir);
        write_bytes(dir + L"/dev", os(number) + "\n");
        write_bytes(dir + L"/size", "2048\n");
        if (partition) write_bytes(dir + L"/partition", "1\n");
        make_dirs(sb.path(L"sys/dev/block"));
        link_to(dir, sb.path(L"sys/dev/block/" + number));
        if (!disk.empty()) {
            make_dirs(sb.path(L"sys/block"));
            link_to(dir, sb.path(L"sys/block/" + disk));
        }
    }

    void mounts(const std::string& table) { write_bytes(scope.mountinfo, table); }

    static constexpr const char* table =
        "20 1 253:0 / / rw - ext4 /dev/mapper/root rw\n"
        "21 20 8:17 / /mnt/data rw - ext4 /dev/sdb1 rw\n"
        "22 20 253:0 /srv /mnt/bind rw - ext4 /dev/mapper/root rw\n"
        "23 20 253:2 / /mnt/snap rw - ext4 /dev/dm-2 rw\n"
        "24 20 0:40 / /mnt/ram rw - tmpfs tmpfs rw\n"
        "25 20 7:3 / /mnt/my\\040image rw - ext4 /dev/loop3 rw\n";

    linux_scope scope;
};

TEST_F(fake_system, the_system_disk_is_found_through_mappings_and_partitions) {
    mounts(table);
    linux_targets t(scope);
    EXPECT_EQ(t.device_path(0), sb.path(L"dev/sda"));
    EXPECT_EQ(t.device_path(1), sb.path(L"dev/sdb"));
    EXPECT_EQ(t.device_path(2), L"");  // loop devices are no disks by default
    EXPECT_TRUE(t.is_system_device(0));
    EXPECT_FALSE(t.is_system_device(1));

    const struct {
        const wchar_t* root;
        bool system;
        std::vector<int32_t> devices;
    } rows[] = {
        {L"/", true, {0}},
        {L"/mnt/data/", false, {1}},
        {L"/mnt/bind/", true, {0}},  // the root file system again
        {L"/mnt/snap/", true, {0}},  // another mapping of the root's partition
        {L"/mnt/ram/", false, {}},
        {L"/mnt/my image/", false, {}},
    };
    for (const auto& r : rows) {
        std::vector<int32_t> devices;
        EXPECT_EQ(t.is_system_volume(r.root), r.system) << os(r.root);
        EXPECT_TRUE(t.volume_devices(r.root, devices)) << os(r.root);
        EXPECT_EQ(devices, r.devices) << os(r.root);
    }
    EXPECT_EQ(t.system_volume_root(), L"/");
}

TEST_F(fake_system, a_chosen_disk_is_numbered_and_never_the_systems) {
    mounts(table);
    scope.disks = strings{L"loop3"};
    linux_targets t(scope);
    EXPECT_EQ(t.device_path(0), sb.path(L"dev/loop3"));
    EXPECT_EQ(t.device_number(sb.path(L"dev/loop3")), 0);
    EXPECT_FALSE(t.is_system_device(0));
    std::vector<int32_t> devices;
    EXPECT_TRUE(t.volume_devices(L"/mnt/my image/", devices));
    EXPECT_EQ(devices, std::vector<int32_t>{0});
}

TEST_F(fake_system, everything_is_the_systems_when_the_root_is_unknown) {
    for (const char* without_root : {"21 20 8:17 / /mnt/data rw - ext4 /dev/sdb1 rw\n",
                                     "20 1 0:33 / / rw - zfs rpool/root rw\n21 20 8:17 / /mnt/data rw - ext4 /dev/sdb1 rw\n"}) {
        mounts(without_root);
        linux_targets t(scope);
        EXPECT_TRUE(t.is_system_device(1)) << without_root;
        EXPECT_TRUE(t.is_system_volume(L"/mnt/data/")) << without_root;
    }
}

class scoped_volumes : public oblivar::test::sandbox_test {
protected:
    std::wstring root(const std::wstring& name) { return sb.path(name) + L"/"; }
    void SetUp() override {
        make_dirs(sb.path(L"a/home/.local/share"));
        make_dirs(sb.path(L"b"));
        scope.mounts = strings{sb.path(L"a"), sb.path(L"b")};
        scope.disks = strings{};
    }
    linux_scope scope;
};

TEST_F(scoped_volumes, only_the_chosen_folders_are_volumes) {
    linux_targets t(scope);
    oblivar::test::scoped_target_provider use(t);
    EXPECT_EQ(list_volumes(), (strings{root(L"a"), root(L"b")}));
    EXPECT_TRUE(list_physical_devices(true).empty());
    EXPECT_EQ(volume_root(sb.path(L"b/x/y")), root(L"b"));
    EXPECT_EQ(volume_root(sb.path(L"b")), root(L"b"));
    EXPECT_EQ(volume_root(sb.path(L"c")), L"");
    EXPECT_EQ(volume_root(L"/etc"), L"");
    EXPECT_EQ(drive_kind(sb.path(L"a/x")), kind_fixed);
    // A folder is no mount point: it has no device of its own, and it lies on the system's file system.
    EXPECT_EQ(volume_root(sb.path(L"a"), true), L"");
    EXPECT_TRUE(is_system_volume(sb.path(L"a")));
}

TEST_F(scoped_volumes, trash_folders_are_found_listed_and_emptied_one_volume_at_a_time) {
    scoped_env home("HOME", sb.path(L"a/home"));
    scoped_env data("XDG_DATA_HOME", sb.path(L"a/home/.local/share"));
    const std::string uid = std::to_string(getuid());
    const std::wstring home_trash = sb.path(L"a/home/.local/share/Trash/");
    const std::wstring b_trash = sb.path(L"b/.Trash-" + vandel::from_os_bytes(uid) + L"/");
    for (const std::wstring& t : {home_trash, b_trash}) {
        make_dirs(t + L"files");
        make_dirs(t + L"info");
    }
    // A shared .Trash that is not sticky is not to be used.
    make_dirs(sb.path(L"b/.Trash/" + vandel::from_os_bytes(uid) + L"/files"));
    write_bytes(sb.path(L"outside.txt"), "keep");

    linux_targets t(scope);
    oblivar::test::scoped_target_provider use(t);
    EXPECT_EQ(recycler_folder(sb.path(L"a/home/doc.txt")), home_trash);
    EXPECT_EQ(recycler_folder(sb.path(L"b/x")), b_trash);
    EXPECT_EQ(list_recycle_bins(false), (strings{home_trash, b_trash}));
    EXPECT_TRUE(list_recycle_bins(true).empty());
    EXPECT_FALSE(recycle_bin_has_items(sb.path(L"b")));

    make_dirs(b_trash + L"files/folder/inner");
    write_bytes(b_trash + L"files/folder/inner/old.txt", "x");
    write_bytes(b_trash + L"info/folder.trashinfo", "[Trash Info]\n");
    ASSERT_EQ(symlink(os(sb.path(L"outside.txt")).c_str(), os(b_trash + L"files/link").c_str()), 0);
    write_bytes(home_trash + L"files/mine.txt", "x");
    EXPECT_TRUE(recycle_bin_has_items(sb.path(L"b")));
    EXPECT_EQ(t.recycle_bin_items(root(L"b")), 2);
    EXPECT_EQ(list_recycle_bins(true), (strings{home_trash, b_trash}));

    EXPECT_EQ(empty_recycle_bin(sb.path(L"b/x")), err_ok);
    EXPECT_FALSE(recycle_bin_has_items(sb.path(L"b")));
    EXPECT_TRUE(path_exists(b_trash + L"files"));
    EXPECT_TRUE(path_exists(b_trash + L"info"));
    EXPECT_FALSE(path_exists(b_trash + L"info/folder.trashinfo"));
    EXPECT_EQ(oblivar::test::read_bytes(sb.path(L"outside.txt")), "keep");
    EXPECT_TRUE(path_exists(home_trash + L"files/mine.txt"));
    EXPECT_TRUE(recycle_bin_has_items(L""));
    EXPECT_EQ(empty_recycle_bin(sb.path(L"c")), err_not_available);
}

}  // namespace
