#pragma once
// What the Explorer menu decides, apart from COM, menus and pictures: which entries a menu gets
// (texts, command offsets, icon groups, states, submenus), the help text of each command and the
// request each command hands to zygui. The DLL gathers the facts from the system, asks here, and
// turns the answer into menu items.
#include "services/command_bridge.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace olvex::shell_menu {

// Menu kinds: the shell classes the extension is registered for.
constexpr int kind_files = 0;
constexpr int kind_drives = 1;
constexpr int kind_recycle_bin = 2;

// Offsets 0..16: every menu reserves this many command ids from Explorer's first id.
constexpr uint32_t command_count = 17;

// Item states (the system's enabled, and disabled | grayed).
constexpr uint32_t state_enabled = 0;
constexpr uint32_t state_disabled = 3;

// Icon groups of the DLL's resources; no_icon for none.
constexpr int no_icon = -1;
constexpr int icon_wipe = 230;
constexpr int icon_wipe_drive = 231;
constexpr int icon_clean_drive = 232;
constexpr int icon_user_bin = 233;
constexpr int icon_admin_bin = 234;
constexpr int icon_program = 235;
constexpr int icon_options = 236;
constexpr int icon_standalone = 237;
constexpr int icon_page_file = 238;
constexpr int icon_updates = 240;
constexpr int icon_guide = 242;
constexpr int icon_social_one = 243;
constexpr int icon_social_two = 244;
constexpr int icon_about = 245;
// Every icon group, in resource order.
const std::vector<int>& icon_groups();

// Query flags that ask for the default verb only, or for verbs alone or none.
constexpr uint32_t flags_no_entries = 0xB;

// What a recycle-bin query found.
constexpr int bin_unknown = -1;  // the query failed
constexpr int bin_empty = 0;
constexpr int bin_full = 1;

enum class entry_type { item, separator, submenu };

struct entry {
    entry_type type = entry_type::item;
    uint32_t offset = 0;  // items: the command offset
    std::wstring text;
    int icon = no_icon;
    uint32_t state = state_enabled;
    std::vector<entry> children;  // submenus
};

// What the DLL found out about the selection and the process.
struct facts {
    int kind = kind_files;
    uint32_t path_count = 0;
    int first_path_kind = 0;  // vandel::path_kind of the first path (files menu)
    int first_drive = -1;     // drive number (0 = A) of the first path; -1 for none (drives menu)
    int system_drive = -1;    // drive number of the Windows folder; -1 when unknown
    int bin = bin_unknown;    // the first drive's bin (drives menu, one path) or all bins (bin menu)
    int elevation = 0;        // the process's elevation state 0, 1 or 2
    bool icons = true;
};

// Returns whether a menu may get entries at all: not while a recycle-bin menu is open, not for
// the flags of flags_no_entries, and only when first_id..last_id holds every command id.
bool may_fill(uint32_t flags, uint32_t first_id, uint32_t last_id, bool bin_menu_open);

// Returns the entries to insert at Explorer's index, texts translated (olvex::tr), icons left
// out when facts.icons is off; an item translated to "--" comes as a separator. Empty when the
// kind has no menu for this selection.
std::vector<entry> build_menu(const facts& f);

// Returns the key of the offset's help text; null for offsets without one.
const wchar_t* help_key(uint32_t offset);
// Returns true with the offset's help text when it has one that is not empty and that fits,
// with its terminating NUL, into buffer_units; otherwise false.
bool help_text(uint32_t offset, size_t buffer_units, std::wstring& out);

// What a command does.
enum class action { fail, nothing, launch, open_page };

struct command {
    action what = action::fail;
    uint32_t word = 0;   // the command word; 0 sends no "-cmd"
    int mode = launch_open;
    bool with_paths = false;
    bool elevate_unless_readable = false;  // "runas" when the first path's volume can't be read
    std::wstring page;  // pages: the file in the help folder, "/" between names
};

// Returns the command of an offset; action::fail above 16.
command command_of(uint32_t offset);

// The seams of invoke: whether a volume can be opened for raw reading, and opening a page.
struct invoke_env {
    std::function<bool(const std::wstring& first_path)> volume_readable;
    std::function<bool(const std::wstring& page)> open_page;
};

// Carries out the offset's command: starts zygui.exe through the bridge (never waiting, window
// as the requester) or opens the page. Returns false only for an offset without a command;
// a launch or page that fails is not reported.
bool invoke(uint32_t offset, const std::wstring& path_list, uint64_t window, command_bridge& bridge,
            const invoke_env& env);

// Returns the first path of a NUL-separated list; empty for none.
std::wstring first_path(const std::wstring& path_list);

}  // namespace olvex::shell_menu
