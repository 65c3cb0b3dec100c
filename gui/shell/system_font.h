#pragma once
// The font of the program's texts. Where the platform names its UI font only through an alias
// that its font list may not hold (Windows: Qt 5 asks for "MS Shell Dlg 2"), the program takes
// the system's own UI font, or a sans-serif face the list holds, so no text falls to a serif.
#include <QString>
#include <QStringList>

namespace olvex {

// The system's UI font: face and size in points. An empty face where the platform gives Qt its
// UI font itself.
struct ui_font {
    QString face;
    double points = 0;
};
// Returns the system's UI font (Windows: the message font of the non-client metrics).
ui_font system_ui_font();

// Returns wanted as families spells it when families holds it (letter case aside), else the
// first sans-serif face of the usual ones that families holds; empty when it holds none.
QString pick_ui_face(const QString& wanted, const QStringList& families);

// Makes the system's UI font the application's font (the face pick_ui_face gives for the font
// list Qt draws with). Does nothing where the platform gives its UI font itself. Call once the
// application object exists.
void apply_system_ui_font();

}  // namespace olvex
