// Reports, on the system's own platform, the font that zygui's start gives its texts, one
// "name=value" line each: the application font's face (face), the face Qt really draws it with
// (drawn), the system's UI face (system), whether Qt draws that as itself (system_drawn, 1 or 0)
// and the shipped characters it draws blank at the system's size (system_blank); then, for every
// character of the language files in the folder given as the argument, those the face itself
// lacks (missing) and those that put no ink where they are drawn (blank), as U+XXXX words.
#include "gui/shell/qt_text.h"
#include "gui/shell/system_font.h"
#include "services/interlang.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Every character of every text of every language in folder (escapes resolved by the table).
QString shipped_characters(const QString& folder) {
    olvex::interlang& table = olvex::interlang::instance();
    if (!olvex::load_language_files(olvex::from_qstring(folder), table).empty()) return QString();
    QStringList keys;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.lang.txt")}, QDir::Files)) {
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith("KEY:")) keys << QString::fromUtf8(line.mid(4)).trimmed();
    }
    std::vector<std::wstring> codes;
    table.languages(codes);
    QSet<QChar> seen;
    QString all;
    for (const std::wstring& code : codes)
        for (const QString& key : keys) {
            std::wstring text;
            if (!table.lookup(code, olvex::from_qstring(key), olvex::interlang::fallback_none, &text)) continue;
            for (QChar c : olvex::to_qstring(text))
                if (!seen.contains(c) && !c.isSpace() && c.category() != QChar::Other_Control) {
                    seen.insert(c);
                    all += c;
                }
        }
    std::sort(all.begin(), all.end());
    return all;
}

// Returns whether drawing c in font darkens any pixel of its own box.
bool puts_ink(const QFont& font, QChar c) {
    const QFontMetrics metrics(font);
    const QRect box = metrics.boundingRect(c);
    QImage image(metrics.horizontalAdvance(c) + box.width() + 8, metrics.height() + 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(4 + std::max(0, -box.left()), 4 + metrics.ascent()), QString(c));
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 200) return true;
    return false;
}

QByteArray units(const QString& chars) {
    QByteArray out;
    for (QChar c : chars) out += QStringLiteral(" U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper().toLatin1();
    return out.trimmed();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    olvex::apply_system_ui_font();
    const QFont font = QApplication::font();
    const olvex::ui_font system = olvex::system_ui_font();
    const QString folder = QApplication::arguments().value(1);
    const QString chars = folder.isEmpty() ? QString() : shipped_characters(folder);
    const QFontMetrics metrics(font);
    const QRawFont face = QRawFont::fromFont(font);
    QString missing, blank;
    for (QChar c : chars) {
        if (!metrics.inFont(c) || !face.supportsCharacter(c))
            missing += c;
        else if (!puts_ink(font, c))
            blank += c;
    }
    // The system's own face at its size: the characters it would draw blank.
    QFont system_font(system.face);
    if (system.points > 0) system_font.setPointSizeF(system.points);
    QString system_blank;
    for (QChar c : chars)
        if (!system.face.isEmpty() && !puts_ink(system_font, c)) system_blank += c;
    std::printf("face=%s\ndrawn=%s\nsystem=%s\nsystem_drawn=%d\nsystem_blank=%s\ncharacters=%d\nmissing=%s\nblank=%s\n",
                font.family().toUtf8().constData(), QFontInfo(font).family().toUtf8().constData(),
                system.face.toUtf8().constData(), olvex::draws_as_itself(system.face) ? 1 : 0,
                units(system_blank).constData(), static_cast<int>(chars.size()), units(missing).constData(),
                units(blank).constData());
    return 0;
}
