// POSIX: elevation from the effective user, session end through logind and systemd.
#include "services/session.h"

#include "services/posix/spawn.h"

#include <cstdlib>
#include <unistd.h>

namespace olvex::detail {

int system_elevation_type() { return geteuid() == 0 ? elevation_full : elevation_none; }

bool system_end_session(int kind, bool force) {
    const char* id = std::getenv("XDG_SESSION_ID");
    const std::vector<std::string> cmd = session_end_command(kind, force, id ? id : "");
    if (cmd.empty()) return false;
    bool started = false;
    return spawn_program(cmd[0], cmd, true, true, started) == 0;
}

}  // namespace olvex::detail
