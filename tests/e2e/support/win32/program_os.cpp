// Win32 side of the program runner: CreateProcessW with inherited file handles.
#include "tests/e2e/support/program.h"
#include "tests/support/sandbox.h"
#include "vandel/win32/windows.h"

namespace oblivar::test {

namespace {

// The argument quoted as the C runtime reads it back.
std::wstring quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

HANDLE inheritable(const std::wstring& path, bool write) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::wstring own_folder() {
    wchar_t buf[32768];
    const DWORD n = GetModuleFileNameW(nullptr, buf, 32768);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

program_result run_program(const std::wstring& program, const std::vector<std::wstring>& args,
                           const std::string& input, const std::wstring& io_folder, int timeout_s) {
    program_result result;
    // Names of their own for each run: a file of the last run may still be held for a moment.
    static int runs = 0;
    const std::wstring run = std::to_wstring(++runs);
    const std::wstring in_path = io_folder + L"\\stdin-" + run + L".txt", out_path = io_folder + L"\\stdout-" + run + L".txt";
    write_bytes(in_path, input);
    std::wstring command = quote(program);
    for (const auto& a : args) command += L" " + quote(a);

    const HANDLE in = inheritable(in_path, false), out = inheritable(out_path, true);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE &&
        CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, static_cast<DWORD>(timeout_s) * 1000) != WAIT_OBJECT_0) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, INFINITE);
        } else {
            DWORD code = 0;
            if (GetExitCodeProcess(pi.hProcess, &code)) result.exit_code = static_cast<int>(code);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    result.output = read_bytes(out_path);
    DeleteFileW(in_path.c_str());
    DeleteFileW(out_path.c_str());
    return result;
}

}  // namespace oblivar::test
