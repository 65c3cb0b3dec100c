#pragma once
// The items of a job: one record per path, folder, file, volume, device or recycle bin, kept in
// one vector in the order the analysis found them (a parent always before its children).
#include "vandel/files.h"

#include <cstdint>
#include <string>

namespace olvex {

// job_item flags.
enum : uint16_t {
    item_volume = 0x0001,     // a volume to wipe
    item_device = 0x0002,     // a physical device to wipe
    item_wipe = 0x0004,       // file data to wipe
    item_remove = 0x0008,     // to be removed after wiping
    item_free_space = 0x0010, // a volume whose free space is to be cleaned
    item_recycler = 0x0020,   // a recycle bin
    item_failed = 0x0040,     // failed during analysis (still counts as an item)
    item_folder = 0x0100,
    item_link = 0x0200,       // a link: only its name is ever removed
    item_read_only = 0x0400,
    item_pattern = 0x0800,    // a wildcard pattern: expanded, never processed itself
    item_counted = 0x1000,    // already counted as done or failed
    item_wide = 0x2000,       // name holds UTF-16 units
};

struct job_item {
    std::string name;  // one byte a character, or UTF-16 units (item_wide); folders end in a separator
    uint16_t flags = 0;
    int64_t size = 0;
    int64_t parent = -1;  // -1 for a root, whose name is its whole path
    int32_t result = 0;   // error_code; 0 = not failed
    // What the analysis found: nothing is written, renamed or removed unless it is still this.
    vandel::file_id id;
    int64_t write_time = -1;  // files: seconds since 1970 UTC; -1 unknown
    uint8_t special = vandel::special_none;

    // Stores the name one byte a character when every character is below 256, else as UTF-16.
    void set_name(const std::wstring& text);
    // Returns the name as stored.
    std::wstring name_text() const;
    // Returns true when any flag of the low byte is set.
    bool takes_part() const { return (flags & 0x00FF) != 0; }
};

// Returns true when name matches pattern: '*' any run of characters, '?' exactly one. Windows
// style compares ASCII letters without case, and a final ".*" also matches a name without a dot.
bool wildcard_match(const std::wstring& name, const std::wstring& pattern,
                    vandel::path_style style = vandel::path_style::native);

// Returns true when text holds '*' or '?'.
bool has_wildcards(const std::wstring& text);

}  // namespace olvex
