// POSIX: a program file is started itself (the parameters parted at blanks); an existing file or
// folder, or an address with a scheme, goes to xdg-open; anything else can't be started.
#include "services/shell_open.h"

#include "services/posix/spawn.h"
#include "vandel/os_text.h"
#include "vandel/strings.h"

#include <sys/stat.h>
#include <unistd.h>

namespace olvex::detail {

int system_shell_execute(const std::wstring& program, const std::wstring& parameters, bool wait) {
    const std::string file = vandel::to_os_bytes(program);
    struct stat st {};
    const bool exists = program.find(L"://") == std::wstring::npos && stat(file.c_str(), &st) == 0;
    const bool is_program = exists && S_ISREG(st.st_mode) && access(file.c_str(), X_OK) == 0;
    const bool is_address = !exists && program.find(L':') != std::wstring::npos;
    if (!is_program && !exists && !is_address) return -1;
    std::vector<std::string> args;
    if (!is_program) args.push_back("xdg-open");
    args.push_back(file);
    if (!parameters.empty()) {
        std::vector<std::wstring> parts;
        vandel::split(parts, parameters, true, L" ");
        for (const std::wstring& part : parts) args.push_back(vandel::to_os_bytes(part));
    }
    bool started = false;
    return spawn_program(args[0], args, !is_program, wait, started);
}

}  // namespace olvex::detail
