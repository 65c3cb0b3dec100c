// A files job meets what a Linux tree may hold besides files, folders and links: FIFOs, sockets,
// device nodes and mount points. None is ever written, nothing behind them is touched.
#include "engine/engine.h"
#include "tests/engine/job_runner.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

using namespace oblivar::test;

std::string os(const std::wstring& p) { return vandel::to_os_bytes(p); }

bool make_socket(const std::wstring& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string p = os(path);
    if (p.size() >= sizeof(addr.sun_path)) {
        close(fd);
        return false;
    }
    std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
    const bool made = bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
    close(fd);
    return made;
}

TEST(EngineTreePosix, SpecialFilesLoseOnlyTheirNames) {
    sandbox sb;
    make_dirs(sb.path(L"t"));
    write_bytes(sb.path(L"t/f.txt"), "file");
    ASSERT_EQ(mkfifo(os(sb.path(L"t/fifo")).c_str(), 0600), 0);
    if (!make_socket(sb.path(L"t/sock"))) GTEST_SKIP() << "no socket can be bound in the sandbox";
    // A node for the memory device "null" (1, 3): it is its name that must go, never its device.
    if (mknod(os(sb.path(L"t/null-node")).c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0)
        GTEST_SKIP() << "device nodes can't be made here";

    sb.require_inside(sb.path(L"t"));
    job_runner job;
    EXPECT_EQ(job.run({sb.path(L"t")}, job_of(olvex::job_files)), olvex::state_done) << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_EQ(job.status.warnings, olvex::warn_links);
    const std::pair<std::wstring, std::wstring> kinds[] = {
        {L"t/fifo", L"a FIFO"}, {L"t/sock", L"a socket"}, {L"t/null-node", L"a device node"}};
    for (const auto& [name, kind] : kinds)
        EXPECT_TRUE(job.has_block({L"Warning: File is " + kind + L". Only its name will be removed.",
                                   L"Path: " + sb.path(name)}))
            << job.dump();
    // Only the plain file was written.
    EXPECT_EQ(job.status.total_bytes, 4096);
    EXPECT_TRUE(job.has(L"f.txt ... OK"));
}

TEST(EngineTreePosix, MountPointIsNotDescended) {
    sandbox sb;
    make_dirs(sb.path(L"t"));
    write_bytes(sb.path(L"t/f.txt"), "file");
    scoped_tmpfs mount(sb, sb.path(L"t/mnt"), 256);
    if (!mount.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    write_bytes(sb.path(L"t/mnt/other.txt"), "another file system");

    sb.require_inside(sb.path(L"t"));
    job_runner job;
    // The mount point can't lose its name while mounted: that failure, and the folder that
    // therefore stays, are the job's only failures.
    EXPECT_EQ(job.run({sb.path(L"t")}, job_of(olvex::job_files)), olvex::state_partly_done) << job.dump();
    EXPECT_EQ(read_bytes(sb.path(L"t/mnt/other.txt")), "another file system");
    EXPECT_FALSE(path_exists(sb.path(L"t/f.txt")));
    EXPECT_EQ(job.status.file_count, 1);
    EXPECT_TRUE(job.has_block({L"Warning: Directory is a symbolic link. Only the link will be removed.",
                               L"Path: " + sb.path(L"t/mnt/")}));
    EXPECT_TRUE(job.has_block({L"REMOVING PATHS...", L"ERROR: Access denied"})) << job.dump();
    EXPECT_TRUE(job.has(sb.path(L"t/") + L" ... FAIL"));
    EXPECT_EQ(job.status.failed_count, 2);
}

}  // namespace
