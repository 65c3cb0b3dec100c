// The file writer against a real file system on a real block device: an ext4 image attached to a
// loop device that the test attaches to its own image (Linux, as root; skipped elsewhere).
#include "engine/file_writer.h"
#include "engine/scheme.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/os_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using oblivar::test::read_bytes;
using oblivar::test::write_bytes;

const std::string marker = "OBLIVAR-MARK-7f3";

std::string shell_quoted(const std::wstring& path) { return "'" + vandel::to_os_bytes(path) + "'"; }

class WriterOnAMedium : public oblivar::test::sandbox_test {
protected:
    void SetUp() override {
        if (vandel::path_kind(L"/dev/loop-control") == vandel::kind_missing) GTEST_SKIP() << "no loop devices here";
        image = sb.path(L"ext4.img");
        write_bytes(image, std::string(16 << 20, '\0'));
        sb.require_inside(image);
        if (shell("mkfs.ext4 -q -F -b 4096 " + shell_quoted(image)) != 0) GTEST_SKIP() << "mkfs.ext4 is missing";
    }

    static int shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

    // Puts a file of size marker bytes into the image, without mounting it.
    void put_victim(size_t size) {
        std::wstring source = sb.path(L"victim.src");
        write_bytes(source, oblivar::test::pattern_bytes(size, marker));
        ASSERT_EQ(shell("debugfs -w -R 'write " + vandel::to_os_bytes(source) + " victim' " + shell_quoted(image)), 0);
        vandel::remove_path(source, false);
        ASSERT_NE(read_bytes(image).find(marker), std::string::npos);
    }

    // The byte offset in the image of the victim's first block.
    int64_t first_block_offset() {
        std::wstring out = sb.path(L"bmap.txt");
        std::system(("debugfs -R 'bmap victim 0' " + shell_quoted(image) + " >" + shell_quoted(out) + " 2>/dev/null").c_str());
        int64_t block = std::atoll(read_bytes(out).c_str());
        vandel::remove_path(out, false);
        return block * 4096;
    }

    static void run(olvex::poller& w) {
        while (w.step(false)) {
        }
    }

    std::wstring image;
};

TEST_F(WriterOnAMedium, NoMarkerByteSurvivesOnTheDevice) {
    put_victim((1 << 20) + 123);
    {
        oblivar::test::scoped_loop_device loop(sb, image);
        if (!loop.attached()) GTEST_SKIP() << "cannot attach a loop device";
        oblivar::test::scoped_mount mnt(sb, loop.device(), sb.path(L"mnt"), "ext4");
        if (!mnt.mounted()) GTEST_SKIP() << "cannot mount ext4";
        std::wstring victim = sb.path(L"mnt/victim");
        olvex::file_writer w(olvex::writer_overwrite, 3);
        ASSERT_EQ(w.open(victim, 3 | olvex::verify_last, 0), 0);
        run(w);
        EXPECT_EQ(w.result(), 0);
        EXPECT_EQ(w.close(), 0);
        EXPECT_EQ(w.result(), 0);
        EXPECT_EQ(vandel::path_kind(victim), vandel::kind_missing);
    }
    EXPECT_EQ(read_bytes(image).find(marker), std::string::npos);
}

// What the device holds as soon as each scheme's wipe has ended, with nothing written back by
// the test: every pass end must have reached the medium on its own. The device is read with
// O_DIRECT while the file system is still mounted.
TEST_F(WriterOnAMedium, EverySchemesWipeIsOnTheMediumWhenItEnds) {
    oblivar::test::scoped_loop_device loop(sb, image);
    if (!loop.attached()) GTEST_SKIP() << "cannot attach a loop device";
    oblivar::test::scoped_mount mnt(sb, loop.device(), sb.path(L"mnt"), "ext4");
    if (!mnt.mounted()) GTEST_SKIP() << "cannot mount ext4";
    auto marker_of = [](uint32_t scheme) { return marker + "-scheme-" + std::to_string(scheme); };
    std::wstring raw = sb.path(L"raw.bin");
    auto read_device = [&] {
        vandel::remove_path(raw, false);
        EXPECT_EQ(shell("dd iflag=direct bs=1M if=" + shell_quoted(loop.device()) + " of=" + shell_quoted(raw)), 0);
        return read_bytes(raw);
    };

    for (uint32_t scheme = 0; scheme < 10; ++scheme) {
        // The victim's bytes reach the device before the wipe, so that the wipe must replace them.
        vandel::file_stream victim(sb.path(L"mnt/victim" + std::to_wstring(scheme)), vandel::open_create);
        const std::string bytes = oblivar::test::pattern_bytes(200000 + scheme * 4096, marker_of(scheme));
        ASSERT_EQ(victim.write(bytes.data(), static_cast<int64_t>(bytes.size())), static_cast<int64_t>(bytes.size()));
        ASSERT_TRUE(victim.flush());
    }
    const std::string before = read_device();
    for (uint32_t scheme = 0; scheme < 10; ++scheme) ASSERT_NE(before.find(marker_of(scheme)), std::string::npos);

    for (uint32_t scheme = 0; scheme < 10; ++scheme) {
        olvex::file_writer w(olvex::writer_overwrite, 3);
        ASSERT_EQ(w.open(sb.path(L"mnt/victim" + std::to_wstring(scheme)), scheme, 0), 0);
        run(w);
        EXPECT_EQ(w.close(), 0);
        EXPECT_EQ(w.result(), 0) << scheme;
    }
    const std::string after = read_device();
    for (uint32_t scheme = 0; scheme < 10; ++scheme)
        EXPECT_EQ(after.find(marker_of(scheme)), std::string::npos) << "scheme " << scheme;
    vandel::remove_path(raw, false);
}

TEST_F(WriterOnAMedium, VerificationReadsTheMediumNotTheCache) {
    put_victim(256 * 1024);
    const int64_t offset = first_block_offset();
    ASSERT_GT(offset, 0);
    oblivar::test::scoped_loop_device loop(sb, image);
    if (!loop.attached()) GTEST_SKIP() << "cannot attach a loop device";
    oblivar::test::scoped_mount mnt(sb, loop.device(), sb.path(L"mnt"), "ext4");
    if (!mnt.mounted()) GTEST_SKIP() << "cannot mount ext4";

    olvex::file_writer w(olvex::writer_overwrite, -1);
    w.set_tolerance(0);
    ASSERT_EQ(w.open(sb.path(L"mnt/victim"), 1 | olvex::verify_last, 0), 0);
    while (w.bytes_done() < w.size()) ASSERT_TRUE(w.step(false));

    // The write pass has reached the device. Change one byte there, behind the file system's
    // cache, which still holds what was written.
    vandel::file_stream medium(image, vandel::open_read_write | vandel::open_share_read_write);
    ASSERT_TRUE(medium.is_open());
    uint8_t byte = 0;
    ASSERT_TRUE(medium.seek(offset + 1000, 0));
    ASSERT_EQ(medium.read(&byte, 1), 1);
    byte ^= 0x5A;
    ASSERT_TRUE(medium.seek(offset + 1000, 0));
    ASSERT_EQ(medium.write(&byte, 1), 1);
    ASSERT_TRUE(medium.flush());
    medium.close();

    run(w);
    EXPECT_EQ(w.result(), olvex::err_verify_failed);
    EXPECT_EQ(w.bad_verify_bytes(), 1u);
    EXPECT_EQ(w.close(), 0);
}

}  // namespace
