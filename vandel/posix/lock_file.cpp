// POSIX lock file: flock on a regular file opened read-only without following links.
#include "vandel/lock_file.h"
#include "vandel/posix/native_path.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vandel {

namespace {

// Opens the existing file, or creates it when missing; never a window in which a concurrent
// instance gets neither. Read-only (flock needs no more, and the file is never written), and
// without O_CREAT on an existing file, so another user's lock file in a shared /tmp still opens.
int open_lock(const std::string& p) {
    const int base = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;  // a FIFO can't hang us
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = open(p.c_str(), base);
        if (fd >= 0 || (errno != ENOENT && errno != EINTR)) return fd;
        fd = open(p.c_str(), base | O_CREAT | O_EXCL, 0644);
        if (fd >= 0 || (errno != EEXIST && errno != EINTR)) return fd;
    }
    return -1;
}

}  // namespace

bool lock_file::os_acquire(bool exclusive) {
    std::string p;
    if (!posix::to_native_path(path_, p)) return false;
    const int fd = open_lock(p);
    if (fd < 0) return false;
    struct stat st {};
    int rc = -1;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        do rc = flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
        while (rc != 0 && errno == EINTR);
    }
    if (rc != 0) {
        close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

void lock_file::os_release() { close(static_cast<int>(handle_)); }

}  // namespace vandel
