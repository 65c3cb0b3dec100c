#include "vandel/files.h"

#include "vandel/folders.h"
#include "vandel/strings.h"

#include <algorithm>

namespace vandel {

namespace {

constexpr size_t max_short_path = 260;

bool is_win(path_style s) { return s == path_style::windows; }

bool is_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

std::wstring slashes_to_backslashes(const std::wstring& s) { return replace_all(s, L"/", L"\\", 0); }

// Skips one component and the separator after it, from i; returns the new position.
size_t skip_component(const std::wstring& p, size_t i, path_style s) {
    while (i < p.size() && !is_path_separator(p[i], s)) ++i;
    if (i < p.size()) ++i;
    return i;
}

bool starts_with_unc(const std::wstring& p, size_t at) {
    return p.size() >= at + 4 && to_upper(p.substr(at, 3)) == L"UNC" && is_path_separator(p[at + 3], path_style::windows);
}

// Length of the part of the path that ".." can never remove: "/" (POSIX), or a drive root,
// a UNC "\\server\share\", a device "\\.\name\", a leading separator, each after an optional
// long-path prefix.
size_t root_length(const std::wstring& p, path_style s) {
    if (!is_win(s)) {
        size_t i = 0;
        while (i < p.size() && p[i] == L'/') ++i;
        return i;
    }
    if (has_long_path_prefix(p, s)) {
        if (starts_with_unc(p, 4)) return skip_component(p, skip_component(p, 8, s), s);
        if (p.size() >= 6 && is_letter(p[4]) && p[5] == L':')
            return (p.size() > 6 && is_path_separator(p[6], s)) ? 7 : 6;
        return skip_component(p, 4, s);
    }
    if (p.size() >= 2 && is_path_separator(p[0], s) && is_path_separator(p[1], s))
        return skip_component(p, skip_component(p, 2, s), s);
    if (p.size() >= 2 && is_letter(p[0]) && p[1] == L':')
        return (p.size() > 2 && is_path_separator(p[2], s)) ? 3 : 2;
    if (!p.empty() && is_path_separator(p[0], s)) return 1;
    return 0;
}

// The resolution walk of resolve_path on a working text. Returns false when a ".." would leave a
// path that has no root.
bool resolve_components(const std::wstring& work, std::wstring& out, path_style s) {
    const size_t root = root_length(work, s);
    std::vector<std::wstring> kept;
    size_t i = root;
    while (i < work.size()) {
        size_t end = i;
        while (end < work.size() && !is_path_separator(work[end], s)) ++end;
        const bool has_sep = end < work.size();
        std::wstring name = work.substr(i, end - i);
        std::wstring comp = work.substr(i, end - i + (has_sep ? 1 : 0));
        i = end + (has_sep ? 1 : 0);
        if (has_sep && name == L"..") {
            if (!kept.empty())
                kept.pop_back();
            else if (root == 0)
                return false;
            // At the root: stays there.
        } else if (has_sep && (name == L"." || name.empty())) {
            // "." and doubled separators name nothing.
        } else {
            kept.push_back(std::move(comp));
        }
    }
    out = work.substr(0, root);
    for (const auto& c : kept) out += c;
    return true;
}

template <class S>
void decompose(S path, S& folder, S& name, S& extension, bool split_extension, path_style s) {
    using C = typename S::value_type;
    size_t cut = S::npos;
    for (size_t i = path.size(); i-- > 0;) {
        const C c = path[i];
        if (c == C('/') || (is_win(s) && c == C('\\'))) {
            cut = i;
            break;
        }
    }
    if (cut != S::npos) {
        folder = path.substr(0, cut + 1);
        name = path.substr(cut + 1);
    } else {
        name = std::move(path);
    }
    if (split_extension) {
        size_t dot = name.rfind(C('.'));
        if (dot != S::npos) {
            extension = name.substr(dot);
            name.erase(dot);
        }
    }
}

}  // namespace

bool is_path_separator(wchar_t c, path_style style) {
    return c == L'/' || (is_win(style) && c == L'\\');
}

std::wstring normalize_path(const std::wstring& path, path_style style) {
    if (!is_win(style)) return collapse_separators(path, L'/', style);
    std::wstring p = trim(slashes_to_backslashes(path), true, true);
    return add_long_path_prefix(collapse_separators(p, L'\\', style), style);
}

std::wstring add_trailing_separator(const std::wstring& path, path_style style) {
    if (path.empty() || is_path_separator(path.back(), style)) return path;
    if (!is_win(style)) return path + L'/';
    size_t first = path.find_first_of(L"\\/");
    return path + ((first != std::wstring::npos && path[first] == L'/') ? L'/' : L'\\');
}

std::wstring remove_trailing_separator(const std::wstring& path, path_style style) {
    if (!path.empty() && is_path_separator(path.back(), style)) return path.substr(0, path.size() - 1);
    return path;
}

bool has_long_path_prefix(const std::wstring& path, path_style style) {
    if (!is_win(style) || path.size() < 4) return false;
    return path.compare(0, 4, L"\\\\?\\") == 0 || path.compare(0, 4, L"//?/") == 0;
}

std::wstring add_long_path_prefix(const std::wstring& path, path_style style) {
    if (!is_win(style) || path.size() <= max_short_path || has_long_path_prefix(path, style)) return path;
    // Only drive and UNC paths have a "\\?\" form; a device path ("\\.\") needs none.
    const bool drive = is_letter(path[0]) && path[1] == L':' && is_path_separator(path[2], style);
    const bool unc = is_path_separator(path[0], style) && is_path_separator(path[1], style) && path[2] != L'.' &&
                     path[2] != L'?';
    if (!drive && !unc) return path;
    // The system takes a prefixed path literally: give it what it would have made of the rest.
    std::wstring p = slashes_to_backslashes(path);
    std::wstring resolved;
    if (resolve_components(p, resolved, style)) p = resolved;
    return drive ? L"\\\\?\\" + p : L"\\\\?\\UNC\\" + p.substr(2);
}

std::wstring collapse_separators(const std::wstring& path, wchar_t separator, path_style style) {
    if (path.size() <= 1 || has_long_path_prefix(path, style)) return path;
    std::wstring out;
    out.reserve(path.size());
    out += path[0];
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == separator && i + 1 < path.size() && path[i + 1] == separator) continue;
        out += path[i];
    }
    return out;
}

