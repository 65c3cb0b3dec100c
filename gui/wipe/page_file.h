#pragma once
// Page-file clearing at shutdown: the machine's "ClearPageFileAtShutdown" value and the one-time
// RunOnce entry that switches clearing off again after the next logon. Administrators only;
// where there is no registry every change fails and the state reads 0.
#include <string>

namespace olvex {

// Modes and states.
constexpr int page_file_clear_off = 0;
constexpr int page_file_clear_next = 1;  // at the next shutdown only
constexpr int page_file_clear_always = 2;

// Returns the state 0, 1 or 2 that the registry holds (0 also on any failure).
int page_file_clearing_state();
// Returns true when the mode was written. The program never creates "ClearPageFileAtShutdown":
// a machine without it fails every mode, and a failure leaves no RunOnce entry behind.
bool set_page_file_clearing(int mode);
// Returns the RunOnce entry's command line for the program at program_path.
std::wstring page_file_run_once_command(const std::wstring& program_path);

}  // namespace olvex
