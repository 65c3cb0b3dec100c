// Win32 side of the test sandbox: wide-character file calls only, inside the temporary folder.
#include "tests/support/sandbox.h"
#include "vandel/folders.h"
#include "vandel/win32/windows.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace oblivar::test {

namespace {

std::string narrow_for_message(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += (c < 0x80) ? static_cast<char>(c) : '?';
    return s;
}

std::wstring full_path(const std::wstring& p) {
    DWORD n = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
    if (n == 0) return p;
    std::wstring out(n, L'\0');
    n = GetFullPathNameW(p.c_str(), n, out.data(), nullptr);
    out.resize(n);
    return out;
}

// The process's temporary folder with its trailing separator, however long; empty when the system
// can't say.
std::wstring temp_folder() {
    std::wstring out;
    vandel::known_folder(vandel::folder_temp, out);
    return out;
}

std::wstring lower(std::wstring s) {
    for (auto& c : s)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return s;
}

}  // namespace

wchar_t native_separator() { return L'\\'; }

sandbox::sandbox() {
    const std::wstring base = temp_folder();
    // Under Wine every other drive may reach the host; tests live on the prefix's C: only.
    if (base.size() < 3 || (base[0] != L'C' && base[0] != L'c') || base[1] != L':') {
        std::fprintf(stderr, "sandbox: temporary folder %s is not on C:\n", narrow_for_message(base).c_str());
        std::abort();
    }
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[64];
        std::swprintf(name, 64, L"oblivar-test-%lu-%u-%lu", GetCurrentProcessId(), counter++, GetTickCount());
        std::wstring dir = base + name;
        if (CreateDirectoryW(dir.c_str(), nullptr)) {
            root_ = full_path(dir);
            return;
        }
    }
    std::fprintf(stderr, "sandbox: cannot create a folder in %s\n", narrow_for_message(base).c_str());
    std::abort();
}

sandbox::sandbox(const std::wstring& existing) : adopted_(true) {
    const std::wstring base = lower(full_path(temp_folder()));
    const std::wstring full = full_path(existing);
    const std::wstring f = lower(full);
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (base.size() < 3 || base[0] != L'c' || base[1] != L':' || existing.find(L"..") != std::wstring::npos ||
        f.size() <= base.size() || f.compare(0, base.size(), base) != 0 || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        std::fprintf(stderr, "sandbox: %s is no folder in the temporary folder\n", narrow_for_message(full).c_str());
        std::abort();
    }
    root_ = full;
}

sandbox::~sandbox() {
    if (!adopted_) remove_tree(root_);
}

bool sandbox::contains(const std::wstring& p) const {
    std::wstring full = full_path(p);
    if (full != p && lower(full) != lower(p)) {
        // A relative path or one with "." / ".." steps: judge what it resolves to, and refuse ".." outright.
        if (p.find(L"..") != std::wstring::npos) return false;
    }
    std::wstring r = lower(root_), f = lower(full);
    return f.size() > r.size() + 1 && f.compare(0, r.size(), r) == 0 && f[r.size()] == L'\\';
}

void write_bytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << narrow_for_message(path) << ": error " << GetLastError();
        return;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD wrote = 0;
        if (!WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            ADD_FAILURE() << "cannot write " << narrow_for_message(path) << ": error " << GetLastError();
            break;
        }
        done += wrote;
    }
    CloseHandle(h);
}

std::string read_bytes(const std::wstring& path) {
    std::string out;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open " << narrow_for_message(path) << ": error " << GetLastError();
        return out;
    }
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool path_exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool is_directory(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

void make_dirs(const std::wstring& path) {
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
            std::wstring part = path.substr(0, i);
            if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                ADD_FAILURE() << "cannot create folder " << narrow_for_message(part) << ": error " << GetLastError();
                return;
            }
        }
    }
}

std::vector<std::wstring> list_tree(const std::wstring& root) {
    std::vector<std::wstring> out;
    std::function<void(const std::wstring&, const std::wstring&)> walk = [&](const std::wstring& dir,
                                                                               const std::wstring& rel) {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return;
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            bool dir_entry = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                             !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
            if (dir_entry) {
                out.push_back(rel + name + L"/");
                walk(dir + L"\\" + name, rel + name + L"/");
            } else {
                out.push_back(rel + name);
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    };
    walk(root, L"");
    std::sort(out.begin(), out.end());
    return out;
}

// The path in "\\?\" form, which the system takes beyond MAX_PATH.
static std::wstring long_form(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0 || path.size() < 3 || path[1] != L':') return path;
    std::wstring p = path;
    std::replace(p.begin(), p.end(), L'/', L'\\');
    return L"\\\\?\\" + p;
}

void make_deep_tree(const std::wstring& path, const std::wstring& name, int levels, const std::string& bytes) {
    std::wstring p = long_form(path);
    for (int i = 0; i < levels; ++i) {
        p += L"\\" + name;
        if (!CreateDirectoryW(p.c_str(), nullptr)) {
            ADD_FAILURE() << "cannot make a deep tree in " << narrow_for_message(path) << ": error " << GetLastError();
            return;
        }
    }
    write_bytes(p + L"\\leaf", bytes);
}

void remove_tree(const std::wstring& given) {
    const std::wstring path = long_form(given);
    DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return;
    if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = fd.cFileName;
                if (name != L"." && name != L"..") remove_tree(path + L"\\" + name);
            } while (FindNextFileW(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryW(path.c_str());
    } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(path.c_str());  // a junction or folder link: the link only
    } else {
        DeleteFileW(path.c_str());
    }
}

void set_write_time(const std::wstring& path, int64_t unix_seconds) {
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open " << narrow_for_message(path) << ": error " << GetLastError();
        return;
    }
    const int64_t ticks = unix_seconds * 10000000 + 116444736000000000LL;
    FILETIME ft{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
    if (!SetFileTime(h, nullptr, nullptr, &ft)) ADD_FAILURE() << "cannot set the time: error " << GetLastError();
    CloseHandle(h);
}

bool make_link(const std::wstring& link, const std::wstring& target, bool folder) {
    DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE | (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    // Wine reports success without making a link: believe only what the file system shows.
    if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), flags)) return false;
    const DWORD a = GetFileAttributesW(link.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool make_fifo(const std::wstring&) { return false; }

}  // namespace oblivar::test
