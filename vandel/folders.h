#pragma once
// Special folders, environment, computer and user names, and the process-information store that
// each program's entry point fills once with its arguments.
//
// Linux: temporary = $TMPDIR or /tmp; profile = $HOME; per-user application data (roaming) =
// $XDG_CONFIG_HOME or ~/.config; local = $XDG_DATA_HOME or ~/.local/share; all users = the first
// entry of $XDG_CONFIG_DIRS or /etc/xdg.
#include <string>
#include <vector>

namespace vandel {

// Special-folder kinds of known_folder (3 = 2, 5 = 6, 8 = 9).
enum : int {
    folder_current = 0,
    folder_program = 1,
    folder_temp = 2,
    folder_profile = 4,
    folder_app_data = 6,
    folder_local_app_data = 7,
    folder_common_app_data = 9,
};

// Returns true with the existing folder of that kind, ending in a separator; false with out
// empty for a kind outside 0..9, a failed lookup or a folder that does not exist. The current
// folder falls back to the program folder when it can't be read.
bool known_folder(int kind, std::wstring& out);
// The same in the system's 8-bit form (narrow_path); the result is that of the wide lookup.
bool known_folder(int kind, std::string& out);

// Returns the variable's value; empty when unset or empty.
std::wstring environment_variable(const std::wstring& name);

// Return the computer's and the effective user's names; empty on failure.
std::wstring computer_name();
std::wstring user_name();

// Fill the store once (later calls change nothing). The 8-bit form decodes the arguments from
// the system's 8-bit form (on POSIX losslessly, so a path argument reaches the system byte for
// byte); negative argc, or positive argc with null argv, stores no arguments and no module path.
// The UTF-16 form stores arguments and module path only for positive argc and non-null argv.
void capture_process_args(int argc, char** argv);
void capture_process_args(int argc, wchar_t** argv);
// Records the program's folder once; also done by capture_process_args.
void capture_program_directory();

// Returns false before capture; otherwise true with the captured arguments (argument 0 first).
bool command_line_args(std::vector<std::wstring>& out);
// Returns false before capture or when the module path was not stored.
bool module_path(std::wstring& out);
// Returns false before capture_program_directory; otherwise true with the folder (ending in a
// separator; empty when it could not be found).
bool program_directory(std::wstring& out);
// Returns whether the program's own file path was read, in the 8-bit and the UTF-16 form.
bool module_file_names(std::string& narrow, std::wstring& wide);

namespace detail {
// The folder of a kind other than 1 as the system gives it (not checked); false on failure.
bool system_folder(int kind, std::wstring& out);
// One argument of the 8-bit vector as UTF-16.
std::wstring decode_argument(const char* arg);
}  // namespace detail

}  // namespace vandel
