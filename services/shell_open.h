#pragma once
// Handing places and programs to the desktop: web pages, files and folders, mail addresses, and
// programs started through the shell (Windows: ShellExecuteExW "open"; POSIX: the program
// itself, or xdg-open for an address).
#include <string>

namespace olvex {

constexpr int location_web = 1;   // an address with "://", or an existing file or folder
constexpr int location_mail = 2;  // a mail address, with or without "mailto:"

// Returns whether the location was handed on: kind 1 opens an address as it stands, or an
// existing file or folder (the trimmed text) as "file://" + that text; kind 2 opens a "mailto:"
// address as it stands, refuses another scheme and prefixes a bare address with "mailto:"; any
// other kind starts the text as a program. Blank text, or a kind-1 text that is neither, is false.
bool open_location(int kind, const std::wstring& text);
// The same with 8-bit text, widened first.
bool open_location(int kind, const std::string& text);

// Starts program (a program or a document) with parameters, through the shell. Returns -1 when
// program is empty or it could not be started; 0 when started without waiting; with waiting its
// exit code after an unlimited wait.
int shell_execute(const std::wstring& program, const std::wstring& parameters, bool wait);

// The seam through which shell_execute starts things; tests replace it so nothing opens.
class shell_provider {
public:
    virtual ~shell_provider() = default;
    // As shell_execute, program never empty.
    virtual int execute(const std::wstring& program, const std::wstring& parameters, bool wait) = 0;
};

// Installs p for the process; nullptr restores the system. Returns the previous provider.
shell_provider* set_shell_provider(shell_provider* p);

namespace detail {
// The system side, one body per OS.
int system_shell_execute(const std::wstring& program, const std::wstring& parameters, bool wait);
}  // namespace detail

}  // namespace olvex
