// Win32 side of the Wine probe: Wine's ntdll exports wine_get_version, Windows' does not.
#include "tests/support/wine.h"
#include "vandel/win32/windows.h"

namespace oblivar::test {

bool running_under_wine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace oblivar::test
