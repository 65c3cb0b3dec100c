// The lock between processes: where it lives, shared and exclusive holds in one process and across
// processes, creation without a window, and no way through a link.
#include "vandel/lock_file.h"

#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"
#include "vandel/folders.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace oblivar::test;
using vandel::lock_file;

class LockFile : public sandbox_test {};

TEST_F(LockFile, SetPath) {
    lock_file l;
    EXPECT_FALSE(l.set_path(L""));
    EXPECT_TRUE(l.set_path(L"olvex_job.lock"));
    std::wstring temp;
    ASSERT_TRUE(vandel::known_folder(vandel::folder_temp, temp));
    EXPECT_EQ(l.path(), temp + L"olvex_job.lock");
    EXPECT_FALSE(l.set_path(sb.path(L"missing/x.lock")));
    EXPECT_EQ(l.path(), temp + L"olvex_job.lock");

    ASSERT_TRUE(l.set_path(sb.path(L"a.lock")));
    ASSERT_TRUE(l.acquire_exclusive());
    ASSERT_TRUE(l.set_path(sb.path(L"b.lock")));  // lets go of the old one
    EXPECT_EQ(l.state(), 0);
    lock_file other;
    ASSERT_TRUE(other.set_path(sb.path(L"a.lock")));
    EXPECT_TRUE(other.acquire_exclusive());
}

TEST_F(LockFile, SharedAndExclusiveHolds) {
    const std::wstring path = sb.path(L"job.lock");
    lock_file a, b, c;
    for (lock_file* l : {&a, &b, &c}) ASSERT_TRUE(l->set_path(path));
    EXPECT_FALSE(lock_file().acquire_shared());  // no path

    EXPECT_TRUE(a.acquire_shared());  // creates the missing file
    EXPECT_TRUE(vandel::is_file(path));
    EXPECT_TRUE(a.acquire_shared());
    EXPECT_FALSE(a.acquire_exclusive());  // release first
    EXPECT_TRUE(b.acquire_shared());
    EXPECT_FALSE(c.acquire_exclusive());
    a.release();
    EXPECT_FALSE(c.acquire_exclusive());
    b.release();
    EXPECT_TRUE(c.acquire_exclusive());
    EXPECT_TRUE(c.acquire_exclusive());
    EXPECT_FALSE(c.acquire_shared());
    EXPECT_FALSE(a.acquire_shared());
    EXPECT_FALSE(b.acquire_exclusive());
    c.release();
    EXPECT_TRUE(a.acquire_shared());
    a.release();
    // Never written, never deleted.
    EXPECT_EQ(read_bytes(path), "");
}

TEST_F(LockFile, CreatingTheFileRefusesNobody) {
    const std::wstring path = sb.path(L"race.lock");
    constexpr int holders = 8;
    for (int round = 0; round < 40; ++round) {
        sb.require_inside(path);
        vandel::delete_tree(path, false);
        std::vector<std::unique_ptr<lock_file>> locks;
        for (int i = 0; i < holders; ++i) {
            locks.push_back(std::make_unique<lock_file>());
            ASSERT_TRUE(locks.back()->set_path(path));
        }
        std::atomic<int> ready{0}, held{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < holders; ++i)
            threads.emplace_back([&, i] {
                ++ready;
                while (ready.load() < holders) {
                }
                if (locks[static_cast<size_t>(i)]->acquire_shared()) ++held;
            });
        for (auto& t : threads) t.join();
        ASSERT_EQ(held.load(), holders) << "round " << round;
    }
}

TEST_F(LockFile, NeverThroughALink) {
    sandbox outside;
    const std::wstring target = outside.path(L"target");
    if (!make_link(sb.path(L"link.lock"), target, false)) GTEST_SKIP() << "no symbolic links here";
    lock_file l;
    ASSERT_TRUE(l.set_path(sb.path(L"link.lock")));
    EXPECT_FALSE(l.acquire_shared());
    EXPECT_FALSE(l.acquire_exclusive());
    EXPECT_FALSE(path_exists(target));
}

constexpr int child_held = 10;
constexpr int child_refused = 20;

TEST(LockFileChild, TryAcquire) {
    if (!is_child_test()) GTEST_SKIP() << "runs only as a child process of the cross-process tests";
    lock_file l;
    if (!l.set_path(get_env("OBLIVAR_LOCK_PATH").value_or(L""))) std::exit(1);
    const bool shared = get_env("OBLIVAR_LOCK_MODE").value_or(L"") == L"shared";
    std::exit((shared ? l.acquire_shared() : l.acquire_exclusive()) ? child_held : child_refused);
}

TEST_F(LockFile, HoldsAcrossProcesses) {
    const std::wstring path = sb.path(L"job.lock");
    scoped_env env("OBLIVAR_LOCK_PATH", path);
    auto child = [](const wchar_t* mode) {
        scoped_env m("OBLIVAR_LOCK_MODE", std::wstring(mode));
        return run_child_test("LockFileChild.TryAcquire");
    };
    lock_file l;
    ASSERT_TRUE(l.set_path(path));
    ASSERT_TRUE(l.acquire_shared());
    EXPECT_EQ(child(L"shared"), child_held);
    EXPECT_EQ(child(L"exclusive"), child_refused);
    l.release();
    ASSERT_TRUE(l.acquire_exclusive());
    EXPECT_EQ(child(L"shared"), child_refused);
    EXPECT_EQ(child(L"exclusive"), child_refused);
    l.release();
    EXPECT_EQ(child(L"exclusive"), child_held);  // the child's hold ended with it
    EXPECT_TRUE(l.acquire_exclusive());
}

}  // namespace
