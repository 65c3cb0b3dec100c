#include "engine/folder_chain.h"

#include <algorithm>

namespace olvex {

namespace {

// Folders held open at once: deeper trees reopen the upper part of their chain when they need it.
constexpr size_t max_open = 64;

// A root's path without its trailing separator.
std::wstring root_text(const job_item& item) { return vandel::remove_trailing_separator(item.name_text()); }

}  // namespace

std::wstring folder_chain::entry_name(const std::vector<job_item>& items, int64_t index) {
    const job_item& item = items[static_cast<size_t>(index)];
    if (item.parent >= 0) return vandel::remove_trailing_separator(item.name_text());
    const std::wstring text = root_text(item);
    // The root of a volume ("/", "D:\") has no name in any folder.
    if (vandel::directory_part(text).empty() && (text.empty() || vandel::is_absolute_path(item.name_text())))
        return std::wstring();
    return vandel::file_name_part(text, true);
}

int folder_chain::compare(const job_item& item, int kind, const struct vandel::file_info& found) {
    if (kind == vandel::kind_missing) return missing;
    if (found.id != item.id || (found.reparse_point != 0) != ((item.flags & item_link) != 0)) return changed;
    return reached;
}

bool folder_chain::open_root_holder(const std::wstring& folder) {
    if (holder_.is_open() && holder_path_ == folder) return true;
    holder_path_ = folder;
    return holder_.open(folder);
}

int folder_chain::holder(const std::vector<job_item>& items, int64_t index, const vandel::folder_handle*& out) {
    out = nullptr;
    const job_item& item = items[static_cast<size_t>(index)];
    if (item.parent >= 0) return folder(items, item.parent, out);
    // A root is renamed or removed through its holder: it must not be held itself (Windows
    // refuses to rename a folder held open).
    if (!chain_.empty() && chain_.front().index == index) chain_.clear();
    if (entry_name(items, index).empty()) return unreachable;
    std::wstring dir = vandel::directory_part(root_text(item));
    if (dir.empty()) dir = L".";
    if (!open_root_holder(dir)) return vandel::is_directory(dir) ? unreachable : missing;
    out = &holder_;
    return reached;
}

int folder_chain::folder(const std::vector<job_item>& items, int64_t index, const vandel::folder_handle*& out) {
    out = nullptr;
    std::vector<int64_t> line;
    for (int64_t i = index; i >= 0; i = items[static_cast<size_t>(i)].parent) line.push_back(i);
    std::reverse(line.begin(), line.end());

    size_t kept = 0;
    while (kept < chain_.size() && kept < line.size() && chain_[kept].index == line[kept]) ++kept;
    chain_.erase(chain_.begin() + static_cast<std::ptrdiff_t>(kept), chain_.end());
    // Only the deepest part of the chain is held: go on from its last open folder.
    while (!chain_.empty() && !chain_.back().handle.is_open()) chain_.pop_back();

    for (size_t m = chain_.size(); m < line.size(); ++m) {
        const job_item& item = items[static_cast<size_t>(line[m])];
        link next{line[m], vandel::folder_handle()};
        struct vandel::file_info found;
        int kind = vandel::kind_folder;
        if (m == 0) {
            // A root is reached by its path; its last component is never followed.
            if (!next.handle.open(item.name_text())) kind = vandel::file_info(item.name_text(), found);
        } else {
            const vandel::folder_handle& parent = chain_.back().handle;
            const std::wstring name = entry_name(items, line[m]);
            if (!next.handle.open(parent, name)) kind = parent.entry(name, found);
        }
        if (!next.handle.is_open()) {
            const int why = compare(item, kind, found);
            return why == reached ? unreachable : why;
        }
        if (next.handle.id() != item.id) return changed;
        chain_.push_back(std::move(next));
        if (chain_.size() > max_open) chain_[chain_.size() - max_open - 1].handle.close();
    }
    out = &chain_.back().handle;
    return reached;
}

void folder_chain::clear() {
    chain_.clear();
    holder_.close();
    holder_path_.clear();
}

}  // namespace olvex
