// Win32 side of the child-process runner: CreateProcessW and the exit code.
#include "tests/support/child.h"
#include "tests/support/env.h"
#include "vandel/convert.h"
#include "vandel/win32/windows.h"

namespace oblivar::test {

std::wstring own_program_path() {
    wchar_t buf[32768];
    const DWORD n = GetModuleFileNameW(nullptr, buf, 32768);
    return std::wstring(buf, n);
}

int run_child_test(const std::string& test_name, const std::wstring& program) {
    const std::wstring exe = program.empty() ? own_program_path() : program;
    std::wstring command = L"\"" + exe + L"\" --gtest_filter=" + vandel::widen(test_name);
    scoped_env child("OBLIVAR_TEST_CHILD", std::wstring(L"1"));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    const bool ok = GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ok ? static_cast<int>(code) : -1;
}

}  // namespace oblivar::test
