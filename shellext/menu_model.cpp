#include "shellext/menu_model.h"

#include "services/interlang.h"
#include "vandel/files.h"
#include "vandel/strings.h"

namespace olvex::shell_menu {

namespace {

const wchar_t* const product_name = L"Oblivar";
const wchar_t* const product_version = L"5.2.0";
// The pages are the help pages shipped in "zy-help" beside the program's folder, as the GUI's:
// nothing the menu opens leaves the machine.
const wchar_t* const updates_page = L"updates/olvex-%(VID).html";
const wchar_t* const guide_page = L"user_guide/index.html";
const wchar_t* const social_page_one = L"community.html";
const wchar_t* const social_page_two = L"news.html";

entry item(uint32_t offset, const std::wstring& text, int icon, bool enabled) {
    entry e;
    e.offset = offset;
    e.text = text;
    e.icon = icon;
    e.state = enabled ? state_enabled : state_disabled;
    // A translator hides an item by translating it to "--".
    if (text == L"--") {
        e.type = entry_type::separator;
        e.text.clear();
        e.icon = no_icon;
    }
    return e;
}

entry separator() {
    entry e;
    e.type = entry_type::separator;
    return e;
}

entry submenu(const std::wstring& text, int icon, bool enabled, std::vector<entry> children) {
    entry e;
    e.type = entry_type::submenu;
    e.text = text;
    e.icon = icon;
    e.state = enabled ? state_enabled : state_disabled;
    e.children = std::move(children);
    return e;
}

entry program_submenu(int elevation) {
    return submenu(tr_arg(L"CXT_PARENT", product_name), icon_program, true,
                   {item(9, tr(L"CXT_OPTIONS"), icon_options, true),
                    item(8, tr(L"CXT_WIPE_PAGE"), icon_page_file, elevation != 0),
                    item(7, tr(L"CXT_STANDALONE"), icon_standalone, true), separator(),
                    item(15, tr(L"CXT_HELP"), icon_guide, true), item(10, tr(L"CXT_UPDATE"), icon_updates, true),
                    item(13, tr(L"CXT_FACEBOOK"), icon_social_one, true),
                    item(14, tr(L"CXT_TWITTER"), icon_social_two, true),
                    item(16, tr_arg(L"CXT_ABOUT", product_name), icon_about, true)});
}

// The user's and the administrator's item of a recycle-bin submenu.
std::vector<entry> bin_items(uint32_t user_offset, uint32_t admin_offset, int elevation) {
    return {item(user_offset, tr(L"CXT_USER_TRASH"), icon_user_bin, elevation != 2),
            item(admin_offset, tr(L"CXT_ADMIN_TRASH"), icon_admin_bin, elevation != 0)};
}

std::wstring wipe_key(const facts& f) {
    if (f.path_count > 1) return L"CXT_WIPE_DATA";
    if (f.first_path_kind == vandel::kind_file) return L"CXT_WIPE_FILE";
    if (f.first_path_kind == vandel::kind_folder) return L"CXT_WIPE_FOLDER";
    return L"";
}

void strip_icons(std::vector<entry>& entries) {
    for (entry& e : entries) {
        e.icon = no_icon;
        strip_icons(e.children);
    }
}

}  // namespace

const std::vector<int>& icon_groups() {
    static const std::vector<int> groups{icon_wipe,       icon_wipe_drive, icon_clean_drive, icon_user_bin,
                                         icon_admin_bin,  icon_program,    icon_options,     icon_standalone,
                                         icon_page_file,  icon_updates,    icon_guide,       icon_social_one,
                                         icon_social_two, icon_about};
    return groups;
}

bool may_fill(uint32_t flags, uint32_t first_id, uint32_t last_id, bool bin_menu_open) {
    if (bin_menu_open || (flags & flags_no_entries) != 0) return false;
    // Every offset's id must fit: an item whose id lies past last_id would reach another
    // handler's commands.
    return first_id < last_id && last_id - first_id >= command_count - 1;
}

std::vector<entry> build_menu(const facts& f) {
    std::vector<entry> entries;
    if (f.kind == kind_files && f.path_count > 0) {
        const std::wstring key = wipe_key(f);
        entries = {separator(), item(0, key.empty() ? std::wstring() : tr(key), icon_wipe, true),
                   program_submenu(f.elevation), separator()};
    } else if (f.kind == kind_drives && f.path_count > 0) {
        const bool one = f.path_count == 1;
        const bool wipe_enabled = one && f.first_drive >= 0 && f.first_drive != f.system_drive;
        std::wstring bin_text = tr(L"CXT_WIPE_DRIVE_TRASH");
        if (one && f.bin == bin_empty) bin_text += L" " + tr(L"CXT_EMPTY_POSTFIX");
        if (one && f.bin == bin_unknown) bin_text += L" " + tr(L"MISC_NONE");
        entries = {separator(),
                   item(1, tr(L"CXT_WIPE_DRIVE"), icon_wipe_drive, wipe_enabled),
                   item(2, tr(L"CXT_CLEAN_DRIVE"), icon_clean_drive, true),
                   submenu(bin_text, icon_wipe, one && f.bin == bin_full, bin_items(3, 5, f.elevation)),
                   program_submenu(f.elevation),
                   separator()};
    } else if (f.kind == kind_recycle_bin) {
        entries = {separator(),
                   submenu(tr(L"CXT_WIPE_ALL_TRASH"), icon_wipe, f.bin == bin_full, bin_items(4, 6, f.elevation)),
                   program_submenu(f.elevation), separator()};
    }
    if (!f.icons) strip_icons(entries);
    return entries;
}

const wchar_t* help_key(uint32_t offset) {
    static const wchar_t* const keys[command_count] = {
        L"CXT_WIPE_FILES", L"CXT_WIPE_DRIVE", L"CXT_CLEAN_DRIVE", L"CXT_WIPE_DRIVE_TRASH", L"CXT_WIPE_ALL_TRASH",
        L"CXT_WIPE_DRIVE_TRASH", L"CXT_WIPE_ALL_TRASH", L"CXT_STANDALONE", L"CXT_WIPE_PAGE", L"CXT_OPTIONS",
        L"CXT_UPDATE", nullptr, nullptr, L"CXT_FACEBOOK", L"CXT_TWITTER", L"CXT_HELP", L"CXT_ABOUT"};
    return offset < command_count ? keys[offset] : nullptr;
}

bool help_text(uint32_t offset, size_t buffer_units, std::wstring& out) {
    const wchar_t* key = help_key(offset);
    if (key == nullptr) return false;
    // The about text names the product as its menu item does, not "%1".
    std::wstring text = tr_arg(key, product_name);
    if (text.empty() || buffer_units < text.size() + 1) return false;
    out = std::move(text);
    return true;
}

command command_of(uint32_t offset) {
    const auto launch = [](uint32_t word, int mode, bool paths) {
        command c;
        c.what = action::launch;
        c.word = word;
        c.mode = mode;
        c.with_paths = paths;
        return c;
    };
    const auto page = [](std::wstring file) {
        command c;
        c.what = action::open_page;
        c.page = std::move(file);
        return c;
    };
    const uint32_t from_explorer = CMD_DIALOG_MODE;
    switch (offset) {
    case 0: return launch(from_explorer | ACTION_WIPE_FILES, launch_open, true);
    case 1: {
        command c = launch(from_explorer | ACTION_WIPE_VOLUMES, launch_open, true);
        c.elevate_unless_readable = true;
        return c;
    }
    case 2: return launch(from_explorer | ACTION_WIPE_FREE_SPACE, launch_open, true);
    case 3: return launch(from_explorer | ACTION_WIPE_RECYCLE_BIN, launch_open, true);
    case 4: return launch(from_explorer | ACTION_WIPE_RECYCLE_BIN, launch_open, false);
    case 5: return launch(from_explorer | ACTION_WIPE_RECYCLE_BIN, launch_runas, true);
    case 6: return launch(from_explorer | ACTION_WIPE_RECYCLE_BIN, launch_runas, false);
    case 7: return launch(0, launch_open, false);
    case 8: return launch(from_explorer | ACTION_PAGE_FILE, launch_open, false);
    case 9: return launch(from_explorer | ACTION_OPTIONS, launch_open, false);
    case 10: return page(vandel::replace_all(updates_page, L"%(VID)", product_version, 0));
    case 13: return page(social_page_one);
    case 14: return page(social_page_two);
    case 15: return page(guide_page);
    case 16: return launch(from_explorer | ACTION_ABOUT, launch_open, false);
    case 11:
    case 12: {
        command c;
        c.what = action::nothing;
        return c;
    }
    default: return {};
    }
}

bool invoke(uint32_t offset, const std::wstring& path_list, uint64_t window, command_bridge& bridge,
            const invoke_env& env) {
    const command c = command_of(offset);
    switch (c.what) {
    case action::fail: return false;
    case action::nothing: return true;
    case action::open_page:
        if (env.open_page) env.open_page(c.page);
        return true;
    case action::launch: break;
    }
    command_payload payload;
    payload.window = window;
    if (c.with_paths) payload.data = path_list;
    int mode = c.mode;
    if (c.elevate_unless_readable && env.volume_readable && !env.volume_readable(first_path(path_list)))
        mode = launch_runas;
    bridge.launch(L"zygui.exe", c.word, mode, payload);
    return true;
}

std::wstring first_path(const std::wstring& path_list) { return path_list.substr(0, path_list.find(L'\0')); }

}  // namespace olvex::shell_menu
