#include "engine/drives.h"

#include "engine/targets.h"
#include "tests/support/image_targets.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"

#include <gtest/gtest.h>

namespace {

using namespace olvex;
using oblivar::test::image_targets;
using oblivar::test::make_dirs;
using oblivar::test::write_bytes;

using strings = std::vector<std::wstring>;

TEST(drive_root_text, takes_the_drive_of_a_windows_path) {
    const struct {
        const wchar_t* path;
        const wchar_t* root;
    } rows[] = {
        {L"d:\\reports\\2023.txt", L"D:"},
        {L"e", L"E:"},
        {L"  f:/a/b  ", L"F:"},
        {L"\\\\?\\g:\\long\\path", L"G:"},
        {L"\\\\.\\h:", L"H:"},
        {L"\\\\?\\\\\\.\\c:\\x", L"C:"},
        {L"\\\\server\\share\\dir", L"\\\\server\\share\\dir"},
        {L"", L""},
    };
    for (const auto& r : rows) EXPECT_EQ(drive_root_text(r.path), r.root) << "path " << testing::PrintToString(r.path);
    // However long the path: the drive of a drive path, and a root that is no drive whole.
    const std::wstring deep = L"\\\\server\\share\\" + std::wstring(200, L'd');
    EXPECT_EQ(drive_root_text(L"e:\\" + std::wstring(200, L'd')), L"E:");
    EXPECT_EQ(drive_root_text(deep), deep);
}

TEST(volume_serial_text, keeps_leading_zeros) {
    EXPECT_EQ(volume_serial_text(0xABC), L"0000-0ABC");
    EXPECT_EQ(volume_serial_text(0xDEADBEEF), L"DEAD-BEEF");
}

TEST(drive_type_text, gives_the_kind_or_the_fallback) {
    EXPECT_EQ(drive_type_text(kind_unknown, L"Disk"), L"Disk");
    EXPECT_EQ(drive_type_text(kind_fixed, L"Disk"), L"Local Drive");
    EXPECT_EQ(drive_type_text(kind_removable, L""), L"Removable Drive");
    EXPECT_EQ(drive_type_text(kind_remote, L""), L"Remote Drive");
    EXPECT_EQ(drive_type_text(kind_optical, L""), L"ROM Drive");
    EXPECT_EQ(drive_type_text(kind_ram, L""), L"Ram Drive");
    EXPECT_EQ(drive_type_text(kind_none, L"Disk"), L"");
    EXPECT_EQ(drive_type_text(42, L"Disk"), L"");
}

TEST(is_desktop_ini, matches_the_whole_name_in_any_case) {
    const std::wstring sep(1, oblivar::test::native_separator());
    EXPECT_TRUE(is_desktop_ini(L"bin" + sep + L"Desktop.INI"));
    EXPECT_TRUE(is_desktop_ini(L"desktop.ini"));
    EXPECT_FALSE(is_desktop_ini(L"desktop.ini.bak"));
    EXPECT_FALSE(is_desktop_ini(L"my desktop.ini"));
}

class drives : public oblivar::test::sandbox_test {
protected:
    image_targets t{sb};

