#include "services/session.h"

#include <atomic>

namespace olvex {

namespace {
std::atomic<session_provider*> provider{nullptr};
}

session_provider* set_session_provider(session_provider* p) { return provider.exchange(p); }

int elevation_type() {
    session_provider* p = provider.load();
    return p ? p->elevation_type() : detail::system_elevation_type();
}

int cached_elevation_type() {
    if (session_provider* p = provider.load()) return p->elevation_type();
    static const int state = detail::system_elevation_type();
    return state;
}

bool end_session(int kind, bool force) {
    if (kind < session_log_off || kind > session_restart) return false;
    session_provider* p = provider.load();
    return p ? p->end_session(kind, force) : detail::system_end_session(kind, force);
}

namespace detail {

std::vector<std::string> session_end_command(int kind, bool force, const std::string& session_id) {
    switch (kind) {
    case session_log_off:
        // "self" is logind's name for the caller's own session.
        return {"loginctl", "terminate-session", session_id.empty() ? "self" : session_id};
    case session_power_off:
    case session_restart: {
        std::vector<std::string> cmd{"systemctl", kind == session_power_off ? "poweroff" : "reboot"};
        // Forcing overrides applications that block the end, as it does on Windows.
        if (force) cmd.push_back("--check-inhibitors=no");
        return cmd;
    }
    default:
        return {};
    }
}

}  // namespace detail

}  // namespace olvex
