// Win32 lock file: the sharing modes of one CreateFileW handle, opened on the link itself.
#include "vandel/lock_file.h"
#include "vandel/files.h"
#include "vandel/win32/windows.h"

namespace vandel {

bool lock_file::os_acquire(bool exclusive) {
    if (path_.find(L'\0') != std::wstring::npos) return false;
    const std::wstring p = add_long_path_prefix(path_);
    // OPEN_ALWAYS creates a missing file in the same call: nobody is refused meanwhile.
    HANDLE h = CreateFileW(p.c_str(), exclusive ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                           exclusive ? 0 : FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(h);
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

void lock_file::os_release() { CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

}  // namespace vandel
