// The job types whose targets are not files and folders: volumes, devices, the free space of a
// volume and recycle bins. Everything about the targets comes from drives.h (the target provider).
#include "engine/engine.h"

#include "engine/cleaner.h"
#include "engine/drive_writer.h"
#include "engine/drives.h"
#include "engine/targets.h"
#include "vandel/files.h"
#include "vandel/strings.h"
#include "vandel/version.h"

namespace olvex {

namespace {

std::wstring size_text(uint64_t bytes) { return vandel::format_bytes<std::wstring>(bytes); }

}  // namespace

std::wstring engine::target_title(bool all_bins) const {
    const int32_t type = options_.job_type;
    if (type == job_recycler && all_bins && several_) return L"Multiple";
    std::vector<std::wstring> entries;
    for (const std::wstring& path : paths_) {
        drive_info info;
        if (type == job_devices)
            query_device_info(path, info, false);
        else
            query_volume_info(path, info, false);
        if (info.id.empty()) continue;
        if (type == job_devices) {
            entries.push_back(info.id + L" (" + size_text(info.size) + L")");
        } else if (type == job_recycler) {
            entries.push_back(L" (" + info.id + L")");
        } else {
            const std::wstring kind = drive_type_text(info.kind, L"");
            entries.push_back(kind.empty() ? info.id : kind + L" (" + info.id + L")");
        }
    }
    return vandel::join(entries, L", ");
}

std::vector<std::wstring> engine::all_recycle_bins() { return list_recycle_bins(false); }

bool engine::is_bin_setting(const std::wstring& path) { return is_desktop_ini(path); }

bool engine::add_target_item(const std::wstring& path) {
    job_status& st = job_.status;
    const int64_t index = static_cast<int64_t>(job_.items.size());
    job_item item;
    // The lines above an error name the target.
    auto fail = [&](error_code code, const std::wstring& note) {
        item.result = code;
        ced_.log_error(code, L"", note, false);
    };
    switch (options_.job_type) {
    case job_volumes: {
        const std::wstring root = volume_root(path);
        item.set_name(root);
        item.flags = item_volume;
        ced_.add_line(L"VOLUME: (" + root + L")");
        if (root.empty() || drive_kind(root) == kind_none || !is_volume_root(path)) {
            fail(err_path_not_found, L"Volume path is invalid");
        } else if (is_system_volume(root)) {
            fail(err_access_denied, L"Wiping the system volume is prohibited");
        } else {
            std::wstring serial, identity;
            uint64_t size = 0;
            const int32_t found = probe_target(root, serial, size, identity);
            ced_.add_line(L"Serial: " + serial);
            ced_.add_line(L"Free  : " + size_text(size));
            if (found == 2) {
                fail(err_access_denied, L"Failed to access volume information");
            } else {
                st.total_bytes += static_cast<int64_t>(size);
                if (found == 0)
                    job_.identities[index] = identity;
                else if (targets().volume_device(root).empty())
                    // A file system of memory or of the network: no block device holds it.
                    fail(err_not_available, L"This volume has no block device of its own; it can't be wiped as a whole");
                else
                    fail(err_admin_required, L"Insufficient privileges to write to this drive");
            }
        }
        ced_.add_blank_line();
        break;
    }
    case job_devices: {
        const std::wstring number = parse_device_id(path, true);
        item.set_name(number);
        item.flags = item_device;
        ced_.add_line(L"DEVICE: " + number);
        drive_info info;
        if (number.empty()) {
            fail(err_invalid_input, L"Device ID is invalid");
        } else if (!query_device_info(number, info, true)) {
            // No record at all: there is no such device.
            if (info.id.empty())
                fail(err_invalid_input, L"Device ID is invalid");
            else
                fail(err_access_denied, L"Failed to access device information");
        } else {
            ced_.add_line(L"Serial: " + info.detail);
            ced_.add_line(L"Free  : " + size_text(info.size));
            std::wstring serial, identity;
            uint64_t size = 0;
            if (info.is_system) {
                fail(err_access_denied, L"Wiping the system device is prohibited");
            } else {
                const int32_t found = probe_target(number, serial, size, identity);
                if (found == 0) {
                    st.total_bytes += static_cast<int64_t>(info.size);
                    job_.identities[index] = identity;
                } else if (found == 1) {
                    fail(err_admin_required, L"Insufficient privileges to write to this drive");
                } else {
                    fail(err_access_denied, L"Failed to access device information");
                }
            }
        }
        ced_.add_blank_line();
        break;
    }
    case job_free_space: {
        item.set_name(path);
        item.flags = item_free_space;
        ced_.add_line(L"VOLUME: (" + volume_root(path) + L")");
        struct vandel::volume_info info;
        if (vandel::is_directory(path) && vandel::volume_info(path, info)) {
            item.flags |= item_folder;
            st.total_bytes += static_cast<int64_t>(info.free_bytes);
            ced_.add_line(L"Serial: " + volume_serial_text(info.serial_number));
            ced_.add_line(L"Free  : " + size_text(info.free_bytes));
        } else {
            fail(err_path_not_found, L"Volume path is invalid");
        }
        ced_.add_blank_line();
        break;
    }
    case job_recycler: {
        const std::wstring folder = recycler_folder(path);
        item.flags = item_recycler;
        if (!folder.empty()) {
            struct vandel::file_info info;
            vandel::file_info(folder, info);
            item.id = info.id;  // the bin is walked like any folder tree, checked like one
            item.set_name(folder);
            item.flags |= item_folder;
            ced_.add_line(L"Recycler: " + folder);
        } else {
            // The item keeps the path given, so that its error names it.
            item.set_name(path);
            ced_.add_line(L"Volume: (" + volume_root(path) + L")");
            if (vandel::is_directory(path))
                fail(err_invalid_input, L"This volume does not have a recycler");
            else
                fail(err_path_not_found, L"Volume path is invalid");
            ced_.add_blank_line();
        }
        break;
    }
    default: return false;
    }
    job_.items.push_back(std::move(item));
    return true;
}

error_code engine::wipe_target_item(int64_t index, uint32_t scheme) {
    const uint16_t flags = job_.items[static_cast<size_t>(index)].flags;
    const std::wstring path = full_path(index);
    const auto known = job_.identities.find(index);
    const std::wstring identity = known == job_.identities.end() ? std::wstring() : known->second;
    if (flags & item_volume) return wipe_volume(path, scheme, identity);
    if (flags & item_device) return wipe_device(path, scheme, identity);
    return clean_free_space(path, scheme, options_.empty_recycler != 0);
}

error_code engine::wipe_volume(const std::wstring& path, uint32_t scheme, const std::wstring& identity) {
    ced_.add_line(L"VOLUME: (" + vandel::remove_trailing_separator(path) + L")");
    if (simulated_target(L"Wiping Volume")) return 0;
    drive_writer writer;
    writer.open_volume(path, scheme, identity);
    return drive_poller(writer, L"Wiping Volume");
}

error_code engine::wipe_device(const std::wstring& path, uint32_t scheme, const std::wstring& identity) {
    ced_.add_line(L"PHYSICAL DEVICE: " + path);
    if (simulated_target(L"Wiping Device")) return 0;
    drive_writer writer;
    writer.open_device(path, scheme, identity);
    return drive_poller(writer, L"Wiping Device");
}

error_code engine::clean_free_space(const std::wstring& path, uint32_t scheme, bool empty_recycler) {
    ced_.add_line(L"VOLUME: (" + vandel::remove_trailing_separator(path) + L")");
    if (empty_recycler) {
        ced_.begin_line(L"Emptying Recycler");
        // Not the item's result: the free space is cleaned all the same.
        const error_code code = options_.simulate ? 0 : empty_recycle_bin(path);
        if (code == 0) {
            ced_.end_line(1);
        } else {
            ced_.end_line(3);
            ced_.log_error(code, L"", L"", true);
        }
    }
    if (simulated_target(L"Cleaning Free Space")) return 0;
    cleaner c;
    c.open(path, scheme);
    return drive_poller(c, L"Cleaning Free Space", &c);
}

bool engine::simulated_target(const std::wstring& caption) {
    if (!options_.simulate) return false;
    ced_.add_line(caption, true);
    ced_.add_line(L"Finished OK", true);
    job_.status.done_bytes += 1024;
    job_.status.pass_bytes += 1024;
    return true;
}

void engine::empty_bin(int64_t index) {
    const std::wstring path = full_path(index);
    const error_code code = empty_recycle_bin(path);
    if (code == 0) return;
    ced_.begin_line(path);
    ced_.end_line(3);
    ced_.log_error(code, L"", L"The recycle bin could not be emptied.", true);
    set_result_up(index, code);
}

}  // namespace olvex
