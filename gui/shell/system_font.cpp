#include "gui/shell/system_font.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace olvex {

QString pick_ui_face(const QString& wanted, const QStringList& families) {
    auto held = [&families](const QString& face) {
        for (const QString& f : families)
            if (f.compare(face, Qt::CaseInsensitive) == 0) return f;
        return QString();
    };
    if (!wanted.isEmpty())
        if (const QString f = held(wanted); !f.isEmpty()) return f;
    for (const char* face : {"Segoe UI", "Tahoma", "Microsoft Sans Serif", "Arial", "Liberation Sans", "DejaVu Sans"})
        if (const QString f = held(QString::fromLatin1(face)); !f.isEmpty()) return f;
    return QString();
}

void apply_system_ui_font() {
    const ui_font system = system_ui_font();
    if (system.face.isEmpty()) return;
    const QString face = pick_ui_face(system.face, QFontDatabase().families());
    if (face.isEmpty()) return;
    QFont font = QApplication::font();
    font.setFamily(face);
    font.setStyleHint(QFont::SansSerif);
    if (system.points > 0) font.setPointSizeF(system.points);
    QApplication::setFont(font);
}

}  // namespace olvex
