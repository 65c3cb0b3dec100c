#include "gui/shell/system_font.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>

namespace olvex {

bool draws_as_itself(const QString& face) {
    return !face.isEmpty() && QFontInfo(QFont(face)).family().compare(face, Qt::CaseInsensitive) == 0;
}

QString pick_ui_face(const QString& wanted, const std::function<bool(const QString&)>& draws) {
    if (!wanted.isEmpty() && draws(wanted)) return wanted;
    for (const char* face : {"Segoe UI", "Tahoma", "Microsoft Sans Serif", "Arial", "Liberation Sans", "DejaVu Sans"})
        if (draws(QString::fromLatin1(face))) return QString::fromLatin1(face);
    return QString();
}

void apply_system_ui_font() {
    const ui_font system = system_ui_font();
    if (system.face.isEmpty()) return;
    const QString face = pick_ui_face(system.face, &draws_as_itself);
    if (face.isEmpty()) return;
    QFont font = QApplication::font();
    font.setFamily(face);
    font.setStyleHint(QFont::SansSerif);
    if (system.points > 0) font.setPointSizeF(system.points);
    QApplication::setFont(font);
}

}  // namespace olvex
