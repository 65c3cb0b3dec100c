// The file and device stream: modes, transfers, misuse, sharing (in and across processes), full
// disks, devices and reading past the system's cache.
#include "vandel/file_stream.h"

#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/limits.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"
#include "vandel/os_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <stdexcept>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

using namespace oblivar::test;
using vandel::file_stream;

class FileStream : public sandbox_test {
protected:
    std::string read_all(file_stream& s) {
        std::string out(static_cast<size_t>(s.remaining()), '\0');
        out.resize(static_cast<size_t>(s.read(out.data(), s.remaining())));
        return out;
    }
};

TEST_F(FileStream, ModesOpenCreateTruncateAndAppend) {
    const std::wstring f = sb.path(L"f");
    file_stream s;
    EXPECT_FALSE(s.open(f, vandel::open_read));
    EXPECT_FALSE(s.open(f, vandel::open_read_write));
    EXPECT_FALSE(s.is_open());

    ASSERT_TRUE(s.open(f, vandel::open_append_read_write, 1));  // creates
    EXPECT_EQ(s.text_form(), 1);
    EXPECT_EQ(s.write("0123456789", 10), 10);
    EXPECT_EQ(s.path(), f);
    EXPECT_EQ(s.flags(), vandel::open_append_read_write);

    EXPECT_FALSE(s.open(L"", vandel::open_read));  // an empty path leaves the stream as it was
    EXPECT_TRUE(s.is_open());
    EXPECT_THROW(s.open(f, 8), std::invalid_argument);
    EXPECT_FALSE(s.is_open());
    EXPECT_EQ(s.path(), f);

    ASSERT_TRUE(s.open(f, vandel::open_append));
    EXPECT_EQ(s.position(), 10);
    EXPECT_EQ(s.size(), 10);
    EXPECT_FALSE(s.readable());
    EXPECT_EQ(s.write("abcde", 5), 5);
    EXPECT_EQ(s.size(), 15);
    s.close();
    EXPECT_EQ(read_bytes(f), "0123456789abcde");

    sb.require_inside(f);
    ASSERT_TRUE(s.open(f, vandel::open_create));
    EXPECT_EQ(s.size(), 0);
    s.close();
    EXPECT_EQ(read_bytes(f), "");
}

TEST_F(FileStream, CreateNewNeverOpensAnExistingName) {
    for (uint32_t mode : {vandel::open_create_new, vandel::open_create_new_read_write}) {
        SCOPED_TRACE(mode);
        const std::wstring f = sb.path(L"new" + std::to_wstring(mode));
        file_stream s;
        ASSERT_TRUE(s.open(f, mode));
        EXPECT_EQ(s.readable(), mode == vandel::open_create_new_read_write);
        EXPECT_EQ(s.write("abc", 3), 3);
        s.close();
        EXPECT_FALSE(s.open(f, mode));
        EXPECT_EQ(read_bytes(f), "abc");
    }

    // A link in the way is an existing name too, even when it leads nowhere.
    const std::wstring link = sb.path(L"link");
    if (!make_link(link, sb.path(L"absent"), false)) GTEST_SKIP() << "no symbolic links here";
    file_stream s;
    for (uint32_t mode : {vandel::open_create_new, vandel::open_create_new_read_write})
        EXPECT_FALSE(s.open(link, mode)) << mode;
    EXPECT_FALSE(path_exists(sb.path(L"absent")));
}

TEST_F(FileStream, WritingNeverFollowsALink) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows opens through links; writers compare the file's identity instead";
#else
    const std::wstring target = sb.path(L"target"), link = sb.path(L"link");
    write_bytes(target, "keep");
    if (!make_link(link, target, false)) GTEST_SKIP() << "no symbolic links here";
    for (uint32_t mode : {vandel::open_read_write, vandel::open_create, vandel::open_create_read_write,
                          vandel::open_append, vandel::open_append_read_write, vandel::open_create_new,
                          vandel::open_create_new_read_write}) {
        file_stream s;
        EXPECT_FALSE(s.open(link, mode)) << mode;
    }
    EXPECT_EQ(read_bytes(target), "keep");
    file_stream reader;
    EXPECT_TRUE(reader.open(link, vandel::open_read));
