#include "tests/support/sandbox.h"
#include "tests/support/wine.h"
#include "vandel/files.h"

#include <gtest/gtest.h>

namespace {

using oblivar::test::sandbox;

TEST(Sandbox, CreatesAPrivateFolderAndRemovesItWithItsContents) {
    std::wstring root;
    {
        sandbox sb;
        root = sb.root();
        EXPECT_TRUE(oblivar::test::is_directory(root));
        oblivar::test::make_dirs(sb.path(L"a/b"));
        oblivar::test::write_bytes(sb.path(L"a/b/f.bin"), "xyz");
        EXPECT_EQ(oblivar::test::read_bytes(sb.path(L"a/b/f.bin")), "xyz");
        EXPECT_EQ(oblivar::test::list_tree(root), (std::vector<std::wstring>{L"a/", L"a/b/", L"a/b/f.bin"}));
    }
    EXPECT_FALSE(oblivar::test::path_exists(root));
}

TEST(Sandbox, ContainsOnlyWhatLiesInside) {
    sandbox sb;
    const wchar_t s = oblivar::test::native_separator();
    EXPECT_TRUE(sb.contains(sb.path(L"x")));
    EXPECT_TRUE(sb.contains(sb.path(L"x/y/z")));
    EXPECT_FALSE(sb.contains(sb.root()));
    EXPECT_FALSE(sb.contains(sb.root() + s));
    EXPECT_FALSE(sb.contains(sb.root() + L"x"));  // a sibling with the same prefix
    EXPECT_FALSE(sb.contains(sb.path(L"x/../../other")));
    EXPECT_FALSE(sb.contains(L""));
    EXPECT_FALSE(sb.contains(s == L'/' ? std::wstring(L"/") : std::wstring(L"C:\\")));
}

TEST(Sandbox, AnAdoptedFolderIsJudgedAlikeAndLeftInPlace) {
    sandbox sb;
    oblivar::test::make_dirs(sb.path(L"child"));
    {
        sandbox adopted(sb.path(L"child"));
        EXPECT_TRUE(adopted.contains(adopted.path(L"x")));
        EXPECT_FALSE(adopted.contains(sb.path(L"x")));
    }
    EXPECT_TRUE(oblivar::test::is_directory(sb.path(L"child")));
}

TEST(SandboxDeathTest, OnlyAFolderInTheTemporaryFolderIsAdopted) {
    sandbox sb;
    EXPECT_DEATH(sandbox outside(sb.path(L"missing")), "no folder");
    EXPECT_DEATH(sandbox outside(oblivar::test::native_separator() == L'/' ? std::wstring(L"/") : std::wstring(L"C:\\")), "no folder");
}

TEST(SandboxDeathTest, RequireInsideStopsTheProcess) {
    sandbox sb;
    EXPECT_DEATH(sb.require_inside(sb.root() + L"-outside"), "outside its sandbox");
}

#ifdef _WIN32
// The private prefix keeps the host out of drive letters; the working folder lies in it too, so a
// relative path reaches no host file either.
TEST(WinePrefix, TheWorkingFolderIsOnThePrefixsDriveC) {
    if (!oblivar::test::running_under_wine()) GTEST_SKIP() << "runs only under Wine";
    EXPECT_EQ(vandel::absolute_path(L"x", L"").substr(0, 3), L"C:\\");
    EXPECT_EQ(vandel::path_kind(L"Z:\\"), vandel::kind_missing);
}
#endif

}  // namespace
