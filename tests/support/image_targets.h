#pragma once
// A target provider over the sandbox: device numbers and volume roots stand for image files and
// folders that the test made there. Installed for its lifetime (the previous provider comes back
// after); every file and folder it is given must lie inside the sandbox.
//
// By default the system volume and devices are known and none of the test's; a test may make
// any of its own the system's, or make them unknown (then every one counts as the system's).
#include "engine/targets.h"
#include "tests/support/sandbox.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oblivar::test {

class image_targets : public olvex::target_provider {
public:
    struct device {
        std::wstring image;          // the file that stands for the whole device
        std::wstring serial;
        uint64_t sector_size = 512;
        bool present = true;         // answers, with a medium
        bool readable = true;        // gives its size
    };
    struct volume {
        std::wstring root;           // a folder ending in a separator
        std::wstring image;          // the file that stands for the raw volume; empty: none
        std::wstring label;
        int32_t kind = 1;            // device_kind
        std::vector<int32_t> devices;
        bool refuse_take = false;    // locking, dismounting or unmounting fails
        std::wstring recycle_bin;    // folder ending in a separator; empty: none
        int64_t recycle_count = -1;  // what the system counts in the bin; -1: it can't
    };

    explicit image_targets(const sandbox& sb);
    ~image_targets() override;
    image_targets(const image_targets&) = delete;
    image_targets& operator=(const image_targets&) = delete;

    // Creates a file of size bytes of fill in the sandbox (rel with '/'); returns its path.
    std::wstring image(const std::wstring& rel, size_t size, char fill = 'x') const;
    // Creates a folder in the sandbox; returns its path with a trailing separator.
    std::wstring folder(const std::wstring& rel) const;

    void add_device(int32_t number, const device& d);
    void add_volume(const volume& v);
    // Replaces the image behind a device (a different medium under the same number).
    void swap_device_image(int32_t number, const std::wstring& image);
    // The system volume root; empty makes it unknown.
    void set_system_volume(const std::wstring& root) { system_root_ = root; }
    // The system devices; nothing makes them unknown.
    void set_system_devices(std::optional<std::vector<int32_t>> numbers) { system_devices_ = std::move(numbers); }

    // Roots taken out of use and roots whose bin was emptied, in order.
    const std::vector<std::wstring>& taken() const { return taken_; }
    const std::vector<std::wstring>& emptied() const { return emptied_; }

    std::vector<std::wstring> volume_roots() override;
    std::wstring volume_root(const std::wstring& path) override;
    std::wstring volume_device(const std::wstring& root) override;
    int32_t volume_kind(const std::wstring& root) override;
    std::wstring volume_label(const std::wstring& root) override;
    bool volume_devices(const std::wstring& root, std::vector<int32_t>& out) override;
    std::wstring system_volume_root() override { return system_root_; }
    bool is_system_volume(const std::wstring& root) override;

    std::vector<int32_t> device_numbers() override;
    int32_t device_number(const std::wstring& path) override;
    std::wstring device_path(int32_t number) override;
    int32_t device_details(int32_t number, olvex::device_figures& out) override;
    bool is_system_device(int32_t number) override;

    std::wstring identity(const vandel::file_stream& target) override;
    bool take_device_volumes(int32_t number, const std::vector<std::wstring>& roots, olvex::target_holds& holds) override;
    bool take_volume(const std::wstring& root, vandel::file_stream& target, olvex::target_holds& holds) override;

    std::wstring recycle_bin_folder(const std::wstring& root) override;
    int64_t recycle_bin_items(const std::wstring& root) override;
    olvex::error_code empty_recycle_bin(const std::wstring& root) override;

private:
    const volume* find_volume(const std::wstring& root) const;

    const sandbox& sb_;
    std::map<int32_t, device> devices_;
    std::vector<volume> volumes_;
    std::wstring system_root_ = L"<system>";
    std::optional<std::vector<int32_t>> system_devices_ = std::vector<int32_t>();
    std::vector<std::wstring> taken_;
    std::vector<std::wstring> emptied_;
    olvex::target_provider* previous_;
};

// Installs any provider for a scope; the previous one comes back after.
class scoped_target_provider {
public:
    explicit scoped_target_provider(olvex::target_provider& p) : previous_(olvex::set_target_provider(&p)) {}
    ~scoped_target_provider() { olvex::set_target_provider(previous_); }
    scoped_target_provider(const scoped_target_provider&) = delete;
    scoped_target_provider& operator=(const scoped_target_provider&) = delete;

private:
    olvex::target_provider* previous_;
};

}  // namespace oblivar::test
