#pragma once
// Finding and describing the erasure targets that are not files: physical devices, volumes and
// their recycle bins. Everything here asks the process's target provider (engine/targets.h), so
// the same rules hold on every system and in tests. Nothing throws for a missing or inaccessible
// target: lists come back shorter, records keep their defaults, queries return false.
#include "engine/job.h"

#include <cstdint>
#include <string>
#include <vector>

namespace olvex {

// device_kind values.
enum : int32_t {
    kind_unknown = 0,    // also: a device that exists
    kind_fixed = 1,
    kind_removable = 2,  // with a medium
    kind_remote = 3,
    kind_optical = 4,
    kind_ram = 5,
    kind_none = 6,       // no such root, or a removable drive without a medium
};

// Devices are numbered 0..max_device_number.
constexpr int32_t max_device_number = 15;

// One device (is_volume false) or volume.
struct drive_info {
    std::wstring id;           // volume root ("D:", "/mnt/data/"); device number in decimal
    std::wstring path;         // volume label; device path
    bool is_volume = true;
    bool is_system = false;    // holds the operating system (a device: through any of its volumes)
    std::wstring detail;       // volume serial "XXXX-XXXX"; device serial number
    int32_t kind = kind_none;  // volume kind; 0 for a device that exists, else a kind of its volumes
    uint64_t size = 0;         // file-system bytes; device bytes
    std::wstring file_system;  // name, or "RAW" when unreadable; empty for a device
    uint64_t sector_size = 0;  // devices only
    std::vector<std::wstring> devices;  // volume: numbers of the devices holding it
    std::vector<std::wstring> volumes;  // device: roots of the volumes on it
};

// Returns the root of the volume that holds path; with device_form the path that opens it raw
// ("\\.\D:"). Empty when no volume can be made of the path.
std::wstring volume_root(const std::wstring& path, bool device_form = false);

// Returns true when path names a volume's root itself (a mount point, "J:", "J:\", "\\.\J:"), not a
// folder inside it.
bool is_volume_root(const std::wstring& path);

// Returns the device_kind of the volume holding path; 6 when there is none.
int32_t drive_kind(const std::wstring& path);

// Returns the text of a kind: kind 0 gives fallback; 6 and unknown kinds an empty text.
std::wstring drive_type_text(int32_t kind, const std::wstring& fallback);

// Returns the roots of the volumes present, in the system's order.
std::vector<std::wstring> list_volumes();

// Returns the devices present: their numbers as decimal text, or their paths.
std::vector<std::wstring> list_physical_devices(bool numbers_only);

// Returns the device number (decimal) or path that text names ("PhysicalDrive2", "\\.\PhysicalDrive2",
// "drive-2", "dev2", "id-2", "2", or a device path the system gave); empty when it names none.
std::wstring parse_device_id(const std::wstring& text, bool number_only);

// Fills out for the device that reference names (with the roots of its volumes when
// list_volumes). Returns true when the device's size was read; out.kind is 6 when there is no
// such device.
bool query_device_info(const std::wstring& reference, drive_info& out, bool list_volumes);

// Fills out for the volume holding path (with the numbers of its devices when with_devices).
// Returns true when its file system's figures were read.
bool query_volume_info(const std::wstring& path, drive_info& out, bool with_devices);

// Appends the decimal numbers of the devices that hold the volume.
void volume_device_numbers(const std::wstring& root, std::vector<std::wstring>& out);

// Return the root of the volume that holds the operating system; empty when unknown.
std::wstring windows_volume_root();
std::wstring system_volume_root();

// Returns true when the volume holding path holds the operating system, and when the system
// volume is unknown; false for a path on no volume.
bool is_system_volume(const std::wstring& path);

// Returns true when path names the root folder of the volume that holds the operating system
// ("/", "C:\"), and, while that volume is unknown, the root folder of any volume.
bool is_system_root_folder(const std::wstring& path);

// Returns true when the last name of path is "." or ".." (on Windows, any name of dots only, which
// the system cuts to nothing): it names no entry of its own folder, and a files job refuses it
// as rm does.
bool ends_in_dots(const std::wstring& path);

// Returns the volume's label; empty when it has none.
std::wstring volume_label(const std::wstring& root);

// Returns eight upper-case hex digits with '-' after the fourth: 0xABC gives "0000-0ABC".
std::wstring volume_serial_text(uint32_t serial);

// Returns 0 when the device or volume that path names exists and opens for reading, 1 when it
// exists but doesn't open, 2 when it isn't found. name and size get its serial and size when it
// exists; identity gets what the writer must find again at open (empty unless 0).
int32_t probe_target(const std::wstring& path, std::wstring& name, uint64_t& size);
int32_t probe_target(const std::wstring& path, std::wstring& name, uint64_t& size, std::wstring& identity);
int32_t probe_target_access(const std::wstring& path);

// Returns the recycle-bin folder of the path's volume (the system volume's for an empty path)
// with a trailing separator; empty when it has none.
std::wstring recycler_folder(const std::wstring& path);

// Returns the recycle-bin folders of all volumes, in their order; with only_with_items only those
// that hold something.
std::vector<std::wstring> list_recycle_bins(bool only_with_items);

// Returns true when the recycle bin of the path's volume (of any volume, for an empty path) holds
// something other than desktop.ini files.
bool recycle_bin_has_items(const std::wstring& path);

// Empties the recycle bin of the path's volume (the system volume's for an empty path): 0 done,
// also when it was empty; 0x200 no recycle bin there; 0x8000 it failed.
error_code empty_recycle_bin(const std::wstring& path);

// Returns true when the path's file name is "desktop.ini" in any letter case.
bool is_desktop_ini(const std::wstring& path);

// Returns the root that a Windows path names by its text alone: "D:" for any path on drive d, a
// UNC path as it stands (what the Windows provider's volume_root gives).
std::wstring drive_root_text(const std::wstring& path);

}  // namespace olvex
