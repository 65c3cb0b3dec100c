#include "gui/wipe/page_file.h"
#include "tests/support/fake_registry.h"
#include "vandel/folders.h"

#include <gtest/gtest.h>

namespace {

using namespace olvex;
using oblivar::test::fake_registry;
using oblivar::test::scoped_registry_backend;

const wchar_t* const memory_key = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
const wchar_t* const run_once_key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// A machine's registry in memory, with or without the clearing value.
class PageFile : public ::testing::Test {
protected:
    fake_registry fake;
    scoped_registry_backend scope{fake};

    void machine(bool with_value, int value = 0, bool run_once_entry = false) {
        vandel::registry_key k;
        ASSERT_TRUE(k.create(vandel::registry_local_machine, memory_key));
        if (with_value) k.write_dword(L"ClearPageFileAtShutdown", value);
        vandel::registry_key r;
        ASSERT_TRUE(r.create(vandel::registry_local_machine, run_once_key));
        if (run_once_entry) r.write_string(L"Tarnhollow_Olvex", L"old");
    }
    bool run_once_entry() {
        vandel::registry_key r;
        return r.open(vandel::registry_local_machine, run_once_key, 1) && r.value_exists(L"Tarnhollow_Olvex");
    }
    std::wstring run_once_text() {
        vandel::registry_key r;
        r.open(vandel::registry_local_machine, run_once_key, 1);
        return r.read_string(L"Tarnhollow_Olvex");
    }
    uint32_t clearing() {
        vandel::registry_key k;
        k.open(vandel::registry_local_machine, memory_key, 1);
        return k.read_dword(L"ClearPageFileAtShutdown");
    }
};

TEST_F(PageFile, StateFromTheTwoValues) {
    machine(true, 1, true);
    EXPECT_EQ(page_file_clearing_state(), page_file_clear_next);
    ASSERT_TRUE(set_page_file_clearing(page_file_clear_always));
    EXPECT_EQ(page_file_clearing_state(), page_file_clear_always);
    EXPECT_FALSE(run_once_entry());
    ASSERT_TRUE(set_page_file_clearing(page_file_clear_off));
    EXPECT_EQ(clearing(), 0u);
    EXPECT_EQ(page_file_clearing_state(), page_file_clear_off);
}

TEST_F(PageFile, AStringValueReadsAsOff) {
    machine(false);
    vandel::registry_key k;
    ASSERT_TRUE(k.open(vandel::registry_local_machine, memory_key, 2));
    k.write_string(L"ClearPageFileAtShutdown", L"1");
    EXPECT_EQ(page_file_clearing_state(), page_file_clear_off);
    EXPECT_FALSE(set_page_file_clearing(page_file_clear_always));
}

TEST_F(PageFile, NextShutdownLeavesAQuotedOneTimeCommand) {
    std::wstring program;
    if (!vandel::module_path(program)) GTEST_SKIP() << "the test program's path is not known";
    machine(true, 0);
    ASSERT_TRUE(set_page_file_clearing(page_file_clear_next));
    EXPECT_EQ(clearing(), 1u);
    EXPECT_EQ(run_once_text(), L"\"" + program + L"\" -cmd 40000000");
    EXPECT_EQ(page_file_clearing_state(), page_file_clear_next);
}

TEST_F(PageFile, AMachineWithoutTheValueFailsEveryModeAndKeepsNoEntry) {
    machine(false);
    for (int mode : {0, 1, 2}) {
        EXPECT_FALSE(set_page_file_clearing(mode)) << mode;
        EXPECT_FALSE(run_once_entry()) << mode;
    }
    vandel::registry_key k;
    ASSERT_TRUE(k.open(vandel::registry_local_machine, memory_key, 1));
    EXPECT_FALSE(k.value_exists(L"ClearPageFileAtShutdown"));  // never created
}

TEST_F(PageFile, RefusedModesAndAMissingRegistryChangeNothing) {
    machine(true, 1, true);
    for (int mode : {-1, 3}) EXPECT_FALSE(set_page_file_clearing(mode));
    EXPECT_EQ(page_file_clearing_state(), page_file_clear_next);
    fake.set_failing(true);
    EXPECT_FALSE(set_page_file_clearing(page_file_clear_off));
    EXPECT_EQ(page_file_clearing_state(), page_file_clear_off);
}

}  // namespace
