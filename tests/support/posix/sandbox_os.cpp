// POSIX side of the test sandbox: mkdtemp, stat and the *at calls, on names converted losslessly.
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"
#include "vandel/posix/system_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace oblivar::test {

namespace {

std::string os(const std::wstring& p) { return vandel::to_os_bytes(p); }

// The real path of the longest existing prefix of p, with the rest appended.
std::string resolve_existing(const std::string& p) {
    std::string head = p;
    std::string tail;
    while (!head.empty()) {
        if (const std::string real = vandel::posix::real_path(head); !real.empty()) return real + tail;
        size_t cut = head.find_last_of('/');
        if (cut == std::string::npos) break;
        tail = head.substr(cut) + tail;
        head.erase(cut);
    }
    return p;
}

bool has_dotdot(const std::wstring& p) {
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find(L'/', start);
        if (end == std::wstring::npos) end = p.size();
        if (p.compare(start, end - start, L"..") == 0 && end - start == 2) return true;
        start = end + 1;
    }
    return false;
}

// Removes the entry name of the folder dirfd, relative to it so that no depth is too deep;
// never follows a link nor enters another file system.
void remove_at(int folder, const std::string& name, const std::string& shown) {
    struct stat st {}, here {};
    if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (S_ISDIR(st.st_mode) && fstat(folder, &here) == 0 && st.st_dev == here.st_dev) {
        // Give folders back their write and search bits so a test's read-only tree can go.
        fchmodat(folder, name.c_str(), (st.st_mode & 07777) | S_IRWXU, 0);
        const int fd = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
        std::vector<std::string> names;
        while (const dirent* e = dir ? readdir(dir) : nullptr)
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        for (const auto& n : names) remove_at(::dirfd(dir), n, shown);
        if (dir) closedir(dir);
        else if (fd >= 0) close(fd);
    }
    if (unlinkat(folder, name.c_str(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0) != 0 && errno != ENOENT)
        std::fprintf(stderr, "sandbox: cannot remove %s in %s: %s\n", name.c_str(), shown.c_str(), std::strerror(errno));
}

}  // namespace

wchar_t native_separator() { return L'/'; }

sandbox::sandbox() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp) ? tmp : "/tmp";
    std::string templ = base + "/oblivar-test.XXXXXX";
    if (!mkdtemp(templ.data())) {
        std::fprintf(stderr, "sandbox: mkdtemp in %s failed: %s\n", base.c_str(), std::strerror(errno));
        std::abort();
    }
    root_ = vandel::from_os_bytes(resolve_existing(templ));
}

sandbox::sandbox(const std::wstring& existing) : adopted_(true) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = resolve_existing((tmp && *tmp) ? tmp : "/tmp");
    const std::string real = resolve_existing(os(existing));
    struct stat st {};
    if (real.size() <= base.size() + 1 || real.compare(0, base.size(), base) != 0 || real[base.size()] != '/' ||
        lstat(real.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "sandbox: %s is no folder in %s\n", real.c_str(), base.c_str());
        std::abort();
    }
    root_ = vandel::from_os_bytes(real);
}

sandbox::~sandbox() {
    if (!adopted_) remove_tree(root_);
}

bool sandbox::contains(const std::wstring& p) const {
    if (p.size() <= root_.size() + 1 || p.compare(0, root_.size(), root_) != 0 || p[root_.size()] != L'/')
        return false;
    if (has_dotdot(p)) return false;
    std::string real_root = os(root_);
    // Links inside the sandbox may point anywhere; judge the parent, which is what a call acts in.
    std::string parent = os(p.substr(0, p.find_last_of(L'/')));
    std::string real = resolve_existing(parent);
    return real == real_root || (real.size() > real_root.size() && real.compare(0, real_root.size(), real_root) == 0 &&
                                 real[real_root.size()] == '/');
}

void write_bytes(const std::wstring& path, const std::string& bytes) {
    int fd = open(os(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        ADD_FAILURE() << "cannot create " << os(path) << ": " << std::strerror(errno);
        return;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ADD_FAILURE() << "cannot write " << os(path) << ": " << std::strerror(errno);
            break;
        }
        done += static_cast<size_t>(n);
    }
    close(fd);
}

std::string read_bytes(const std::wstring& path) {
    std::string out;
    int fd = open(os(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        ADD_FAILURE() << "cannot open " << os(path) << ": " << std::strerror(errno);
        return out;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return out;
}

bool path_exists(const std::wstring& path) {
    struct stat st {};
    return lstat(os(path).c_str(), &st) == 0;
}

bool is_directory(const std::wstring& path) {
    struct stat st {};
    return lstat(os(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void make_dirs(const std::wstring& path) {
    std::string p = os(path);
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            std::string part = p.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
                ADD_FAILURE() << "cannot create folder " << part << ": " << std::strerror(errno);
                return;
            }
        }
    }
}

std::vector<std::wstring> list_tree(const std::wstring& root) {
    std::vector<std::wstring> out;
    std::function<void(const std::string&, const std::wstring&)> walk = [&](const std::string& dir,
                                                                             const std::wstring& rel) {
        DIR* d = opendir(dir.c_str());
        if (!d) return;
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            std::string full = dir + "/" + name;
            std::wstring r = rel + vandel::from_os_bytes(name);
            struct stat st {};
            if (lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                out.push_back(r + L"/");
                walk(full, r + L"/");
            } else {
                out.push_back(r);
            }
        }
        closedir(d);
    };
    walk(os(root), L"");
    std::sort(out.begin(), out.end());
    return out;
}

void remove_tree(const std::wstring& path) {
    std::string p = os(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const size_t cut = p.find_last_of('/');
    const std::string parent = cut == std::string::npos ? "." : cut == 0 ? "/" : p.substr(0, cut);
    const int fd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    remove_at(fd, p.substr(cut + 1), parent);
    close(fd);
}

void make_deep_tree(const std::wstring& path, const std::wstring& name, int levels, const std::string& bytes) {
    const std::string n = os(name);
    int fd = open(os(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < levels && fd >= 0; ++i) {
        const int next = mkdirat(fd, n.c_str(), 0755) == 0 ? openat(fd, n.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        close(fd);
        fd = next;
    }
    const int file = fd < 0 ? -1 : openat(fd, "leaf", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (file < 0 || write(file, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        ADD_FAILURE() << "cannot make a deep tree in " << os(path) << ": " << std::strerror(errno);
    if (file >= 0) close(file);
    if (fd >= 0) close(fd);
}

void set_write_time(const std::wstring& path, int64_t unix_seconds) {
    timespec times[2] = {{static_cast<time_t>(unix_seconds), 0}, {static_cast<time_t>(unix_seconds), 0}};
    if (utimensat(AT_FDCWD, os(path).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        ADD_FAILURE() << "cannot set the time of " << os(path) << ": " << std::strerror(errno);
}

bool make_link(const std::wstring& link, const std::wstring& target, bool) {
    return symlink(os(target).c_str(), os(link).c_str()) == 0;
}

bool make_fifo(const std::wstring& path) { return mkfifo(os(path).c_str(), 0600) == 0; }

}  // namespace oblivar::test
