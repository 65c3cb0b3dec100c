// POSIX side of the stand-in helpers: copying a program with its mode, the joined arguments.
#include "tests/support/standin.h"
#include "vandel/folders.h"
#include "vandel/os_text.h"
#include "vandel/strings.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace oblivar::test {

namespace detail {

bool copy_program(const std::wstring& from, const std::wstring& to) {
    const int in = open(vandel::to_os_bytes(from).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = open(vandel::to_os_bytes(to).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0755);
    bool ok = out >= 0;
    char buf[65536];
    while (ok) {
        const ssize_t n = read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            ok = errno == EINTR;
            continue;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            ok = w > 0;
            done += w > 0 ? w : 0;
        }
    }
    close(in);
    if (out >= 0 && close(out) != 0) ok = false;
    return ok;
}

}  // namespace detail

std::wstring process_command_line() {
    std::vector<std::wstring> args;
    vandel::command_line_args(args);
    return vandel::join(args, L" ");
}

}  // namespace oblivar::test
