// Win32: elevation from the process token, session end through ExitWindowsEx.
#include "services/session.h"

#include "vandel/win32/windows.h"

namespace olvex::detail {

int system_elevation_type() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return elevation_none;
    vandel::win32::scoped_handle token(raw);
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD length = 0;
    if (!GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &length) || length != sizeof type)
        return elevation_none;
    switch (type) {
    case TokenElevationTypeFull:
        return elevation_full;
    case TokenElevationTypeLimited:
        return elevation_limited;
    default:
        return elevation_none;
    }
}

bool system_end_session(int kind, bool force) {
    UINT flag = 0;
    switch (kind) {
    case session_log_off:
        flag = EWX_LOGOFF;
        break;
    case session_power_off:
        flag = EWX_POWEROFF;
        break;
    case session_restart:
        flag = EWX_REBOOT;
        break;
    default:
        return false;
    }
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
    vandel::win32::scoped_handle token(raw);
    TOKEN_PRIVILEGES privileges{};
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // Partial success (ERROR_NOT_ALL_ASSIGNED) leaves the privilege off: only 0 counts.
    SetLastError(ERROR_SUCCESS);
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    if (GetLastError() != ERROR_SUCCESS) return false;
    return ExitWindowsEx(flag | (force ? EWX_FORCE : 0), 0) != 0;
}

}  // namespace olvex::detail
