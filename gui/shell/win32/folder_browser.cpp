// Win32 side of folder_browser: the shell's folder browser.
#include "gui/shell/folder_browser.h"

#include "gui/shell/qt_text.h"
#include "services/interlang.h"
#include "vandel/win32/windows.h"

#include <QWidget>

#include <shlobj.h>

#include <string>

namespace olvex {

QString system_browse_for_folder(QWidget* owner) {
    const std::wstring title = tr(L"DIALOG_BROWSE_FOLDER_TITLE");
    BROWSEINFOW info{};
    if (owner) info.hwndOwner = reinterpret_cast<HWND>(owner->winId());
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
    if (!list) return QString();
    // Room for the longest path the system has, not only for a plain one.
    std::wstring buffer(32768, L'\0');
    const bool got = SHGetPathFromIDListEx(list, buffer.data(), static_cast<DWORD>(buffer.size()), GPFIDL_DEFAULT) != FALSE;
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(list);
        allocator->Release();
    }
    return got ? to_qstring(std::wstring(buffer.c_str())) : QString();
}

}  // namespace olvex
