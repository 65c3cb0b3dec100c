#pragma once
// Names of job log files: "zy-" + user + "-" + UTC time + ".log" in the log folder, and the
// search pattern that finds the program's old log files.
#include <cstdint>
#include <string>

namespace olvex {

// Returns the name of a log file: "zy-", the user with its blanks removed and "-" (when there
// is a user), the UTC time as yyyymmddThhmmssZ (with pattern: "*"), ".log".
std::wstring log_file_name(const std::wstring& user, int64_t time, bool pattern);

// Returns the full path of a new log file in folder (its date macros expanded now): with the
// process's user name when with_user. Empty when folder is empty or no existing folder; never an
// existing file ("-1", "-2" ... go before ".log"). With pattern, the search pattern for the log
// files of that user choice instead.
std::wstring make_log_file_name(const std::wstring& folder, bool with_user, bool pattern);

}  // namespace olvex
