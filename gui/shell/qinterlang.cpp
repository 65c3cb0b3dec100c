#include "gui/shell/qinterlang.h"

#include "gui/shell/qt_text.h"
#include "services/interlang.h"

#include <exception>

namespace {

std::wstring wide(const char* utf8) { return olvex::from_qstring(QString::fromUtf8(utf8)); }

}  // namespace

QInterlang::QInterlang(QObject* parent) : QTranslator(parent) {}

QString QInterlang::translate(const char*, const char* source_text, const char* disambiguation, int) const {
    const olvex::interlang& table = olvex::interlang::instance();
    if (table.state() != olvex::interlang::ready) return {};
    std::wstring result;
    // Nothing may be thrown into Qt's event handling; a table caught mid-update shows the source.
    try {
        if (disambiguation && *disambiguation) {
            const std::wstring key = wide(disambiguation);
            result = table.translate(key);
            if (result == key) result.clear();
        }
        if (result.empty() && source_text && *source_text) result = table.translate(wide(source_text));
    } catch (const std::exception&) {
        return {};
    }
    return olvex::to_qstring(result);
}

bool QInterlang::isEmpty() const { return olvex::interlang::instance().state() != olvex::interlang::ready; }
