// POSIX side of the test sandbox: mkdtemp, stat and nftw, on names converted losslessly.
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

namespace oblivar::test {

namespace {

std::string os(const std::wstring& p) { return vandel::to_os_bytes(p); }

// The real path of the longest existing prefix of p, with the rest appended.
std::string resolve_existing(const std::string& p) {
    std::string head = p;
    std::string tail;
    while (!head.empty()) {
        char buf[PATH_MAX];
        if (realpath(head.c_str(), buf)) return std::string(buf) + tail;
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

int remove_entry(const char* path, const struct stat*, int type, struct FTW*) {
    int rc = (type == FTW_DP) ? rmdir(path) : unlink(path);
    if (rc != 0 && errno != ENOENT) std::fprintf(stderr, "sandbox: cannot remove %s: %s\n", path, std::strerror(errno));
    return 0;
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
    struct stat st {};
    if (lstat(p.c_str(), &st) != 0) return;
    // Give folders back their write and search bits so a test's read-only tree can go.
    if (S_ISDIR(st.st_mode)) {
        nftw(p.c_str(), [](const char* f, const struct stat* s, int type, struct FTW*) {
            if (type == FTW_D) chmod(f, (s->st_mode & 07777) | S_IRWXU);
            return 0;
        }, 16, FTW_PHYS | FTW_MOUNT);
    }
    nftw(p.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

void set_write_time(const std::wstring& path, int64_t unix_seconds) {
    timespec times[2] = {{static_cast<time_t>(unix_seconds), 0}, {static_cast<time_t>(unix_seconds), 0}};
    if (utimensat(AT_FDCWD, os(path).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        ADD_FAILURE() << "cannot set the time of " << os(path) << ": " << std::strerror(errno);
}

bool make_link(const std::wstring& link, const std::wstring& target, bool) {
    return symlink(os(target).c_str(), os(link).c_str()) == 0;
}

}  // namespace oblivar::test
