// Win32 clock and sleep: the system time as a FILETIME and Sleep.
#include "vandel/clock.h"
#include "vandel/win32/windows.h"

namespace vandel::detail {

int64_t system_now_ms() {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER u{};
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    // 100 ns ticks since 1601 to milliseconds since 1970.
    return static_cast<int64_t>(u.QuadPart / 10000) - 11644473600000LL;
}

void system_sleep_ms(int32_t ms) { Sleep(static_cast<DWORD>(ms)); }

}  // namespace vandel::detail
