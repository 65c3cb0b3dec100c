#pragma once
// Pages of the user guide that ships with the program.
#include <QUrl>

namespace olvex {

// Returns the address of the guide's page path (such as "user_guide/configuration.html"), with
// the anchor fragment when it is not empty.
QUrl product_page(const QString& path, const QString& fragment = QString());

}  // namespace olvex
