// Win32 side of the program runner: CreateProcessW with inherited file handles, in a console of
// its own without a window; control events through that console.
#include "tests/e2e/support/program.h"
#include "tests/support/sandbox.h"
#include "vandel/win32/windows.h"

#include <string>

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

struct running_program::os_state {
    PROCESS_INFORMATION pi{};
    bool started = false;
    DWORD start_error = 0;  // of the last refused start
    HANDLE input = nullptr;  // the pipe's end to write, when piped
};

std::wstring own_folder() {
    wchar_t buf[32768];
    const DWORD n = GetModuleFileNameW(nullptr, buf, 32768);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

running_program::running_program(const std::wstring& program, const std::vector<std::wstring>& args,
                                 const std::string& input, const std::wstring& io_folder, bool piped)
    : os_(std::make_unique<os_state>()) {
    // Names of their own for each run: a file of the last run may still be held for a moment.
    static int runs = 0;
    const std::wstring run = std::to_wstring(++runs);
    in_path_ = io_folder + L"\\stdin-" + run + L".txt";
    out_path_ = io_folder + L"\\stdout-" + run + L".txt";
    write_bytes(in_path_, input);
    std::wstring command = quote(program);
    for (const auto& a : args) command += L" " + quote(a);

    HANDLE in = INVALID_HANDLE_VALUE;
    if (piped) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        HANDLE read_end = nullptr;
        if (CreatePipe(&read_end, &os_->input, &sa, 0)) {
            SetHandleInformation(os_->input, HANDLE_FLAG_INHERIT, 0);
            in = read_end;
        }
    } else {
        in = inheritable(in_path_, false);
    }
    const HANDLE out = inheritable(out_path_, true);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = out;
    // A heavily loaded Wine has refused a start now and then: a refused start is tried again.
    for (int attempt = 0; attempt < 3 && !os_->started && in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE;
         ++attempt) {
        if (attempt > 0) Sleep(200);
        os_->started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &si, &os_->pi);
        if (!os_->started) os_->start_error = GetLastError();
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (piped) write_input(input);
}

running_program::~running_program() {
    end_input();
    if (os_->started) {
        if (!waited_) {
            TerminateProcess(os_->pi.hProcess, 1);
            WaitForSingleObject(os_->pi.hProcess, INFINITE);
        }
        CloseHandle(os_->pi.hThread);
        CloseHandle(os_->pi.hProcess);
    }
    DeleteFileW(in_path_.c_str());
    DeleteFileW(out_path_.c_str());
}

bool running_program::started() const { return os_->started; }

bool running_program::ended() { return !os_->started || WaitForSingleObject(os_->pi.hProcess, 0) == WAIT_OBJECT_0; }

bool running_program::write_input(const std::string& text) {
    DWORD done = 0;
    return os_->input && WriteFile(os_->input, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
           done == text.size();
}

void running_program::end_input() {
    if (os_->input) CloseHandle(os_->input);
    os_->input = nullptr;
}

bool running_program::interrupt(int code) {
    if (!os_->started || waited_) return false;
    // The event goes to every process of the program's console: this one joins it for the
    // moment and ignores Ctrl-C from then on (a test process interrupts only one program).
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE), out = GetStdHandle(STD_OUTPUT_HANDLE),
                 err = GetStdHandle(STD_ERROR_HANDLE);
    FreeConsole();
    bool sent = false;
    if (AttachConsole(os_->pi.dwProcessId)) {
        SetConsoleCtrlHandler(nullptr, TRUE);
        sent = GenerateConsoleCtrlEvent(static_cast<DWORD>(code), 0) != 0;
        FreeConsole();
    }
    SetStdHandle(STD_INPUT_HANDLE, in);
    SetStdHandle(STD_OUTPUT_HANDLE, out);
    SetStdHandle(STD_ERROR_HANDLE, err);
    return sent;
}

program_result running_program::wait(int timeout_s) {
    program_result result;
    if (!os_->started) result.output = "(not started: error " + std::to_string(os_->start_error) + ")";
    if (!os_->started || waited_) return result;
    if (WaitForSingleObject(os_->pi.hProcess, static_cast<DWORD>(timeout_s) * 1000) != WAIT_OBJECT_0) {
        TerminateProcess(os_->pi.hProcess, 1);
        WaitForSingleObject(os_->pi.hProcess, INFINITE);
    } else {
        DWORD code = 0;
        if (GetExitCodeProcess(os_->pi.hProcess, &code)) result.exit_code = static_cast<int>(code);
    }
    waited_ = true;
    end_input();
    result.output = output();
    return result;
}

}  // namespace oblivar::test
