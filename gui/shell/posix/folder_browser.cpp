// POSIX side of folder_browser: Qt's own folder chooser.
#include "gui/shell/folder_browser.h"

#include "gui/shell/qt_text.h"
#include "services/interlang.h"

#include <QFileDialog>

namespace olvex {

QString system_browse_for_folder(QWidget* owner) {
    return QFileDialog::getExistingDirectory(owner, to_qstring(tr(L"DIALOG_BROWSE_FOLDER_TITLE")));
}

}  // namespace olvex
