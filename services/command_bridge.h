#pragma once
// The internal command line: how the programs hand a request to each other. A request is a
// command word and a payload; the bridge turns it into a parameter string, starts a program of
// the system's folder with it, and turns a process's arguments back into a request. A path list
// longer than 512 UTF-16 units travels in a temporary file that the sender creates exclusively
// and the receiver reads and deletes; a receiver reads and deletes only files of that form in the
// user's temporary folder.
#include <cstdint>
#include <string>
#include <vector>

namespace olvex {

// Command word fields.
constexpr uint32_t ACTION_MASK = 0xFF;
constexpr uint32_t ACTION_WIPE_FILES = 1;
constexpr uint32_t ACTION_WIPE_VOLUMES = 2;
constexpr uint32_t ACTION_WIPE_DEVICES = 3;
constexpr uint32_t ACTION_WIPE_FREE_SPACE = 4;
constexpr uint32_t ACTION_WIPE_RECYCLE_BIN = 5;
constexpr uint32_t ACTION_PAGE_FILE = 16;
constexpr uint32_t ACTION_OPTIONS = 17;
constexpr uint32_t ACTION_ABOUT = 19;
constexpr uint32_t CMD_DIALOG_MODE = 0x100;
constexpr uint32_t CMD_VERIFY_ON = 0x200;
constexpr uint32_t CMD_VERIFY_OFF = 0x400;
constexpr uint32_t CMD_VIA_HELPER = 0x800;
constexpr uint32_t CMD_SPEED_SHIFT = 20;
constexpr uint32_t CMD_SPEED_MASK = 0xF00000;
constexpr uint32_t CMD_SCHEME_SHIFT = 24;
constexpr uint32_t CMD_SCHEME_MASK = 0xF000000;
// Headless commands: whole words.
constexpr uint32_t CMD_INSTALL_SHELL_EXTENSION = 0x10000000;
constexpr uint32_t CMD_UNINSTALL = 0x20000000;
constexpr uint32_t CMD_UNINSTALL_SHELL_EXTENSION = 0x30000000;
constexpr uint32_t CMD_PAGE_FILE_CLEAR_OFF = 0x40000000;
constexpr uint32_t CMD_PAGE_FILE_CLEAR_NEXT = 0x50000000;
constexpr uint32_t CMD_PAGE_FILE_CLEAR_ALWAYS = 0x60000000;

// Launch modes.
constexpr int launch_open = 0;
constexpr int launch_runas = 1;
constexpr int launch_open_wait = 2;
constexpr int launch_runas_wait = 3;

// Path lists up to this many UTF-16 units travel on the command line.
constexpr size_t max_inline_data = 512;
// The largest path-list file a receiver reads, in bytes.
constexpr uint32_t max_temp_file_bytes = 0xA00000;

struct command_payload {
    std::wstring data;  // a path list (each path followed by NUL) or other text
    std::wstring raw;   // free text
    int32_t x = 0;
    int32_t y = 0;
    bool has_point = false;
    uint64_t window = 0;  // the requesting window; 0 for none
};

// Returns the user's temporary folder with a trailing separator; empty when it is unknown.
std::wstring temp_folder();

class command_bridge {
public:
    // temp_extension: ".tmp" or ".olvex", the extension of the files this bridge writes.
    explicit command_bridge(std::wstring temp_extension);

    uint32_t command = 0;
    std::wstring temp_extension;
    // Set by parse when the "-tfn" option it took last named a file that gave no whole list.
    bool tfn_refused = false;

    command_payload& payload() { return payload_; }
    const command_payload& payload() const { return payload_; }

    // Fills command and payload from a process's arguments (program first) and returns the
    // command word, 0 when none. Never throws for bad values: they leave their field empty.
    uint32_t parse(const std::vector<std::wstring>& args);

    // Returns the parameter string; a path list over 512 units goes into a new temporary file.
    std::wstring build_arguments(uint32_t word, const command_payload& payload);
    // Returns the quoted program path, and a blank and the parameter string when there is one:
    // a command line the system can run as it stands.
    std::wstring command_line(const std::wstring& program_path, uint32_t word, const command_payload& payload);

    // Starts get_program_directory() + file_name with build_arguments(word, payload). Returns -1
    // when it could not be started (also a refused elevation, and "runas" on POSIX); 0 when
    // started without waiting; with waiting the child's exit code, -1 when it can't be read. A
    // temporary file written for a program that could not be started is deleted again.
    int launch(const std::wstring& file_name, uint32_t word, int mode, const command_payload& payload);

    // Returns the folder of the programs that launch starts (the running program's folder unless
    // set), with a trailing separator.
    const std::wstring& get_program_directory();
    // Sets that folder, adding a trailing separator when it ends in none.
    void set_program_directory(const std::wstring& folder);

    // Returns a temporary file name not drawn before in this process: the temporary folder,
    // "tfn_", eight lower-case hex digits and temp_extension. Empty when the folder is unknown.
    std::wstring temp_file_name();

    // Returns "-data" with the Base64 of the data (up to 512 units), "-tfn" with the name of a
    // new temporary file holding it (more), or empty (no data, or no file could be written).
    std::wstring data_argument(const command_payload& payload);

    // Returns the UTF-16 text of a "-data" value; empty for a value that does not decode.
    static std::wstring decode_data(const std::wstring& value);
    // Returns the path list of one of our temporary files and deletes the file. A file of another
    // name or folder, a link or anything but a regular file gives empty text and is left alone; a
    // file that is not a whole list (announced byte count, even, NUL at the end) or is larger than
    // max_temp_file_bytes gives empty text and is deleted.
    static std::wstring read_temp_file(const std::wstring& path);
    // Returns true with x and y from a "-point" value; false (x, y untouched) when it doesn't decode.
    static bool decode_point(const std::wstring& value, int32_t& x, int32_t& y);
    // Returns the 12-character Base64 of x and y as little-endian int32.
    static std::wstring encode_point(int32_t x, int32_t y);

    // "%" becomes "%25" and a blank "%20"; unescape_value reverses exactly that.
    static std::wstring escape_value(const std::wstring& value);
    static std::wstring unescape_value(const std::wstring& value);
    // Returns whether path names one of our temporary files: the temporary folder, "tfn_", eight
    // lower-case hex digits, ".tmp" or ".olvex".
    static bool is_temp_file_name(const std::wstring& path);

private:
    command_payload payload_;
    std::wstring program_directory_;
    std::wstring written_file_;  // the temporary file of the last data_argument, if any
};

// The seam through which command_bridge::launch starts programs; tests replace it.
class launch_provider {
public:
    virtual ~launch_provider() = default;
    // As command_bridge::launch, with the full program path and the parameter string; started
    // tells whether the program was started at all (a waiting launch may give -1 either way).
    virtual int launch(const std::wstring& program, const std::wstring& parameters, int mode, uint64_t window,
                       bool& started) = 0;
};

// Installs p for the process; nullptr restores the system. Returns the previous provider.
launch_provider* set_launch_provider(launch_provider* p);

namespace detail {
// The system side, one body per OS.
int system_launch(const std::wstring& program, const std::wstring& parameters, int mode, uint64_t window,
                  bool& started);
}  // namespace detail

}  // namespace olvex
