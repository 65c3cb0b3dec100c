// POSIX special folders and process information: environment, getcwd, /proc/self/exe, passwd.
#include "vandel/folders.h"
#include "vandel/os_text.h"
#include "vandel/posix/system_files.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace vandel {

namespace {

// The variable's bytes; empty when unset.
std::string env_bytes(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// An XDG variable counts only when it holds an absolute path; else the fallback under $HOME.
bool xdg_folder(const char* name, const char* home_relative, std::wstring& out) {
    std::string v = env_bytes(name);
    if (!v.empty() && v[0] == '/') {
        out = from_os_bytes(v);
        return true;
    }
    const std::string home = env_bytes("HOME");
    if (home.empty()) return false;
    out = from_os_bytes(home + home_relative);
    return true;
}

bool current_folder(std::wstring& out) {
    std::string buf(512, '\0');
    for (;;) {
        if (getcwd(buf.data(), buf.size())) {
            buf.resize(buf.find('\0'));
            out = from_os_bytes(buf);
            return true;
        }
        if (errno != ERANGE || buf.size() > (1u << 20)) return false;
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

namespace detail {

bool system_folder(int kind, std::wstring& out) {
    switch (kind) {
    case 0:
        return current_folder(out);
    case 2:
    case 3: {
        const std::string tmp = env_bytes("TMPDIR");
        out = from_os_bytes(tmp.empty() ? std::string("/tmp") : tmp);
        return true;
    }
    case 4: {
        const std::string home = env_bytes("HOME");
        out = from_os_bytes(home);
        return !home.empty();
    }
    case 5:
    case 6:
        return xdg_folder("XDG_CONFIG_HOME", "/.config", out);
    case 7:
        return xdg_folder("XDG_DATA_HOME", "/.local/share", out);
    case 8:
    case 9: {
        const std::string dirs = env_bytes("XDG_CONFIG_DIRS");
        size_t start = 0;
        while (start < dirs.size()) {
            size_t end = dirs.find(':', start);
            if (end == std::string::npos) end = dirs.size();
            if (end > start && dirs[start] == '/') {
                out = from_os_bytes(dirs.substr(start, end - start));
                return true;
            }
            start = end + 1;
        }
        out = L"/etc/xdg";
        return true;
    }
    default:
        return false;
    }
}

std::wstring decode_argument(const char* arg) { return from_os_bytes(arg); }

}  // namespace detail

std::wstring environment_variable(const std::wstring& name) {
    if (name.empty()) return {};
    return from_os_bytes(env_bytes(to_os_bytes(name).c_str()));
}

std::wstring computer_name() {
    utsname u{};
    if (uname(&u) != 0) return {};
    return from_os_bytes(u.nodename);
}

std::wstring user_name() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buf(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
    passwd pw{};
    passwd* found = nullptr;
    while (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == ERANGE && buf.size() < (1u << 20))
        buf.resize(buf.size() * 2);
    return (found && found->pw_name) ? from_os_bytes(found->pw_name) : std::wstring();
}

bool module_file_names(std::string& narrow, std::wstring& wide) {
    std::string path;
    if (!posix::read_link("/proc/self/exe", path)) return false;
    narrow = path;
    wide = from_os_bytes(path);
    return true;
}

}  // namespace vandel
