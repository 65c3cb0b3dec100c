// Win32 special folders and process information: the shell's folder lookup, the C runtime's
// environment, the system's working and temporary folders, and the module file name.
#include "vandel/folders.h"
#include "vandel/convert.h"
#include "vandel/win32/system_folders.h"
#include "vandel/win32/windows.h"

#include <shlobj.h>

#include <cstdlib>

namespace vandel {

namespace {

// The shell's lookup takes a buffer of MAX_PATH units and gives no longer folder.
bool shell_folder(int csidl, std::wstring& out) {
    wchar_t buf[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return false;
    out = buf;
    return true;
}

// The module path through a growing buffer: a path that doesn't fit is read again, never cut.
template <class C, class F>
bool module_name(std::basic_string<C>& out, F get) {
    std::basic_string<C> buf(520, C(0));
    for (;;) {
        const DWORD n = get(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return false;
        if (n < buf.size()) {
            buf.resize(n);
            out = buf;
            return true;
        }
        if (buf.size() >= 65536) return false;
        buf.resize(buf.size() * 2);
    }
}

// A text the system writes into a buffer of the caller's size, answering with the length written
// or, when the buffer is too small, the size needed: asked again with that much room, never cut.
template <class F>
bool sized_text(F get, std::wstring& out) {
    std::wstring buf(MAX_PATH + 1, L'\0');
    for (;;) {
        const DWORD n = get(static_cast<DWORD>(buf.size()), buf.data());
        if (n == 0) return false;
        if (n < buf.size()) {
            out.assign(buf, 0, n);
            return true;
        }
        if (n > 65536) return false;
        buf.resize(n + 1);
    }
}

}  // namespace

namespace win32 {

std::wstring windows_directory() {
    std::wstring out;
    const auto get = [](DWORD size, wchar_t* buf) -> DWORD { return GetWindowsDirectoryW(buf, size); };
    return sized_text(get, out) ? out : std::wstring();
}

}  // namespace win32

namespace detail {

bool system_folder(int kind, std::wstring& out) {
    switch (kind) {
    case 0:
        // The runtime's working-folder call stops at MAX_PATH units; the system's does not.
        return sized_text(GetCurrentDirectoryW, out);
    case 2:
    case 3:
        return sized_text(GetTempPathW, out);
    case 4:
        out = environment_variable(L"USERPROFILE");
        return !out.empty();
    case 5:
    case 6:
        return shell_folder(CSIDL_APPDATA, out);
    case 7:
        return shell_folder(CSIDL_LOCAL_APPDATA, out);
    case 8:
    case 9:
        return shell_folder(CSIDL_COMMON_APPDATA, out);
    default:
        return false;
    }
}

std::wstring decode_argument(const char* arg) { return decode_text(arg, text_kind_system, mode_substitute, '?'); }

}  // namespace detail

std::wstring environment_variable(const std::wstring& name) {
    size_t size = 0;
    // The size query's own result differs between runtimes (0 or ERANGE); the size tells.
    if (name.empty()) return {};
    _wgetenv_s(&size, nullptr, 0, name.c_str());
    if (size == 0) return {};
    std::wstring buf(size, L'\0');
    if (_wgetenv_s(&size, buf.data(), buf.size(), name.c_str()) != 0 || size == 0) return {};
    buf.resize(size - 1);
    return buf;
}

bool module_file_names(std::string& narrow, std::wstring& wide) {
    return module_name(narrow, GetModuleFileNameA) && module_name(wide, GetModuleFileNameW);
}

}  // namespace vandel