bool is_absolute_path(const std::wstring& path, path_style style) {
    if (path.empty()) return false;
    if (!is_win(style)) return path[0] == L'/';
    if (has_long_path_prefix(path, style) || is_path_separator(path[0], style)) return true;
    if (path[0] == L'.') return false;
    return path.find(L':') != std::wstring::npos;
}

bool is_relative_path(const std::wstring& path, path_style style) {
    return !path.empty() && !is_absolute_path(path, style);
}

void decompose_path(std::wstring path, std::wstring& folder, std::wstring& name, std::wstring& extension,
                    bool split_extension, path_style style) {
    decompose(std::move(path), folder, name, extension, split_extension, style);
}

void decompose_path(std::string path, std::string& folder, std::string& name, std::string& extension,
                    bool split_extension, path_style style) {
    decompose(std::move(path), folder, name, extension, split_extension, style);
}

std::wstring directory_part(const std::wstring& path, path_style style) {
    std::wstring folder, name, ext;
    decompose_path(path, folder, name, ext, false, style);
    return folder;
}

std::string directory_part(const std::string& path, path_style style) {
    std::string folder, name, ext;
    decompose_path(path, folder, name, ext, false, style);
    return folder;
}

std::wstring file_name_part(const std::wstring& path, bool with_extension, path_style style) {
    std::wstring folder, name, ext;
    decompose_path(path, folder, name, ext, true, style);
    return with_extension ? name + ext : name;
}

void split_path(const std::wstring& path, std::wstring& folder, std::wstring& name, path_style style) {
    std::wstring ext;
    decompose_path(path, folder, name, ext, false, style);
}

std::wstring resolve_path(const std::wstring& path, const std::wstring& base, path_style style) {
    if (path.empty() || is_relative_path(base, style)) return path;
    const std::wstring work = is_relative_path(path, style) ? add_trailing_separator(base, style) + path : path;
    std::wstring out;
    return resolve_components(work, out, style) ? out : path;
}

std::wstring absolute_path(const std::wstring& path, const std::wstring& base) {
    if (!base.empty() || is_absolute_path(path)) return resolve_path(path, base);
    std::wstring cwd;
    if (!known_folder(folder_current, cwd)) return path;
    return resolve_path(path, cwd);
}

bool is_directory(const std::wstring& path) { return path_kind(path) == kind_folder; }

bool is_file(const std::wstring& path) { return path_kind(path) == kind_file; }

int64_t list_directory(const std::wstring& path, std::vector<std::wstring>& list, int flags) {
    const std::wstring folder = normalize_path(path);
    std::vector<detail::dir_entry> entries;
    const int r = detail::read_directory(folder, true, entries);
    if (r < 0) return -1;
    if (r == 0 || flags == 0) return 0;
    const std::wstring prefix = (flags & list_full_paths) ? add_trailing_separator(absolute_path(folder, L"")) : L"";
    const wchar_t sep = is_win(path_style::native) ? L'\\' : L'/';
    const size_t start = list.size();
    for (const auto& e : entries) {
        if (e.hidden && !(flags & list_hidden)) continue;
        if (e.folder) {
            if (flags & list_folders) list.push_back(prefix + e.name + sep);
        } else if (flags & list_files) {
            list.push_back(prefix + e.name);
        }
    }
    const size_t count = list.size() - start;
    if ((flags & list_sorted) && count > 1) {
        std::stable_sort(list.begin() + static_cast<std::ptrdiff_t>(start), list.end(),
                         [](const std::wstring& a, const std::wstring& b) {
                             const bool fa = !a.empty() && is_path_separator(a.back());
                             const bool fb = !b.empty() && is_path_separator(b.back());
                             if (fa != fb) return fa;
                             return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                                 [](wchar_t x, wchar_t y) {
                                                                     return static_cast<uint32_t>(x) < static_cast<uint32_t>(y);
                                                                 });
                         });
    }
    return static_cast<int64_t>(count);
}

bool delete_tree(std::wstring path, bool recursive) {
    // Resolve "." and ".." by the text first, so the names listed below and the folder walked
    // are one and the same; a trailing separator would make the system follow a link.
    path = normalize_path(absolute_path(normalize_path(path), L""));
    if (path.size() > root_length(path, path_style::native)) path = remove_trailing_separator(path);
    bool reparse = false;
    const int kind = detail::entry_kind(path, reparse);
    if (kind == kind_missing) return false;
    if (kind == kind_file) return detail::delete_file(path);
    if (recursive && !reparse) {
        std::vector<detail::dir_entry> entries;
        if (detail::read_directory(path, false, entries) > 0) {
            const std::wstring prefix = add_trailing_separator(path);
            for (const auto& e : entries)
                if (!e.folder) detail::delete_file(prefix + e.name);
            for (const auto& e : entries)
                if (e.folder) delete_tree(prefix + e.name, true);
        }
    }
    return detail::remove_folder(path);
}

bool remove_path(const std::wstring& path, bool recursive) { return delete_tree(path, recursive); }

}  // namespace vandel
