// Win32: starting programs through the shell (ShellExecuteExW), with or without elevation.
#include "services/command_bridge.h"

#include "vandel/win32/windows.h"

#include <shellapi.h>

namespace olvex::detail {

int system_launch(const std::wstring& program, const std::wstring& parameters, int mode, uint64_t window,
                  bool& started) {
    started = false;
    const bool wait = mode == launch_open_wait || mode == launch_runas_wait;
    const bool elevate = mode == launch_runas || mode == launch_runas_wait;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC | (wait ? SEE_MASK_NOCLOSEPROCESS : 0);
    info.hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
    info.lpVerb = elevate ? L"runas" : L"open";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return -1;
    started = true;
    if (!wait || info.hProcess == nullptr) return 0;
    vandel::win32::scoped_handle process(info.hProcess);
    if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return -1;
    return static_cast<int>(code);
}

}  // namespace olvex::detail
