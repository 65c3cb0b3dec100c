// Win32 side of the console's text: UTF-16 to a console, UTF-8 to a file or pipe.
#include "console/console.h"
#include "vandel/convert.h"
#include "vandel/win32/windows.h"

#include <algorithm>
#include <cstdlib>

namespace olvex {

namespace {

bool is_console(HANDLE h) {
    DWORD mode = 0;
    return h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
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
                if (!ReadConsoleW(in, &c, 1, &n, nullptr) || n == 0) {
                    if (got.empty()) return false;
                    break;
                }
                if (c == L'\n') break;
                got += c;
            }
            if (got == L"\x1A" || got == L"\x1A\r") return false;  // Ctrl+Z: the end of input
        } else {
            std::string bytes;
            for (;;) {
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
};

}  // namespace

console_io& standard_io() {
    static win32_io io;
    return io;
}

int32_t log_line_ending() {
    return 3;  // CR LF
}

}  // namespace olvex
