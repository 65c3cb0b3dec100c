// A files job meets what a Linux tree may hold besides files, folders and links: FIFOs, sockets,
// device nodes and mount points. None is ever written, nothing behind them is touched.
#include "engine/engine.h"
#include "tests/engine/job_runner.h"
#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace oblivar::test;

std::string os(const std::wstring& p) { return vandel::to_os_bytes(p); }

// Binds a socket named name in folder. The address goes through the open folder
// (/proc/self/fd/N/name), so a sandbox deeper than a socket address allows takes one too.
bool make_socket(const std::wstring& folder, const std::string& name) {
    const int dir = open(os(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string p = "/proc/self/fd/" + std::to_string(dir) + "/" + name;
    bool made = false;
    if (fd >= 0 && p.size() < sizeof(addr.sun_path)) {
        std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
        made = bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
    }
    if (fd >= 0) close(fd);
    close(dir);
    return made;
}

TEST(EngineTreePosix, SpecialFilesLoseOnlyTheirNames) {
    sandbox sb;
    make_dirs(sb.path(L"t"));
    write_bytes(sb.path(L"t/f.txt"), "file");
    ASSERT_EQ(mkfifo(os(sb.path(L"t/fifo")).c_str(), 0600), 0);
    ASSERT_TRUE(make_socket(sb.path(L"t"), "sock"));
    std::vector<std::pair<std::wstring, std::wstring>> kinds = {{L"t/fifo", L"a FIFO"}, {L"t/sock", L"a socket"}};
    // A node for the memory device "null" (1, 3): it is its name that must go, never its device.
    // Without the right to make one (a container), the other kinds are still tried.
    if (mknod(os(sb.path(L"t/null-node")).c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0)
        kinds.push_back({L"t/null-node", L"a device node"});
    else
        std::printf("note: device nodes can't be made here; that case is left out\n");

    sb.require_inside(sb.path(L"t"));
    job_runner job;
    EXPECT_EQ(job.run({sb.path(L"t")}, job_of(olvex::job_files)), olvex::state_done) << job.dump();
    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_EQ(job.status.warnings, olvex::warn_links);
    for (const auto& [name, kind] : kinds)
        EXPECT_TRUE(job.has_block({L"Warning: File is " + kind + L". Only its name will be removed.",
                                   L"Path: " + sb.path(name)}))
            << job.dump();
    // Only the plain file was written.
    EXPECT_EQ(job.status.total_bytes, 4096);
    EXPECT_TRUE(job.has(L"f.txt ... OK"));
}

// Gives up the rights that let root read any folder: from then on this process is held to the
// permission bits as every other user is.
bool drop_folder_rights() {
    __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &head, data) != 0) return false;
    for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
        data[0].effective &= ~(1u << cap), data[0].permitted &= ~(1u << cap), data[0].inheritable &= ~(1u << cap);
    return syscall(SYS_capset, &head, data) == 0;
}

constexpr int child_ok = 10;

// In a child without root's rights over folders: a folder that can't be listed and entries that
// can't be looked at are inaccessible, and a job that meets them is no success.
TEST(EngineTreePosixChild, WhatCantBeReachedIsInaccessible) {
    if (!is_child_test()) GTEST_SKIP() << "runs only as a child of EngineTreePosix";
    ASSERT_TRUE(drop_folder_rights());
    const std::wstring tree = *get_env("OBLIVAR_TEST_TREE");
    job_runner job;
    EXPECT_EQ(job.run({tree}, job_of(olvex::job_files)), olvex::state_partly_done) << job.dump();
    for (const wchar_t* name : {L"/closed/", L"/unsearchable/"})
        EXPECT_TRUE(job.has_block({L"ERROR: Access denied", L"Path: " + tree + name,
                                   L"Note. Failed to get directory listing."}))
            << job.dump();
    EXPECT_TRUE(job.has(L"Inaccessible: 2")) << job.dump();
    // The folder that holds them stays, and says why.
    EXPECT_TRUE(job.has(tree + L"/ ... FAIL")) << job.dump();
    EXPECT_FALSE(job.mentions(L"All Done OK")) << job.dump();
    std::exit(::testing::Test::HasFailure() ? 1 : child_ok);
}

TEST(EngineTreePosix, WhatCantBeReachedIsInaccessible) {
    sandbox sb;
    make_dirs(sb.path(L"t/closed"));
    make_dirs(sb.path(L"t/unsearchable"));
    write_bytes(sb.path(L"t/open.txt"), "open");
    write_bytes(sb.path(L"t/closed/inside.txt"), "closed");
    write_bytes(sb.path(L"t/unsearchable/hidden.txt"), "hidden");
    // No right at all; the right to list but not to look at what is listed.
    ASSERT_EQ(chmod(os(sb.path(L"t/closed")).c_str(), 0), 0);
    ASSERT_EQ(chmod(os(sb.path(L"t/unsearchable")).c_str(), 0600), 0);
    sb.require_inside(sb.path(L"t"));
    int code = -1;
    {
        scoped_env tree("OBLIVAR_TEST_TREE", sb.path(L"t"));
        code = run_child_test("EngineTreePosixChild.WhatCantBeReachedIsInaccessible");
    }
    chmod(os(sb.path(L"t/closed")).c_str(), 0700);
    chmod(os(sb.path(L"t/unsearchable")).c_str(), 0700);
    EXPECT_EQ(code, child_ok);
    EXPECT_FALSE(path_exists(sb.path(L"t/open.txt")));
    EXPECT_EQ(read_bytes(sb.path(L"t/closed/inside.txt")), "closed");
    EXPECT_EQ(read_bytes(sb.path(L"t/unsearchable/hidden.txt")), "hidden");
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
