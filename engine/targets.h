#pragma once
// The seam between the engine and the erasure targets that are not files: physical devices,
// volumes and their recycle bins. One process-wide provider answers every question about them
// and opens the way to write them raw; the system's own provider (one body per OS) serves unless
// another was installed (tests install one over image files in their sandbox).
//
// Roots and paths. A volume root is what the system calls a volume: "D:" on Windows, a mount
// point ending in '/' on Linux. A device is numbered 0..15; its path is what is opened to write
// it raw ("\\.\PhysicalDrive3", "/dev/sdb"). A volume's raw path is "\\.\D:" or its block device.
//
// Safety. A provider fails closed: when it can't tell which volume or device holds the operating
// system, every one counts as such; identity() refuses to name a raw target that holds it.
#include "engine/job.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vandel {
class file_stream;
}

namespace olvex {

// What the system says about one physical device.
struct device_figures {
    uint64_t size = 0;         // bytes
    uint64_t sector_size = 0;  // bytes per sector
    std::wstring serial;       // trimmed; empty when the device gives none
};

// Open streams that keep a raw target's file systems out of the way while they live.
using target_holds = std::vector<std::unique_ptr<vandel::file_stream>>;

class target_provider {
public:
    virtual ~target_provider() = default;

    // ---- Volumes ----
    // Returns the volume roots in the system's order (some may have no medium: kind 6).
    virtual std::vector<std::wstring> volume_roots() = 0;
    // Returns the root of the volume that holds path; empty when no volume can be made of it.
    virtual std::wstring volume_root(const std::wstring& path) = 0;
    // Returns the path that opens the volume raw; empty when it can't be opened raw.
    virtual std::wstring volume_device(const std::wstring& root) = 0;
    // Returns the device_kind of the root (6: no such volume, or no medium in it).
    virtual int32_t volume_kind(const std::wstring& root) = 0;
    // Returns the volume's label; empty when it has none or it can't be read.
    virtual std::wstring volume_label(const std::wstring& root) = 0;
    // Returns false when the devices can't be read; else true with the numbers of the devices that
    // hold the volume appended to out.
    virtual bool volume_devices(const std::wstring& root, std::vector<int32_t>& out) = 0;
    // Returns the root of the volume that holds the operating system; empty when unknown.
    virtual std::wstring system_volume_root() = 0;
    // Returns true when writing the volume would write the operating system's file system, and
    // when that can't be told.
    virtual bool is_system_volume(const std::wstring& root) = 0;

    // ---- Devices ----
    // Returns the numbers of the devices present (with a medium), ascending.
    virtual std::vector<int32_t> device_numbers() = 0;
    // Returns the number of the device whose path is exactly path; -1 for any other text.
    virtual int32_t device_number(const std::wstring& path) = 0;
    // Returns the device's raw path; empty when there is no such device.
    virtual std::wstring device_path(int32_t number) = 0;
    // Returns 0 with the figures read, 1 when the device exists but gives none, 2 when there is
    // no such device.
    virtual int32_t device_details(int32_t number, device_figures& out) = 0;
    // Returns true when the device holds the operating system, and when that can't be told.
    virtual bool is_system_device(int32_t number) = 0;

    // ---- Raw targets ----
    // Returns a text that names what the open stream (on a device_path or volume_device) really
    // is, the same for as long as it stays the same target; empty when that can't be told or the
    // target holds the operating system (it must not be written).
    virtual std::wstring identity(const vandel::file_stream& target) = 0;
    // Takes each listed volume of device `number` out of use and keeps what holds them in holds.
    // Returns false when one can't be taken (holds then keeps what was taken so far).
    virtual bool take_device_volumes(int32_t number, const std::vector<std::wstring>& roots, target_holds& holds) = 0;
    // Takes the volume out of use while target, its own open raw stream, writes it. Returns false
    // when it can't be taken.
    virtual bool take_volume(const std::wstring& root, vandel::file_stream& target, target_holds& holds) = 0;

    // ---- Recycle bins ----
    // Returns the recycle-bin folder of the volume with a trailing separator; empty when none.
    virtual std::wstring recycle_bin_folder(const std::wstring& root) = 0;
    // Returns the items the system counts in the volume's bin; -1 when it can't count them.
    virtual int64_t recycle_bin_items(const std::wstring& root) = 0;
    // Empties the volume's bin: 0 done (also when it was empty), 0x200 no bin there, 0x8000 failed.
    virtual error_code empty_recycle_bin(const std::wstring& root) = 0;
};

// Returns the installed provider, else the system's own.
target_provider& targets();

// Installs p for the whole process; nullptr restores the system's own. Returns the previous one
// (nullptr for the system's). Install before other threads use the targets.
target_provider* set_target_provider(target_provider* p);

namespace detail {
// The system's own provider, created on first use (one body per OS).
target_provider& system_targets();
}  // namespace detail

}  // namespace olvex
