#pragma once
// Runs a built program as a user does: its arguments, what is typed at it, what it prints and
// its exit code. Standard input, output and error go through files in a folder of the caller.
#include <functional>
#include <string>
#include <vector>

namespace oblivar::test {

struct program_result {
    int exit_code = -1;  // -1 when the program could not be started or ran past the time limit
    std::string output;  // standard output and standard error, as bytes
};

// Runs program with args; input is what it reads on its standard input (then end of input).
// io_folder must exist; the files made there are removed again. The program is killed after
// timeout_s seconds.
program_result run_program(const std::wstring& program, const std::vector<std::wstring>& args,
                           const std::string& input, const std::wstring& io_folder, int timeout_s = 240);

#ifndef _WIN32
// As run_program, but the program reads a pipe: once its output holds prompt, at_prompt runs,
// then answer is written and the input ends.
program_result run_program_at_prompt(const std::wstring& program, const std::vector<std::wstring>& args,
                                     const std::string& prompt, const std::function<void()>& at_prompt,
                                     const std::string& answer, const std::wstring& io_folder, int timeout_s = 240);
#endif

// Returns the folder of this test program, with a trailing separator.
std::wstring own_folder();

}  // namespace oblivar::test
