#include "gui/shell/qt_text.h"

#include "services/interlang.h"

namespace olvex {

QString to_qstring(const std::wstring& text) {
    QString out(static_cast<int>(text.size()), Qt::Uninitialized);
    QChar* units = out.data();
    for (size_t i = 0; i < text.size(); ++i) units[i] = QChar(static_cast<ushort>(text[i] & 0xFFFF));
    return out;
}

std::wstring from_qstring(const QString& text) {
    std::wstring out(static_cast<size_t>(text.size()), L'\0');
    const QChar* units = text.constData();
    for (int i = 0; i < text.size(); ++i) out[static_cast<size_t>(i)] = static_cast<wchar_t>(units[i].unicode());
    return out;
}

QString qtr(const wchar_t* key) { return to_qstring(tr(key)); }

}  // namespace olvex