    std::wstring image(const std::wstring& name, size_t size) { return t.image(name, size); }
    std::wstring folder(const std::wstring& name) { return t.folder(name); }
    // Device 1 (two volumes: a and b, a the system's), device 3 (volume c), device 4 without a medium.
    void add_machine() {
        t.add_device(1, {image(L"disk1.img", 12288), L"SER-1", 512, true, true});
        t.add_device(3, {image(L"disk3.img", 8192), L"SER-3", 4096, true, true});
        t.add_device(4, {image(L"disk4.img", 4096), L"", 512, false, true});
        t.add_volume({folder(L"a"), image(L"a.img", 4096), L"System", kind_fixed, {1}, false, L"", -1});
        t.add_volume({folder(L"b"), image(L"b.img", 4096), L"Data", kind_removable, {1}, false, L"", -1});
        t.add_volume({folder(L"c"), L"", L"", kind_fixed, {3}, false, L"", -1});
        t.add_volume({folder(L"gone"), L"", L"", kind_none, {}, false, L"", -1});
        t.set_system_volume(folder(L"a"));
    }
};

TEST_F(drives, parses_device_references) {
    t.add_device(2, {image(L"disk2.img", 4096), L"", 512, true, true});
    const struct {
        const wchar_t* text;
        const wchar_t* number;
    } rows[] = {
        {L"PhysicalDrive2", L"2"}, {L"\\\\.\\PHYSICALDRIVE2", L"2"}, {L"physicaldrive2\\x", L"2"},
        {L"drive-2", L"2"},        {L"dev2", L"2"},                   {L"id-2", L"2"},
        {L"device-0x3", L"3"},     {L" 7 ", L"7"},                    {L"PhysicalDrive15", L"15"},
        {L"PhysicalDrive16", L""}, {L"PhysicalDrive17", L""},         {L"drive--1", L""},
        {L"disk2", L""},           {L"", L""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parse_device_id(r.text, true), r.number) << "text " << testing::PrintToString(r.text);
    // A device path the system hands out names its device again.
    EXPECT_EQ(parse_device_id(sb.path(L"disk2.img"), true), L"2");
    EXPECT_EQ(parse_device_id(L"id-2", false), sb.path(L"disk2.img"));
    EXPECT_EQ(parse_device_id(L"id-0", false), L"");  // no such device here
}

TEST_F(drives, lists_volumes_with_a_medium_and_devices_that_answer) {
    add_machine();
    EXPECT_EQ(list_volumes(), (strings{folder(L"a"), folder(L"b"), folder(L"c")}));
    EXPECT_EQ(list_physical_devices(true), (strings{L"1", L"3"}));
    EXPECT_EQ(list_physical_devices(false), (strings{sb.path(L"disk1.img"), sb.path(L"disk3.img")}));
    EXPECT_EQ(volume_root(sb.path(L"b/x/y.txt")), folder(L"b"));
    EXPECT_EQ(volume_root(sb.path(L"b/x/y.txt"), true), sb.path(L"b.img"));
    EXPECT_EQ(volume_root(sb.path(L"elsewhere")), L"");
    EXPECT_EQ(drive_kind(sb.path(L"b/x")), kind_removable);
    EXPECT_EQ(drive_kind(sb.path(L"elsewhere")), kind_none);
}

TEST_F(drives, device_record_lists_its_volumes_and_is_system_through_them) {
    add_machine();
    drive_info d;
    ASSERT_TRUE(query_device_info(L"PhysicalDrive1", d, true));
    EXPECT_FALSE(d.is_volume);
    EXPECT_EQ(d.id, L"1");
    EXPECT_EQ(d.path, sb.path(L"disk1.img"));
    EXPECT_EQ(d.detail, L"SER-1");
    EXPECT_EQ(d.size, 12288u);
    EXPECT_EQ(d.sector_size, 512u);
    EXPECT_EQ(d.volumes, (strings{folder(L"a"), folder(L"b")}));
    EXPECT_EQ(d.kind, kind_removable);  // the last volume's kind
    EXPECT_TRUE(d.is_system);

    ASSERT_TRUE(query_device_info(L"3", d, true));
    EXPECT_EQ(d.volumes, (strings{folder(L"c")}));
    EXPECT_FALSE(d.is_system);

    // Without its volumes a device is still the system's when the provider says so.
    t.set_system_devices(std::vector<int32_t>{3});
    ASSERT_TRUE(query_device_info(L"3", d, false));
    EXPECT_TRUE(d.volumes.empty());
    EXPECT_TRUE(d.is_system);
}

TEST_F(drives, every_device_is_the_systems_when_the_system_devices_are_unknown) {
    add_machine();
    t.set_system_devices(std::nullopt);
    drive_info d;
    ASSERT_TRUE(query_device_info(L"3", d, false));
    EXPECT_TRUE(d.is_system);
}

TEST_F(drives, missing_and_unreadable_devices) {
    add_machine();
    t.add_device(5, {image(L"disk5.img", 4096), L"", 512, true, false});
    drive_info d;
    EXPECT_FALSE(query_device_info(L"PhysicalDrive9", d, true));
    EXPECT_EQ(d.kind, kind_none);
    EXPECT_EQ(d.id, L"");
    EXPECT_FALSE(d.is_volume);

    EXPECT_FALSE(query_device_info(L"5", d, true));
    EXPECT_EQ(d.kind, kind_unknown);  // it exists
    EXPECT_EQ(d.id, L"5");
    EXPECT_EQ(d.path, sb.path(L"disk5.img"));
    EXPECT_EQ(d.size, 0u);

    EXPECT_FALSE(query_device_info(L"not a device", d, true));
    EXPECT_EQ(d.kind, kind_none);
}

TEST_F(drives, volume_record) {
    add_machine();
    drive_info v;
    ASSERT_TRUE(query_volume_info(sb.path(L"b/some/file"), v, true));
    EXPECT_TRUE(v.is_volume);
    EXPECT_EQ(v.id, folder(L"b"));
    EXPECT_EQ(v.path, L"Data");
    EXPECT_EQ(v.kind, kind_removable);
    EXPECT_FALSE(v.is_system);
    EXPECT_EQ(v.devices, (strings{L"1"}));
    EXPECT_FALSE(v.file_system.empty());
    EXPECT_GT(v.size, 0u);
    EXPECT_EQ(v.detail.size(), 9u);
    EXPECT_EQ(v.detail[4], L'-');

    ASSERT_TRUE(query_volume_info(folder(L"a"), v, false));
    EXPECT_TRUE(v.is_system);
    EXPECT_TRUE(v.devices.empty());

    EXPECT_FALSE(query_volume_info(sb.path(L"gone/x"), v, true));
    EXPECT_EQ(v.kind, kind_none);
    EXPECT_FALSE(query_volume_info(sb.path(L"elsewhere"), v, true));
    EXPECT_EQ(v.id, L"");
}

TEST_F(drives, every_volume_is_the_systems_when_the_system_volume_is_unknown) {
    add_machine();
    EXPECT_FALSE(is_system_volume(sb.path(L"c/x")));
    t.set_system_volume(L"");
    EXPECT_TRUE(is_system_volume(sb.path(L"c/x")));
    EXPECT_FALSE(is_system_volume(sb.path(L"elsewhere")));  // on no volume at all
}

TEST_F(drives, probe_tells_openable_from_present_from_missing) {
    add_machine();
    t.add_device(5, {image(L"disk5.img", 4096), L"", 512, true, false});
    const struct {
        std::wstring path;
        int32_t result;
        const wchar_t* name;
        uint64_t size;
    } rows[] = {
        {L"PhysicalDrive3", 0, L"SER-3", 8192},
        {L"drive-5", 2, L"", 0},           // its size can't be read
        {L"PhysicalDrive9", 2, L"", 0},
        {sb.path(L"c/dir"), 1, nullptr, 0},  // a volume with no raw access
        {sb.path(L"gone/x"), 2, L"", 0},
        {sb.path(L"elsewhere"), 2, L"", 0},
    };
    for (const auto& r : rows) {
        std::wstring name = L"junk", identity = L"junk";
        uint64_t size = 99;
        EXPECT_EQ(probe_target(r.path, name, size, identity), r.result) << testing::PrintToString(r.path);
        if (r.name) {
            EXPECT_EQ(name, r.name);
        }
        if (r.result != 1) {
            EXPECT_EQ(size, r.size);
        }
        EXPECT_EQ(identity.empty(), r.result != 0);
        EXPECT_EQ(probe_target_access(r.path), r.result);
    }
    // An openable volume: its serial text and file-system size, and an identity to find again.
    std::wstring name, identity;
    uint64_t size = 0;
    EXPECT_EQ(probe_target(sb.path(L"b"), name, size, identity), 0);
    EXPECT_EQ(name.size(), 9u);
    EXPECT_FALSE(identity.empty());
    // The system's own device opens, but is never named for writing.
    EXPECT_EQ(probe_target(L"1", name, size, identity), 0);
    t.set_system_devices(std::vector<int32_t>{1});
    EXPECT_EQ(probe_target(L"1", name, size, identity), 0);
    EXPECT_EQ(identity, L"");
}

class recycle_bins : public drives {
protected:
    void SetUp() override {
        t.add_volume({folder(L"a"), L"", L"", kind_fixed, {}, false, folder(L"a/bin"), -1});
        t.add_volume({folder(L"b"), L"", L"", kind_fixed, {}, false, folder(L"b/bin"), -1});
        t.add_volume({folder(L"c"), L"", L"", kind_fixed, {}, false, L"", -1});
        t.set_system_volume(folder(L"b"));
    }
};

TEST_F(recycle_bins, hold_items_within_three_levels_other_than_desktop_ini) {
    write_bytes(sb.path(L"a/bin/desktop.ini"), "x");
    make_dirs(sb.path(L"a/bin/s1/s2/s3"));
    write_bytes(sb.path(L"a/bin/s1/DESKTOP.INI"), "x");
    write_bytes(sb.path(L"a/bin/s1/s2/s3/deep.txt"), "x");  // a fourth level
    EXPECT_FALSE(recycle_bin_has_items(sb.path(L"a/x")));
    write_bytes(sb.path(L"a/bin/s1/s2/third.txt"), "x");
    EXPECT_TRUE(recycle_bin_has_items(sb.path(L"a/x")));
    EXPECT_FALSE(recycle_bin_has_items(sb.path(L"c")));  // no bin
}

TEST_F(recycle_bins, the_systems_count_is_asked_first) {
    t.add_volume({folder(L"d"), L"", L"", kind_fixed, {}, false, folder(L"d/bin"), 3});
    EXPECT_TRUE(recycle_bin_has_items(sb.path(L"d")));
}

TEST_F(recycle_bins, are_listed_in_volume_order_and_emptied_by_volume) {
    EXPECT_EQ(list_recycle_bins(false), (strings{folder(L"a/bin"), folder(L"b/bin")}));
    EXPECT_TRUE(list_recycle_bins(true).empty());
    EXPECT_FALSE(recycle_bin_has_items(L""));
    write_bytes(sb.path(L"b/bin/old.doc"), "x");
    EXPECT_EQ(list_recycle_bins(true), (strings{folder(L"b/bin")}));
    EXPECT_TRUE(recycle_bin_has_items(L" "));

    // An empty path means the system volume.
    EXPECT_EQ(recycler_folder(L""), folder(L"b/bin"));
    EXPECT_EQ(recycler_folder(sb.path(L"a/f")), folder(L"a/bin"));
    EXPECT_EQ(empty_recycle_bin(L""), err_ok);
    EXPECT_EQ(t.emptied(), (strings{folder(L"b")}));
    EXPECT_FALSE(recycle_bin_has_items(L""));
    EXPECT_EQ(empty_recycle_bin(sb.path(L"c/x")), err_not_available);
    EXPECT_EQ(empty_recycle_bin(sb.path(L"elsewhere")), err_not_available);
}

// The machine's own provider, read-only: it knows which volume holds the operating system.
TEST(system_targets, know_the_system_volume) {
#ifndef _WIN32
    if (!oblivar::test::root_is_a_listed_mount()) GTEST_SKIP() << "\"/\" is no listed mount here (a chroot): the system volume is unknown and every volume counts as the system's";
#endif
    const std::wstring root = system_volume_root();
    ASSERT_FALSE(root.empty());
    EXPECT_TRUE(is_system_volume(root));
    const strings volumes = list_volumes();
    EXPECT_NE(std::find(volumes.begin(), volumes.end(), root), volumes.end());
    drive_info v;
    EXPECT_TRUE(query_volume_info(root, v, false));
    EXPECT_TRUE(v.is_system);
}

}  // namespace
