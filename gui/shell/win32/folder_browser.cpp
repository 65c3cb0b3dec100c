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
    wchar_t buffer[521] = {};
    const bool got = SHGetPathFromIDListW(list, buffer) != FALSE;
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(list);
        allocator->Release();
    }
    return got ? to_qstring(std::wstring(buffer)) : QString();
}

}  // namespace olvex
