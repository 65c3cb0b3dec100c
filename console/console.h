#pragma once
// The console program's object: reads the command line, carries out one command (a listing,
// the version or help text, or one erasure job through the engine), prints what happens and
// writes it to the log file, and gives the exit code: 0 done, 1 failed, 2 input error, 3 the
// user aborted.
#include "console/options.h"
#include "engine/job.h"
#include "vandel/file_stream.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace olvex {

class engine;
class settings;

// Where the console's text goes and where its answers come from.
class console_io {
public:
    virtual ~console_io() = default;
    // Writes text as it stands (line feeds included); flush when it must be seen at once.
    virtual void write(const std::wstring& text, bool flush) = 0;
    // Returns false at the end of input; else true with one line without its line end.
    virtual bool read_line(std::wstring& line) = 0;
    // Lets go of the console window (Windows); nothing elsewhere.
    virtual void detach() = 0;
    // Waits for a key press (Windows); nothing elsewhere.
    virtual void wait_for_key() = 0;
    // From now until stop_watching: the first interrupt (POSIX: SIGINT, SIGTERM, SIGHUP;
    // Windows: Ctrl-C, Ctrl-Break, closing the console) calls on_interrupt on a thread of its
    // own and makes read_line report the end of input; a second one ends the process at once
    // with exit code 3.
    virtual void watch_interrupts(std::function<void()> on_interrupt) = 0;
    // Stops watching once an on_interrupt under way has returned; the system's handling is back.
    virtual void stop_watching() = 0;
};

// The process's standard output and input. On Windows text goes to a console as UTF-16 and to
// a file or pipe as UTF-8; elsewhere as the system's bytes (UTF-8, file names byte for byte).
console_io& standard_io();

class console {
public:
    // The process's one console, on the standard output and input.
    static console& instance();

    explicit console(console_io& io);
    console(const console&) = delete;
    console& operator=(const console&) = delete;
    virtual ~console();

    // Runs the process's command line; returns the exit code.
    int run();
    // Runs a command line whose first argument is the program; returns the exit code.
    int run(const std::vector<std::wstring>& arguments);
    // Checks the parsed command line and carries out its command; returns the exit code.
    int dispatch(argv_user& parser);
    // Runs one job over the paths to its end; returns 0 done, 1 failed or partly done, 2 refused
    // at set-up, 3 aborted by the user.
    int run_job(const std::vector<std::wstring>& paths, job_options options, bool skip_confirm);
    // Prints the job's log every 500 ms until it waits for the user's start or has ended.
    void print_until_analysed(engine& e);
    // Asks until the answer is yes or no; returns true for yes, false for no or end of input.
    bool confirm_start(const std::wstring& prompt);
    void list_devices();
    void list_volumes();
    // Silences the console when --silent asks for it and nothing needs the user.
    void apply_silent(argv_user& parser);
    // Writes text to the console unless silent, and as one line to the log file when open.
    void print(const std::wstring& text, bool flush = false);
    // Returns false at the end of input.
    bool read_line(std::wstring& line);

    bool portable = false;
    bool silent = false;

private:
    enum class log_outcome { none, open, exists, failed };
    // Opens the job's log as a new file: none (no log, or only a warning), open, exists (the
    // file --output names is there: error gets the input error) or failed (the log --output
    // asks for can't be created).
    log_outcome open_log(argv_user& parser, std::wstring& error);
    void print_version();
    void print_help(argv_user& parser);

    console_io& io_;
    std::unique_ptr<settings> settings_;
    vandel::file_stream log_;
    std::wstring log_name_;
};

}  // namespace olvex
