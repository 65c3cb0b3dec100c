// Win32 computer and user names. Apart from the folder lookups, so that a program that only
// needs folders (the elevation helper) doesn't import the security DLL for the user name.
#include "vandel/folders.h"
#include "vandel/win32/windows.h"

namespace vandel {

std::wstring computer_name() {
    wchar_t buf[16] = {};
    DWORD n = 16;
    if (!GetComputerNameW(buf, &n) || n == 0) return {};
    return std::wstring(buf, n);
}

std::wstring user_name() {
    wchar_t buf[520] = {};
    DWORD n = 520;
    if (!GetUserNameW(buf, &n) || n <= 1) return {};
    return std::wstring(buf, n - 1);
}

}  // namespace vandel
