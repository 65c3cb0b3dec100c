#pragma once
// The file picker's view of the file system, with file sizes written as the rest of the program
// writes them (the library's byte-size text), not in Qt's own units.
#include <QFileSystemModel>

namespace olvex {

class FileSizeModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

// Returns the width that the size column needs for any size text in metrics.
int size_column_width(const QFontMetrics& metrics);

}  // namespace olvex
