#include "tests/support/image_targets.h"

#include "vandel/file_stream.h"
#include "vandel/files.h"

#include <algorithm>

namespace oblivar::test {

namespace {

bool contains(const std::vector<int32_t>& list, int32_t n) { return std::find(list.begin(), list.end(), n) != list.end(); }

}  // namespace

image_targets::image_targets(const sandbox& sb) : sb_(sb), previous_(olvex::set_target_provider(this)) {}

image_targets::~image_targets() { olvex::set_target_provider(previous_); }

std::wstring image_targets::image(const std::wstring& rel, size_t size, char fill) const {
    const std::wstring p = sb_.path(rel);
    write_bytes(p, std::string(size, fill));
    return p;
}

std::wstring image_targets::folder(const std::wstring& rel) const {
    make_dirs(sb_.path(rel));
    return vandel::add_trailing_separator(sb_.path(rel));
}

void image_targets::add_device(int32_t number, const device& d) {
    sb_.require_inside(d.image);
    devices_[number] = d;
}

void image_targets::add_volume(const volume& v) {
    sb_.require_inside(vandel::remove_trailing_separator(v.root));
    if (!v.image.empty()) sb_.require_inside(v.image);
    if (!v.recycle_bin.empty()) sb_.require_inside(vandel::remove_trailing_separator(v.recycle_bin));
    volumes_.push_back(v);
}

void image_targets::swap_device_image(int32_t number, const std::wstring& image) {
    sb_.require_inside(image);
    devices_.at(number).image = image;
}

const image_targets::volume* image_targets::find_volume(const std::wstring& root) const {
    for (const volume& v : volumes_)
        if (v.root == root) return &v;
    return nullptr;
}

std::vector<std::wstring> image_targets::volume_roots() {
    std::vector<std::wstring> out;
    for (const volume& v : volumes_) out.push_back(v.root);
    return out;
}

std::wstring image_targets::volume_root(const std::wstring& path) {
    const std::wstring p = vandel::normalize_path(path);
    const volume* best = nullptr;
    for (const volume& v : volumes_) {
        const bool holds = p.compare(0, v.root.size(), v.root) == 0 || p == vandel::remove_trailing_separator(v.root);
        if (holds && (!best || v.root.size() > best->root.size())) best = &v;
    }
    return best ? best->root : std::wstring();
}

std::wstring image_targets::volume_device(const std::wstring& root) {
    const volume* v = find_volume(root);
    return v ? v->image : std::wstring();
}

int32_t image_targets::volume_kind(const std::wstring& root) {
    const volume* v = find_volume(root);
    return v ? v->kind : 6;
}

std::wstring image_targets::volume_label(const std::wstring& root) {
    const volume* v = find_volume(root);
    return v ? v->label : std::wstring();
}

bool image_targets::volume_devices(const std::wstring& root, std::vector<int32_t>& out) {
    const volume* v = find_volume(root);
    if (!v) return false;
    out.insert(out.end(), v->devices.begin(), v->devices.end());
    return true;
}

bool image_targets::is_system_volume(const std::wstring& root) { return system_root_.empty() || root == system_root_; }

std::vector<int32_t> image_targets::device_numbers() {
    std::vector<int32_t> out;
    for (const auto& [n, d] : devices_)
        if (d.present) out.push_back(n);
    return out;
}

int32_t image_targets::device_number(const std::wstring& path) {
    for (const auto& [n, d] : devices_)
        if (d.image == path) return n;
    return -1;
}

std::wstring image_targets::device_path(int32_t number) {
    const auto it = devices_.find(number);
    return it == devices_.end() ? std::wstring() : it->second.image;
}

int32_t image_targets::device_details(int32_t number, olvex::device_figures& out) {
    const auto it = devices_.find(number);
    if (it == devices_.end()) return 2;
    const int64_t size = vandel::file_size(it->second.image);
    if (!it->second.readable || size <= 0) return 1;
    out.size = static_cast<uint64_t>(size);
    out.sector_size = it->second.sector_size;
    out.serial = it->second.serial;
    return 0;
}

bool image_targets::is_system_device(int32_t number) {
    return !system_devices_ || contains(*system_devices_, number);
}

std::wstring image_targets::identity(const vandel::file_stream& target) {
    const std::wstring path = target.path();
    for (const auto& [n, d] : devices_)
        if (d.image == path)
            return is_system_device(n) ? std::wstring() : L"device image " + path + L" " + std::to_wstring(target.size());
    for (const volume& v : volumes_)
        if (!v.image.empty() && v.image == path)
            return is_system_volume(v.root) ? std::wstring() : L"volume image " + path + L" " + std::to_wstring(target.size());
    return std::wstring();
}

bool image_targets::take_device_volumes(int32_t, const std::vector<std::wstring>& roots, olvex::target_holds& holds) {
    for (const std::wstring& root : roots) {
        const volume* v = find_volume(root);
        if (!v || v->refuse_take) return false;
        taken_.push_back(root);
        // Hold the volume's image the way a lock holds a volume: nobody else may open it.
        if (!v->image.empty()) {
            holds.push_back(std::make_unique<vandel::file_stream>());
            if (!holds.back()->open(v->image, vandel::open_device | vandel::open_share_none | vandel::open_read))
                return false;
        }
    }
    return true;
}

bool image_targets::take_volume(const std::wstring& root, vandel::file_stream&, olvex::target_holds&) {
    const volume* v = find_volume(root);
    if (!v || v->refuse_take) return false;
    taken_.push_back(root);
    return true;
}

std::wstring image_targets::recycle_bin_folder(const std::wstring& root) {
    const volume* v = find_volume(root);
    return v && !v->recycle_bin.empty() && vandel::is_directory(v->recycle_bin) ? v->recycle_bin : std::wstring();
}

int64_t image_targets::recycle_bin_items(const std::wstring& root) {
    const volume* v = find_volume(root);
    return v ? v->recycle_count : -1;
}

olvex::error_code image_targets::empty_recycle_bin(const std::wstring& root) {
    const std::wstring folder = recycle_bin_folder(root);
    if (folder.empty()) return olvex::err_not_available;
    emptied_.push_back(root);
    std::vector<std::wstring> entries;
    vandel::list_directory(folder, entries, vandel::list_files | vandel::list_folders | vandel::list_hidden |
                                                vandel::list_full_paths);
    bool failed = false;
    for (const std::wstring& e : entries) {
        sb_.require_inside(vandel::remove_trailing_separator(e));
        if (!vandel::remove_path(e, true)) failed = true;
    }
    return failed ? olvex::err_failed : olvex::err_ok;
}

}  // namespace oblivar::test
