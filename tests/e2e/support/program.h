#pragma once
// Runs a built program as a user does: its arguments, what is typed at it, what it prints and
// its exit code. Standard input, output and error go through files in a folder of the caller.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace oblivar::test {

struct program_result {
    int exit_code = -1;  // -1 when the program could not be started or ran past the time limit
    std::string output;  // standard output and standard error, as bytes
};

// A program started without waiting for it; killed and waited for when dropped unfinished.
class running_program {
public:
    // Starts program with args; input is what it reads on its standard input (then end of
    // input). io_folder must exist; the files made there are removed again. With piped, it
    // reads a pipe instead: input first, then what write_input sends, until end_input.
    running_program(const std::wstring& program, const std::vector<std::wstring>& args, const std::string& input,
                    const std::wstring& io_folder, bool piped = false);
    ~running_program();
    running_program(const running_program&) = delete;
    running_program& operator=(const running_program&) = delete;

    bool started() const;
    // Returns whether it has ended (without waiting).
    bool ended();
    // Piped input: returns whether text reached the pipe (false once the program is gone).
    bool write_input(const std::string& text);
    void end_input();
    // Returns what it has printed so far.
    std::string output() const;
    // Interrupts it as a user at its console does: POSIX a signal (SIGINT, SIGTERM, SIGHUP);
    // Windows a control event (CTRL_C_EVENT, CTRL_BREAK_EVENT), the program being started in a
    // console and process group of its own. Returns whether it was sent.
    bool interrupt(int code);
    // Waits for its end, killing it after timeout_s seconds.
    program_result wait(int timeout_s = 240);

    struct os_state;

private:
    std::wstring in_path_, out_path_;
    std::unique_ptr<os_state> os_;
    bool waited_ = false;
};

// Runs program with args to its end (see running_program); killed after timeout_s seconds.
program_result run_program(const std::wstring& program, const std::vector<std::wstring>& args,
                           const std::string& input, const std::wstring& io_folder, int timeout_s = 240);

// As run_program, but the program reads a pipe: once its output holds prompt, at_prompt runs,
// then answer is written and the input ends.
program_result run_program_at_prompt(const std::wstring& program, const std::vector<std::wstring>& args,
                                     const std::string& prompt, const std::function<void()>& at_prompt,
                                     const std::string& answer, const std::wstring& io_folder, int timeout_s = 240);

// Returns the folder of this test program, with a trailing separator.
std::wstring own_folder();

}  // namespace oblivar::test
