#pragma once
// What the device, volume and recycle-bin picker lists, decided without a window: one item per
// entry the engine enumerates, with its text, icon, identifier and whether it may be ticked.
#include "engine/drives.h"

#include <string>
#include <vector>

namespace olvex {

// List types.
enum : int {
    drive_list_none = 0,
    drive_list_volumes = 1,
    drive_list_devices = 2,
    drive_list_bins = 3,
};

struct drive_item {
    std::wstring icon;  // resource path
    std::wstring text;
    std::wstring data;  // the identifier handed back: a volume root or a device number
    bool enabled = true;
    bool system = false;

    bool operator==(const drive_item& o) const {
        return icon == o.icon && text == o.text && data == o.data && enabled == o.enabled && system == o.system;
    }
    bool operator!=(const drive_item& o) const { return !(*this == o); }
};

// What the lists may offer and how they read.
struct drive_rules {
    // Off for a volume or device job. Volumes are then written whole: one that can't be read,
    // or that has no raw device of its own (memory, network), is not offered either.
    bool system_selectable = true;
    bool optical_selectable = true;
    bool empty_bins_selectable = false;
    bool large_view = false;
    std::wstring drive_text = L"DRIVE";
    std::wstring volumes_text = L"Volumes";
    std::wstring none_text = L"NONE";
    std::wstring empty_text = L"Empty";
};

// Returns the root as the user reads it: with its separator ("D:" gives "D:\").
std::wstring shown_root(const std::wstring& root);
// Returns "Label (root)", or the kind's name in place of a missing label; detailed adds separator,
// the size when known and the file system.
std::wstring volume_text(const drive_info& record, bool detailed, const std::wstring& separator);
// Returns the items of the list type (none for other types), asking the engine now.
std::vector<drive_item> drive_items(int list_type, const drive_rules& rules);

// Returns the translation key of the text that stands in an empty list of the type, saying why
// nothing is listed (asking the engine now); null for a type that lists nothing.
const wchar_t* empty_list_key(int list_type, int elevation_state);

// The option check box of a run.
struct option_box {
    bool visible = false;
    bool enabled = true;
    bool checked = false;
};
// The recycle-bin picker's choice to run elevated, for the process's elevation state; offered is
// false where the program can't restart itself elevated (then the choice is not shown).
option_box elevation_choice(int elevation_state, bool offered);

}  // namespace olvex
