#pragma once
// The Explorer extension's registration (machine-wide, administrators only) and the option
// values with which a user steers it (per user). Everything goes through vandel::registry_key;
// where there is no registry (POSIX) the extension is never registered and the options read as
// their defaults.
#include <string>

namespace olvex {

// Key paths, built once per process. Handler keys of the three shell classes:
const std::wstring& shell_handler_key_files();
const std::wstring& shell_handler_key_drive();
const std::wstring& shell_handler_key_recycle_bin();
// Class keys of the three class identifiers, and their in-process server keys:
const std::wstring& shell_clsid_key_files();
const std::wstring& shell_clsid_key_drives();
const std::wstring& shell_clsid_key_recycle_bin();
const std::wstring& shell_server_key_files();
const std::wstring& shell_server_key_drives();
const std::wstring& shell_server_key_recycle_bin();
// The current user's option key.
const std::wstring& shell_options_key();
// The machine's list of approved shell extensions.
const std::wstring& shell_approved_key();

// The class identifiers of the three menus.
extern const wchar_t* const shell_clsid_files;
extern const wchar_t* const shell_clsid_drives;
extern const wchar_t* const shell_clsid_recycle_bin;

// Returns true when every entry was written; otherwise false, and every entry of the
// registration is removed again (nothing is touched when the approved list can't be opened for
// writing, as without administrator rights).
bool install_shell_extension();
// Removes every entry and the user's option key. Returns true only when every entry was there
// and went.
bool uninstall_shell_extension();
// Returns whether the approved list names the extension for files and folders.
bool shell_extension_installed();

// Return true when the value was written; false (nothing written) when the extension is not
// registered or the option key can't be created or written.
bool set_shell_enabled(bool enabled);
bool set_shell_icons(bool icons);
bool set_shell_language(const std::wstring& language);

// Returns whether the extension is registered and not switched off.
bool is_shell_extension_enabled();
// Returns the stored "Icons" number (non-zero: menus carry pictures); 1 when there is none.
int get_shell_icons();
// Returns the menu language; empty (the user's locale language) when none is stored.
std::wstring get_shell_language();

}  // namespace olvex
