#include "services/settings.h"

#include "vandel/convert.h"
#include "vandel/file_store.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/map_settings.h"
#include "vandel/version.h"

#include <exception>

namespace olvex {

namespace {

const wchar_t* const company = L"Tarnhollow";
const wchar_t* const application = L"Olvex Main";
const wchar_t* const current_version = L"5.2.0";

// Keys of releases before 5.2.0 that nothing reads any more.
const wchar_t* const obsolete_keys[] = {
    L"DEVICE_BTN",  L"LARGE_ICONS",     L"RUN_LOG",        L"SHOW_THROT",   L"THROT_FIXED", L"IDLE_TIMEOUT",
    L"DEF_PRIORITY", L"THROTTLE",       L"TOOLBAR_SHADE",  L"ADMIN_TRASH_BTN", L"SHOW_DRIVE_BTN",
    L"TOOLBAR_POS", L"HIDE_MENU",       L"SAVE_LOG",       L"RESTART_LOG",  L"PREANALYSIS", L"SHOW_WARNING",
    L"DEF_SPEED",   L"DEF_SCHEME",      L"EMPTY_TRASH",    L"THEME",
};

// The folder of a portable store's "settings.dat", with its separator; false when the program's
// folder is unknown.
bool portable_folder(int mode, std::wstring& folder) {
    vandel::capture_program_directory();  // does nothing when the entry point did it
    if (!vandel::known_folder(vandel::folder_program, folder)) return false;
    if (mode == settings_portable_zy_bin) folder = vandel::add_trailing_separator(folder + L"zy-bin");
    return true;
}

}  // namespace

bool is_portable_copy() {
    std::wstring folder;
    return vandel::known_folder(vandel::folder_program, folder) && vandel::is_directory(folder + L"zy-bin");
}

settings::settings() = default;

settings::~settings() {
    try {
        close();
    } catch (...) {
    }
    try {
        store_.reset();
    } catch (...) {
    }
}

bool settings::has_file(int mode) {
    std::wstring path;
    if (mode == settings_portable || mode == settings_portable_zy_bin) {
        if (!portable_folder(mode, path)) return false;
        path += L"settings.dat";
    } else {
        path = vandel::settings_file_path(company, application, vandel::store_user_read);
    }
    return !path.empty() && vandel::path_kind(path) == vandel::kind_file;
}

bool settings::open(int mode) {
    store_.reset();
    file_store_ = nullptr;
    map_store_ = nullptr;
    portable_ = mode == settings_portable || mode == settings_portable_zy_bin;
    settings_file_.clear();
    settings_folder_.clear();

    if (portable_) {
        auto map = std::make_unique<vandel::map_settings<std::wstring>>();
        map_store_ = map.get();
        store_ = std::move(map);
        if (!portable_folder(mode, settings_folder_)) return false;
        settings_file_ = settings_folder_ + L"settings.dat";
        bool loaded = false;
        try {
            loaded = map_store_->load_file(settings_file_);
        } catch (const std::exception&) {
        }
        if (!loaded) {
            // A file that is there but can't be read is the user's: its values are not ours to
            // replace with defaults.
            if (vandel::path_kind(settings_file_) != vandel::kind_missing) settings_file_.clear();
            map_store_->clear();
            map_store_->set_modified(false);
            return false;
        }
    } else {
        auto file = std::make_unique<vandel::file_store>();
        file_store_ = file.get();
        store_ = std::move(file);
        bool opened = false;
        try {
            opened = file_store_->open(vandel::store_user_write, company, application);
        } catch (const std::exception&) {
        }
        if (!opened) {
            // What the user sets still holds until the program ends; close() says it was not saved.
            store_ = std::make_unique<vandel::map_settings<std::wstring>>();
            file_store_ = nullptr;
            return false;
        }
    }
    migrate();
    store_->set_modified(false);
    return true;
}

void settings::migrate() {
    const std::string version = vandel::narrow(store_->get_string(L"OLVEX_VERSION", L"5"), '\x1A');
    if (vandel::compare_versions(version, vandel::narrow(current_version, '\x1A')) >= 0) return;
    store_->set_string(L"OLVEX_VERSION", current_version);
    for (const wchar_t* key : obsolete_keys) store_->erase(key);
    // Older releases kept one file for all users.
    vandel::file_store common;
    common.remove(company, application, false);
}

bool settings::close() {
    if (!store_) return true;
    if (file_store_) return file_store_->is_open() && (!store_->modified() || file_store_->flush());
    if (settings_file_.empty()) return false;
    return !store_->modified() || map_store_->save_binary_file(settings_file_);
}

settings::store_type& settings::settings_store() {
    if (!store_) {
        if (portable_) {
            auto map = std::make_unique<vandel::map_settings<std::wstring>>();
            map_store_ = map.get();
            store_ = std::move(map);
        } else {
            auto file = std::make_unique<vandel::file_store>();
            file_store_ = file.get();
            store_ = std::move(file);
        }
    }
    return *store_;
}

bool settings::language_changed() { return settings_store().value_modified(L"LANGUAGE"); }

bool settings::has_pagefile_state() { return settings_store().type(L"PAGEFILE_STATE") == vandel::settings_bool; }

void settings::clear_changed() {
    layout_changed_ = false;
    settings_store().set_modified(false);
}

std::wstring settings::portable_log_folder() const {
    // Without a settings folder the name would be relative to whatever folder is current.
    if (!portable_ || settings_folder_.empty()) return {};
    return settings_folder_ + L"../" + L"zy-log";
}

// ---- Typed access ----

bool settings::get_bool(const wchar_t* name, bool def) { return settings_store().get_bool(name, def); }

void settings::set_bool(const wchar_t* name, bool value) { settings_store().set_bool(name, value); }

int32_t settings::get_int(const wchar_t* name, int32_t def, int32_t min, int32_t max) {
    return static_cast<int32_t>(settings_store().get_int(name, def, min, max));
}

void settings::set_int(const wchar_t* name, int32_t value) { settings_store().set_int(name, value); }

void settings::set_layout_bool(const wchar_t* name, bool value) {
    set_bool(name, value);
    layout_changed_ = layout_changed_ || settings_store().value_modified(name);
}

void settings::set_layout_int(const wchar_t* name, int32_t value) {
    set_int(name, value);
    layout_changed_ = layout_changed_ || settings_store().value_modified(name);
}

// ---- Keys ----

bool settings::get_abort_on_error() { return get_bool(L"ABORT_ON_ERROR", false); }
void settings::set_abort_on_error(bool value) { set_bool(L"ABORT_ON_ERROR", value); }
bool settings::get_auto_close() { return get_bool(L"AUTO_CLOSE", true); }
void settings::set_auto_close(bool value) { set_bool(L"AUTO_CLOSE", value); }
bool settings::get_confirm_wipe() { return get_bool(L"CONFIRM_WIPE", true); }
void settings::set_confirm_wipe(bool value) { set_bool(L"CONFIRM_WIPE", value); }

int32_t settings::get_default_scheme() { return get_int(L"DEFAULT_SCHEME", 1, 0, 9); }
void settings::set_default_scheme(int32_t value) {
    if (static_cast<uint32_t>(value) <= 9) set_int(L"DEFAULT_SCHEME", value);
}

bool settings::get_def_verify() { return get_bool(L"DEF_VERIFY", false); }
void settings::set_def_verify(bool value) { set_bool(L"DEF_VERIFY", value); }
bool settings::get_force_shutdown() { return get_bool(L"FORCE_SHUTDOWN", false); }
void settings::set_force_shutdown(bool value) { set_bool(L"FORCE_SHUTDOWN", value); }
double settings::get_ftol_perc() { return settings_store().get_float(L"FTOL_PERC", 1.0); }
void settings::set_ftol_perc(double value) { settings_store().set_float(L"FTOL_PERC", value); }
bool settings::get_pagefile_state() { return get_bool(L"PAGEFILE_STATE", false); }
void settings::set_pagefile_state(bool value) { set_bool(L"PAGEFILE_STATE", value); }
std::wstring settings::get_language() { return settings_store().get_string(L"LANGUAGE", L""); }
void settings::set_language(const std::wstring& value) { settings_store().set_string(L"LANGUAGE", value); }
bool settings::get_log_bom() { return get_bool(L"LOG_BOM", true); }
void settings::set_log_bom(bool value) { set_bool(L"LOG_BOM", value); }

bool settings::get_log_local() { return get_bool(L"LOG_LOCAL", portable_); }
void settings::set_log_local(bool value) {
    const bool local = value && portable_;
    if (local) set_log_location(L"");
    set_bool(L"LOG_LOCAL", local);
}

bool settings::get_log_user() { return get_bool(L"LOG_USER", true); }
void settings::set_log_user(bool value) { set_bool(L"LOG_USER", value); }
int32_t settings::get_logfile_lifetime() { return get_int(L"LOGFILE_LIFETIME", 0); }
void settings::set_logfile_lifetime(int32_t value) { set_int(L"LOGFILE_LIFETIME", value); }

std::wstring settings::get_log_location() {
    if (get_log_local()) return portable_log_folder();
    return settings_store().get_string(L"LOG_LOCATION", L"");
}
void settings::set_log_location(const std::wstring& value) {
    if (!value.empty()) set_log_local(false);
    settings_store().set_string(L"LOG_LOCATION", value);
}

int32_t settings::get_logwin_posx() { return get_int(L"LOGWIN_POSX", -1); }
int32_t settings::get_logwin_posy() { return get_int(L"LOGWIN_POSY", -1); }
int32_t settings::get_logwin_width() { return get_int(L"LOGWIN_WIDTH", -1); }
int32_t settings::get_logwin_height() { return get_int(L"LOGWIN_HEIGHT", -1); }
void settings::set_logwin_geometry(int32_t x, int32_t y, int32_t width, int32_t height) {
    set_int(L"LOGWIN_POSX", x);
    set_int(L"LOGWIN_POSY", y);
    set_int(L"LOGWIN_WIDTH", width);
    set_int(L"LOGWIN_HEIGHT", height);
}

int32_t settings::get_max_log_size() { return get_int(L"MAX_LOG_SIZE", 50000); }
void settings::set_max_log_size(int32_t value) { set_int(L"MAX_LOG_SIZE", value); }
int32_t settings::get_rename_count() { return get_int(L"RENAME_COUNT", 3, 0, 30); }
void settings::set_rename_count(int32_t value) { set_int(L"RENAME_COUNT", value); }

bool settings::get_show_device_btn() { return get_bool(L"SHOW_DEVICE_BTN", true); }
void settings::set_show_device_btn(bool value) { set_layout_bool(L"SHOW_DEVICE_BTN", value); }
bool settings::get_show_files_btn() { return get_bool(L"SHOW_FILES_BTN", true); }
void settings::set_show_files_btn(bool value) { set_layout_bool(L"SHOW_FILES_BTN", value); }
bool settings::get_show_graphic() { return get_bool(L"SHOW_GRAPHIC", true); }
void settings::set_show_graphic(bool value) { set_bool(L"SHOW_GRAPHIC", value); }

bool settings::get_show_menu() { return get_bool(L"SHOW_MENU", true); }
void settings::set_show_menu(bool value) {
    set_layout_bool(L"SHOW_MENU", value);
    if (!value) set_show_toolbar(true);
}

bool settings::get_show_page_btn() { return get_bool(L"SHOW_PAGE_BTN", true); }
void settings::set_show_page_btn(bool value) { set_layout_bool(L"SHOW_PAGE_BTN", value); }
bool settings::get_show_space_btn() { return get_bool(L"SHOW_SPACE_BTN", true); }
void settings::set_show_space_btn(bool value) { set_layout_bool(L"SHOW_SPACE_BTN", value); }

bool settings::get_show_toolbar() { return get_bool(L"SHOW_TOOLBAR", true); }
void settings::set_show_toolbar(bool value) {
    set_layout_bool(L"SHOW_TOOLBAR", value);
    if (!value) set_show_menu(true);
}

bool settings::get_show_tools_btn() { return get_bool(L"SHOW_TOOLS_BTN", false); }
void settings::set_show_tools_btn(bool value) { set_layout_bool(L"SHOW_TOOLS_BTN", value); }
bool settings::get_show_trash_btn() { return get_bool(L"SHOW_TRASH_BTN", true); }
void settings::set_show_trash_btn(bool value) { set_layout_bool(L"SHOW_TRASH_BTN", value); }
bool settings::get_show_volume_btn() { return get_bool(L"SHOW_VOLUME_BTN", true); }
void settings::set_show_volume_btn(bool value) { set_layout_bool(L"SHOW_VOLUME_BTN", value); }
bool settings::get_sys_sounds() { return get_bool(L"SYS_SOUNDS", false); }
void settings::set_sys_sounds(bool value) { set_bool(L"SYS_SOUNDS", value); }
int32_t settings::get_theme_color() { return get_int(L"THEME_COLOR", 0); }
void settings::set_theme_color(int32_t value) { set_layout_int(L"THEME_COLOR", value); }
int32_t settings::get_toolbar_place() { return get_int(L"TOOLBAR_PLACE", 0, 0, 2); }
void settings::set_toolbar_place(int32_t value) { set_layout_int(L"TOOLBAR_PLACE", value); }
bool settings::get_shaded_toolbar() { return get_bool(L"SHADED_TOOLBAR", false); }
void settings::set_shaded_toolbar(bool value) { set_layout_bool(L"SHADED_TOOLBAR", value); }
int32_t settings::get_toolbar_size() { return get_int(L"TOOLBAR_SIZE", 0, 0, 2); }
void settings::set_toolbar_size(int32_t value) { set_layout_int(L"TOOLBAR_SIZE", value); }
int32_t settings::get_toolbar_text() { return get_int(L"TOOLBAR_TEXT", 1, 0, 2); }
void settings::set_toolbar_text(int32_t value) { set_layout_int(L"TOOLBAR_TEXT", value); }
bool settings::get_transparent_menu() { return get_bool(L"TRANSPARENT_MENU", false); }
void settings::set_transparent_menu(bool value) { set_layout_bool(L"TRANSPARENT_MENU", value); }
bool settings::get_verbose_log() { return get_bool(L"VERBOSE_LOG", false); }
void settings::set_verbose_log(bool value) { set_bool(L"VERBOSE_LOG", value); }

int32_t settings::get_verify_scheme() { return get_int(L"VERIFY_SCHEME", INT32_MIN); }
void settings::set_verify_scheme(int32_t value) {
    if (value != 0 && (static_cast<uint32_t>(value) & 0x3FFFFFFFu) == 0) set_int(L"VERIFY_SCHEME", value);
}

int32_t settings::get_window_posx() { return get_int(L"WINDOW_POSX", -1); }
int32_t settings::get_window_posy() { return get_int(L"WINDOW_POSY", -1); }
void settings::set_window_pos(int32_t x, int32_t y) {
    set_int(L"WINDOW_POSX", x);
    set_int(L"WINDOW_POSY", y);
}
int32_t settings::get_window_width(bool dialog_mode) {
    return get_int(dialog_mode ? L"WINDOW_WIDTH_SHELL" : L"WINDOW_WIDTH", -1);
}
int32_t settings::get_window_height(bool dialog_mode) {
    return get_int(dialog_mode ? L"WINDOW_HEIGHT_SHELL" : L"WINDOW_HEIGHT", -1);
}
void settings::set_window_size(int32_t width, int32_t height, bool dialog_mode) {
    set_int(dialog_mode ? L"WINDOW_WIDTH_SHELL" : L"WINDOW_WIDTH", width);
    set_int(dialog_mode ? L"WINDOW_HEIGHT_SHELL" : L"WINDOW_HEIGHT", height);
}

}  // namespace olvex
