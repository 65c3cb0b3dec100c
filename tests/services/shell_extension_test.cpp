// The Explorer extension's registration and option values: over an in-memory registry on both
// builds, over no registry on POSIX, and over the real one in Wine's private prefix.
#include "services/shell_extension.h"

#include "tests/support/fake_registry.h"
#include "tests/support/wine.h"
#include "vandel/folders.h"
#include "vandel/registry_key.h"

#include <gtest/gtest.h>

namespace olvex {
namespace {

using namespace oblivar::test;
constexpr int hkcu = vandel::registry_current_user;
constexpr int hklm = vandel::registry_local_machine;

// Refuses to create one key, or to write one value name.
class refusing_registry : public fake_registry {
public:
    std::wstring refused_key = L"<none>", refused_value = L"<none>";
    long create_key(int scope, const std::wstring& path, uint32_t access, handle& out) override {
        if (path == refused_key) return vandel::reg::access_denied;
        return fake_registry::create_key(scope, path, access, out);
    }
    long set_value(handle key, const std::wstring& name, uint32_t type, const void* data, uint32_t size) override {
        if (name == refused_value) return vandel::reg::access_denied;
        return fake_registry::set_value(key, name, type, data, size);
    }
};

const std::wstring* const registration_keys[] = {
    &shell_handler_key_files(), &shell_handler_key_drive(), &shell_handler_key_recycle_bin(),
    &shell_clsid_key_files(),   &shell_clsid_key_drives(),  &shell_clsid_key_recycle_bin(),
    &shell_server_key_files(),  &shell_server_key_drives(), &shell_server_key_recycle_bin(),
};

std::wstring read_string(int scope, const std::wstring& path, const std::wstring& name) {
    vandel::registry_key key;
    if (!key.open(scope, path, 1) || !key.value_exists(name)) return L"<missing>";
    return key.read_string(name);
}

class shell_extension : public ::testing::Test {
protected:
    void SetUp() override {
        vandel::registry_key approved;
        ASSERT_TRUE(approved.create(hklm, shell_approved_key()));
    }

    // Nothing of the registration is left; the approved list itself stays.
    void expect_no_registration() {
        for (const std::wstring* k : registration_keys) EXPECT_FALSE(reg.key_exists(hklm, *k));
        for (const wchar_t* id : {shell_clsid_files, shell_clsid_drives, shell_clsid_recycle_bin})
            EXPECT_EQ(read_string(hklm, shell_approved_key(), id), L"<missing>");
        EXPECT_TRUE(reg.key_exists(hklm, shell_approved_key()));
        EXPECT_FALSE(shell_extension_installed());
    }

