#pragma once
// What the relay tests share: path lists of a chosen length, and each case in a temporary
// folder of its own, so the bridge's files found there can only be the case's own.
#include "services/command_bridge.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"

#include <string>
#include <vector>

namespace oblivar::test {

// NUL-ended copies of one path (a blank and a percent sign in it, ending in name) filling at
// least units.
inline std::wstring path_list(size_t units, const std::wstring& name) {
    std::wstring list;
    while (list.size() < units) list += L"C:\\Users\\a b\\100% done\\" + name + std::wstring(1, L'\0');
    return list;
}

// The temporary files of the bridge's name form left in the temporary folder.
inline std::vector<std::wstring> temp_files_left() {
    std::vector<std::wstring> left;
    for (const std::wstring& name : list_tree(vandel::remove_trailing_separator(olvex::temp_folder())))
        if (name.rfind(L"tfn_", 0) == 0) left.push_back(name);
    return left;
}

// Writes a new list file at path whose count announces, and whose body holds, two bytes more than
// a list file may have. Returns whether it was written whole.
inline bool write_oversized_list_file(const std::wstring& path) {
    vandel::file_stream f(path, vandel::open_create_new);
    const uint32_t count = olvex::max_temp_file_bytes + 2;
    const char header[4] = {static_cast<char>(count), static_cast<char>(count >> 8), static_cast<char>(count >> 16),
                            static_cast<char>(count >> 24)};
    const std::string body(count, 'a');
    return f.write(header, 4) == 4 && f.write(body.data(), static_cast<int64_t>(body.size())) == static_cast<int64_t>(body.size());
}

class private_temp_test : public sandbox_test {
protected:
    std::wstring make_temp() {
        make_dirs(sb.path(L"tmp"));
        return sb.path(L"tmp");
    }
    scoped_temp_folder temp{make_temp()};
};

}  // namespace oblivar::test
