#pragma once
// The writer for raw targets: a whole volume or a whole physical device, written over its exact
// length with every pass of the scheme. Before anything is written it refuses the system's volume
// and devices and a target that is no longer the one analysed, and takes the file systems out of
// the way (Windows: lock or dismount; Linux: unmount and exclusive use) for the whole job.
#include "engine/targets.h"
#include "engine/writer.h"

#include <memory>
#include <string>

namespace olvex {

class drive_writer : public base_writer {
public:
    // stream: what the target is written through (a file_stream when none is given).
    explicit drive_writer(std::unique_ptr<vandel::file_stream> stream = nullptr);
    ~drive_writer() override;

    int32_t kind() const override { return 2; }

    // Opens the device that reference names (anything parse_device_id takes) and takes every
    // volume on it out of use. identity is what probe_target gave for it at analysis. Returns 0;
    // 2 when not closed; 4 when no device can be found and read, or identity is empty; 0x20 for
    // the system's device, for one that is no longer the one analysed and when a volume on it
    // can't be taken; the base codes when it can't be opened. The code is also the result().
    error_code open_device(const std::wstring& reference, uint32_t scheme_word, const std::wstring& identity);

    // Opens the volume that holds path and takes it out of use; identity as above. Returns 0; 2
    // when not closed; 4 when the path is on no volume that opens raw, or identity is empty; 0x20
    // for the system's volume, for one that is no longer the one analysed and when it can't be
    // taken; the base codes when it can't be opened. The code is also the result().
    error_code open_volume(const std::wstring& path, uint32_t scheme_word, const std::wstring& identity);

    // Closes everything and releases the volumes held.
    void reset() override;

private:
    // Opens the raw path and checks it is the target analysed.
    error_code open_target(const std::wstring& raw, uint32_t scheme_word, const std::wstring& identity);
    error_code refuse(error_code code);

    target_holds volume_handles_;
};

}  // namespace olvex
