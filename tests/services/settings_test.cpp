// The settings object: every key's default and range, the special setters, migration, the
// per-user file and the portable "settings.dat", and files that must never be overwritten. All
// folders are the test's own: the application-data folders are redirected into the sandbox, and
// portable copies run as a copy of this program inside the sandbox.
#include "services/settings.h"

#include "tests/support/app_data.h"
#include "tests/support/child.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/map_settings.h"
#include "vandel/os_text.h"

#include <gtest/gtest.h>

#include <cstdint>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace olvex {
namespace {

using namespace oblivar::test;
using store = vandel::map_settings<std::wstring>;

const wchar_t sep = native_separator();

// Writes a settings file with the given values.
void write_settings(const std::wstring& path, const std::vector<std::wstring>& lines) {
    store m;
    ASSERT_TRUE(m.from_lines(lines, false));
    ASSERT_TRUE(m.save_binary_file(path));
}

// Returns a file's values as typed settings lines.
std::vector<std::wstring> read_settings(const std::wstring& path) {
    store m;
    EXPECT_TRUE(m.load_file(path));
    std::vector<std::wstring> lines;
    m.to_lines(lines, true);
    return lines;
}

class settings_test : public sandbox_test {
protected:
    void SetUp() override {
        make_dirs(user_);
        make_dirs(common_);
        ASSERT_TRUE(redirect_.active());
    }

    std::wstring user_file() const { return user_ + sep + L"Tarnhollow" + sep + L"Olvex Main.cfg"; }
    std::wstring common_file() const { return common_ + sep + L"Tarnhollow" + sep + L"Olvex Main.cfg"; }

