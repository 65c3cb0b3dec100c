#pragma once
// The process's standing towards the system: whether it runs elevated, and ending the session.
// Both sit behind a provider that tests replace, so no test can end the machine's session.
#include <string>
#include <vector>

namespace olvex {

// Elevation states.
constexpr int elevation_none = 0;     // a standard user, or the state can't be read
constexpr int elevation_limited = 1;  // an administrator's limited token: can be raised
constexpr int elevation_full = 2;     // runs elevated (on POSIX: as root)

// Session-end kinds.
constexpr int session_log_off = 1;
constexpr int session_power_off = 2;
constexpr int session_restart = 3;

// Returns the elevation state, read from the system (or the provider) on every call.
int elevation_type();
// Returns the state read on the first call in the process (the provider's, while one is installed).
int cached_elevation_type();
// Returns true when the system accepted ending the session; kinds other than 1..3 return false
// without asking the system.
bool end_session(int kind, bool force);

class session_provider {
public:
    virtual ~session_provider() = default;
    virtual int elevation_type() = 0;
    // Receives kinds 1..3 only.
    virtual bool end_session(int kind, bool force) = 0;
};

// Installs p for the process; nullptr restores the system. Returns the previous provider.
session_provider* set_session_provider(session_provider* p);

namespace detail {
// The system side, one body per OS.
int system_elevation_type();
bool system_end_session(int kind, bool force);
// The POSIX command that ends the session of that kind (session_id names the login session;
// empty: the caller's own); empty for an unknown kind.
std::vector<std::string> session_end_command(int kind, bool force, const std::string& session_id);
}  // namespace detail

}  // namespace olvex
