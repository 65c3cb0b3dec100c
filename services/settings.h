#pragma once
// The programs' user options: one object per process, one getter and one setter per key, each
// with its default and (for numbers) the range accepted on reading. An installed copy keeps them
// in the per-user file "Olvex Main.cfg" in the "Tarnhollow" folder of the roaming
// application-data folder; a portable copy in "settings.dat" in its program folder (open mode
// 1) or in its "zy-bin" sub-folder (open mode 2). Opening migrates older contents.
//
// A settings file that exists but can't be read is never overwritten: its values read as the
// defaults and changes live in memory only.
#include "vandel/settings.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vandel {
class file_store;
template <class S>
class map_settings;
}  // namespace vandel

namespace olvex {

// Open modes.
constexpr int settings_per_user = 0;
constexpr int settings_portable = 1;         // "settings.dat" in the program folder
constexpr int settings_portable_zy_bin = 2;  // "settings.dat" in its "zy-bin" sub-folder

// Returns whether this copy of the programs is portable: a folder "zy-bin" stands in the
// program folder. Both programs decide so before they open their settings.
bool is_portable_copy();

class settings {
public:
    using store_type = vandel::settings_interface<std::wstring>;

    settings();
    // Closes (writing what changed), then deletes the store; never throws.
    virtual ~settings();
    settings(const settings&) = delete;
    settings& operator=(const settings&) = delete;

    // Returns whether the store of open mode has a file to load (nothing is created to find out).
    static bool has_file(int mode);
    // Replaces the store by the one of mode and migrates its contents. Returns false when the
    // store could not be opened or its file not read (a missing portable file included); the
    // getters then give their defaults.
    bool open(int mode);
    // Writes the store back when it was modified. Returns false when that write failed, or when
    // the options can't be kept at all (a per-user store that is not open, a portable store
    // without a file it may write).
    bool close();
    // Returns the store, created empty on first use when open never ran.
    store_type& settings_store();

    bool portable() const { return portable_; }
    // The portable "settings.dat" (empty for the per-user store, or when it must not be written).
    const std::wstring& settings_file() const { return settings_file_; }
    // The folder that holds "settings.dat", with its separator.
    const std::wstring& settings_folder() const { return settings_folder_; }

    // Whether LANGUAGE changed since the modified flags were last cleared.
    bool language_changed();
    // Whether PAGEFILE_STATE was ever stored.
    bool has_pagefile_state();
    // Clears the layout-changed flag and every modified flag of the store.
    void clear_changed();
    // Whether a layout option changed since clear_changed.
    bool layout_changed() const { return layout_changed_; }
    // The "zy-log" folder beside the folder of "settings.dat" of a portable copy; empty for the
    // per-user store.
    std::wstring portable_log_folder() const;

    bool get_abort_on_error();
    void set_abort_on_error(bool value);
    bool get_auto_close();
    void set_auto_close(bool value);
    bool get_confirm_wipe();
    void set_confirm_wipe(bool value);
    int32_t get_default_scheme();
    // Ignores numbers outside 0..9.
    void set_default_scheme(int32_t value);
    bool get_def_verify();
    void set_def_verify(bool value);
    bool get_force_shutdown();
    void set_force_shutdown(bool value);
    double get_ftol_perc();
    void set_ftol_perc(double value);
    bool get_pagefile_state();
    void set_pagefile_state(bool value);
    std::wstring get_language();
    void set_language(const std::wstring& value);
    bool get_log_bom();
    void set_log_bom(bool value);
    // Defaults to portable(); only a portable copy stores true, and then empties LOG_LOCATION.
    bool get_log_local();
    void set_log_local(bool value);
    bool get_log_user();
    void set_log_user(bool value);
    int32_t get_logfile_lifetime();
    void set_logfile_lifetime(int32_t value);
    // The portable log folder while LOG_LOCAL holds, else LOG_LOCATION (empty: no log file).
    std::wstring get_log_location();
    // A folder switches LOG_LOCAL off.
    void set_log_location(const std::wstring& value);
    int32_t get_logwin_posx();
    int32_t get_logwin_posy();
    int32_t get_logwin_width();
    int32_t get_logwin_height();
    void set_logwin_geometry(int32_t x, int32_t y, int32_t width, int32_t height);
    int32_t get_max_log_size();
    void set_max_log_size(int32_t value);
    int32_t get_rename_count();
    void set_rename_count(int32_t value);
    bool get_show_device_btn();
    void set_show_device_btn(bool value);
    bool get_show_files_btn();
    void set_show_files_btn(bool value);
    bool get_show_graphic();
    void set_show_graphic(bool value);
    // Menu bar and toolbar are never both hidden: hiding one shows the other.
    bool get_show_menu();
    void set_show_menu(bool value);
    bool get_show_page_btn();
    void set_show_page_btn(bool value);
    bool get_show_space_btn();
    void set_show_space_btn(bool value);
    bool get_show_toolbar();
    void set_show_toolbar(bool value);
    bool get_show_tools_btn();
    void set_show_tools_btn(bool value);
    bool get_show_trash_btn();
    void set_show_trash_btn(bool value);
    bool get_show_volume_btn();
    void set_show_volume_btn(bool value);
    bool get_sys_sounds();
    void set_sys_sounds(bool value);
    int32_t get_theme_color();
    void set_theme_color(int32_t value);
    int32_t get_toolbar_place();
    void set_toolbar_place(int32_t value);
    bool get_shaded_toolbar();
    void set_shaded_toolbar(bool value);
    int32_t get_toolbar_size();
    void set_toolbar_size(int32_t value);
    int32_t get_toolbar_text();
    void set_toolbar_text(int32_t value);
    bool get_transparent_menu();
    void set_transparent_menu(bool value);
    bool get_verbose_log();
    void set_verbose_log(bool value);
    // The verification bits of a scheme word; stores only a non-zero value with bits 0-29 clear.
    int32_t get_verify_scheme();
    void set_verify_scheme(int32_t value);
    int32_t get_window_posx();
    int32_t get_window_posy();
    void set_window_pos(int32_t x, int32_t y);
    // The dialog-mode size (a request from Explorer) or the normal one.
    int32_t get_window_width(bool dialog_mode);
    int32_t get_window_height(bool dialog_mode);
    void set_window_size(int32_t width, int32_t height, bool dialog_mode);

private:
    bool get_bool(const wchar_t* name, bool def);
    void set_bool(const wchar_t* name, bool value);
    int32_t get_int(const wchar_t* name, int32_t def, int32_t min = INT32_MIN, int32_t max = INT32_MAX);
    void set_int(const wchar_t* name, int32_t value);
    // Layout setters: store, then note whether the key now counts as changed.
    void set_layout_bool(const wchar_t* name, bool value);
    void set_layout_int(const wchar_t* name, int32_t value);
    void migrate();

    bool portable_ = true;
    bool layout_changed_ = false;
    std::wstring settings_file_;
    std::wstring settings_folder_;
    std::unique_ptr<store_type> store_;
    vandel::file_store* file_store_ = nullptr;                 // store_ when per-user
    vandel::map_settings<std::wstring>* map_store_ = nullptr;  // store_ when portable
};

}  // namespace olvex
