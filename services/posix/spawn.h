#pragma once
// Starting programs on POSIX, shared by the services that launch them.
#include <string>
#include <vector>

namespace olvex::detail {

// Starts file with args (argv[0] first), looked up in PATH when search_path; started tells
// whether it was. Returns -1 when it can't be started; without wait 0 (the child is reaped in the
// background); with wait its exit status, or -1 when it did not exit normally or can't be waited for.
int spawn_program(const std::string& file, const std::vector<std::string>& args, bool search_path, bool wait,
                  bool& started);

}  // namespace olvex::detail
