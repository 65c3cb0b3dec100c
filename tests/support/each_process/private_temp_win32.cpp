// Test processes run side by side in one Wine prefix, and would otherwise share its temporary
// folder and everything named in it, the job lock among them. Each test process takes a folder
// of its own inside it before any test runs; the processes it starts inherit that folder.
//
// The folder lies more than 150 units deep, as the native tests' does, so that a path cut to a
// fixed length shows here too. It stays well below the 260 units of a plain Windows path: what
// a test builds inside it is a path any program must take in its plain form.
#include "tests/support/sandbox.h"
#include "vandel/folders.h"
#include "vandel/win32/windows.h"

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

constexpr const wchar_t* inherited_mark = L"OBLIVAR_PRIVATE_TEMP";
constexpr size_t least_depth = 150;

struct private_temp {
    std::wstring made;

    private_temp() {
        if (_wgetenv(inherited_mark)) return;
        std::wstring base;
        if (!vandel::known_folder(vandel::folder_temp, base)) return;
        for (int attempt = 0; attempt < 100 && made.empty(); ++attempt) {
            wchar_t name[64];
            std::swprintf(name, 64, L"oblivar-proc-%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(), attempt);
            if (CreateDirectoryW((base + name).c_str(), nullptr)) made = base + name;
        }
        if (made.empty()) return;
        std::wstring deep = made;
        while (deep.size() <= least_depth) {
            const std::wstring next = deep + L"\\a-folder-name-of-some-length";
            if (!CreateDirectoryW(next.c_str(), nullptr)) break;
            deep = next;
        }
        // Through the C runtime, so both its copy of the environment and the system's change.
        _wputenv_s(L"TMP", deep.c_str());
        _wputenv_s(L"TEMP", deep.c_str());
        _wputenv_s(inherited_mark, L"1");
    }
    ~private_temp() {
        if (!made.empty()) oblivar::test::remove_tree(made);
    }
};

private_temp the_private_temp;

}  // namespace
