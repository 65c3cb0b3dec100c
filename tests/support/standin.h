#pragma once
// The stand-in zygui: a test program that the launchers start in place of the real GUI. It keeps
// its orders and its records in files beside itself, so it works however it is started (by the
// shell, elevated, from a DLL inside another process) and whatever its arguments are:
//   zygui.exit         exit codes, blank-separated: run N ends with the N-th (the last repeats; 0
//                      when the file is missing or holds no number)
//   zygui-run-N.txt    what run N (1, 2, ...) was given; appears whole once written
// Each run parses its arguments with the real receiver (command_bridge::parse), so a "-tfn" file
// is read and deleted as the real zygui does.
#include <cstdint>
#include <string>
#include <vector>

namespace oblivar::test {

struct standin_run {
    std::wstring command_line;       // as the system handed it (Windows); the arguments joined (POSIX)
    std::vector<std::wstring> args;  // the arguments after the program
    uint32_t command = 0;            // the parsed request
    uint64_t window = 0;
    bool has_point = false;
    int32_t x = 0;
    int32_t y = 0;
    std::wstring raw;
    std::wstring data;         // the path list or text, from "-data" or from the "-tfn" file
    std::wstring tfn;          // the "-tfn" file name (unescaped), empty without one
    bool tfn_existed = false;  // that file existed when the run started
    int exit_code = 0;
};

// The stand-in as built, beside the test programs ("standin/zygui" + the executable suffix).
std::wstring standin_program();
// Copies the stand-in into folder as zygui(.exe) and writes its exit codes there.
void install_standin(const std::wstring& folder, const std::vector<int>& exit_codes = {0});
// Returns the runs recorded in folder, in run order.
std::vector<standin_run> standin_runs(const std::wstring& folder);
// Waits until at least count runs were recorded in folder (for launches that don't wait), at
// most a minute; returns the runs recorded by then.
std::vector<standin_run> wait_for_standin_runs(const std::wstring& folder, size_t count);

// The record codec (shared by the stand-in and the reader): ASCII text, every unit outside
// printable ASCII and "\" as \uXXXX. decode_record_text gives back exactly what was encoded.
std::string encode_record_text(const std::wstring& text);
std::wstring decode_record_text(const std::string& text);

// For the stand-in itself: the process's command line as the system handed it over.
std::wstring process_command_line();

namespace detail {
// Copies an executable file, keeping it executable; false when the target exists or on error.
bool copy_program(const std::wstring& from, const std::wstring& to);
}  // namespace detail

}  // namespace oblivar::test
