#pragma once
// Windows folders that the shell's lookup doesn't cover, read whole however long they are.
#include <string>

namespace vandel::win32 {

// Returns the Windows folder; empty when the system can't say.
std::wstring windows_directory();

}  // namespace vandel::win32