#endif
}

TEST_F(FileStream, ReadsWritesAndSeeks) {
    sb.require_inside(sb.path(L"f"));
    write_bytes(sb.path(L"f"), pattern_bytes(100, "0123456789"));
    file_stream s(sb.path(L"f"), vandel::open_read_write);
    ASSERT_TRUE(s.is_open());
    char buf[200];
    ASSERT_TRUE(s.seek(70, file_stream::from_start));
    EXPECT_EQ(s.read(buf, 100), 30);
    EXPECT_EQ(std::string(buf, 3), "012");
    EXPECT_EQ(s.read(buf, 100), 0);
    EXPECT_TRUE(s.eof());

    EXPECT_FALSE(s.seek(1, file_stream::from_end));
    EXPECT_TRUE(s.seek(0, file_stream::from_end));
    EXPECT_FALSE(s.seek(-101, file_stream::from_current));
    EXPECT_TRUE(s.seek(-100, file_stream::from_current));
    EXPECT_FALSE(s.seek(INT64_MAX, file_stream::from_end));
    EXPECT_EQ(s.position(), 0);

    ASSERT_TRUE(s.seek(95, file_stream::from_start));
    EXPECT_EQ(s.write("ABCDEFGHIJ", 10), 10);
    EXPECT_EQ(s.size(), 105);

    // set_size: to the same size at once; below the position moves it; growth reads zeros.
    EXPECT_TRUE(s.set_size(105));
    EXPECT_TRUE(s.set_size(50));
    EXPECT_EQ(s.position(), 50);
    EXPECT_TRUE(s.set_size(60));
    EXPECT_EQ(s.position(), 50);
    EXPECT_EQ(s.read(buf, 20), 10);
    EXPECT_EQ(std::string(buf, 10), std::string(10, '\0'));
    EXPECT_THROW(s.set_size(-1), std::length_error);
    EXPECT_TRUE(s.flush());
    s.close();
    EXPECT_EQ(read_bytes(sb.path(L"f")), pattern_bytes(50, "0123456789") + std::string(10, '\0'));
}

TEST_F(FileStream, MisuseThrows) {
    write_bytes(sb.path(L"f"), "data");
    char buf[8];
    file_stream closed;
    EXPECT_THROW(closed.read(buf, 1), std::logic_error);
    EXPECT_THROW(closed.write(buf, 1), std::logic_error);
    EXPECT_THROW(closed.seek(0, 0), std::logic_error);
    EXPECT_THROW(closed.set_size(0), std::logic_error);
    EXPECT_THROW(closed.flush(), std::logic_error);

    file_stream reader(sb.path(L"f"), vandel::open_read);
    ASSERT_TRUE(reader.is_open());
    EXPECT_THROW(reader.write(buf, 1), std::logic_error);
    EXPECT_THROW(reader.set_size(0), std::logic_error);
    EXPECT_THROW(reader.flush(), std::logic_error);
    EXPECT_THROW(reader.read(nullptr, 1), std::invalid_argument);
    EXPECT_THROW(reader.read(buf, -1), std::length_error);
    EXPECT_EQ(reader.read(nullptr, 0), 0);
    reader.close();

    sb.require_inside(sb.path(L"w"));
    file_stream writer(sb.path(L"w"), vandel::open_create);
    ASSERT_TRUE(writer.is_open());
    EXPECT_THROW(writer.read(buf, 1), std::logic_error);
    EXPECT_THROW(writer.write(nullptr, 1), std::invalid_argument);
    EXPECT_THROW(writer.write(buf, -1), std::length_error);
    EXPECT_THROW(writer.write(buf, 0xFFFFFFFFLL), std::length_error);
    EXPECT_EQ(writer.write(nullptr, 0), 0);
}

