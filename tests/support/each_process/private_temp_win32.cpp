// Test processes run side by side in one Wine prefix, and would otherwise share its temporary
// folder and everything named in it, the job lock among them. Each test process takes a folder
// of its own inside it before any test runs; the processes it starts inherit that folder.
#include "tests/support/sandbox.h"
#include "vandel/win32/windows.h"

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

constexpr const wchar_t* inherited_mark = L"OBLIVAR_PRIVATE_TEMP";

struct private_temp {
    std::wstring made;

    private_temp() {
        if (_wgetenv(inherited_mark)) return;
        wchar_t tmp[MAX_PATH + 1];
        const DWORD n = GetTempPathW(MAX_PATH + 1, tmp);
        if (n == 0 || n > MAX_PATH) return;
        const std::wstring base(tmp, n);
        for (int attempt = 0; attempt < 100 && made.empty(); ++attempt) {
            wchar_t name[64];
            std::swprintf(name, 64, L"oblivar-proc-%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(), attempt);
            if (CreateDirectoryW((base + name).c_str(), nullptr)) made = base + name;
        }
        if (made.empty()) return;
        // Through the C runtime, so both its copy of the environment and the system's change.
        _wputenv_s(L"TMP", made.c_str());
        _wputenv_s(L"TEMP", made.c_str());
        _wputenv_s(inherited_mark, L"1");
    }
    ~private_temp() {
        if (!made.empty()) oblivar::test::remove_tree(made);
    }
};

private_temp the_private_temp;

}  // namespace
