// Win32: the helper's entry point; the command-line text is split by the shell's rules.
#include "elevate/run_elevated.h"

#include "vandel/win32/windows.h"

#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(command_line, &count);
    if (args == nullptr) return -1;
    const int result = olvex::run_elevated(count, args);
    LocalFree(args);
    return result;
}