    std::wstring user_ = sb.path(L"roaming");
    std::wstring common_ = sb.path(L"common");
    scoped_app_data redirect_{user_, common_};
};

TEST_F(settings_test, defaults) {
    settings s;
    ASSERT_TRUE(s.open(settings_per_user));
    EXPECT_FALSE(s.portable());
    EXPECT_FALSE(s.get_abort_on_error());
    EXPECT_TRUE(s.get_auto_close());
    EXPECT_TRUE(s.get_confirm_wipe());
    EXPECT_EQ(s.get_default_scheme(), 1);
    EXPECT_FALSE(s.get_def_verify());
    EXPECT_FALSE(s.get_force_shutdown());
    EXPECT_EQ(s.get_ftol_perc(), 1.0);
    EXPECT_FALSE(s.get_pagefile_state());
    EXPECT_EQ(s.get_language(), L"");
    EXPECT_TRUE(s.get_log_bom());
    EXPECT_FALSE(s.get_log_local());
    EXPECT_TRUE(s.get_log_user());
    EXPECT_EQ(s.get_logfile_lifetime(), 0);
    EXPECT_EQ(s.get_log_location(), L"");
    EXPECT_EQ(s.get_logwin_posx(), -1);
    EXPECT_EQ(s.get_logwin_posy(), -1);
    EXPECT_EQ(s.get_logwin_width(), -1);
    EXPECT_EQ(s.get_logwin_height(), -1);
    EXPECT_EQ(s.get_max_log_size(), 50000);
    EXPECT_EQ(s.get_rename_count(), 3);
    for (bool b : {s.get_show_device_btn(), s.get_show_files_btn(), s.get_show_graphic(), s.get_show_menu(),
                   s.get_show_page_btn(), s.get_show_space_btn(), s.get_show_toolbar(), s.get_show_trash_btn(),
                   s.get_show_volume_btn()})
        EXPECT_TRUE(b);
    EXPECT_FALSE(s.get_show_tools_btn());
    EXPECT_FALSE(s.get_sys_sounds());
    EXPECT_EQ(s.get_theme_color(), 0);
    EXPECT_EQ(s.get_toolbar_place(), 0);
    EXPECT_FALSE(s.get_shaded_toolbar());
    EXPECT_EQ(s.get_toolbar_size(), 0);
    EXPECT_EQ(s.get_toolbar_text(), 1);
    EXPECT_FALSE(s.get_transparent_menu());
    EXPECT_FALSE(s.get_verbose_log());
    EXPECT_EQ(static_cast<uint32_t>(s.get_verify_scheme()), 0x80000000u);
    EXPECT_EQ(s.get_window_posx(), -1);
    EXPECT_EQ(s.get_window_posy(), -1);
    EXPECT_EQ(s.get_window_width(false), -1);
    EXPECT_EQ(s.get_window_height(true), -1);
    EXPECT_FALSE(s.language_changed());
    EXPECT_FALSE(s.has_pagefile_state());
    EXPECT_FALSE(s.layout_changed());
    EXPECT_EQ(s.portable_log_folder(), L"");
}

TEST_F(settings_test, ranges_on_reading) {
    make_dirs(user_ + sep + L"Tarnhollow");
    write_settings(user_file(), {L"OLVEX_VERSION=5.2.0", L"DEFAULT_SCHEME.int=12", L"RENAME_COUNT.int=31",
                                 L"TOOLBAR_TEXT.int=3", L"TOOLBAR_PLACE.int=2", L"LOGWIN_POSX.int=4294967296",
                                 L"WINDOW_POSX.int=-2147483648", L"THEME_COLOR=4", L"FTOL_PERC.float=2.5",
                                 L"SYS_SOUNDS=yes"});
    settings s;
    ASSERT_TRUE(s.open(settings_per_user));
    EXPECT_EQ(s.get_default_scheme(), 1);
    EXPECT_EQ(s.get_rename_count(), 3);
    EXPECT_EQ(s.get_toolbar_text(), 1);
    EXPECT_EQ(s.get_toolbar_place(), 2);
    EXPECT_EQ(s.get_logwin_posx(), -1);  // beyond 32 bits: the default, not a clamped value
    EXPECT_EQ(s.get_window_posx(), INT32_MIN);
    EXPECT_EQ(s.get_theme_color(), 4);  // a text that reads as a number
    EXPECT_EQ(s.get_ftol_perc(), 2.5);
    EXPECT_TRUE(s.get_sys_sounds());
}

TEST_F(settings_test, special_setters) {
    settings s;
    ASSERT_TRUE(s.open(settings_per_user));
    auto& st = s.settings_store();

    s.set_default_scheme(10);
    s.set_default_scheme(-1);
    EXPECT_EQ(st.type(L"DEFAULT_SCHEME"), 0);
    s.set_default_scheme(9);
    EXPECT_EQ(s.get_default_scheme(), 9);
    s.set_rename_count(31);  // stored as given, read as the default
    EXPECT_EQ(st.get_int(L"RENAME_COUNT", 0, INT64_MIN, INT64_MAX), 31);
    EXPECT_EQ(s.get_rename_count(), 3);

    for (uint32_t refused : {0u, 0x40000001u, 0x20000000u}) {
        s.set_verify_scheme(static_cast<int32_t>(refused));
        EXPECT_EQ(st.type(L"VERIFY_SCHEME"), 0) << refused;
    }
    for (uint32_t accepted : {0x40000000u, 0x80000000u, 0xC0000000u}) {
        s.set_verify_scheme(static_cast<int32_t>(accepted));
        EXPECT_EQ(static_cast<uint32_t>(s.get_verify_scheme()), accepted);
    }

    s.set_logwin_geometry(1, 2, 3, 4);
    EXPECT_EQ(s.get_logwin_posx() + s.get_logwin_posy() * 10 + s.get_logwin_width() * 100 + s.get_logwin_height() * 1000,
              4321);
    s.set_window_pos(5, 6);
    s.set_window_size(70, 80, true);
    s.set_window_size(700, 800, false);
    EXPECT_EQ(s.get_window_posx(), 5);
    EXPECT_EQ(s.get_window_posy(), 6);
    EXPECT_EQ(s.get_window_width(true), 70);
    EXPECT_EQ(s.get_window_height(true), 80);
    EXPECT_EQ(s.get_window_width(false), 700);
    EXPECT_EQ(s.get_window_height(false), 800);

    EXPECT_FALSE(s.has_pagefile_state());
    s.set_pagefile_state(false);
    EXPECT_TRUE(s.has_pagefile_state());
}

TEST_F(settings_test, layout_and_language_changes) {
    make_dirs(user_ + sep + L"Tarnhollow");
    write_settings(user_file(), {L"OLVEX_VERSION=5.2.0", L"LANGUAGE=de", L"SHOW_MENU.bool=0", L"SHOW_FILES_BTN.bool=1"});
    settings s;
    ASSERT_TRUE(s.open(settings_per_user));
    EXPECT_FALSE(s.language_changed());
    EXPECT_FALSE(s.layout_changed());

    s.set_show_files_btn(true);  // the value it already holds
    s.set_language(L"de");
    EXPECT_FALSE(s.layout_changed());
    EXPECT_FALSE(s.language_changed());

    s.set_show_toolbar(false);  // the menu bar comes back
    EXPECT_TRUE(s.get_show_menu());
    EXPECT_FALSE(s.get_show_toolbar());
    EXPECT_TRUE(s.layout_changed());
    s.set_show_menu(false);
    EXPECT_TRUE(s.get_show_toolbar());
    s.set_show_menu(true);
    EXPECT_TRUE(s.get_show_toolbar());

    s.set_language(L"fr");
    EXPECT_TRUE(s.language_changed());
    s.clear_changed();
    EXPECT_FALSE(s.language_changed());
    EXPECT_FALSE(s.layout_changed());
    s.set_toolbar_size(2);
    EXPECT_TRUE(s.layout_changed());
}

TEST_F(settings_test, log_folder_keys_on_a_per_user_store) {
    settings s;
    ASSERT_TRUE(s.open(settings_per_user));
    s.set_log_location(L"C:\\Logs");
    s.set_log_local(true);  // only a portable copy logs locally
    EXPECT_EQ(s.settings_store().type(L"LOG_LOCAL"), vandel::settings_bool);
    EXPECT_FALSE(s.get_log_local());
    EXPECT_EQ(s.get_log_location(), L"C:\\Logs");
    s.settings_store().set_bool(L"LOG_LOCAL", true);  // as an older file may hold it
    EXPECT_EQ(s.get_log_location(), L"");              // no portable folder: no log file
}

TEST_F(settings_test, migration) {
    struct row {
        const wchar_t* version;  // nullptr: no version stored
        bool migrates;
    } rows[] = {{nullptr, true}, {L"5.1.9", true}, {L"5", true}, {L"5.2.0", false}, {L"5.10", false}};
    make_dirs(user_ + sep + L"Tarnhollow");
    for (const row& r : rows) {
        std::vector<std::wstring> lines{L"THEME=3", L"DEF_SCHEME=2", L"EMPTY_TRASH=1", L"SHOW_MENU.bool=0"};
        if (r.version) lines.push_back(std::wstring(L"OLVEX_VERSION=") + r.version);
        write_settings(user_file(), lines);
        make_dirs(common_ + sep + L"Tarnhollow");
        write_bytes(common_file(), "old machine-wide settings");
        const std::string before = read_bytes(user_file());
        {
            settings s;
            ASSERT_TRUE(s.open(settings_per_user));
            auto& st = s.settings_store();
            EXPECT_EQ(st.type(L"THEME") == 0, r.migrates);
            EXPECT_EQ(st.type(L"DEF_SCHEME") == 0, r.migrates);
            EXPECT_FALSE(s.get_show_menu());  // current keys stay
            EXPECT_EQ(path_exists(common_file()), !r.migrates);
            // The empty company folder goes with the old file.
            EXPECT_EQ(path_exists(common_ + sep + L"Tarnhollow"), !r.migrates);
            EXPECT_FALSE(st.modified());
            EXPECT_TRUE(s.close());
            EXPECT_EQ(read_bytes(user_file()), before);  // only read: close writes nothing
        }
        // The migration reaches the file when the store goes.
        const std::vector<std::wstring> after = read_settings(user_file());
        const std::wstring version = r.migrates ? L"5.2.0" : r.version;
        EXPECT_NE(std::find(after.begin(), after.end(), L"OLVEX_VERSION.str=" + version), after.end());
        EXPECT_EQ(after.size(), r.migrates ? 2u : 5u);
        if (path_exists(common_file())) {
            sb.require_inside(common_file());
            vandel::remove_path(common_file(), false);
        }
    }
}

TEST_F(settings_test, per_user_file_round_trip) {
    EXPECT_FALSE(settings::has_file(settings_per_user));
    EXPECT_FALSE(is_directory(user_ + sep + L"Tarnhollow"));  // asking created nothing
    {
        settings s;
        ASSERT_TRUE(s.open(settings_per_user));  // creates the company folder
        s.set_language(L"de");
        s.set_ftol_perc(0.25);
        s.set_show_tools_btn(true);
        EXPECT_TRUE(s.close());
    }
    EXPECT_TRUE(settings::has_file(settings_per_user));
    settings s;
    ASSERT_TRUE(s.open(settings_per_user));
    EXPECT_EQ(s.get_language(), L"de");
    EXPECT_EQ(s.get_ftol_perc(), 0.25);
    EXPECT_TRUE(s.get_show_tools_btn());
}

TEST_F(settings_test, unreadable_per_user_file_is_never_overwritten) {
    make_dirs(user_ + sep + L"Tarnhollow");
    const std::string damaged = std::string("\x00\xFC\xFA\x03\x05\x00\x00\x00", 8) + "cut short";
    for (const std::string& bytes : {damaged, std::string("\x00\xFC\xFA\x03\x01\x00\x00\x00\xFF\xFF\xFF\x7F", 12)}) {
        write_bytes(user_file(), bytes);
        {
            settings s;
            EXPECT_FALSE(s.open(settings_per_user));
            EXPECT_EQ(s.get_rename_count(), 3);
            s.set_rename_count(7);
            EXPECT_FALSE(s.close());  // nothing can be kept
        }
        EXPECT_EQ(read_bytes(user_file()), bytes);
    }
}

// A new account may lack its application-data folder (Linux: ~/.config): it is made. Where it
// can't be, what the user sets holds until the program ends, and close() says it was not saved.
TEST_F(settings_test, missing_application_data_folder) {
    sb.require_inside(user_);
    ASSERT_TRUE(vandel::remove_path(user_, false));
#ifndef _WIN32  // Windows makes the account's folder with the account
    {
        settings s;
        EXPECT_TRUE(s.open(settings_per_user));
        s.set_language(L"de");
        EXPECT_TRUE(s.close());
    }
    EXPECT_TRUE(settings::has_file(settings_per_user));
    ASSERT_TRUE(vandel::remove_path(user_, true));
#endif
    write_bytes(user_, "a file where the folder's parent would be");  // nothing can be made under it
    settings s;
    EXPECT_FALSE(s.open(settings_per_user));
    s.set_language(L"fr");
    EXPECT_EQ(s.get_language(), L"fr");
    EXPECT_FALSE(s.close());
    EXPECT_EQ(read_bytes(user_), "a file where the folder's parent would be");
}

// ---- Portable copies: run as a copy of this program in the sandbox ----

TEST(settings_portable_child, scenarios) {
    if (!is_child_test()) GTEST_SKIP() << "runs as a child of settings_portable.copies";
    std::wstring program;
    vandel::capture_program_directory();
    ASSERT_TRUE(vandel::known_folder(vandel::folder_program, program));
    const std::wstring bin = program + L"zy-bin" + sep;

    // Mode 2, first start: no file yet. The defaults; logs go to "zy-log" beside "zy-bin".
    {
        settings s;
        EXPECT_FALSE(s.open(settings_portable_zy_bin));
        EXPECT_TRUE(s.portable());
        EXPECT_EQ(s.settings_folder(), bin);
        EXPECT_EQ(s.settings_file(), bin + L"settings.dat");
        EXPECT_TRUE(s.get_log_local());
        EXPECT_EQ(s.get_log_location(), bin + L"../zy-log");
        EXPECT_TRUE(s.close());  // nothing changed: nothing written
        EXPECT_FALSE(path_exists(bin + L"settings.dat"));

        s.set_log_location(L"D:\\logs");  // a folder of the user's switches local logs off
        EXPECT_FALSE(s.get_log_local());
        s.set_log_local(true);  // ... and local logs empty it again
        EXPECT_EQ(s.settings_store().get_string(L"LOG_LOCATION", L"x"), L"");
        s.set_rename_count(5);
        EXPECT_TRUE(s.close());
    }
    {
        settings s;
        ASSERT_TRUE(s.open(settings_portable_zy_bin));
        EXPECT_EQ(s.get_rename_count(), 5);
        EXPECT_TRUE(s.get_log_local());
    }

    // Mode 1: "settings.dat" in the program folder. An old file is migrated, but written only
    // once something changed.
    const std::wstring file = program + L"settings.dat";
    write_settings(file, {L"THEME=2", L"RENAME_COUNT.int=9"});
    const std::string before = read_bytes(file);
    {
        settings s;
        ASSERT_TRUE(s.open(settings_portable));
        EXPECT_EQ(s.settings_store().type(L"THEME"), 0);
        EXPECT_EQ(s.portable_log_folder(), program + L"../zy-log");
        EXPECT_TRUE(s.close());
    }
    EXPECT_EQ(read_bytes(file), before);
    {
        settings s;
        ASSERT_TRUE(s.open(settings_portable));
        s.set_sys_sounds(true);
        EXPECT_TRUE(s.close());
    }
    const std::vector<std::wstring> lines = read_settings(file);
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"OLVEX_VERSION.str=5.2.0", L"RENAME_COUNT.int=9", L"SYS_SOUNDS.bool=1"}));

    // A damaged file: the defaults, and the file stays as it is.
    const std::string damaged = std::string("\x00\xFC\xFA\x03\x09\x00\x00\x00", 8);
    write_bytes(file, damaged);
    {
        settings s;
        EXPECT_FALSE(s.open(settings_portable));
        EXPECT_EQ(s.settings_file(), L"");
        EXPECT_EQ(s.get_rename_count(), 3);
        s.set_rename_count(4);
        EXPECT_EQ(s.get_rename_count(), 4);  // for this run only
        EXPECT_FALSE(s.close());
    }
    EXPECT_EQ(read_bytes(file), damaged);
}

TEST(settings_portable, copies) {
    sandbox sb;
    const std::wstring app = sb.path(L"app");
    make_dirs(app + sep + L"zy-bin");
    const std::wstring self = own_program_path();
    const std::wstring copy = app + sep + vandel::file_name_part(self, true);
    write_bytes(copy, read_bytes(self));
#ifndef _WIN32
    ASSERT_EQ(chmod(vandel::to_os_bytes(copy).c_str(), 0755), 0);
#endif
    EXPECT_EQ(run_child_test("settings_portable_child.scenarios", copy), 0);
}

}  // namespace
}  // namespace olvex
