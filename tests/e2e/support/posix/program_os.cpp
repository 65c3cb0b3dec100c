// POSIX side of the program runner: posix_spawn with descriptors on files, waitpid with a limit.
#include "tests/e2e/support/program.h"
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <functional>

extern char** environ;

namespace oblivar::test {

std::wstring own_folder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0) return std::wstring();
    std::string path(buf, static_cast<size_t>(n));
    return vandel::from_os_bytes(path.substr(0, path.find_last_of('/') + 1));
}

namespace {

std::vector<std::string> argument_bytes(const std::wstring& program, const std::vector<std::wstring>& args) {
    std::vector<std::string> bytes{vandel::to_os_bytes(program)};
    for (const auto& a : args) bytes.push_back(vandel::to_os_bytes(a));
    return bytes;
}

// Starts the program with standard input set up by input (dup2 or open) and standard output and
// error on out_path. Returns the process, 0 when it could not be started.
pid_t spawn(std::vector<std::string>& bytes, const std::function<void(posix_spawn_file_actions_t*)>& input,
            const std::wstring& out_path) {
    std::vector<char*> argv;
    for (auto& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    input(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, vandel::to_os_bytes(out_path).c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : 0;
}

void pause_20ms() {
    const timespec pause{0, 20 * 1000 * 1000};
    nanosleep(&pause, nullptr);
}

// Returns true once the process ended (its exit code in code, -1 when it did not exit).
bool ended(pid_t pid, int& code) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != pid) return false;
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

// Waits for the process at most timeout_ms; kills it past that. Returns its exit code, -1 when
// killed or when it did not exit.
int finish(pid_t pid, int timeout_ms) {
    int code = -1;
    for (int waited_ms = 0; waited_ms < timeout_ms; waited_ms += 20) {
        if (ended(pid, code)) return code;
        pause_20ms();
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

std::wstring run_name() {
    // Names of their own for each run: a file of the last run may still be held for a moment.
    static int runs = 0;
    return std::to_wstring(++runs);
}

}  // namespace

program_result run_program(const std::wstring& program, const std::vector<std::wstring>& args,
                           const std::string& input, const std::wstring& io_folder, int timeout_s) {
    program_result result;
    const std::wstring run = run_name();
    const std::wstring in_path = io_folder + L"/stdin-" + run + L".txt", out_path = io_folder + L"/stdout-" + run + L".txt";
    write_bytes(in_path, input);
    std::vector<std::string> bytes = argument_bytes(program, args);
    const std::string in = vandel::to_os_bytes(in_path);
    const pid_t pid =
        spawn(bytes, [&](posix_spawn_file_actions_t* a) { posix_spawn_file_actions_addopen(a, 0, in.c_str(), O_RDONLY, 0); },
              out_path);
    if (pid != 0) {
        result.exit_code = finish(pid, timeout_s * 1000);
        result.output = read_bytes(out_path);
    }
    unlink(in.c_str());
    unlink(vandel::to_os_bytes(out_path).c_str());
    return result;
}

program_result run_program_at_prompt(const std::wstring& program, const std::vector<std::wstring>& args,
                                     const std::string& prompt, const std::function<void()>& at_prompt,
                                     const std::string& answer, const std::wstring& io_folder, int timeout_s) {
    program_result result;
    const std::wstring out_path = io_folder + L"/stdout-" + run_name() + L".txt";
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return result;
    std::vector<std::string> bytes = argument_bytes(program, args);
    const pid_t pid =
        spawn(bytes, [&](posix_spawn_file_actions_t* a) { posix_spawn_file_actions_adddup2(a, pipe_fds[0], 0); }, out_path);
    close(pipe_fds[0]);
    if (pid != 0) {
        int code = -1;
        bool gone = false;
        for (int waited_ms = 0; waited_ms < timeout_s * 1000 && !(gone = ended(pid, code)); waited_ms += 20) {
            if (read_bytes(out_path).find(prompt) != std::string::npos) {
                at_prompt();
                // A program that ended meanwhile must not take the test down with SIGPIPE.
                sigset_t pipe_signal, old;
                sigemptyset(&pipe_signal);
                sigaddset(&pipe_signal, SIGPIPE);
                pthread_sigmask(SIG_BLOCK, &pipe_signal, &old);
                if (write(pipe_fds[1], answer.data(), answer.size()) < 0) {
                    const timespec none{0, 0};
                    sigtimedwait(&pipe_signal, nullptr, &none);
                }
                pthread_sigmask(SIG_SETMASK, &old, nullptr);
                break;
            }
            pause_20ms();
        }
        close(pipe_fds[1]);
        result.exit_code = gone ? code : finish(pid, timeout_s * 1000);
        result.output = read_bytes(out_path);
    } else {
        close(pipe_fds[1]);
    }
    unlink(vandel::to_os_bytes(out_path).c_str());
    return result;
}

}  // namespace oblivar::test
