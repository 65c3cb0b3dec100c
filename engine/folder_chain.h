#pragma once
// The open folders from one root of a job down to the folder it used last. Every folder of the
// tree is reached through them, by name from its parent and never through a link, and is checked
// against the id the analysis recorded: a folder replaced or made a link since then is never
// entered, and no path length limits how deep the tree goes.
#include "engine/item_tree.h"
#include "vandel/folder_handle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace olvex {

class folder_chain {
public:
    // Why a folder could not be reached.
    enum : int { reached = 0, missing = 1, changed = 2, unreachable = 3 };

    // Opens the folder that holds item index: its parent item, or for a root the folder of its
    // path (reached by that path). Returns reached with the folder in out, else why not.
    int holder(const std::vector<job_item>& items, int64_t index, const vandel::folder_handle*& out);
    // Opens the folder item index itself. Returns as holder.
    int folder(const std::vector<job_item>& items, int64_t index, const vandel::folder_handle*& out);
    // Returns how an entry found in its holder compares with item: reached (the same), missing,
    // or changed (another one, or a link now where there was none).
    static int compare(const job_item& item, int kind, const struct vandel::file_info& found);
    // Returns the name of item index in its holder: a child's own name, a root's last component
    // (empty for the root of a volume, which has no holder).
    static std::wstring entry_name(const std::vector<job_item>& items, int64_t index);
    // Closes every folder.
    void clear();

private:
    struct link {
        int64_t index;
        vandel::folder_handle handle;
    };
    // Opens the folder of a root's path; returns whether it is open.
    bool open_root_holder(const std::wstring& folder);

    std::wstring holder_path_;
    vandel::folder_handle holder_;
    std::vector<link> chain_;  // chain_[0] is a root; only the deepest max_open are held open
};

}  // namespace olvex
