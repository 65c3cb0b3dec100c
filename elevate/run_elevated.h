#pragma once
// The elevation helper's work: relay a zygui request to an elevated zygui of the helper's own
// folder, wait for it, and start zygui once more with normal rights when the elevated one ends
// asking for that (exit code 152).
#include <cstdint>
#include <string>
#include <vector>

namespace olvex {

// The exit code by which an elevated zygui asks to be started again with normal rights.
constexpr int exit_return_to_normal_rights = 152;

// Stores the arguments in the process's argument store and relays them (relay_request). Returns
// relay_request's result; -1 when the arguments can't be stored and read back.
int run_elevated(int count, wchar_t** args);

// Relays the request of args (parsed from index 0; a "-tfn" file is read and deleted). Returns
// the elevated zygui's exit code; after 152, 0 when zygui was started again without elevation and
// -1 when it wasn't; -1 without any launch when the request's "-tfn" file gave no whole list, and
// -1 when the elevated zygui could not be started or the user refused the prompt. Never throws:
// on an exception the last result obtained is returned (-1 before the first launch returned).
int relay_request(const std::vector<std::wstring>& args);

}  // namespace olvex
