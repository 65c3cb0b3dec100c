#include "gui/wipe/drive_items.h"

#include "engine/targets.h"
#include "services/session.h"
#include "vandel/files.h"
#include "vandel/strings.h"
#include "vandel/version.h"

namespace olvex {

namespace {

const wchar_t* drive_icon(const drive_info& record) {
    if (record.is_system) return L":/ddlg_winsys.png";
    switch (record.kind) {
    case kind_removable: return L":/ddlg_removable.png";
    case kind_remote: return L":/ddlg_remote.png";
    case kind_optical: return L":/ddlg_rom.png";
    default: return L":/ddlg_fixed.png";
    }
}

bool may_tick(const drive_info& record, const drive_rules& rules) {
    if (record.is_system && !rules.system_selectable) return false;
    return record.kind != kind_optical || rules.optical_selectable;
}

std::vector<drive_item> volume_items(const drive_rules& rules) {
    // Of the jobs that pick volumes, only the volume job keeps the system's volume out; it writes
    // each volume whole, through the volume's own raw device.
    const bool whole_volumes = !rules.system_selectable;
    std::vector<drive_item> items;
    for (const std::wstring& root : list_volumes()) {
        drive_info record;
        const bool read = query_volume_info(root, record, true);
        drive_item item;
        item.text = volume_text(record, true, rules.large_view ? L"\n" : L" ");
        item.data = shown_root(root);
        item.icon = drive_icon(record);
        item.system = record.is_system;
        // A volume that can't be read may be the system's; one without a raw device (a file
        // system in memory or on the network) is one the volume job can only refuse.
        item.enabled = may_tick(record, rules) &&
                       (!whole_volumes || (read && !targets().volume_device(root).empty()));
        items.push_back(item);
    }
    return items;
}

std::vector<drive_item> device_items(const drive_rules& rules) {
    std::vector<drive_item> items;
    for (const std::wstring& number : list_physical_devices(true)) {
        drive_info record;
        if (!query_device_info(number, record, true)) continue;
        drive_item item;
        item.text = rules.drive_text + L" " + record.id;
        if (record.size != 0) item.text += L" (" + vandel::format_bytes<std::wstring>(record.size) + L")";
        item.text += L"\n";
        drive_info volume;
        if (record.volumes.size() == 1 && query_volume_info(record.volumes[0], volume, false)) {
            item.text += volume_text(volume, false, L"");
        } else {
            std::vector<std::wstring> roots;
            for (const std::wstring& root : record.volumes) roots.push_back(shown_root(root));
            item.text += rules.volumes_text + L": " + (roots.empty() ? rules.none_text : vandel::join(roots, L", "));
        }
        item.data = record.id;
        item.icon = drive_icon(record);
        item.system = record.is_system;
        item.enabled = may_tick(record, rules);
        items.push_back(item);
    }
    return items;
}

std::vector<drive_item> bin_items(const drive_rules& rules) {
    std::vector<drive_item> items;
    for (const std::wstring& bin : list_recycle_bins(false)) {
        drive_info record;
        if (!query_volume_info(bin, record, true)) continue;
        const bool full = recycle_bin_has_items(record.id);
        drive_item item;
        item.text = volume_text(record, false, L"");
        if (!full) item.text += L" " + rules.empty_text;
        if (rules.large_view) item.text += L"\n" + bin;
        item.data = shown_root(record.id);
        item.icon = full ? L":/ddlg_win_trash_full.png" : L":/ddlg_win_trash_empty.png";
        item.system = record.is_system;
        item.enabled = full || rules.empty_bins_selectable;
        items.push_back(item);
    }
    return items;
}

}  // namespace

std::wstring shown_root(const std::wstring& root) { return vandel::add_trailing_separator(root); }

std::wstring volume_text(const drive_info& record, bool detailed, const std::wstring& separator) {
    std::wstring text;
    if (!record.path.empty()) {
        text = record.path + L" ";
    } else if (const std::wstring kind = drive_type_text(record.kind, std::wstring()); !kind.empty()) {
        text = kind + L" ";
    }
    text += L"(" + shown_root(record.id) + L")";
    if (!detailed) return text;
    text += separator;
    if (record.size != 0) text += vandel::format_bytes<std::wstring>(record.size) + L" ";
    return vandel::trim(text + record.file_system, false, true);
}

std::vector<drive_item> drive_items(int list_type, const drive_rules& rules) {
    switch (list_type) {
    case drive_list_volumes: return volume_items(rules);
    case drive_list_devices: return device_items(rules);
    case drive_list_bins: return bin_items(rules);
    default: return {};
    }
}

const wchar_t* empty_list_key(int list_type, int elevation_state) {
    switch (list_type) {
    case drive_list_volumes: return L"DDLG_NO_VOLUMES_TEXT";
    case drive_list_devices:
        // A device the system names but that doesn't open is left out of the list.
        if (list_physical_devices(true).empty()) return L"DDLG_NO_DEVICES_TEXT";
        return elevation_state == elevation_full ? L"DDLG_NO_DEVICES_READ_TEXT" : L"DDLG_NO_DEVICES_ADMIN_TEXT";
    case drive_list_bins: return L"DDLG_NO_BINS_TEXT";
    default: return nullptr;
    }
}

option_box elevation_choice(int elevation_state, bool offered) {
    option_box box;
    box.visible = offered;
    box.enabled = offered && elevation_state == elevation_limited;
    box.checked = offered && elevation_state == elevation_full;
    return box;
}

}  // namespace olvex
