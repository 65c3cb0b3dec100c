#pragma once
// The Explorer menu's languages: the language folder is found from the menu DLL's own file name.
#include <string>

namespace olvex {

// Sets folder to the folder of module_path (with its separator) and loads every language file of
// folder + "../zy-langs" (the language folder beside the program folder) into interlang::instance.
// Returns true when every file loaded without error; false for an empty module_path (folder
// empty, nothing loaded), a missing folder or a faulty file.
bool load_shell_languages(const std::wstring& module_path, std::wstring& folder);

}  // namespace olvex
