#pragma once
// Linux side only: the system's target provider. Devices are the whole disks of /sys/block (sd,
// vd, nvme, mmcblk, xvd, hd), sorted and numbered 0..15; volumes are the mounted file systems of
// /proc/self/mountinfo without the kernel's pseudo file systems; the operating system is the file
// system of "/" and every device that holds it; recycle bins are the freedesktop Trash folders.
// Tests may build one over a chosen part of the machine (the disks and mount points they made).
#include "engine/targets.h"

#include <optional>
#include <string>
#include <vector>

namespace olvex::posix {

struct linux_scope {
    std::wstring sys = L"/sys";
    std::wstring dev = L"/dev";
    std::wstring mountinfo = L"/proc/self/mountinfo";
    // Exactly these whole disks (names as in /sys/block, any kind), instead of the machine's.
    std::optional<std::vector<std::wstring>> disks;
    // Exactly these folders as volume roots, instead of the machine's mounted file systems.
    std::optional<std::vector<std::wstring>> mounts;
};

class linux_targets : public target_provider {
public:
    linux_targets() = default;
    explicit linux_targets(linux_scope scope);

    std::vector<std::wstring> volume_roots() override;
    std::wstring volume_root(const std::wstring& path) override;
    std::wstring volume_device(const std::wstring& root) override;
    int32_t volume_kind(const std::wstring& root) override;
    std::wstring volume_label(const std::wstring& root) override;
    bool volume_devices(const std::wstring& root, std::vector<int32_t>& out) override;
    std::wstring system_volume_root() override;
    bool is_system_volume(const std::wstring& root) override;

    std::vector<int32_t> device_numbers() override;
    int32_t device_number(const std::wstring& path) override;
    std::wstring device_path(int32_t number) override;
    int32_t device_details(int32_t number, device_figures& out) override;
    bool is_system_device(int32_t number) override;

    std::wstring identity(const vandel::file_stream& target) override;
    bool take_device_volumes(int32_t number, const std::vector<std::wstring>& roots, target_holds& holds) override;
    bool take_volume(const std::wstring& root, vandel::file_stream& target, target_holds& holds) override;

    std::wstring recycle_bin_folder(const std::wstring& root) override;
    int64_t recycle_bin_items(const std::wstring& root) override;
    error_code empty_recycle_bin(const std::wstring& root) override;

private:
    linux_scope scope_;
};

// Returns true for the /sys/block names that are numbered as devices by default.
bool is_listed_disk_name(const std::string& name);

}  // namespace olvex::posix
