#pragma once
// What a command line asks of zygui, decoded without any window: headless command words, the
// request's flags and values, the first window, and the word of a restart through the elevation
// helper. Plain functions so that tests need no Qt.
#include <cstdint>
#include <string>
#include <vector>

namespace olvex {

// The window that start-up shows first.
enum class first_window_kind { main, page_file, options, about };

// Returns whether word is one of the six headless command words (compared as whole words).
bool is_headless_command(uint32_t word);

// Returns the arguments after the program that the internal command line's parser leaves alone:
// neither an option name ("-cmd", "-hndl", "-point", "-data", "-tfn", "-raw") nor its value.
std::vector<std::wstring> plain_arguments(const std::vector<std::wstring>& args);
// Returns the arguments that name an existing file or folder as a path list (NUL between
// entries); empty when none does.
std::wstring existing_path_list(const std::vector<std::wstring>& arguments);

struct start_request {
    uint32_t command = 0;  // after plain paths made it a files request
    std::wstring paths;    // NUL-separated path list
    first_window_kind first_window = first_window_kind::main;
    bool dialog_mode = false;  // one window, centred under the cursor
    bool relaunched = false;   // started through the elevation helper for another instance
    bool verify_on = false;
    bool verify_off = false;
    int start_job_kind = 0;     // 1-5, 0 none
    int32_t scheme_field = 0;   // bits 24-27: 0 none, else the scheme number + 1
    int32_t start_speed = -1;   // percentage from bits 20-23 (0 when they are 0)
};

// Decodes a command word that is not headless. paths is the request's path list; when word is 0
// and paths is empty, plain_paths (existing_path_list) make it a request from Explorer to wipe
// them (0x101). Dialog mode needs bit 8 on a copy that is not portable, or a window asked for
// alone; the flags and values are decoded whatever bit 8 says.
start_request decode_request(uint32_t word, const std::wstring& paths, const std::wstring& plain_paths, bool portable);

// The dialog mode that a window shown alone sees while it is built: bit 8 on an installed copy.
bool dialog_mode_of_word(uint32_t word, bool portable);

// Returns true with the scheme number 0-9 when the request carried one.
bool scheme_of_field(int32_t field, uint32_t& scheme);

// Returns the command word of a restart through the elevation helper: action, 0x800, 0x100 in
// dialog mode, verification on or off from bits 28-31 of scheme_word, its scheme (below 10)
// as number + 1 in bits 24-27, speed (1-100) as fifteenths in bits 20-23.
uint32_t relaunch_word(uint32_t action, uint32_t scheme_word, int speed, bool dialog_mode);

}  // namespace olvex