TEST_F(FileStream, OpenTextLearnsTheEncoding) {
    const std::wstring f = sb.path(L"t.txt");
    write_bytes(f, std::string("\xFF\xFEh\0i\0", 6));
    file_stream s;
    ASSERT_TRUE(s.open_text(f, vandel::open_read));
    EXPECT_EQ(s.text_form(), 2);
    EXPECT_NE(s.byte_order(), 1);
    EXPECT_EQ(s.position(), 2);
    ASSERT_TRUE(s.open_text(f, vandel::open_append_read_write));
    EXPECT_EQ(s.text_form(), 2);
    EXPECT_EQ(s.position(), 6);
    EXPECT_THROW(s.open_text(f, vandel::open_append), std::logic_error);

    sb.require_inside(f);
    ASSERT_TRUE(s.open_text(f, vandel::open_create, 3));  // nothing left to learn from
    EXPECT_EQ(s.text_form(), 3);
    s.close();
    EXPECT_TRUE(s.open_text(f, vandel::open_read, 1));  // empty
    EXPECT_EQ(s.text_form(), 1);
}

TEST_F(FileStream, FoldersAreRefused) {
    make_dirs(sb.path(L"d"));
    file_stream s;
    EXPECT_FALSE(s.open(sb.path(L"d"), vandel::open_read));
    EXPECT_FALSE(s.open(sb.path(L"d"), vandel::open_append_read_write));
    EXPECT_FALSE(s.open(sb.path(L"d"), vandel::open_read | vandel::open_device));
    EXPECT_TRUE(is_directory(sb.path(L"d")));
}

TEST_F(FileStream, WriteThroughFilesDontFlushDevicesAlwaysDo) {
    sb.require_inside(sb.path(L"image"));
    sb.require_inside(sb.path(L"f"));
    write_bytes(sb.path(L"image"), std::string(8192, 'x'));
    file_stream file(sb.path(L"f"), vandel::open_create_read_write | vandel::open_write_through);
    ASSERT_TRUE(file.is_open());
    EXPECT_EQ(file.write("x", 1), 1);
    EXPECT_FALSE(file.flush());

    // A device opened as the wipe engine opens it: its size is the image's, and flushing works.
    file_stream dev(sb.path(L"image"), 0x311);
    ASSERT_TRUE(dev.is_open());
    EXPECT_EQ(dev.size(), 8192);
    EXPECT_EQ(dev.write(std::string(4096, 'y').data(), 4096), 4096);
    EXPECT_TRUE(dev.flush());
    ASSERT_TRUE(dev.rewind());
    char buf[4096];
    EXPECT_EQ(dev.read(buf, 4096), 4096);
    EXPECT_EQ(std::string(buf, 4096), std::string(4096, 'y'));
    EXPECT_EQ(dev.read(buf, 4096), 4096);
    EXPECT_EQ(std::string(buf, 4096), std::string(4096, 'x'));
    EXPECT_EQ(dev.read(buf, 4096), 0);
}

TEST_F(FileStream, UnbufferedReadsSeeWhatWasWritten) {
    // A verification stream beside the writer, as the engine uses one: aligned blocks.
    const std::string block = pattern_bytes(65536, "verify");
    sb.require_inside(sb.path(L"f"));
    file_stream writer(sb.path(L"f"), vandel::open_create_read_write | vandel::open_share_read_write);
    ASSERT_TRUE(writer.is_open());
    ASSERT_EQ(writer.write(block.data(), 65536), 65536);
    ASSERT_TRUE(writer.flush());
    file_stream verify(sb.path(L"f"), vandel::open_read | vandel::open_share_read_write | vandel::open_no_buffering);
    ASSERT_TRUE(verify.is_open());
    struct alignas(4096) aligned {
        char bytes[65536];
    };
    auto buf = std::make_unique<aligned>();
    EXPECT_EQ(verify.read(buf->bytes, 65536), 65536);
    EXPECT_EQ(std::string(buf->bytes, 65536), block);
}

