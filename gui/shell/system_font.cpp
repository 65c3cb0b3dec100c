#include "gui/shell/system_font.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace olvex {

namespace {

bool puts_ink(const QFont& font, QChar c) {
    const QFontMetrics metrics(font);
    // Room on every side: what matters is whether the glyph is drawn at all, not where.
    const int em = std::max(metrics.height(), metrics.horizontalAdvance(c));
    QImage page(3 * em, 3 * em, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(em, em + metrics.ascent()), QString(c));
    }
    for (int y = 0; y < page.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x)
            if (qGray(line[x]) < 160) return true;
    }
    return false;
}

}  // namespace

bool draws_as_itself(const QString& face) {
    return !face.isEmpty() && QFontInfo(QFont(face)).family().compare(face, Qt::CaseInsensitive) == 0;
}

bool draws_every_character(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    for (QChar c : text) {
        if (c.isSpace()) continue;
        if (!metrics.inFont(c) || !puts_ink(font, c)) return false;
    }
    return true;
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
    // The characters of prose, not every symbol: under Wine even DejaVu Sans loses its "|".
    QString prose = QStringLiteral(".,:;!?'\"()[]-+*/=<>%&#@_$");
    for (char16_t c = u'0'; c <= u'9'; ++c) prose += QChar(c);
    for (char16_t c = u'A'; c <= u'Z'; ++c) {
        prose += QChar(c);
        prose += QChar(static_cast<char16_t>(c + 0x20));
    }
    const auto usable = [&](const QString& face) {
        if (!draws_as_itself(face)) return false;
        QFont font(face);
        if (system.points > 0) font.setPointSizeF(system.points);
        if (!draws_every_character(font, prose)) return false;
        font.setBold(true);
        return draws_every_character(font, prose);
    };
    const QString face = pick_ui_face(system.face, usable);
    if (face.isEmpty()) return;
    QFont font = QApplication::font();
    font.setFamily(face);
    font.setStyleHint(QFont::SansSerif);
    if (system.points > 0) font.setPointSizeF(system.points);
    QApplication::setFont(font);
}

}  // namespace olvex
