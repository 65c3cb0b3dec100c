#include "engine/drives.h"

#include "engine/targets.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/numbers.h"
#include "vandel/strings.h"

#include <algorithm>

namespace olvex {

namespace {

// Longest text read as a device reference. A path is never cut: a mount point may be of any
// length, and a cut path names another folder.
constexpr size_t max_device_reference = 100;

std::wstring trimmed(const std::wstring& text) { return vandel::trim(text, true, true); }

bool starts_with(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Parses a device reference by its text alone; -1 when it names no device.
int32_t parse_device_number(const std::wstring& text) {
    std::wstring t = vandel::to_lower(trimmed(text).substr(0, max_device_reference));
    if (starts_with(t, L"\\\\.\\")) t.erase(0, 4);
    t = vandel::normalize_path(t, vandel::path_style::windows);
    const size_t cut = t.find(L'\\');
    if (cut != std::wstring::npos && cut != 0) t.erase(cut);
    if (starts_with(t, L"physicaldrive")) {
        t.erase(0, 13);
    } else {
        for (const wchar_t* word : {L"device", L"drive", L"dev", L"id"}) {
            const std::wstring w = word;
            if (starts_with(t, w + L"-")) {
                t.erase(0, w.size() + 1);
                break;
            }
            if (starts_with(t, w)) {
                t.erase(0, w.size());
                break;
            }
        }
    }
    int32_t n = -1;
    if (vandel::parse_int32(t, n) <= 0 || n < 0 || n > max_device_number) return -1;
    return n;
}

// The device number that text names, by the provider's paths first, then by its text.
int32_t device_number_of(const std::wstring& text) {
    const int32_t n = targets().device_number(vandel::trim(text, true, true));
    return (n >= 0 && n <= max_device_number) ? n : parse_device_number(text);
}

// True when folder holds a file other than desktop.ini within `levels` folder levels. Links are
// items of their own: counted, never followed.
bool holds_files(const std::wstring& folder, int levels) {
    std::vector<std::wstring> entries;
    if (vandel::list_directory(folder, entries, vandel::list_files | vandel::list_folders | vandel::list_hidden |
                                                    vandel::list_full_paths) < 0)
        return false;
    for (const std::wstring& e : entries) {
        struct vandel::file_info info;
        const int kind = vandel::file_info(e, info);
        if (kind == vandel::kind_folder && !info.reparse_point) {
            if (levels > 1 && holds_files(e, levels - 1)) return true;
        } else if (kind != vandel::kind_missing && !is_desktop_ini(e)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::wstring drive_root_text(const std::wstring& path) {
    std::wstring t = trimmed(path);
    if (starts_with(t, L"\\\\?\\")) t.erase(0, 4);
    if (starts_with(t, L"\\\\.\\")) t.erase(0, 4);
    t = vandel::normalize_path(t, vandel::path_style::windows);
    if (t.size() == 1) t += L':';
    const size_t cut = t.find(L'\\');
    if (cut != std::wstring::npos && cut != 0) t.erase(cut);
    if (t.size() >= 2 && t[1] == L':') t = vandel::to_upper(t);
    return t;
}

std::wstring volume_root(const std::wstring& path, bool device_form) {
    if (trimmed(path).empty()) return std::wstring();
    const std::wstring root = targets().volume_root(path);
    if (!device_form || root.empty()) return root;
    return targets().volume_device(root);
}

bool is_volume_root(const std::wstring& path) {
    const std::wstring root = volume_root(path);
    if (root.empty()) return false;
    // The root as the system lists it, or a drive named by its letter; every other path must be
    // the root folder itself, by identity, so "/mnt/usb/photos" never stands for its volume.
    std::wstring t = trimmed(path);
    if (vandel::remove_trailing_separator(t) == vandel::remove_trailing_separator(root)) return true;
    if (starts_with(t, L"\\\\?\\") || starts_with(t, L"\\\\.\\")) t.erase(0, 4);
    t = vandel::remove_trailing_separator(t, vandel::path_style::windows);
    if (t.size() == 1) t += L':';
    if (root.size() == 2 && root[1] == L':' && vandel::to_upper(t) == root) return true;
    struct vandel::file_info given, top;
    return vandel::file_info(path, given) == vandel::kind_folder &&
           vandel::file_info(vandel::add_trailing_separator(root), top) == vandel::kind_folder && given.id == top.id;
}

int32_t drive_kind(const std::wstring& path) {
    const std::wstring root = volume_root(path);
    return root.empty() ? kind_none : targets().volume_kind(root);
}

std::wstring drive_type_text(int32_t kind, const std::wstring& fallback) {
    switch (kind) {
    case kind_unknown:
        return fallback;
    case kind_fixed:
        return L"Local Drive";
    case kind_removable:
        return L"Removable Drive";
    case kind_remote:
        return L"Remote Drive";
    case kind_optical:
        return L"ROM Drive";
    case kind_ram:
        return L"Ram Drive";
    default:
        return std::wstring();
    }
}

std::vector<std::wstring> list_volumes() {
    std::vector<std::wstring> out;
    for (const std::wstring& root : targets().volume_roots())
        if (!root.empty() && targets().volume_kind(root) != kind_none) out.push_back(root);
    return out;
}

std::vector<std::wstring> list_physical_devices(bool numbers_only) {
    std::vector<std::wstring> out;
    for (int32_t n : targets().device_numbers()) {
        if (n < 0 || n > max_device_number) continue;
        if (numbers_only)
            out.push_back(std::to_wstring(n));
        else if (std::wstring p = targets().device_path(n); !p.empty())
            out.push_back(p);
    }
    return out;
}

std::wstring parse_device_id(const std::wstring& text, bool number_only) {
    const int32_t n = device_number_of(text);
    if (n < 0) return std::wstring();
    return number_only ? std::to_wstring(n) : targets().device_path(n);
}

bool query_device_info(const std::wstring& reference, drive_info& out, bool list_volumes) {
    out = drive_info();
    out.is_volume = false;
    const int32_t n = device_number_of(reference);
    if (n < 0) return false;
    target_provider& t = targets();
    device_figures figures;
    const int32_t found = t.device_details(n, figures);
    if (found == 2) return false;
    out.kind = kind_unknown;
    out.id = std::to_wstring(n);
    out.path = t.device_path(n);
    out.is_system = t.is_system_device(n);
    if (found != 0) return false;
    out.size = figures.size;
    out.sector_size = figures.sector_size;
    out.detail = figures.serial;
    if (list_volumes) {
        for (const std::wstring& root : olvex::list_volumes()) {
            drive_info volume;
            query_volume_info(root, volume, true);
            if (std::find(volume.devices.begin(), volume.devices.end(), out.id) == volume.devices.end()) continue;
            out.kind = volume.kind;
            out.is_system = out.is_system || is_system_volume(root);
            out.volumes.push_back(root);
        }
    }
    return true;
}

bool query_volume_info(const std::wstring& path, drive_info& out, bool with_devices) {
    out = drive_info();
    out.id = volume_root(path);
    out.kind = out.id.empty() ? kind_none : targets().volume_kind(out.id);
    out.is_system = is_system_volume(out.id);
    if (out.kind == kind_none) return false;
    if (with_devices) volume_device_numbers(out.id, out.devices);
    struct vandel::volume_info info;
    const bool read = vandel::volume_info(vandel::add_trailing_separator(out.id), info);
    if (read) {
        out.size = info.total_bytes;
        out.file_system = info.file_system;
        out.detail = volume_serial_text(info.serial_number);
    } else if (out.kind != kind_unknown && out.kind != kind_optical) {
        out.file_system = L"RAW";
    }
    out.path = volume_label(out.id);
    return read;
}

void volume_device_numbers(const std::wstring& root, std::vector<std::wstring>& out) {
    std::vector<int32_t> numbers;
    if (root.empty() || !targets().volume_devices(root, numbers)) return;
    for (int32_t n : numbers) out.push_back(std::to_wstring(n));
}

std::wstring windows_volume_root() { return targets().system_volume_root(); }

std::wstring system_volume_root() { return targets().system_volume_root(); }

bool is_system_volume(const std::wstring& path) {
    const std::wstring root = volume_root(path);
    return !root.empty() && targets().is_system_volume(root);
}

bool is_system_root_folder(const std::wstring& path) {
    std::wstring root = system_volume_root();
    if (root.empty()) root = volume_root(path);  // unknown: every volume's root is refused
    if (root.empty() || trimmed(path).empty()) return false;
    // By identity: "/.", "//" and "/tmp/.." name the root as well as "/" does.
    struct vandel::file_info given, system;
    vandel::file_info(path, given);
    vandel::file_info(vandel::add_trailing_separator(root), system);
    return given.id == system.id;
}

bool ends_in_dots(const std::wstring& path) {
    std::wstring p = vandel::trim(path, true, true);
    while (p.size() > 1 && vandel::is_path_separator(p.back())) p.pop_back();
    size_t start = p.size();
    while (start > 0 && !vandel::is_path_separator(p[start - 1])) --start;
    const std::wstring name = p.substr(start);
    if (name == L"." || name == L"..") return true;
    return vandel::path_style::native == vandel::path_style::windows && !name.empty() &&
           name.find_first_not_of(L'.') == std::wstring::npos;
}

std::wstring volume_label(const std::wstring& root) { return root.empty() ? std::wstring() : targets().volume_label(root); }

std::wstring volume_serial_text(uint32_t serial) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring out;
    for (int shift = 28; shift >= 0; shift -= 4) {
        out += digits[(serial >> shift) & 0xF];
        if (shift == 16) out += L'-';
    }
    return out;
}

int32_t probe_target(const std::wstring& path, std::wstring& name, uint64_t& size) {
    std::wstring identity;
    return probe_target(path, name, size, identity);
}

int32_t probe_target(const std::wstring& path, std::wstring& name, uint64_t& size, std::wstring& identity) {
    name.clear();
    size = 0;
    identity.clear();
    std::wstring raw;
    drive_info record;
    if (const std::wstring device = parse_device_id(path, false); !device.empty()) {
        if (!query_device_info(device, record, false)) return 2;
        raw = device;
    } else {
        const std::wstring root = volume_root(path);
        if (root.empty() || targets().volume_kind(root) == kind_none) return 2;
        if (!query_volume_info(root, record, false)) return 2;
        raw = targets().volume_device(root);
    }
    name = record.detail;
    size = record.size;
    if (raw.empty()) return 1;
    vandel::file_stream stream;
    if (!stream.open(raw, vandel::open_device | vandel::open_share_read_write | vandel::open_read)) return 1;
    identity = targets().identity(stream);
    return 0;
}

int32_t probe_target_access(const std::wstring& path) {
    std::wstring name;
    uint64_t size = 0;
    return probe_target(path, name, size);
}

std::wstring recycler_folder(const std::wstring& path) {
    const std::wstring root = trimmed(path).empty() ? system_volume_root() : volume_root(path);
    return root.empty() ? std::wstring() : targets().recycle_bin_folder(root);
}

std::vector<std::wstring> list_recycle_bins(bool only_with_items) {
    std::vector<std::wstring> out;
    for (const std::wstring& root : list_volumes()) {
        const std::wstring folder = targets().recycle_bin_folder(root);
        if (folder.empty() || (only_with_items && !recycle_bin_has_items(root))) continue;
        out.push_back(folder);
    }
    return out;
}

bool recycle_bin_has_items(const std::wstring& path) {
    if (trimmed(path).empty()) {
        for (const std::wstring& folder : list_recycle_bins(false))
            if (recycle_bin_has_items(folder)) return true;
        return false;
    }
    const std::wstring root = volume_root(path);
    if (!root.empty() && targets().recycle_bin_items(root) > 0) return true;
    const std::wstring folder = recycler_folder(path);
    return !folder.empty() && holds_files(folder, 3);
}

error_code empty_recycle_bin(const std::wstring& path) {
    const std::wstring root = trimmed(path).empty() ? system_volume_root() : volume_root(path);
    return root.empty() ? err_not_available : targets().empty_recycle_bin(root);
}

bool is_desktop_ini(const std::wstring& path) {
    return vandel::to_lower(vandel::file_name_part(path, true)) == L"desktop.ini";
}

}  // namespace olvex
