// POSIX side of the program runner: posix_spawn with descriptors on files, waitpid with a limit.
#include "tests/e2e/support/program.h"
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"
#include "vandel/posix/system_files.h"

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace oblivar::test {

struct running_program::os_state {
    pid_t pid = -1;
    bool reaped = false;
    int status = 0;
    int input = -1;  // the pipe's end to write, when piped
};

std::wstring own_folder() {
    std::string path;
    if (!vandel::posix::read_link("/proc/self/exe", path)) return std::wstring();
    return vandel::from_os_bytes(path.substr(0, path.find_last_of('/') + 1));
}

running_program::running_program(const std::wstring& program, const std::vector<std::wstring>& args,
                                 const std::string& input, const std::wstring& io_folder, bool piped)
    : os_(std::make_unique<os_state>()) {
    // Names of their own for each run: a file of the last run may still be held for a moment.
    static int runs = 0;
    const std::wstring run = std::to_wstring(++runs);
    in_path_ = io_folder + L"/stdin-" + run + L".txt";
    out_path_ = io_folder + L"/stdout-" + run + L".txt";
    write_bytes(in_path_, input);
    write_bytes(out_path_, "");
    const std::string exe = vandel::to_os_bytes(program);
    std::vector<std::string> bytes{exe};
    for (const auto& a : args) bytes.push_back(vandel::to_os_bytes(a));
    std::vector<char*> argv;
    for (auto& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);

    int pipe_fds[2] = {-1, -1};
    if (piped && pipe2(pipe_fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (piped)
        posix_spawn_file_actions_adddup2(&actions, pipe_fds[0], 0);
    else
        posix_spawn_file_actions_addopen(&actions, 0, vandel::to_os_bytes(in_path_).c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, vandel::to_os_bytes(out_path_).c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // The program starts with the signals a shell gives it: none blocked, none ignored.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    if (posix_spawn(&pid, exe.c_str(), &actions, &attributes, argv.data(), environ) == 0) os_->pid = pid;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (piped) {
        close(pipe_fds[0]);
        os_->input = pipe_fds[1];
        write_input(input);
    }
}

running_program::~running_program() {
    end_input();
    if (!waited_ && os_->pid > 0 && !os_->reaped) {
        kill(os_->pid, SIGKILL);
        int status = 0;
        waitpid(os_->pid, &status, 0);
    }
    unlink(vandel::to_os_bytes(in_path_).c_str());
    unlink(vandel::to_os_bytes(out_path_).c_str());
}

bool running_program::started() const { return os_->pid > 0; }

bool running_program::ended() {
    if (os_->pid <= 0 || os_->reaped) return true;
    os_->reaped = waitpid(os_->pid, &os_->status, WNOHANG) == os_->pid;
    return os_->reaped;
}

bool running_program::interrupt(int code) { return !ended() && kill(os_->pid, code) == 0; }

bool running_program::write_input(const std::string& text) {
    if (os_->input < 0) return false;
    // A program that ended meanwhile must not take the test down with SIGPIPE.
    sigset_t pipe_signal, old;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, &old);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(os_->input, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const timespec none{0, 0};
    if (done < text.size()) sigtimedwait(&pipe_signal, nullptr, &none);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return done == text.size();
}

void running_program::end_input() {
    if (os_->input >= 0) close(os_->input);
    os_->input = -1;
}

program_result running_program::wait(int timeout_s) {
    program_result result;
    if (os_->pid <= 0 || waited_) return result;
    for (int waited_ms = 0; waited_ms < timeout_s * 1000 && !ended(); waited_ms += 20) {
        const timespec pause{0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    if (!os_->reaped) {
        kill(os_->pid, SIGKILL);
        waitpid(os_->pid, &os_->status, 0);
    } else if (WIFEXITED(os_->status)) {
        result.exit_code = WEXITSTATUS(os_->status);
    }
    waited_ = true;
    end_input();
    result.output = output();
    return result;
}

}  // namespace oblivar::test
