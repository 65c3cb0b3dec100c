// The console object with scripted input and recorded output.
#include "console/console.h"
#include "tests/support/manual_clock.h"
#include "tests/support/sandbox.h"
#include "vandel/file_stream.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

class scripted_io : public olvex::console_io {
public:
    explicit scripted_io(std::vector<std::wstring> lines) : lines_(std::move(lines)) {}
    void write(const std::wstring& text, bool flush) override {
        written += text;
        if (flush) ++flushes;
    }
    bool read_line(std::wstring& line) override {
        if (interrupt_at_prompt && on_interrupt) {
            on_interrupt();  // as the system's handler would, then the read gives up
            return false;
        }
        if (next_ >= lines_.size()) return false;
        line = lines_[next_++];
        return true;
    }
    void detach() override { detached = true; }
    void wait_for_key() override {}
    void watch_interrupts(std::function<void()> f) override { on_interrupt = std::move(f); }
    void stop_watching() override { on_interrupt = nullptr; }

    std::function<void()> on_interrupt;
    bool interrupt_at_prompt = false;
    std::wstring written;
    int flushes = 0;
    bool detached = false;

private:
    std::vector<std::wstring> lines_;
    size_t next_ = 0;
};

TEST(Console, ThePromptAsksUntilYesOrNoAndTakesTheEndOfInputAsNo) {
    struct row {
        std::vector<std::wstring> answers;
        bool yes;
        int prompts;
    } rows[] = {
        {{L"y"}, true, 1},         {{L"YES"}, true, 1},       {{L"Yes"}, true, 1},
        {{L"n"}, false, 1},        {{L"No"}, false, 1},       {{L"yEs", L"", L"x", L"N"}, false, 4},
        {{L"maybe", L"y"}, true, 2}, {{}, false, 1},          {{L"later"}, false, 2},
        {{L" y "}, true, 1},       {{L"\tNo  "}, false, 1},  {{L"y es", L"n"}, false, 2},
    };
    for (const auto& r : rows) {
        scripted_io io(r.answers);
        olvex::console c(io);
        EXPECT_EQ(c.confirm_start(L"Start now? [y/n]: "), r.yes) << r.answers.size();
        EXPECT_EQ(io.flushes, r.prompts);
    }
}

TEST(Console, AnInterruptAtThePromptAbortsTheJobAndIsWatchedOnlyWhileItRuns) {
    oblivar::test::sandbox sb;
    const std::wstring file = sb.path(L"keep.txt");
    oblivar::test::write_bytes(file, "secret");
    scripted_io io({L"y"});
    io.interrupt_at_prompt = true;
    olvex::console c(io);
    olvex::job_options options;
    options.job_type = olvex::job_files;
    EXPECT_EQ(c.run_job({file}, options, false), 3);
    EXPECT_NE(io.written.find(L"ABORTED"), std::wstring::npos);
    EXPECT_EQ(oblivar::test::read_bytes(file), "secret");
    EXPECT_FALSE(io.on_interrupt);
}

TEST(Console, SilentOnlyWhenNobodyMustAnswer) {
    struct row {
        std::vector<std::wstring> args;
        bool silent;
    } rows[] = {
        {{L"-S", L"--vol-list"}, true},
        {{L"-S", L"--wipe=file", L"-k", L"x"}, true},
        {{L"-S", L"--wipe=file", L"x"}, false},
        {{L"-S", L"-k", L"-x", L"--wipe=file", L"x"}, false},
        {{L"--vol-list"}, false},
        {{L"-S", L"--bogus"}, false},
    };
    for (const auto& r : rows) {
        scripted_io io({});
        olvex::console c(io);
        olvex::argv_user p;
        p.join_arguments(r.args, 0);
        c.apply_silent(p);
        EXPECT_EQ(c.silent, r.silent) << r.args.size();
        EXPECT_EQ(io.detached, r.silent);
        EXPECT_EQ(io.written.find(L"\nIgnoring \""), r.silent || r.args.size() < 3 ? std::wstring::npos : 0u);
    }
}

// A clock that counts the sleeps of the test's own thread, which runs the console.
class console_sleep_clock : public oblivar::test::manual_clock {
public:
    void sleep_ms(int32_t ms) override {
        if (std::this_thread::get_id() == console_thread_) ++console_sleeps;
        manual_clock::sleep_ms(ms);
    }
    int console_sleeps = 0;

private:
    std::thread::id console_thread_ = std::this_thread::get_id();
};

// The console waits on the job, not on the clock: a job ends the console's wait at once, with
// its whole log printed, asked first or not.
TEST(Console, TheJobsEndEndsTheWait) {
    for (bool skip_confirm : {true, false}) {
        oblivar::test::sandbox sb;
        const std::wstring file = sb.path(L"a.txt");
        oblivar::test::write_bytes(file, "secret");
        sb.require_inside(file);
        console_sleep_clock clock;
        scripted_io io({L"y"});
        olvex::console c(io);
        olvex::job_options o;
        o.job_type = olvex::job_files;
        o.scheme = 0;
        o.log_user = 0;
        EXPECT_EQ(c.run_job({file}, o, skip_confirm), 0);
        EXPECT_EQ(clock.console_sleeps, 0);
        EXPECT_FALSE(oblivar::test::path_exists(file));
        EXPECT_NE(io.written.find(L"FINISHED: All Done OK"), std::wstring::npos) << skip_confirm;
        EXPECT_EQ(io.written.find(L"Start now?") == std::wstring::npos, skip_confirm);
    }
}

}  // namespace
