// Win32 side of the console's text: UTF-16 to a console, UTF-8 to a file or pipe; Ctrl-C,
// Ctrl-Break and closing the console watched through a control handler.
#include "console/console.h"
#include "vandel/convert.h"
#include "vandel/win32/windows.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>

namespace olvex {

namespace {

bool is_console(HANDLE h) {
    DWORD mode = 0;
    return h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

// What the control handler, which the system runs on a thread of its own, shares with the owner.
std::atomic<int> interrupts{0};
std::mutex callback_mutex;
std::function<void()> callback;  // set while watching
HANDLE interrupted_event = nullptr;  // set at the first interrupt: ends a read_line under way
HANDLE finished_event = nullptr;     // set when watching stops: the job and its log are complete

BOOL WINAPI on_control(DWORD type) {
    if (interrupts.fetch_add(1) > 0) TerminateProcess(GetCurrentProcess(), 3);  // the second one: at once
    SetEvent(interrupted_event);
    {
        const std::lock_guard<std::mutex> lock(callback_mutex);
        if (callback) callback();
    }
    // The system ends the process when the handler of a closing console returns: give the
    // aborting job the few seconds the system allows to finish its report.
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(finished_event, 4500);
    return TRUE;
}

bool is_interrupted() { return interrupted_event && WaitForSingleObject(interrupted_event, 0) == WAIT_OBJECT_0; }

// Waits until the pipe has a byte or its writer is gone (true), or an interrupt came (false).
bool wait_for_pipe(HANDLE in) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(in, nullptr, 0, nullptr, &available, nullptr) || available > 0) return true;
        if (interrupted_event && WaitForSingleObject(interrupted_event, 20) == WAIT_OBJECT_0) return false;
        if (!interrupted_event) Sleep(20);
    }
}

class win32_io : public console_io {
public:
    void write(const std::wstring& text, bool flush) override {
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        if (!out || out == INVALID_HANDLE_VALUE) return;
        if (is_console(out)) {
            for (size_t done = 0; done < text.size();) {
                const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 8192));
                DWORD n = 0;
                if (!WriteConsoleW(out, text.data() + done, chunk, &n, nullptr) || n == 0) return;
                done += n;
            }
            return;
        }
        // Every unit has a UTF-8 form, so nothing is cut or replaced on the way to a file.
        const std::string bytes = vandel::to_utf8(text, '?');
        for (size_t done = 0; done < bytes.size();) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
            DWORD n = 0;
            if (!WriteFile(out, bytes.data() + done, chunk, &n, nullptr) || n == 0) return;
            done += n;
        }
        if (flush) FlushFileBuffers(out);
    }

    bool read_line(std::wstring& line) override {
        const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
        if (!in || in == INVALID_HANDLE_VALUE) return false;
        std::wstring got;
        if (is_console(in)) {
            for (;;) {
                wchar_t c = 0;
                DWORD n = 0;
                const bool read = ReadConsoleW(in, &c, 1, &n, nullptr) && n > 0;
                if (is_interrupted()) return false;
                if (!read) {
                    if (got.empty()) return false;
                    break;
                }
                if (c == L'\n') break;
                got += c;
            }
            if (got == L"\x1A" || got == L"\x1A\r") return false;  // Ctrl+Z: the end of input
        } else {
            // A pipe is waited on first, so that an interrupt can end the wait.
            const bool pipe = GetFileType(in) == FILE_TYPE_PIPE;
            std::string bytes;
            for (;;) {
                if (pipe && !wait_for_pipe(in)) return false;
                char c = 0;
                DWORD n = 0;
                if (!ReadFile(in, &c, 1, &n, nullptr) || n == 0) {
                    if (bytes.empty()) return false;
                    break;
                }
                if (c == '\n') break;
                bytes += c;
            }
            got = vandel::from_utf8(bytes);
        }
        if (!got.empty() && got.back() == L'\r') got.pop_back();
        line = got;
        return true;
    }

    void detach() override { FreeConsole(); }

    void wait_for_key() override { std::system("pause"); }

    void watch_interrupts(std::function<void()> on_interrupt) override {
        if (!interrupted_event) interrupted_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!finished_event) finished_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!interrupted_event || !finished_event) return;  // the system's handling stays
        ResetEvent(interrupted_event);
        ResetEvent(finished_event);
        interrupts = 0;
        {
            const std::lock_guard<std::mutex> lock(callback_mutex);
            callback = std::move(on_interrupt);
        }
        watching_ = SetConsoleCtrlHandler(on_control, TRUE) != 0;
    }

    void stop_watching() override {
        if (!watching_) return;
        {
            const std::lock_guard<std::mutex> lock(callback_mutex);
            callback = nullptr;
        }
        SetEvent(finished_event);
        SetConsoleCtrlHandler(on_control, FALSE);
        watching_ = false;
    }

private:
    bool watching_ = false;
};

}  // namespace

console_io& standard_io() {
    static win32_io io;
    return io;
}

}  // namespace olvex
