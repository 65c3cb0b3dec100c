// POSIX: starting programs with posix_spawn. There is no elevation prompt: "runas" is refused.
#include "services/command_bridge.h"

#include "services/posix/spawn.h"
#include "vandel/os_text.h"
#include "vandel/strings.h"

namespace olvex::detail {

int system_launch(const std::wstring& program, const std::wstring& parameters, int mode, uint64_t,
                  bool& started) {
    started = false;
    if (mode == launch_runas || mode == launch_runas_wait) return -1;
    const std::string file = vandel::to_os_bytes(program);
    std::vector<std::string> args{file};
    // Values never hold a blank (it travels as "%20"), so the blanks part the arguments.
    if (!parameters.empty()) {
        std::vector<std::wstring> parts;
        vandel::split(parts, parameters, false, L" ");
        for (const std::wstring& part : parts) args.push_back(vandel::to_os_bytes(part));
    }
    return spawn_program(file, args, false, mode == launch_open_wait, started);
}

}  // namespace olvex::detail
