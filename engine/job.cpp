#include "engine/job.h"

#include <stdexcept>

namespace olvex {

bool is_active_state(int32_t state) { return state >= state_analysing && state <= state_aborting; }

std::wstring job_type_text(int32_t job_type) {
    switch (job_type) {
    case job_files: return L"Wipe File Data";
    case job_volumes: return L"Wipe Volume(s)";
    case job_devices: return L"Wipe Device(s)";
    case job_free_space: return L"Clean Free Space";
    case job_recycler: return L"Wipe Recycler";
    default: return L"";
    }
}

std::wstring error_text(int32_t code) {
    switch (code) {
    case err_ok: return L"OK";
    case err_busy: return L"Busy error";
    case err_invalid_state: return L"Invalid state";
    case err_invalid_input: return L"Invalid input parameter(s)";
    case err_path_not_found: return L"Path not found";
    case err_dir_not_empty: return L"Directory not empty";
    case err_access_denied: return L"Access denied";
    case err_verify_failed: return L"Verification of wipe failed";
    case err_bad_write: return L"Bad write i/o";
    case err_too_many_write_errors: return L"Too many write io errors";
    case err_not_available: return L"Not available";
    case err_aborted: return L"Operation was aborted by the user";
    case err_admin_required: return L"Administration rights required";
    case err_rename_failed: return L"Failed to rename file with random name";
    case err_ads_failed: return L"Failed to remove ADS (alternate data stream)";
    case err_failed: return L"Operation failed";
    default: return L"";
    }
}

std::wstring warning_text(uint32_t code) {
    switch (code) {
    case warn_none: return L"None";
    case warn_read_only: return L"Some files have the read-only attribute. These will be removed";
    case warn_links: return L"Some paths are symbolic links. Only the links will be removed";
    case warn_incomplete: return L"Not all items can be fully wiped";
    case warn_nothing_to_do: return L"No items meet the input specification. Nothing will be wiped";
    default: return L"There are multiple warnings.";
    }
}

uint64_t round_up(uint64_t size, uint64_t unit) {
    if (unit == 0) throw std::invalid_argument("invalid argument");
    uint64_t units = size / unit + (size % unit != 0 || size == 0 ? 1 : 0);
    if (units > UINT64_MAX / unit) throw std::length_error("invalid size");
    return units * unit;
}

}  // namespace olvex