TEST_F(FileStream, SharingRefusesWithoutTruncating) {
    const std::wstring f = sb.path(L"f");
    write_bytes(f, "precious");
    sb.require_inside(f);

    file_stream holder(f, vandel::open_read_write | vandel::open_share_none);
    ASSERT_TRUE(holder.is_open());
    file_stream other;
    EXPECT_FALSE(other.open(f, vandel::open_read));
    EXPECT_FALSE(other.open(f, vandel::open_read | vandel::open_share_read_write));
    EXPECT_FALSE(other.open(f, vandel::open_create));
    EXPECT_FALSE(other.open(f, vandel::open_create_read_write | vandel::open_share_read_write));
    holder.close();
    EXPECT_EQ(read_bytes(f), "precious");

    // Readers that share reading coexist, and keep a writer out.
    file_stream r1(f, vandel::open_read), r2(f, vandel::open_read);
    EXPECT_TRUE(r1.is_open());
    EXPECT_TRUE(r2.is_open());
    EXPECT_FALSE(other.open(f, vandel::open_read_write));
    EXPECT_FALSE(other.open(f, vandel::open_create));
    r1.close();
    r2.close();
    EXPECT_EQ(read_bytes(f), "precious");
    EXPECT_TRUE(other.open(f, vandel::open_create));
}

constexpr int child_opened = 10;
constexpr int child_refused = 20;

TEST(FileStreamChild, TryOpen) {
    if (!is_child_test()) GTEST_SKIP() << "runs only as a child process of the cross-process tests";
    const std::wstring path = get_env("OBLIVAR_PATH").value_or(L"");
    const auto flags = static_cast<uint32_t>(std::wcstoul(get_env("OBLIVAR_FLAGS").value_or(L"0").c_str(), nullptr, 16));
    file_stream s;
    std::exit(s.open(path, flags) ? child_opened : child_refused);
}

TEST_F(FileStream, SharingHoldsAcrossProcesses) {
    const std::wstring f = sb.path(L"f");
    write_bytes(f, "precious");
    sb.require_inside(f);
    scoped_env path("OBLIVAR_PATH", f);
    auto try_in_child = [](const wchar_t* flags) {
        scoped_env env("OBLIVAR_FLAGS", std::wstring(flags));
        return run_child_test("FileStreamChild.TryOpen");
    };
    {
        file_stream holder(f, vandel::open_read_write | vandel::open_share_none);
        ASSERT_TRUE(holder.is_open());
        EXPECT_EQ(try_in_child(L"0"), child_refused);
        EXPECT_EQ(try_in_child(L"13"), child_refused);  // would truncate
    }
    EXPECT_EQ(read_bytes(f), "precious");
    {
        file_stream reader(f, vandel::open_read);
        ASSERT_TRUE(reader.is_open());
        EXPECT_EQ(try_in_child(L"0"), child_opened);
        EXPECT_EQ(try_in_child(L"2"), child_refused);
    }
    EXPECT_EQ(read_bytes(f), "precious");
    EXPECT_EQ(try_in_child(L"31"), child_opened);
}

TEST_F(FileStream, LongPaths) {
    std::wstring dir = sb.root();
    const wchar_t sep = native_separator();
    while (dir.size() < 300) {
        dir += sep + std::wstring(50, L'd');
        ASSERT_TRUE(vandel::create_directory(dir));
    }
    const std::wstring f = dir + sep + L"file";
    sb.require_inside(f);
    file_stream s(f, vandel::open_create_read_write);
    ASSERT_TRUE(s.is_open());
    EXPECT_EQ(s.write("long", 4), 4);
    s.close();
    EXPECT_EQ(vandel::file_size(vandel::add_long_path_prefix(f)), 4);
    EXPECT_TRUE(vandel::delete_tree(sb.path(std::wstring(50, L'd')), true));
}

#ifndef _WIN32

