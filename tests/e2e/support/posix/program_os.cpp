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

extern char** environ;

namespace oblivar::test {

std::wstring own_folder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0) return std::wstring();
    std::string path(buf, static_cast<size_t>(n));
    return vandel::from_os_bytes(path.substr(0, path.find_last_of('/') + 1));
}

program_result run_program(const std::wstring& program, const std::vector<std::wstring>& args,
                           const std::string& input, const std::wstring& io_folder, int timeout_s) {
    program_result result;
    // Names of their own for each run: a file of the last run may still be held for a moment.
    static int runs = 0;
    const std::wstring run = std::to_wstring(++runs);
    const std::wstring in_path = io_folder + L"/stdin-" + run + L".txt", out_path = io_folder + L"/stdout-" + run + L".txt";
    write_bytes(in_path, input);
    const std::string exe = vandel::to_os_bytes(program);
    std::vector<std::string> bytes{exe};
    for (const auto& a : args) bytes.push_back(vandel::to_os_bytes(a));
    std::vector<char*> argv;
    for (auto& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, vandel::to_os_bytes(in_path).c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, vandel::to_os_bytes(out_path).c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned == 0) {
        int status = 0;
        bool ended = false;
        for (int waited_ms = 0; waited_ms < timeout_s * 1000; waited_ms += 20) {
            const pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                ended = true;
                break;
            }
            if (r < 0 && errno != EINTR) break;
            const timespec pause{0, 20 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        } else if (WIFEXITED(status)) {
            result.exit_code = WEXITSTATUS(status);
        }
        result.output = read_bytes(out_path);
    }
    unlink(vandel::to_os_bytes(in_path).c_str());
    unlink(vandel::to_os_bytes(out_path).c_str());
    return result;
}

}  // namespace oblivar::test
