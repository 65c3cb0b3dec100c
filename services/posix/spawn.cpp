// POSIX: process start with posix_spawn and waitpid.
#include "services/posix/spawn.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace olvex::detail {

namespace {

int wait_for(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int spawn_program(const std::string& file, const std::vector<std::string>& args, bool search_path, bool wait,
                  bool& started) {
    started = false;
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = search_path ? posix_spawnp(&pid, file.c_str(), nullptr, nullptr, argv.data(), environ)
                               : posix_spawn(&pid, file.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) return -1;
    started = true;
    if (wait) return wait_for(pid);
    // No zombie is left behind for a child nobody waits for.
    std::thread([pid] { wait_for(pid); }).detach();
    return 0;
}

}  // namespace olvex::detail
