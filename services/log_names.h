#pragma once
// Names of job log files: "zy-" + user + "-" + UTC time + ".log" in the log folder, and the
// search pattern that finds the program's old log files.
#include <cstdint>
#include <string>

namespace vandel {
class file_stream;
}

namespace olvex {

// Returns the name of a log file: "zy-", the user with its blanks removed and "-" (when there
// is a user), the UTC time as yyyymmddThhmmssZ (with pattern: "*"), ".log".
std::wstring log_file_name(const std::wstring& user, int64_t time, bool pattern);

// Returns the full path of a new log file in folder (its date macros expanded now): with the
// process's user name when with_user. Empty when folder is empty or no existing folder; never an
// existing file ("-1", "-2" ... go before ".log"). With pattern, the search pattern for the log
// files of that user choice instead.
std::wstring make_log_file_name(const std::wstring& folder, bool with_user, bool pattern);

// The line end of log files (a stream's line_ending value): CR LF on Windows, LF elsewhere.
int32_t log_line_ending();
// Opens path as a new log file: created exclusively (never an existing file, never through a
// link), UTF-8 text with the system's line end and, with bom, a byte-order mark. Returns whether
// it opened.
bool create_log_file(const std::wstring& path, bool bom, vandel::file_stream& log);
// Opens a new log file in folder under make_log_file_name's name, or the next free one when
// another took that name meanwhile. Returns whether it opened; name is the last name tried, empty
// when folder is no existing folder.
bool open_new_log_file(const std::wstring& folder, bool with_user, bool bom, vandel::file_stream& log,
                       std::wstring& name);

}  // namespace olvex
