#include "gui/shell/product_pages.h"

#include "gui/shell/qt_text.h"
#include "vandel/folders.h"

#include <string>

namespace olvex {

QUrl product_page(const QString& path, const QString& fragment) {
    std::wstring folder;
    vandel::known_folder(vandel::folder_program, folder);
    // The guide lies beside the program's folder, as the language folder does.
    QUrl url = QUrl::fromLocalFile(to_qstring(folder) + QStringLiteral("../doc/") + path);
    if (!fragment.isEmpty()) url.setFragment(fragment);
    return url;
}

}  // namespace olvex
