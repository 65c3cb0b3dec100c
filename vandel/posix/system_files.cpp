// POSIX small-file, link and real-path reads: read, readlink, realpath.
#include "vandel/posix/system_files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace vandel::posix {

bool read_small_file(const std::string& path, std::string& out) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    out.clear();
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

bool read_link(const std::string& path, std::string& out) {
    // A text that fills the buffer may have been cut: read it again with more room.
    for (std::string buf(256, '\0'); buf.size() <= (1u << 20); buf.resize(buf.size() * 2)) {
        const ssize_t n = readlink(path.c_str(), buf.data(), buf.size());
        if (n <= 0) return false;
        if (static_cast<size_t>(n) < buf.size()) {
            out = buf.substr(0, static_cast<size_t>(n));
            return true;
        }
    }
    return false;
}

std::string real_path(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return std::string();
    std::string out = real;
    std::free(real);
    return out;
}

}  // namespace vandel::posix
