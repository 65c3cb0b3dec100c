#include "elevate/run_elevated.h"

#include "services/command_bridge.h"
#include "vandel/folders.h"

namespace olvex {

int run_elevated(int count, wchar_t** args) {
    try {
        vandel::capture_process_args(count, args);
        std::vector<std::wstring> vector;
        if (!vandel::command_line_args(vector)) return -1;
        return relay_request(vector);
    } catch (...) {
        return -1;
    }
}

int relay_request(const std::vector<std::wstring>& args) {
    int result = -1;
    try {
        command_bridge bridge(L".tmp");
        const uint32_t word = bridge.parse(args);
        // The list was lost (too large, damaged, not ours): an elevated zygui must not start on
        // a request that silently lacks the paths the user chose.
        if (bridge.tfn_refused) return -1;
        // The payload goes on as it came; a long list travels in a new file of our own.
        result = bridge.launch(L"zygui.exe", word, launch_runas_wait, bridge.payload());
        if (result != exit_return_to_normal_rights) return result;
        // The user's choices (scheme, speed, verification, dialog mode) stay; the job and the
        // helper's mark go.
        const uint32_t normal_word = word & ~(ACTION_MASK | CMD_VIA_HELPER);
        result = bridge.launch(L"zygui.exe", normal_word, launch_open, command_payload{});
        return result;
    } catch (...) {
        return result;
    }
}

}  // namespace olvex
