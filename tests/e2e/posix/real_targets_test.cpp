// Linux only: olvex on this machine's own target provider, pointed only at what the test made:
// an ext4 image on the guarded loop device (a file wiped there leaves no trace in the image), a
// small tmpfs (free space) and the Trash of a HOME inside that tmpfs.
#include "tests/e2e/e2e.h"
#include "tests/support/env.h"
#include "tests/support/mount.h"
#include "vandel/os_text.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace oblivar::test {
namespace {

using real_targets_test = e2e_test;

// True when path is the root of a tmpfs of at most max_bytes: nothing else may be filled.
bool is_small_tmpfs(const std::wstring& path, uint64_t max_bytes) {
    struct statfs s {};
    return statfs(vandel::to_os_bytes(path).c_str(), &s) == 0 && s.f_type == TMPFS_MAGIC &&
           static_cast<uint64_t>(s.f_blocks) * static_cast<uint64_t>(s.f_bsize) <= max_bytes;
}

TEST_F(real_targets_test, AFileWipedOnExt4LeavesNoTraceInTheImage) {
    const std::wstring image = sb.path(L"ext4.img");
    write_bytes(image, std::string(16 << 20, '\0'));
    const std::string mkfs = "mkfs.ext4 -q -F " + vandel::to_os_bytes(image) + " >/dev/null 2>&1";
    if (std::system(mkfs.c_str()) != 0) GTEST_SKIP() << "mkfs.ext4 is not available";
    const std::string marker = pattern_bytes(256 << 10, "SECRET-MARKER-7731:");
    {
        scoped_loop_device loop(sb, image);
        if (!loop.attached()) GTEST_SKIP() << "no loop device here";
        const std::wstring mnt = sb.path(L"mnt");
        make_dirs(mnt);
        if (mount(vandel::to_os_bytes(loop.device()).c_str(), vandel::to_os_bytes(mnt).c_str(), "ext4", 0, nullptr) != 0)
            GTEST_SKIP() << "the ext4 image can't be mounted here";
        write_bytes(mnt + L"/secret.txt", marker);
        sync();
        const program_result run = olvex({L"--wipe=file", L"-k", mnt + L"/secret.txt"});
        EXPECT_EQ(run.exit_code, 0) << run.output;
        EXPECT_FALSE(path_exists(mnt + L"/secret.txt"));
        umount2(vandel::to_os_bytes(mnt).c_str(), 0);
    }
    const std::string bytes = read_bytes(image);
    EXPECT_EQ(bytes.find("SECRET-MARKER-7731:"), std::string::npos) << "the marker survived in the image";
}

// A 16 MiB ext4 image (4 KiB blocks) on the guarded loop device, mounted at mnt/ in the sandbox
// with keep.txt on it; skip() says why where it can't be had.
class small_ext4 {
public:
    explicit small_ext4(const sandbox& sb) {
        const std::wstring image = sb.path(L"ext4.img");
        write_bytes(image, std::string(16 << 20, '\0'));
        const std::string mkfs = "mkfs.ext4 -q -F -b 4096 " + vandel::to_os_bytes(image) + " >/dev/null 2>&1";
        if (std::system(mkfs.c_str()) != 0) {
            skip_ = "mkfs.ext4 is not available";
            return;
        }
        loop_ = std::make_unique<scoped_loop_device>(sb, image);
        if (!loop_->attached()) {
            skip_ = "no loop device here";
            return;
        }
        mount_ = std::make_unique<scoped_mount>(sb, loop_->device(), sb.path(L"mnt"), "ext4");
        if (!mount_->mounted()) {
            skip_ = "the ext4 image can't be mounted here";
            return;
        }
        write_bytes(path() + L"/keep.txt", "keep");
        sb.require_inside(path());
    }
    const std::string& skip() const { return skip_; }
    const std::wstring& path() const { return mount_->path(); }

private:
    std::unique_ptr<scoped_loop_device> loop_;
    std::unique_ptr<scoped_mount> mount_;  // after the device: unmounted before it is detached
    std::string skip_;
};

void expect_unreachable_free_space_told(const program_result& run, const std::wstring& volume) {
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_TRUE(holds(run.output, L" of free space could not be overwritten: the file system keeps it back from this program."))
        << run.output;
    EXPECT_TRUE(holds(run.output, L"WARNING: Some tasks were not completely successful")) << run.output;
    EXPECT_FALSE(holds(run.output, L"All Done OK")) << run.output;
    EXPECT_EQ(list_tree(volume), (std::vector<std::wstring>{L"keep.txt", L"lost+found/"}));
}

// ext4 keeps clusters back from every writer: olvex says how much free space it could not
// overwrite and exits as for a job not completely successful.
TEST_F(real_targets_test, FreeSpaceOnExt4ThatCantBeReachedIsToldAndIsNoSuccess) {
    small_ext4 volume(sb);
    if (!volume.skip().empty()) GTEST_SKIP() << volume.skip();
    expect_unreachable_free_space_told(olvex({L"--wipe=fspc", L"-k", L"--scheme=zero", volume.path() + L"/"}),
                                       volume.path());
}

// Ends the Wine server of the prefix in WINEPREFIX, and whatever still runs in it.
struct wine_server_stop {
    ~wine_server_stop() { std::system("wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1"); }
};

// The Windows build's olvex under Wine, with the image as drive E: in a copy of the build's own
// prefix (no drive but C: and E:). Wine's free-space figures leave out what ext4 keeps back from
// programs that are not root; the file system's own size query does not.
TEST_F(real_targets_test, FreeSpaceOnExt4ThatCantBeReachedIsToldByTheWindowsBuildUnderWine) {
    const std::wstring windows = WINDOWS_BUILD, wine = L"/usr/lib/wine/wine64";
    if (!path_exists(windows + L"/console/olvex.exe") || !path_exists(windows + L"/wineprefix/.oblivar-ready") ||
        !path_exists(wine))
        GTEST_SKIP() << "no Windows build with its Wine prefix here";
    small_ext4 volume(sb);
    if (!volume.skip().empty()) GTEST_SKIP() << volume.skip();
    const std::wstring prefix = sb.path(L"wineprefix");
    ASSERT_EQ(run_program(L"/bin/cp", {L"-a", windows + L"/wineprefix", prefix}, "", io_).exit_code, 0);
    ASSERT_EQ(run_program(L"/bin/cp", {windows + L"/console/olvex.exe", prefix + L"/drive_c/"}, "", io_).exit_code, 0);
    for (const auto& drive : std::filesystem::directory_iterator(vandel::to_os_bytes(prefix + L"/dosdevices")))
        if (drive.path().filename() != "c:") std::filesystem::remove(drive.path());
    ASSERT_EQ(symlink(vandel::to_os_bytes(volume.path()).c_str(), vandel::to_os_bytes(prefix + L"/dosdevices/e:").c_str()), 0);
    scoped_env wine_prefix("WINEPREFIX", prefix);
    scoped_env wine_debug("WINEDEBUG", std::wstring(L"-all"));
    const wine_server_stop stop;
    const program_result run =
        run_program(wine, {L"C:\\olvex.exe", L"--wipe=fspc", L"-k", L"--scheme=zero", L"E:"}, "", io_);
    expect_unreachable_free_space_told(run, volume.path());
}

TEST_F(real_targets_test, CleansTheFreeSpaceOfATmpfsAndEmptiesItsTrash) {
    scoped_tmpfs fs(sb, sb.path(L"fs"), 4096);
    if (!fs.mounted()) GTEST_SKIP() << "a tmpfs can't be mounted here";
    ASSERT_TRUE(is_small_tmpfs(fs.path(), 8 << 20));
    // The HOME, and so the Trash, of this run lie on the tmpfs.
    scoped_env home("HOME", fs.path() + L"/home");
    scoped_env data("XDG_DATA_HOME", fs.path() + L"/home/.local/share");
    make_file(L"fs/home/.local/share/Trash/files/gone.txt", 20000);
    make_file(L"fs/home/.local/share/Trash/info/gone.txt.trashinfo", 60);
    make_file(L"fs/keep.txt", 1000);
    const std::wstring root = fs.path() + L"/";

    const program_result clean = olvex({L"--wipe=fspc", L"-k", L"--empty-recycler", root});
    EXPECT_EQ(clean.exit_code, 0) << clean.output;
    EXPECT_FALSE(path_exists(sb.path(L"fs/home/.local/share/Trash/files/gone.txt")));
    EXPECT_TRUE(path_exists(sb.path(L"fs/keep.txt")));

    make_file(L"fs/home/.local/share/Trash/files/again.txt", 20000);
    const program_result bin = olvex({L"--wipe=rcyc", L"-k", root});
    EXPECT_EQ(bin.exit_code, 0) << bin.output;
    EXPECT_FALSE(path_exists(sb.path(L"fs/home/.local/share/Trash/files/again.txt")));
    EXPECT_TRUE(path_exists(sb.path(L"fs/keep.txt")));
}

// A volume job names a mount point, and a volume without a block device says so.
TEST_F(real_targets_test, AVolumeJobTakesOnlyAMountPointWithADevice) {
    scoped_tmpfs fs(sb, sb.path(L"fs"), 1024);
    if (!fs.mounted()) GTEST_SKIP() << "a tmpfs can't be mounted here";
    make_file(L"fs/sub/keep.txt", 1000);
    const program_result inside = olvex({L"--wipe=vol", L"-k", fs.path() + L"/sub"});
    EXPECT_EQ(inside.exit_code, 1) << inside.output;
    EXPECT_TRUE(holds(inside.output, L"Note. Volume path is invalid")) << inside.output;
    if (!root_is_a_listed_mount()) GTEST_SKIP() << "\"/\" is no listed mount here (a chroot): the system volume is unknown and every volume counts as the system's";
    const program_result memory = olvex({L"--wipe=vol", L"-k", fs.path()});
    EXPECT_EQ(memory.exit_code, 1) << memory.output;
    EXPECT_TRUE(holds(memory.output, L"no block device of its own")) << memory.output;
    EXPECT_TRUE(path_exists(sb.path(L"fs/sub/keep.txt")));
}

}  // namespace
}  // namespace oblivar::test
