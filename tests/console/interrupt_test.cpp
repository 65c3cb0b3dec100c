// The console's interrupt watch on the real process: a test program run as a child takes the
// interrupts a user gives (POSIX signals, Windows Ctrl-C) while it waits at a prompt.
#include "console/console.h"
#include "tests/e2e/support/program.h"
#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#ifdef _WIN32
#include "vandel/win32/windows.h"
#else
#include <csignal>
#include <unistd.h>
#endif

namespace {

using namespace oblivar::test;

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Standard input becomes a pipe that nobody writes to: a read ends only through an interrupt.
void block_standard_input() {
#ifdef _WIN32
    HANDLE read_end = nullptr, write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
    SetStdHandle(STD_INPUT_HANDLE, read_end);
#else
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(dup2(fds[0], 0), 0);
#endif
}

TEST(ConsoleInterruptChild, WaitsAtAPromptForTwoInterrupts) {
    if (!is_child_test()) GTEST_SKIP() << "runs as a child of ConsoleInterrupt";
    block_standard_input();
    olvex::console_io& io = olvex::standard_io();
    std::atomic<int> calls{0};
    io.watch_interrupts([&] { ++calls; });
    io.write(L"watching\n", true);
    std::wstring line;
    const bool read = io.read_line(line);
    for (int i = 0; i < 1000 && calls == 0; ++i) pause_ms(10);
    io.write(std::wstring(read ? L"read a line" : L"the prompt gave up") + L", calls " + std::to_wstring(calls) + L"\n",
             true);
    // A job that is slow to end: only the second interrupt can end the process now.
    pause_ms(60000);
    io.write(L"still running\n", true);
    std::exit(1);
}

bool wait_for(const running_program& run, const std::string& text) {
    for (int i = 0; i < 3000; ++i) {
        if (run.output().find(text) != std::string::npos) return true;
        pause_ms(20);
    }
    return false;
}

TEST(ConsoleInterrupt, TheFirstInterruptEndsThePromptAndAbortsTheSecondEndsAtOnce) {
#ifdef _WIN32
    const int code = CTRL_C_EVENT;
#else
    const int code = SIGINT;
#endif
    sandbox sb;
    make_dirs(sb.path(L"io"));
    scoped_env child("OBLIVAR_TEST_CHILD", std::wstring(L"1"));
    running_program run(own_program_path(), {L"--gtest_filter=ConsoleInterruptChild.WaitsAtAPromptForTwoInterrupts"},
                        "", sb.path(L"io"));
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(wait_for(run, "watching\n")) << run.output();
    ASSERT_TRUE(run.interrupt(code));
    ASSERT_TRUE(wait_for(run, "the prompt gave up, calls 1\n")) << run.output();
    ASSERT_TRUE(run.interrupt(code));
    const program_result result = run.wait(60);
    EXPECT_EQ(result.exit_code, 3) << result.output;
    EXPECT_EQ(result.output.find("still running"), std::string::npos) << result.output;
}

}  // namespace
