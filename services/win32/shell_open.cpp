// Win32: ShellExecuteExW "open", waiting for the exit code when asked.
#include "services/shell_open.h"

#include "vandel/win32/windows.h"

#include <shellapi.h>

namespace olvex::detail {

int system_shell_execute(const std::wstring& program, const std::wstring& parameters, bool wait) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC | (wait ? SEE_MASK_NOCLOSEPROCESS : 0);
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return -1;
    if (!wait || info.hProcess == nullptr) return 0;
    vandel::win32::scoped_handle process(info.hProcess);
    if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return -1;
    return static_cast<int>(code);
}

}  // namespace olvex::detail
