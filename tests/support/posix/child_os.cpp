// POSIX side of the child-process runner: posix_spawn and waitpid.
#include "tests/support/child.h"
#include "tests/support/env.h"
#include "vandel/os_text.h"
#include "vandel/posix/system_files.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace oblivar::test {

std::wstring own_program_path() {
    std::string path;
    return vandel::posix::read_link("/proc/self/exe", path) ? vandel::from_os_bytes(path) : std::wstring();
}

int run_child_test(const std::string& test_name, const std::wstring& program) {
    const std::string exe = vandel::to_os_bytes(program.empty() ? own_program_path() : program);
    const std::string filter = "--gtest_filter=" + test_name;
    scoped_env child("OBLIVAR_TEST_CHILD", std::wstring(L"1"));
    char* argv[] = {const_cast<char*>(exe.c_str()), const_cast<char*>(filter.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace oblivar::test
