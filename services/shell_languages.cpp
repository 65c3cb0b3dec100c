#include "services/shell_languages.h"

#include "services/interlang.h"
#include "vandel/files.h"

namespace olvex {

bool load_shell_languages(const std::wstring& module_path, std::wstring& folder) {
    folder.clear();
    if (module_path.empty()) return false;
    folder = vandel::directory_part(module_path);
    if (folder.empty()) return false;
    return load_language_files(folder + L"../zy-langs", interlang::instance()).empty();
}

}  // namespace olvex
