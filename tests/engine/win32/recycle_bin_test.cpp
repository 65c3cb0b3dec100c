// The Windows recycle bin through the shell, run only where it is this test's own: under Wine,
// whose bin lies in the private data folder that the test launcher gives each test process.
#include "engine/drives.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"
#include "vandel/win32/windows.h"

#include <gtest/gtest.h>
#include <shellapi.h>

namespace {

using namespace olvex;

bool private_wine_bin() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto data = oblivar::test::get_env("XDG_DATA_HOME");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") && data &&
           data->find(L"/test-tmp/run.") != std::wstring::npos;
}

// Moves a file into the recycle bin, as Explorer's delete does.
bool recycle(const std::wstring& path) {
    const std::wstring from = path + L'\0';
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

TEST(windows_recycle_bin, counts_and_empties_through_the_shell) {
    if (!private_wine_bin()) GTEST_SKIP() << "would empty this machine's own recycle bin: runs only under Wine with a private data folder";
    oblivar::test::sandbox sb;
    const std::wstring file = sb.path(L"doomed.txt");
    oblivar::test::write_bytes(file, "old");
    ASSERT_TRUE(recycle(file));
    ASSERT_FALSE(oblivar::test::path_exists(file));
    const std::wstring root = volume_root(sb.root());
    EXPECT_EQ(root, L"C:");
    EXPECT_TRUE(recycle_bin_has_items(sb.root()));
    EXPECT_EQ(empty_recycle_bin(sb.root()), err_ok);
    EXPECT_FALSE(recycle_bin_has_items(sb.root()));
    EXPECT_EQ(empty_recycle_bin(sb.root()), err_ok);  // an empty bin is no failure
}

}  // namespace
