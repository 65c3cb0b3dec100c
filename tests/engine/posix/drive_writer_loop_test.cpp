// The volume and device writer on a real block device: a loop device that the test attaches to
// an image in its sandbox (checked in /sys/block/loopN/loop/backing_file), with an ext4 file
// system mounted inside the sandbox. The provider sees only that disk and that mount.
#include "engine/drive_writer.h"

#include "engine/drives.h"
#include "engine/posix/linux_targets.h"
#include "engine/scheme.h"
#include "tests/support/image_targets.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"
#include "vandel/os_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

using namespace olvex;
using oblivar::test::read_bytes;
using oblivar::test::write_bytes;

const std::string marker = "OBLIVAR-SECRET-5c1";

bool is_mounted(const std::wstring& folder) {
    std::ifstream in("/proc/self/mountinfo");
    const std::string point = " " + vandel::to_os_bytes(folder) + " ";
    for (std::string line; std::getline(in, line);)
        if (line.find(point) != std::string::npos) return true;
    return false;
}

TEST(drive_writer_loop, wipes_a_mounted_volume_and_then_the_whole_device) {
    if (vandel::path_kind(L"/dev/loop-control") == vandel::kind_missing) GTEST_SKIP() << "no loop devices here";
    if (!oblivar::test::root_is_a_listed_mount()) GTEST_SKIP() << "\"/\" is no listed mount here (a chroot): the system volume is unknown and every volume counts as the system's";
    oblivar::test::sandbox sb;
    // 9 MiB and three sectors: not a multiple of the 64 KiB block.
    const size_t size = (9 << 20) + 3 * 512;
    const std::wstring image = sb.path(L"disk.img");
    write_bytes(image, std::string(size, '\0'));
    sb.require_inside(image);
    if (std::system(("mkfs.ext4 -q -F -b 4096 '" + vandel::to_os_bytes(image) + "' >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "mkfs.ext4 is missing";
    oblivar::test::scoped_loop_device loop(sb, image);
    if (!loop.attached()) GTEST_SKIP() << "cannot attach a loop device here";
    oblivar::test::scoped_mount mnt(sb, loop.device(), sb.path(L"mnt"), "ext4");
    if (!mnt.mounted()) GTEST_SKIP() << "cannot mount the loop device here";
    write_bytes(sb.path(L"mnt/secret.txt"), oblivar::test::pattern_bytes(1 << 20, marker));

    posix::linux_scope scope;
    scope.disks = std::vector<std::wstring>{loop.device().substr(5)};
    scope.mounts = std::vector<std::wstring>{mnt.path()};
    posix::linux_targets t(scope);
    oblivar::test::scoped_target_provider use(t);
    const std::wstring root = mnt.path() + L"/";
    ASSERT_EQ(list_volumes(), std::vector<std::wstring>{root});
    ASSERT_EQ(list_physical_devices(false), std::vector<std::wstring>{loop.device()});
    drive_info device;
    ASSERT_TRUE(query_device_info(L"0", device, true));
    EXPECT_EQ(device.size, size);
    EXPECT_EQ(device.volumes, std::vector<std::wstring>{root});
    EXPECT_FALSE(device.is_system);
    EXPECT_EQ(volume_root(root, true), loop.device());

    // The volume: unmounted, held, written with random data and read back from the medium.
    std::wstring name, identity;
    uint64_t probed = 0;
    ASSERT_EQ(probe_target(root, name, probed, identity), 0);
    {
        drive_writer w;
        ASSERT_EQ(w.open_volume(root, 1 | verify_last, identity), 0);
        EXPECT_FALSE(is_mounted(mnt.path()));
        EXPECT_EQ(w.size(), size);
        while (w.step(false)) {
        }
        EXPECT_EQ(w.result(), 0);
        EXPECT_EQ(w.bytes_done(), 2 * size);
        EXPECT_EQ(w.close(), 0);
    }
    std::string bytes = read_bytes(image);
    ASSERT_EQ(bytes.size(), size);
    EXPECT_EQ(bytes.find(marker), std::string::npos);
    for (size_t at = 0; at + 4096 <= size; at += 4096)
        ASSERT_NE(bytes.compare(at, 4096, std::string(4096, '\0')), 0) << "a block left unwritten at " << at;

    // The whole device, analysed again as a device job would be, and written with zeros.
    ASSERT_EQ(probe_target(L"0", name, probed, identity), 0);
    {
        drive_writer w;
        ASSERT_EQ(w.open_device(L"PhysicalDrive0", 0 | verify_last, identity), 0);
        while (w.step(false)) {
        }
        EXPECT_EQ(w.result(), 0);
        EXPECT_EQ(w.bytes_total(), 2 * size);
        EXPECT_EQ(w.close(), 0);
    }
    bytes = read_bytes(image);
    ASSERT_EQ(bytes.size(), size);
    EXPECT_EQ(bytes.find_first_not_of('\0'), std::string::npos);
}

}  // namespace
