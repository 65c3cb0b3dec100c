#include "services/shell_extension.h"

#include "vandel/folders.h"
#include "vandel/registry_key.h"
#include "vandel/strings.h"

#include <exception>

namespace olvex {

const wchar_t* const shell_clsid_files = L"{8154B7C1-BB68-457C-931A-5BFABBA86CD9}";
const wchar_t* const shell_clsid_drives = L"{B0FFE529-A5D3-4ECE-91C0-9E3585C373D8}";
const wchar_t* const shell_clsid_recycle_bin = L"{5BE0FF55-FB81-4B44-9F04-254819BF72EC}";

namespace {

const wchar_t* const tag = L"Tarnhollow_Olvex";
constexpr int read_only = 1;
constexpr int read_write = 2;

std::wstring from_template(const wchar_t* pattern, const std::wstring& value) {
    return vandel::replace_all(pattern, L"%{TAG}", value, 0);
}

std::wstring handler_key(const wchar_t* pattern) { return from_template(pattern, tag); }
std::wstring clsid_key(const wchar_t* clsid) { return from_template(L"Software\\Classes\\CLSID\\%{TAG}", clsid); }

// Returns the option value of that kind, or nothing when absent, of another type or unreadable.
template <class T, class Read>
bool read_option(const wchar_t* name, int kind, T& out, Read read) {
    try {
        vandel::registry_key key;
        if (!key.open(vandel::registry_current_user, shell_options_key(), read_only)) return false;
        if (!key.value_exists(name) || key.value_type(name) != kind) return false;
        out = read(key);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

template <class Write>
bool write_option(Write write) {
    if (!shell_extension_installed()) return false;
    try {
        vandel::registry_key key;
        if (!key.create(vandel::registry_current_user, shell_options_key())) return false;
        write(key);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Creates the key and writes its default value (and the threading model of a server key).
bool write_key(const std::wstring& path, const std::wstring& value, bool server) {
    vandel::registry_key key;
    if (!key.create(vandel::registry_local_machine, path)) return false;
    key.write_string(L"", value);
    if (server) key.write_string(L"ThreadingModel", L"Apartment");
    return true;
}

bool delete_key(const std::wstring& path) {
    vandel::registry_key key;
    return key.delete_key(vandel::registry_local_machine, path);
}

}  // namespace

const std::wstring& shell_handler_key_files() {
    static const std::wstring k =
        handler_key(L"Software\\Classes\\AllFileSystemObjects\\ShellEx\\ContextMenuHandlers\\%{TAG}");
    return k;
}
const std::wstring& shell_handler_key_drive() {
    static const std::wstring k = handler_key(L"Software\\Classes\\Drive\\ShellEx\\ContextMenuHandlers\\%{TAG}");
    return k;
}
const std::wstring& shell_handler_key_recycle_bin() {
    static const std::wstring k = handler_key(
        L"Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\ShellEx\\ContextMenuHandlers\\%{TAG}");
    return k;
}
const std::wstring& shell_clsid_key_files() {
    static const std::wstring k = clsid_key(shell_clsid_files);
    return k;
}
const std::wstring& shell_clsid_key_drives() {
    static const std::wstring k = clsid_key(shell_clsid_drives);
    return k;
}
const std::wstring& shell_clsid_key_recycle_bin() {
    static const std::wstring k = clsid_key(shell_clsid_recycle_bin);
    return k;
}
const std::wstring& shell_server_key_files() {
    static const std::wstring k = shell_clsid_key_files() + L"\\InProcServer32";
    return k;
}
const std::wstring& shell_server_key_drives() {
    static const std::wstring k = shell_clsid_key_drives() + L"\\InProcServer32";
    return k;
}
const std::wstring& shell_server_key_recycle_bin() {
    static const std::wstring k = shell_clsid_key_recycle_bin() + L"\\InProcServer32";
    return k;
}
const std::wstring& shell_options_key() {
    static const std::wstring k = std::wstring(L"Software\\") + L"Tarnhollow" + L"\\" + L"Olvex Shell";
    return k;
}
const std::wstring& shell_approved_key() {
    static const std::wstring k = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
    return k;
}

bool install_shell_extension() {
    vandel::capture_program_directory();  // does nothing when the entry point did it
    std::wstring folder;
    if (!vandel::known_folder(vandel::folder_program, folder)) return false;
    const std::wstring server = folder + L"zyshell.dll";

    vandel::registry_key approved;
    if (!approved.open(vandel::registry_local_machine, shell_approved_key(), read_write)) return false;
    bool ok = false;
    try {
        approved.write_string(shell_clsid_files, tag);
        approved.write_string(shell_clsid_drives, tag);
        approved.write_string(shell_clsid_recycle_bin, tag);
        approved.close();
        ok = write_key(shell_handler_key_files(), shell_clsid_files, false) &&
             write_key(shell_handler_key_drive(), shell_clsid_drives, false) &&
             write_key(shell_handler_key_recycle_bin(), shell_clsid_recycle_bin, false) &&
             write_key(shell_server_key_files(), server, true) && write_key(shell_server_key_drives(), server, true) &&
             write_key(shell_server_key_recycle_bin(), server, true);
    } catch (const std::exception&) {
        // A refused write: no half registration is left behind either.
        ok = false;
    }
    if (!ok) uninstall_shell_extension();
    return ok;
}

bool uninstall_shell_extension() {
    bool ok = delete_key(shell_handler_key_files());
    ok = delete_key(shell_handler_key_drive()) && ok;
    ok = delete_key(shell_handler_key_recycle_bin()) && ok;
    vandel::registry_key approved;
    if (approved.open(vandel::registry_local_machine, shell_approved_key(), read_write)) {
        ok = approved.delete_value(shell_clsid_files) && ok;
        ok = approved.delete_value(shell_clsid_drives) && ok;
        ok = approved.delete_value(shell_clsid_recycle_bin) && ok;
        approved.close();
    }
    ok = delete_key(shell_server_key_files()) && ok;
    ok = delete_key(shell_clsid_key_files()) && ok;
    ok = delete_key(shell_server_key_drives()) && ok;
    ok = delete_key(shell_clsid_key_drives()) && ok;
    ok = delete_key(shell_server_key_recycle_bin()) && ok;
    ok = delete_key(shell_clsid_key_recycle_bin()) && ok;
    vandel::registry_key options;
    options.delete_key(vandel::registry_current_user, shell_options_key());
    return ok;
}

bool shell_extension_installed() {
    try {
        vandel::registry_key approved;
        if (!approved.open(vandel::registry_local_machine, shell_approved_key(), read_only)) return false;
        return approved.value_exists(shell_clsid_files) && approved.read_string(shell_clsid_files) == tag;
    } catch (const std::exception&) {
        return false;
    }
}

bool set_shell_enabled(bool enabled) {
    return write_option([enabled](vandel::registry_key& key) { key.write_dword(L"Enabled", enabled ? 1 : 0); });
}

bool set_shell_icons(bool icons) {
    return write_option([icons](vandel::registry_key& key) { key.write_dword(L"Icons", icons ? 1 : 0); });
}

bool set_shell_language(const std::wstring& language) {
    return write_option([&language](vandel::registry_key& key) { key.write_string(L"Language", language); });
}

bool is_shell_extension_enabled() {
    if (!shell_extension_installed()) return false;
    uint32_t enabled = 1;
    read_option(L"Enabled", vandel::registry_dword_kind, enabled,
                [](vandel::registry_key& key) { return key.read_dword(L"Enabled"); });
    return enabled != 0;
}

int get_shell_icons() {
    uint32_t icons = 1;
    read_option(L"Icons", vandel::registry_dword_kind, icons,
                [](vandel::registry_key& key) { return key.read_dword(L"Icons"); });
    return static_cast<int>(icons);
}

std::wstring get_shell_language() {
    std::wstring language;
    read_option(L"Language", vandel::registry_string_kind, language,
                [](vandel::registry_key& key) { return key.read_string(L"Language"); });
    return language;
}

}  // namespace olvex
