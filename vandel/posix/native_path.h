#pragma once
// POSIX side only: the one gate through which a library path becomes a system path.
#include <string>

namespace vandel::posix {

// Returns false (out untouched) for an empty path or one in Windows form: a drive letter
// ("C:..."), a leading "\\" (UNC, "\\.\", "\\?\"), or a NUL unit, which the system would take for
// the end. Otherwise true with the system bytes, without trailing '/' (which follows links).
bool to_native_path(const std::wstring& path, std::string& out);

}  // namespace vandel::posix
