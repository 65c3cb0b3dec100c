#include "engine/drive_writer.h"

#include "engine/drives.h"
#include "vandel/file_stream.h"

namespace olvex {

drive_writer::drive_writer(std::unique_ptr<vandel::file_stream> stream) : base_writer(writer_raw, std::move(stream)) {}

drive_writer::~drive_writer() { reset(); }

void drive_writer::reset() {
    base_writer::reset();
    volume_handles_.clear();
}

error_code drive_writer::refuse(error_code code) {
    reset();
    set_state(writer_closed, code);
    return code;
}

error_code drive_writer::open_target(const std::wstring& raw, uint32_t scheme_word, const std::wstring& identity) {
    if (const error_code r = open(raw, scheme_word, 0); r != 0) return r;
    // What opened must be what was analysed: a medium changed since, or a device renumbered, is
    // not written.
    if (targets().identity(target()) != identity) return refuse(err_access_denied);
    return 0;
}

error_code drive_writer::open_device(const std::wstring& reference, uint32_t scheme_word, const std::wstring& identity) {
    if (state() != writer_closed) return err_invalid_state;
    drive_info device;
    if (!query_device_info(reference, device, true) || identity.empty()) return refuse(err_invalid_input);
    if (device.is_system) return refuse(err_access_denied);
    if (const error_code r = open_target(device.path, scheme_word, identity); r != 0) return r;
    if (!targets().take_device_volumes(std::stoi(device.id), device.volumes, volume_handles_))
        return refuse(err_access_denied);
    return 0;
}

error_code drive_writer::open_volume(const std::wstring& path, uint32_t scheme_word, const std::wstring& identity) {
    if (state() != writer_closed) return err_invalid_state;
    const std::wstring root = volume_root(path);
    const std::wstring raw = root.empty() ? std::wstring() : targets().volume_device(root);
    if (raw.empty() || identity.empty()) return refuse(err_invalid_input);
    if (targets().is_system_volume(root)) return refuse(err_access_denied);
    if (const error_code r = open_target(raw, scheme_word, identity); r != 0) return r;
    if (!targets().take_volume(root, target(), volume_handles_)) return refuse(err_access_denied);
    return 0;
}

}  // namespace olvex
