#include "gui/wipe/page_file.h"

#include "services/command_bridge.h"
#include "vandel/folders.h"
#include "vandel/registry_key.h"

#include <exception>

namespace olvex {

namespace {

const wchar_t* const memory_key = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
const wchar_t* const clear_value = L"ClearPageFileAtShutdown";
const wchar_t* const run_once_key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t* const run_once_value = L"Tarnhollow_Olvex";

bool holds_dword(const vandel::registry_key& key, const wchar_t* name) {
    return key.value_exists(name) && key.value_type(name) == vandel::registry_dword_kind;
}

}  // namespace

int page_file_clearing_state() {
    try {
        vandel::registry_key memory;
        if (!memory.open(vandel::registry_local_machine, memory_key, 1) || !holds_dword(memory, clear_value) ||
            memory.read_dword(clear_value) != 1)
            return page_file_clear_off;
        vandel::registry_key run_once;
        if (run_once.open(vandel::registry_local_machine, run_once_key, 1) && run_once.value_exists(run_once_value))
            return page_file_clear_next;
        return page_file_clear_always;
    } catch (const std::exception&) {
        return page_file_clear_off;
    }
}

std::wstring page_file_run_once_command(const std::wstring& program_path) {
    command_bridge bridge(L".tmp");
    return bridge.command_line(program_path, CMD_PAGE_FILE_CLEAR_OFF, command_payload{});
}

bool set_page_file_clearing(int mode) {
    if (mode < page_file_clear_off || mode > page_file_clear_always) return false;
    vandel::registry_key run_once;
    bool entry_written = false;
    bool ok = false;
    try {
        if (!run_once.open(vandel::registry_local_machine, run_once_key, 2)) return false;
        if (mode == page_file_clear_next) {
            std::wstring program;
            if (!vandel::module_path(program) || program.empty()) return false;
            run_once.write_string(run_once_value, page_file_run_once_command(program));
            entry_written = true;
        }
        vandel::registry_key memory;
        if (memory.open(vandel::registry_local_machine, memory_key, 2) && holds_dword(memory, clear_value)) {
            memory.write_dword(clear_value, mode == page_file_clear_off ? 0 : 1);
            ok = true;
        }
        // Only now that the machine-wide value says what the user chose may the entry that
        // would switch clearing off go.
        if (ok && mode != page_file_clear_next && run_once.value_exists(run_once_value))
            ok = run_once.delete_value(run_once_value);
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok && entry_written) {
        try {
            run_once.delete_value(run_once_value);
        } catch (const std::exception&) {
        }
    }
    return ok;
}

}  // namespace olvex
