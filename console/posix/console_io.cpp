// POSIX side of the console's text: the system's bytes on descriptors 1 and 0; SIGINT, SIGTERM
// and SIGHUP watched through a self-pipe.
#include "console/console.h"
#include "vandel/os_text.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace olvex {

namespace {

constexpr int watched_signals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler's only state. The pipes are made once and never closed, so a handler that runs
// while watching stops can't write into a descriptor that was reused meanwhile.
std::atomic<int> interrupts{0};
int wake_pipe[2] = {-1, -1};   // a note per interrupt to the watcher thread
int latch_pipe[2] = {-1, -1};  // readable once interrupted: ends a read_line under way

extern "C" void on_signal(int) {
    const int saved = errno;
    if (interrupts.fetch_add(1) > 0) _exit(3);  // the second one: at once
    const char note = 'i';
    if (write(latch_pipe[1], &note, 1) < 0 || write(wake_pipe[1], &note, 1) < 0) {
        // Nothing more can be done in a handler.
    }
    errno = saved;
}

bool read_byte(int fd, char& c) {
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        return n == 1;
    }
}

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
            if (!wait_for_input()) return false;
            char c = 0;
            if (!read_byte(0, c)) {
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

    void watch_interrupts(std::function<void()> on_interrupt) override {
        if (wake_pipe[0] < 0 && (pipe2(wake_pipe, O_CLOEXEC) != 0 || pipe2(latch_pipe, O_CLOEXEC | O_NONBLOCK) != 0))
            return;  // no pipes: the system's handling stays
        char c = 0;
        while (read_byte(latch_pipe[0], c)) {
        }
        interrupts = 0;
        on_interrupt_ = std::move(on_interrupt);
        watcher_ = std::thread([this] {
            char note = 0;
            while (read_byte(wake_pipe[0], note) && note == 'i') on_interrupt_();
        });
        struct sigaction sa {};
        sa.sa_handler = on_signal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (size_t i = 0; i < std::size(watched_signals); ++i) {
            // A signal ignored from the start (nohup, a background job) stays ignored.
            sigaction(watched_signals[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler != SIG_IGN) sigaction(watched_signals[i], &sa, nullptr);
        }
    }

    void stop_watching() override {
        if (!watcher_.joinable()) return;
        for (size_t i = 0; i < std::size(watched_signals); ++i) sigaction(watched_signals[i], &previous_[i], nullptr);
        const char stop = 'q';
        while (::write(wake_pipe[1], &stop, 1) < 0 && errno == EINTR) {
        }
        watcher_.join();
        on_interrupt_ = nullptr;
    }

private:
    // Returns true when standard input has something (or its end) to read, false once an
    // interrupt came while watching.
    bool wait_for_input() {
        if (!watcher_.joinable()) return true;
        pollfd fds[2] = {{0, POLLIN, 0}, {latch_pipe[0], POLLIN, 0}};
        for (;;) {
            fds[0].revents = fds[1].revents = 0;
            if (poll(fds, 2, -1) < 0 && errno != EINTR) return true;
            if (fds[1].revents & POLLIN) return false;
            if (fds[0].revents) return true;
        }
    }

    std::function<void()> on_interrupt_;
    std::thread watcher_;
    struct sigaction previous_[std::size(watched_signals)] {};
};

}  // namespace

console_io& standard_io() {
    static posix_io io;
    return io;
}

}  // namespace olvex