TEST_F(FileStream, OnlyRegularFilesAndBlockDevicesOpen) {
    const std::string fifo = vandel::to_os_bytes(sb.path(L"fifo"));
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    file_stream s;
    EXPECT_FALSE(s.open(sb.path(L"fifo"), vandel::open_read));  // and does not hang
    EXPECT_FALSE(s.open(sb.path(L"fifo"), vandel::open_read_write | vandel::open_device));
    if (mknod(vandel::to_os_bytes(sb.path(L"null")).c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
        EXPECT_FALSE(s.open(sb.path(L"null"), vandel::open_read_write | vandel::open_device));
    }
    EXPECT_FALSE(s.open(L"C:\\x", vandel::open_create));

    // A name no UTF-8 decoder would take reaches the system byte for byte.
    const std::wstring odd = vandel::from_os_bytes(vandel::to_os_bytes(sb.root()) + "/odd\xFF\\ ");
    sb.require_inside(odd);
    ASSERT_TRUE(s.open(odd, vandel::open_create));
    s.close();
    struct stat st {};
    EXPECT_EQ(lstat((vandel::to_os_bytes(sb.root()) + "/odd\xFF\\ ").c_str(), &st), 0);
}

TEST_F(FileStream, FullDiskIsSeenAtOnce) {
    scoped_tmpfs fs(sb, sb.path(L"small"), 256);
    if (!fs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::wstring f = sb.path(L"small/fill");
    sb.require_inside(f);
    file_stream s(f, vandel::open_create_read_write);
    ASSERT_TRUE(s.is_open());

    // Growth takes the space at once or not at all.
    EXPECT_FALSE(s.set_size(1 << 20));
    EXPECT_TRUE(s.disk_full());
    EXPECT_TRUE(s.is_open());
    EXPECT_EQ(s.size(), 0);
    EXPECT_EQ(vandel::file_size(f), 0);
    ASSERT_TRUE(s.set_size(64 * 1024));
    EXPECT_FALSE(s.disk_full());

    const std::string block(64 * 1024, 'z');
    int64_t total = 0, n = 0;
    while ((n = s.write(block.data(), 64 * 1024)) == 64 * 1024) total += n;
    total += n;
    EXPECT_TRUE(s.disk_full());
    EXPECT_GT(total, 64 * 1024);
    EXPECT_LE(total, 256 * 1024);
    EXPECT_EQ(s.size(), total);
    EXPECT_EQ(vandel::file_size(f), total);

    ASSERT_TRUE(s.set_size(0));
    EXPECT_FALSE(s.disk_full());
    EXPECT_EQ(s.write(block.data(), 1024), 1024);
    EXPECT_FALSE(s.disk_full());
}

TEST_F(FileStream, AFileAtItsSizeLimitCountsAsFull) {
    const std::wstring f = sb.path(L"limited");
    file_stream s(f, vandel::open_create_read_write);
    ASSERT_TRUE(s.is_open());
    const std::string block(64 * 1024, 'z');
    {
        file_size_limit limit(16 * 1024);
        if (!limit.active()) GTEST_SKIP() << "no file size limit here";
        EXPECT_EQ(s.write(block.data(), 64 * 1024), 16 * 1024);
        EXPECT_TRUE(s.disk_full());
        EXPECT_FALSE(s.set_size(1 << 20));
        EXPECT_TRUE(s.disk_full());
    }
    EXPECT_EQ(s.write(block.data(), 1024), 1024);
    EXPECT_FALSE(s.disk_full());
}

// Writes bytes at the start of a loop device's image, behind the device's cache.
void change_behind_the_cache(const std::wstring& image, const std::string& bytes) {
    const int fd = open(vandel::to_os_bytes(image).c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    fsync(fd);
    close(fd);
}

// What a plain read of the device answers at its start, the system's cache allowing.
std::string plain_read(const std::wstring& device, size_t count) {
    std::string out(count, '\0');
    const int fd = open(vandel::to_os_bytes(device).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::string();
    out.resize(static_cast<size_t>(std::max<ssize_t>(pread(fd, out.data(), out.size(), 0), 0)));
    close(fd);
    return out;
}

TEST_F(FileStream, BlockDeviceSizeAndReadsPastTheCache) {
    const std::wstring image = sb.path(L"disk.img");
    write_bytes(image, std::string(1 << 20, '\0'));
    scoped_loop_device loop(sb, image);
    if (!loop.attached()) GTEST_SKIP() << "no loop device here";

    file_stream dev(loop.device(), 0x311);
    ASSERT_TRUE(dev.is_open());
    EXPECT_EQ(dev.size(), 1 << 20);
    const std::string a(65536, 'A'), b(65536, 'B');
    ASSERT_EQ(dev.write(a.data(), 65536), 65536);
    ASSERT_TRUE(dev.flush());

    // Change the medium behind the device's cache, which still holds A.
    change_behind_the_cache(image, b);
    EXPECT_EQ(plain_read(loop.device(), 65536), a) << "the system's cache was expected to answer a plain read";

    ASSERT_TRUE(dev.rewind());
    std::string medium(65536, '\0');
    ASSERT_EQ(dev.read(medium.data(), 65536), 65536);
    EXPECT_EQ(medium, b);
}

// A device with sectors larger than a page takes O_DIRECT at open and then refuses a read of one
// page (EINVAL): that read, made again through the cache, must still come from the medium.
TEST_F(FileStream, ADirectReadRefusedAtTheTransferStillReadsTheMedium) {
    const std::wstring image = sb.path(L"disk.img");
    write_bytes(image, std::string(1 << 20, '\0'));
    scoped_loop_device loop(sb, image);
    if (!loop.attached()) GTEST_SKIP() << "no loop device here";
    {
        const int fd = open(vandel::to_os_bytes(loop.device()).c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const bool large = ioctl(fd, LOOP_SET_BLOCK_SIZE, 8192) == 0;
        close(fd);
        if (!large) GTEST_SKIP() << "no loop device with sectors larger than a page here";
    }
    const std::string a(8192, 'A'), b(8192, 'B');
    {
        const int fd = open(vandel::to_os_bytes(loop.device()).c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, a.data(), a.size(), 0), 8192);
        fsync(fd);
        close(fd);
    }
    change_behind_the_cache(image, b);
    ASSERT_EQ(plain_read(loop.device(), 4096), a.substr(0, 4096)) << "the system's cache was expected to hold A";

    file_stream verify(loop.device(), vandel::open_read | vandel::open_share_read_write | vandel::open_device |
                                          vandel::open_direct);
    ASSERT_TRUE(verify.is_open());
    ASSERT_TRUE(verify.direct());
    struct alignas(4096) page {
        char bytes[4096];
    };
    auto buf = std::make_unique<page>();
    ASSERT_EQ(verify.read(buf->bytes, 4096), 4096);
    EXPECT_FALSE(verify.direct());
    EXPECT_EQ(std::count(buf->bytes, buf->bytes + 4096, 'B'), 4096) << "the cache answered the read";
}

// Which pages of a file the system's cache holds: "c" for each cached one, "." for the others.
std::string cached_pages(const std::wstring& path) {
    std::string out;
    const int fd = open(vandel::to_os_bytes(path).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_size == 0) {
        if (fd >= 0) close(fd);
        return out;
    }
    const auto size = static_cast<size_t>(st.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    close(fd);
    if (map == MAP_FAILED) return out;
    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> in((size + page - 1) / page);
    if (mincore(map, size, in.data()) == 0)
        for (unsigned char c : in) out += (c & 1) ? 'c' : '.';
    munmap(map, size);
    return out;
}

// Direct transfers, on a file system that takes them (ext4) and on one that refuses them
// (ramfs): an aligned one bypasses the cache, so its pages are not found there afterwards; one
// whose buffer, position or count can't be aligned goes through it, and the next aligned one is
// direct again. The bytes are the same everywhere.
TEST_F(FileStream, TransfersThatCannotBeDirectGoThroughTheCache) {
    if (sysconf(_SC_PAGESIZE) != 4096) GTEST_SKIP() << "the layout below is one of 4 KiB pages";
    const std::wstring image = sb.path(L"ext4.img");
    write_bytes(image, std::string(16 << 20, '\0'));
    sb.require_inside(image);
    const std::string mkfs = "mkfs.ext4 -q -F -b 4096 '" + vandel::to_os_bytes(image) + "' >/dev/null 2>&1";
    if (std::system(mkfs.c_str()) != 0) GTEST_SKIP() << "mkfs.ext4 is missing";
    scoped_loop_device loop(sb, image);
    if (!loop.attached()) GTEST_SKIP() << "no loop device here";
    scoped_mount ext4(sb, loop.device(), sb.path(L"ext4"), "ext4");
    if (!ext4.mounted()) GTEST_SKIP() << "cannot mount ext4 here";
    scoped_ramfs ram(sb, sb.path(L"ram"));
    if (!ram.mounted()) GTEST_SKIP() << "cannot mount a ramfs here";

    struct alignas(4096) pages {
        char bytes[4 * 4096];
    };
    auto buf = std::make_unique<pages>();
    const std::string source = pattern_bytes(sizeof buf->bytes, "direct");
    const struct {
        std::wstring folder;
        bool direct;
        const char* cached;  // the file's pages in the cache, once written and once read
    } cases[] = {
        {ext4.path(), true, "..c.."},
        {ram.path(), false, "ccccc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(vandel::to_os_bytes(c.folder));
        std::memcpy(buf->bytes, source.data(), source.size());
        const std::wstring f = c.folder + L"/f";
        sb.require_inside(f);
        file_stream s(f, vandel::open_create_read_write | vandel::open_direct);
        ASSERT_TRUE(s.is_open());
        EXPECT_EQ(s.direct(), c.direct);
        std::string want;
        auto put = [&](int64_t offset, int64_t count) {
            ASSERT_EQ(s.write(buf->bytes + offset, count), count);
            want += source.substr(static_cast<size_t>(offset), static_cast<size_t>(count));
        };
        put(0, 8192);     // aligned: pages 0 and 1
        put(1, 100);      // buffer and count not aligned: page 2
        put(4096, 3996);  // position not aligned, up to the end of page 2
        put(8192, 8192);  // aligned again: pages 3 and 4
        EXPECT_EQ(s.direct(), c.direct);
        ASSERT_TRUE(s.flush());
        EXPECT_EQ(cached_pages(f), c.cached);

        ASSERT_TRUE(s.rewind());
        std::memset(buf->bytes, 0, sizeof buf->bytes);
        EXPECT_EQ(s.read(buf->bytes, 4 * 4096), 4 * 4096);
        EXPECT_EQ(std::string(buf->bytes, 4 * 4096), want.substr(0, 4 * 4096));
        EXPECT_EQ(cached_pages(f), c.cached);
        ASSERT_TRUE(s.seek(8193, vandel::seekable_stream::from_start));
        EXPECT_EQ(s.read(buf->bytes + 1, 50), 50);
        EXPECT_EQ(std::string(buf->bytes + 1, 50), want.substr(8193, 50));
        EXPECT_EQ(s.direct(), c.direct);
        EXPECT_EQ(read_bytes(f), want);
    }
}

TEST_F(FileStream, ExclusiveBlockDeviceRefusesAnotherExclusiveOpen) {
    const std::wstring image = sb.path(L"disk.img");
    write_bytes(image, std::string(1 << 20, '\0'));
    scoped_loop_device loop(sb, image);
    if (!loop.attached()) GTEST_SKIP() << "no loop device here";
    file_stream first(loop.device(), vandel::open_read_write | vandel::open_share_none | vandel::open_device);
    ASSERT_TRUE(first.is_open());
    file_stream second;
    EXPECT_FALSE(second.open(loop.device(), vandel::open_read_write | vandel::open_share_none | vandel::open_device));
    EXPECT_TRUE(second.open(loop.device(), vandel::open_read | vandel::open_share_read_write | vandel::open_device));
}

#endif

}  // namespace
