// Interrupts from the terminal (Windows: the console's control events) during a job: they ask for
// the abort as the GUI's abort button does.
#include "tests/e2e/e2e.h"
#include "tests/support/wine.h"

#ifdef _WIN32
#include "vandel/win32/windows.h"
#else
#include <csignal>
#endif

#include "vandel/files.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace oblivar::test {
namespace {

using interrupt_test = e2e_test;

// Waits until the running program has printed text; false after a minute.
bool wait_for_output(const running_program& run, const std::wstring& text) {
    for (int waited_ms = 0; waited_ms < 60000; waited_ms += 20) {
        if (holds(run.output(), text)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::string without_cr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

TEST_F(interrupt_test, AnInterruptAbortsTheJobTheFileUnderWayKeepsItsNameAndTheLogIsWhole) {
    const struct {
        int code;
        const char* name;
#ifdef _WIN32
    } interrupts[] = {{CTRL_C_EVENT, "Ctrl-C"}, {CTRL_BREAK_EVENT, "Ctrl-Break"}};
#else
    } interrupts[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
#endif
    const std::string big = pattern_bytes(8 << 20, "OBLIVAR-MARKER-");
    for (const auto& i : interrupts) {
        // Wine sends only Ctrl-C to a console's processes.
        if (running_under_wine() && std::string(i.name) != "Ctrl-C") continue;
        make_file(L"t/a.txt", 1000);
        make_file(L"t/b.big", big.size());
        make_file(L"t/c.txt", 1000);
        const std::wstring log = sb.path(L"job.log");
        // The clock runs 300 times faster: the job calibrates within a few of its first steps, and the
        // throttled rest of it is long in the middle of b.big, however fast the disk is.
        running_program run(images_program(),
                            images_arguments({L"--time-scale=300"}, {L"--wipe=file", L"-k", L"--throttle=1",
                                                                     L"--scheme=dod", L"--output=" + log,
                                                                     sb.path(L"t")}),
                            "", io_);
        ASSERT_TRUE(run.started());
        ASSERT_TRUE(wait_for_output(run, L"a.txt ... OK")) << run.output();
        ASSERT_TRUE(run.interrupt(i.code)) << i.name;
        const program_result result = run.wait(120);

        EXPECT_EQ(result.exit_code, 3) << i.name << "\n" << result.output;
        EXPECT_TRUE(holds(result.output, L"ABORTED: The operation was aborted")) << i.name << result.output;
        EXPECT_TRUE(holds(result.output, L"Finish Time: ")) << i.name << result.output;
        EXPECT_FALSE(holds(result.output, L"c.txt ... ")) << i.name << result.output;
        // The file under way is where it was, under its name and at its size; the next untouched.
        EXPECT_EQ(vandel::file_size(sb.path(L"t/b.big")), static_cast<int64_t>(big.size())) << i.name;
        EXPECT_EQ(read_bytes(sb.path(L"t/c.txt")), pattern_bytes(1000, "OBLIVAR-MARKER-")) << i.name;
        // The log holds everything the console showed, its end included.
        EXPECT_EQ(without_cr(read_bytes(log)), result.output) << i.name;

        sb.require_inside(sb.path(L"t"));
        remove_tree(sb.path(L"t"));
        remove_tree(log);
    }
}

}  // namespace
}  // namespace oblivar::test
