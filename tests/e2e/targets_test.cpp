// Devices, volumes, free space and recycle bins, all through olvex_images: image files and
// folders of the sandbox stand for them. The listings, too, show only these.
#include "tests/e2e/e2e.h"
#include "tests/support/mount.h"

namespace oblivar::test {
namespace {

class targets_test : public e2e_test {
protected:
    void SetUp() override {
        e2e_test::SetUp();
        make_file(L"dev0.img", 1 << 20);
        make_file(L"dev1.img", 2 << 20);
        make_file(L"vol.img", 1 << 20);
        make_dirs(sb.path(L"v1"));
        // The volume's recycle bin lies on it, as a Trash folder does.
        make_file(L"v1/bin/files/old letter.txt", 3000);
        make_file(L"v1/bin/info/old letter.txt.trashinfo", 50);
        root_ = sb.path(L"v1") + native_separator();
        driver_ = {L"--device=0|" + sb.path(L"dev0.img") + L"|SER0", L"--device=1|" + sb.path(L"dev1.img") + L"|-",
                   L"--volume=" + root_ + L"|" + sb.path(L"vol.img") + L"|DATA|2|1|" + sb.path(L"v1/bin") +
                       native_separator()};
    }
    std::wstring root_;
    args driver_;
};

bool only_byte(const std::string& bytes, char b) {
    return bytes.find_first_not_of(b) == std::string::npos;
}

TEST_F(targets_test, ListsTheDevicesAndVolumes) {
    const program_result devices = olvex_images(driver_, {L"--dev-list"});
    EXPECT_EQ(devices.exit_code, 0);
    EXPECT_EQ(devices.output, utf8(L"\nPhysical Devices...\n\n"
                                   L"DRIVE ID 0\n  Name: " + sb.path(L"dev0.img") + L"\n  Type: (unknown)\n"
                                   L"  Capacity: 1 MB\n  Sector size: 512 bytes\n  Hosted volumes: (none)\n\n"
                                   L"DRIVE ID 1\n  Name: " + sb.path(L"dev1.img") + L"\n  Type: Removable Drive\n"
                                   L"  Capacity: 2 MB\n  Sector size: 512 bytes\n  Hosted volumes: " + root_ +
                                   L"\n\n"));

    const program_result volumes = olvex_images(driver_, {L"-l"});
    EXPECT_EQ(volumes.exit_code, 0);
    EXPECT_EQ(volumes.output.find(utf8(L"\nDrive Volumes...\n\nVOLUME " + root_ + L"\n  Name: DATA\n"
                                       L"  Type: Removable Drive\n  Capacity: ")),
              0u)
        << volumes.output;
    EXPECT_TRUE(holds(volumes.output, L"\n  Device IDs: 1\n\n")) << volumes.output;

    EXPECT_EQ(olvex_images({}, {L"--dev-list"}).output, "\nPhysical Devices...\n\nNONE\n\n");
    // A device that can't be opened is noted, its name shown safely.
#ifdef _WIN32
    const std::wstring gone = sb.path(L"gone.img"), gone_shown = gone;
#else
    const std::wstring gone = sb.path(L"gone\n.img"), gone_shown = sb.path(L"gone\\x0A.img");
#endif
    EXPECT_EQ(olvex_images({L"--device=4|" + gone + L"|-"}, {L"--dev-list"}).output,
              utf8(L"\nPhysical Devices...\n\nDRIVE ID 4\n  Name: " + gone_shown + L"\n  Could not be opened\n\n"));
    EXPECT_EQ(olvex_images({}, {L"--vol-list"}).output, "\nDrive Volumes...\n\nNONE\n\n");

    // Both listings asked for: the volumes are listed, then the input error follows.
    const program_result both = olvex_images(driver_, {L"--vol-list", L"--dev-list"});
    EXPECT_EQ(both.exit_code, 2);
    EXPECT_EQ(both.output.find("\nDrive Volumes...\n\nVOLUME "), 0u);
    EXPECT_TRUE(holds(both.output, L"\nInput error:\n\nMutually exclusive input flags specified\n\n"));
    EXPECT_FALSE(holds(both.output, L"Physical Devices"));
}

TEST_F(targets_test, WipesADeviceAfterTheUserSaysYes) {
    const program_result run =
        olvex_images(driver_, {L"--wipe=dev", L"--scheme=zero", L"--verify=last", L"0"}, "y\n");
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(count_of(run.output, L"Start now? [y/n]: "), 1u);
    EXPECT_TRUE(holds(run.output, L"FINISHED: All Done OK")) << run.output;
    EXPECT_TRUE(only_byte(read_bytes(sb.path(L"dev0.img")), '\0'));
    EXPECT_EQ(read_bytes(sb.path(L"dev1.img")), pattern_bytes(2 << 20, "OBLIVAR-MARKER-"));
}

TEST_F(targets_test, WipesAVolumeAndSimulatesADevice) {
    // A folder inside the volume is no volume: refused before anything is written.
    make_dirs(sb.path(L"v1/photos"));
    const program_result inside = olvex_images(driver_, {L"--wipe=vol", L"-k", sb.path(L"v1/photos")});
    EXPECT_EQ(inside.exit_code, 1) << inside.output;
    EXPECT_TRUE(holds(inside.output, L"Note. Volume path is invalid")) << inside.output;
    EXPECT_EQ(read_bytes(sb.path(L"vol.img")), pattern_bytes(1 << 20, "OBLIVAR-MARKER-"));

    const program_result run = olvex_images(driver_, {L"--wipe=vol", L"-k", L"--scheme=dod", root_});
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(read_bytes(sb.path(L"vol.img")).find("OBLIVAR-MARKER-"), std::string::npos);

    const program_result simulated = olvex_images(driver_, {L"--wipe=device", L"-k", L"--simulation", L"1"});
    EXPECT_EQ(simulated.exit_code, 0) << simulated.output;
    EXPECT_EQ(read_bytes(sb.path(L"dev1.img")), pattern_bytes(2 << 20, "OBLIVAR-MARKER-"));
}

TEST_F(targets_test, ADeviceThatIsNoneOfTheListedFails) {
    const program_result run = olvex_images(driver_, {L"--wipe=dev", L"-k", L"7"});
    EXPECT_EQ(run.exit_code, 1) << run.output;
}

TEST_F(targets_test, WipesTheRecycleBin) {
    const program_result run = olvex_images(driver_, {L"--wipe=rcyc", L"-k"});
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_FALSE(path_exists(sb.path(L"v1/bin/files/old letter.txt")));
    EXPECT_TRUE(path_exists(sb.path(L"v1/bin")));
}

TEST_F(targets_test, CleansFreeSpace) {
#ifdef _WIN32
    // No small file system to fill under Wine: only a simulation.
    const program_result run = olvex_images(driver_, {L"--wipe=fspc", L"-k", L"--simulation", root_});
    EXPECT_EQ(run.exit_code, 0) << run.output;
#else
    scoped_tmpfs fs(sb, sb.path(L"fs"), 2048);
    if (!fs.mounted()) GTEST_SKIP() << "a tmpfs can't be mounted here";
    make_file(L"fs/keep.txt", 1000);
    const std::wstring root = fs.path() + L"/";
    const program_result run =
        olvex_images({L"--volume=" + root + L"|-|SMALL|5|-|-"}, {L"--wipe=fspc", L"-k", L"--scheme=zero", root});
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_EQ(list_tree(fs.path()), std::vector<std::wstring>{L"keep.txt"});
#endif
}

}  // namespace
}  // namespace oblivar::test
