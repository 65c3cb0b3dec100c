#include "gui/shell/start_request.h"

#include "services/command_bridge.h"
#include "vandel/files.h"

#include <algorithm>

namespace olvex {

bool is_headless_command(uint32_t word) {
    switch (word) {
    case CMD_INSTALL_SHELL_EXTENSION:
    case CMD_UNINSTALL:
    case CMD_UNINSTALL_SHELL_EXTENSION:
    case CMD_PAGE_FILE_CLEAR_OFF:
    case CMD_PAGE_FILE_CLEAR_NEXT:
    case CMD_PAGE_FILE_CLEAR_ALWAYS:
        return true;
    default:
        return false;
    }
}

std::vector<std::wstring> plain_arguments(const std::vector<std::wstring>& args) {
    static const wchar_t* const options[] = {L"-cmd", L"-hndl", L"-point", L"-data", L"-tfn", L"-raw"};
    std::vector<std::wstring> out;
    for (size_t i = 1; i < args.size(); ++i) {
        if (std::find(std::begin(options), std::end(options), args[i]) != std::end(options)) {
            ++i;  // its value
            continue;
        }
        out.push_back(args[i]);
    }
    return out;
}

std::wstring existing_path_list(const std::vector<std::wstring>& arguments) {
    std::wstring list;
    for (const std::wstring& a : arguments) {
        if (a.empty() || vandel::path_kind(a) == vandel::kind_missing) continue;
        if (!list.empty()) list += L'\0';
        list += a;
    }
    return list;
}

bool dialog_mode_of_word(uint32_t word, bool portable) { return (word & CMD_DIALOG_MODE) != 0 && !portable; }

start_request decode_request(uint32_t word, const std::wstring& paths, const std::wstring& plain_paths, bool portable) {
    start_request r;
    r.paths = paths;
    if (word == 0 && r.paths.empty() && !plain_paths.empty()) {
        r.paths = plain_paths;
        word = ACTION_WIPE_FILES | CMD_DIALOG_MODE;
    }
    r.command = word;
    r.dialog_mode = dialog_mode_of_word(word, portable);
    r.relaunched = (word & CMD_VIA_HELPER) != 0;
    r.verify_on = (word & CMD_VERIFY_ON) != 0;
    r.verify_off = (word & CMD_VERIFY_OFF) != 0;
    r.scheme_field = static_cast<int32_t>((word & CMD_SCHEME_MASK) >> CMD_SCHEME_SHIFT);
    const int32_t v = static_cast<int32_t>((word & CMD_SPEED_MASK) >> CMD_SPEED_SHIFT);
    r.start_speed = std::min(100, v * 100 / 15);
    const uint32_t action = word & ACTION_MASK;
    switch (action) {
    case ACTION_PAGE_FILE:
        r.first_window = first_window_kind::page_file;
        r.dialog_mode = true;
        break;
    case ACTION_OPTIONS:
        r.first_window = first_window_kind::options;
        r.dialog_mode = true;
        break;
    case ACTION_ABOUT:
        r.first_window = first_window_kind::about;
        r.dialog_mode = true;
        break;
    case ACTION_WIPE_FILES:
    case ACTION_WIPE_VOLUMES:
    case ACTION_WIPE_DEVICES:
    case ACTION_WIPE_FREE_SPACE:
    case ACTION_WIPE_RECYCLE_BIN:
        r.start_job_kind = static_cast<int>(action);
        break;
    default:
        r.dialog_mode = false;
        break;
    }
    return r;
}

bool scheme_of_field(int32_t field, uint32_t& scheme) {
    if (field < 1 || field > 10) return false;
    scheme = static_cast<uint32_t>(field - 1);
    return true;
}

uint32_t relaunch_word(uint32_t action, uint32_t scheme_word, int speed, bool dialog_mode) {
    uint32_t word = action | CMD_VIA_HELPER;
    if (dialog_mode) word |= CMD_DIALOG_MODE;
    word |= (scheme_word & 0xF0000000u) != 0 ? CMD_VERIFY_ON : CMD_VERIFY_OFF;
    // Scheme 0 is a scheme too: the field carries the number + 1, so 0 stays "none".
    const uint32_t scheme = scheme_word & 0xFF;
    if (scheme < 10) word |= (scheme + 1) << CMD_SCHEME_SHIFT;
    if (speed >= 1 && speed <= 100) word |= static_cast<uint32_t>(speed * 15 / 100) << CMD_SPEED_SHIFT;
    return word;
}

}  // namespace olvex