    refusing_registry reg;
    scoped_registry_backend use{reg};
};

TEST_F(shell_extension, key_paths) {
    EXPECT_EQ(shell_handler_key_files(),
              L"Software\\Classes\\AllFileSystemObjects\\ShellEx\\ContextMenuHandlers\\Tarnhollow_Olvex");
    EXPECT_EQ(shell_handler_key_recycle_bin(),
              L"Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\ShellEx\\ContextMenuHandlers\\"
              L"Tarnhollow_Olvex");
    EXPECT_EQ(shell_server_key_drives(),
              L"Software\\Classes\\CLSID\\{B0FFE529-A5D3-4ECE-91C0-9E3585C373D8}\\InProcServer32");
    EXPECT_EQ(shell_options_key(), L"Software\\Tarnhollow\\Olvex Shell");
}

TEST_F(shell_extension, install_writes_every_entry_and_uninstall_removes_them) {
    ASSERT_TRUE(install_shell_extension());
    EXPECT_TRUE(shell_extension_installed());
    for (const wchar_t* id : {shell_clsid_files, shell_clsid_drives, shell_clsid_recycle_bin})
        EXPECT_EQ(read_string(hklm, shell_approved_key(), id), L"Tarnhollow_Olvex");
    EXPECT_EQ(read_string(hklm, shell_handler_key_files(), L""), shell_clsid_files);
    EXPECT_EQ(read_string(hklm, shell_handler_key_drive(), L""), shell_clsid_drives);
    EXPECT_EQ(read_string(hklm, shell_handler_key_recycle_bin(), L""), shell_clsid_recycle_bin);
    std::wstring folder;
    ASSERT_TRUE(vandel::known_folder(vandel::folder_program, folder));
    for (const std::wstring* server :
         {&shell_server_key_files(), &shell_server_key_drives(), &shell_server_key_recycle_bin()}) {
        EXPECT_EQ(read_string(hklm, *server, L""), folder + L"zyshell.dll");
        EXPECT_EQ(read_string(hklm, *server, L"ThreadingModel"), L"Apartment");
    }
    vandel::registry_key clsid;
    ASSERT_TRUE(clsid.open(hklm, shell_clsid_key_files(), 1));
    EXPECT_EQ(clsid.value_count(), 0u);
    clsid.close();

    ASSERT_TRUE(set_shell_icons(false));
    EXPECT_TRUE(uninstall_shell_extension());
    expect_no_registration();
    EXPECT_FALSE(reg.key_exists(hkcu, shell_options_key()));
    // Nothing left to remove counts as a failure.
    EXPECT_FALSE(uninstall_shell_extension());
    EXPECT_EQ(reg.open_handles(), 0u);
}

TEST_F(shell_extension, registration_test_reads_only_the_files_entry) {
    ASSERT_TRUE(install_shell_extension());
    vandel::registry_key approved;
    ASSERT_TRUE(approved.open(hklm, shell_approved_key(), 2));
    approved.write_string(shell_clsid_files, L"tarnhollow_olvex");
    EXPECT_FALSE(shell_extension_installed());
    approved.write_dword(shell_clsid_files, 1);
    EXPECT_FALSE(shell_extension_installed());
    approved.delete_value(shell_clsid_drives);
    approved.write_string(shell_clsid_files, L"Tarnhollow_Olvex");
    EXPECT_TRUE(shell_extension_installed());
}

TEST_F(shell_extension, failed_installs_leave_nothing) {
    // Without the approved list (no administrator rights) nothing is written at all.
    {
        vandel::registry_key k;
        ASSERT_TRUE(k.delete_key(hklm, shell_approved_key()));
        ASSERT_TRUE(k.create(hklm, shell_handler_key_files()));
        EXPECT_FALSE(install_shell_extension());
        EXPECT_TRUE(reg.key_exists(hklm, shell_handler_key_files()));  // not touched either
        ASSERT_TRUE(k.create(hklm, shell_approved_key()));
    }
    // A key that can't be created, and a value that can't be written, half-way through.
    reg.refused_key = shell_server_key_drives();
    EXPECT_FALSE(install_shell_extension());
    expect_no_registration();
    reg.refused_key = L"<none>";
    reg.refused_value = L"ThreadingModel";
    EXPECT_FALSE(install_shell_extension());
    expect_no_registration();
    EXPECT_EQ(reg.open_handles(), 0u);
}

TEST_F(shell_extension, options) {
    // Not registered: nothing written, every getter its default.
    EXPECT_FALSE(set_shell_enabled(true));
    EXPECT_FALSE(set_shell_icons(false));
    EXPECT_FALSE(set_shell_language(L"de"));
    EXPECT_FALSE(reg.key_exists(hkcu, shell_options_key()));
    EXPECT_FALSE(is_shell_extension_enabled());
    EXPECT_EQ(get_shell_icons(), 1);
    EXPECT_EQ(get_shell_language(), L"");

    ASSERT_TRUE(install_shell_extension());
    EXPECT_TRUE(is_shell_extension_enabled());
    EXPECT_TRUE(set_shell_language(L"de"));  // the key is created for it
    EXPECT_EQ(get_shell_language(), L"de");
    EXPECT_TRUE(set_shell_enabled(false));
    EXPECT_FALSE(is_shell_extension_enabled());
    EXPECT_TRUE(set_shell_icons(false));
    EXPECT_EQ(get_shell_icons(), 0);

    // Values of another type count as absent.
    vandel::registry_key options;
    ASSERT_TRUE(options.open(hkcu, shell_options_key(), 2));
    options.write_string(L"Enabled", L"0");
    options.write_qword(L"Icons", 0);
    options.write_string_typed(L"Language", L"fr", vandel::reg::type_expand_sz);
    EXPECT_TRUE(is_shell_extension_enabled());
    EXPECT_EQ(get_shell_icons(), 1);
    EXPECT_EQ(get_shell_language(), L"");
    options.write_dword(L"Icons", 5);
    EXPECT_EQ(get_shell_icons(), 5);
    options.close();

    // A write the registry refuses is reported.
    reg.refused_value = L"Enabled";
    EXPECT_FALSE(set_shell_enabled(true));
    reg.refused_key = shell_options_key();
    EXPECT_FALSE(set_shell_icons(true));
    EXPECT_EQ(reg.open_handles(), 0u);
}

TEST(shell_extension_system, without_a_registry_nothing_is_registered) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has a registry";
#else
    EXPECT_FALSE(install_shell_extension());
    EXPECT_FALSE(shell_extension_installed());
    EXPECT_FALSE(set_shell_enabled(true));
    EXPECT_FALSE(is_shell_extension_enabled());
    EXPECT_EQ(get_shell_icons(), 1);
    EXPECT_EQ(get_shell_language(), L"");
    EXPECT_FALSE(uninstall_shell_extension());
#endif
}

// The one test that writes the machine's registry: only in Wine's private prefix.
TEST(shell_extension_system, round_trip_in_the_wine_prefix) {
    if (!running_under_wine()) GTEST_SKIP() << "changes HKLM: runs only in the private Wine prefix";
    vandel::registry_key approved;
    ASSERT_TRUE(approved.create(hklm, shell_approved_key()));
    approved.close();
    uninstall_shell_extension();  // whatever an aborted run left

    ASSERT_TRUE(install_shell_extension());
    EXPECT_TRUE(shell_extension_installed());
    EXPECT_TRUE(is_shell_extension_enabled());
    EXPECT_TRUE(set_shell_enabled(false));
    EXPECT_TRUE(set_shell_language(L"de"));
    EXPECT_TRUE(set_shell_icons(false));
    EXPECT_FALSE(is_shell_extension_enabled());
    EXPECT_EQ(get_shell_language(), L"de");
    EXPECT_EQ(get_shell_icons(), 0);
    EXPECT_EQ(read_string(hklm, shell_server_key_recycle_bin(), L"ThreadingModel"), L"Apartment");

    EXPECT_TRUE(uninstall_shell_extension());
    EXPECT_FALSE(shell_extension_installed());
    vandel::registry_key gone;
    for (const std::wstring* k : registration_keys) EXPECT_FALSE(gone.open(hklm, *k, 1));
    EXPECT_FALSE(gone.open(hkcu, shell_options_key(), 1));
}

}  // namespace
}  // namespace olvex
