#include "tests/e2e/support/program.h"
#include "tests/support/sandbox.h"

#include <chrono>
#include <thread>

namespace oblivar::test {

std::string running_program::output() const { return read_bytes(out_path_); }

program_result run_program(const std::wstring& program, const std::vector<std::wstring>& args,
                           const std::string& input, const std::wstring& io_folder, int timeout_s) {
    running_program run(program, args, input, io_folder);
    return run.wait(timeout_s);
}

program_result run_program_at_prompt(const std::wstring& program, const std::vector<std::wstring>& args,
                                     const std::string& prompt, const std::function<void()>& at_prompt,
                                     const std::string& answer, const std::wstring& io_folder, int timeout_s) {
    running_program run(program, args, "", io_folder, true);
    for (int waited_ms = 0; run.started() && waited_ms < timeout_s * 1000 && !run.ended(); waited_ms += 20) {
        if (run.output().find(prompt) != std::string::npos) {
            at_prompt();
            run.write_input(answer);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.end_input();
    return run.wait(timeout_s);
}

}  // namespace oblivar::test
