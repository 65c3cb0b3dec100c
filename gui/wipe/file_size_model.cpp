#include "gui/wipe/file_size_model.h"

#include "gui/shell/qt_text.h"
#include "vandel/version.h"

#include <QFontMetrics>

#include <algorithm>

namespace olvex {

namespace {

constexpr int size_column = 1;

QString size_text(uint64_t bytes) { return to_qstring(vandel::format_bytes<std::wstring>(bytes)); }

}  // namespace

QVariant FileSizeModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::DisplayRole && index.column() == size_column && !isDir(index))
        return size_text(static_cast<uint64_t>(std::max<qint64>(size(index), 0)));
    return QFileSystemModel::data(index, role);
}

int size_column_width(const QFontMetrics& metrics) {
    // The longest texts have four digits: below 1 KB in bytes, or a tenth after them.
    return std::max(metrics.horizontalAdvance(size_text(1023)), metrics.horizontalAdvance(size_text((1u << 20) - 1)));
}

}  // namespace olvex
