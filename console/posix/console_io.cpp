// POSIX side of the console's text: the system's bytes on descriptors 1 and 0.
#include "console/console.h"
#include "vandel/os_text.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace olvex {

namespace {

class posix_io : public console_io {
public:
    posix_io() {
        // A reader that goes away (olvex ... | head) must not end a wipe half done.
        std::signal(SIGPIPE, SIG_IGN);
    }

    void write(const std::wstring& text, bool) override {
        const std::string bytes = vandel::to_os_bytes(text);
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(1, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }

    bool read_line(std::wstring& line) override {
        // Byte by byte, so that nothing after the line is taken from the input.
        std::string bytes;
        for (;;) {
            char c = 0;
            const ssize_t n = ::read(0, &c, 1);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (bytes.empty()) return false;
                break;
            }
            if (c == '\n') break;
            bytes += c;
        }
        if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
        line = vandel::from_os_bytes(bytes);
        return true;
    }

    void detach() override {}
    void wait_for_key() override {}
};

}  // namespace

console_io& standard_io() {
    static posix_io io;
    return io;
}

int32_t log_line_ending() {
    return 2;  // LF
}

}  // namespace olvex
