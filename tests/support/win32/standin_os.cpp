// Win32 side of the stand-in helpers: CopyFileW and GetCommandLineW.
#include "tests/support/standin.h"
#include "vandel/win32/windows.h"

namespace oblivar::test {

namespace detail {

bool copy_program(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), TRUE) != 0;
}

}  // namespace detail

std::wstring process_command_line() { return GetCommandLineW(); }

}  // namespace oblivar::test
