#include "gui/wipe/path_rules.h"

#include <QFileInfo>

namespace olvex {

namespace {

QString slashed(const QString& path) { return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'); }

}  // namespace

QString clean_path(const QString& path) { return path.isEmpty() ? QString() : QDir::cleanPath(path); }

bool is_folder_path(const QString& path) {
    const QString p = clean_path(path);
    return !p.isEmpty() && QFileInfo(slashed(p)).isDir();
}

bool is_file_path(const QString& path) {
    const QString p = clean_path(path);
    // isFile() holds for regular files only (pipes, sockets and devices are "sequential").
    return !p.isEmpty() && QFileInfo(p).isFile();
}

bool is_drive_root(const QString& path) {
    const QString p = clean_path(path);
    if (p.isEmpty()) return false;
    const QString s = slashed(p);
    return QFileInfo(s).isDir() && s.count(QLatin1Char('/')) == 1;
}

bool is_hidden_path(const QString& path) {
    const QString p = clean_path(path);
    return !p.isEmpty() && QFileInfo(p).isHidden();
}

QDir::Filters model_filter(int options) {
    QDir::Filters f;
    if (options & list_folders) f |= QDir::Dirs | QDir::Drives;
    if (options & list_files) f |= QDir::Files;
    if (options & list_hidden) f |= QDir::Hidden;
    if (options & list_system) f |= QDir::System;
    if (!(options & list_dots)) f |= QDir::NoDotAndDotDot;
    if (!(options & list_links)) f |= QDir::NoSymLinks;
    if (options & list_readable) f |= QDir::Readable;
    if (options & list_writable) f |= QDir::Writable;
    if (options & list_executable) f |= QDir::Executable;
    return f;
}

bool selection_acceptable(const QStringList& paths, int mode) {
    if (paths.isEmpty() || (mode & (choose_folders | choose_files)) == 0) return false;
    for (const QString& p : paths) {
        if (is_drive_root(p)) return false;
        const bool folder = is_folder_path(p);
        if (folder ? !(mode & choose_folders) : !(is_file_path(p) && (mode & choose_files))) return false;
    }
    return true;
}

QString address_folder(const QString& text, const QString& folder) {
    const QString typed = text.trimmed();
    if (typed.isEmpty()) return QString();
    QString path = typed;
    if (QDir::isRelativePath(typed)) path = QDir(folder.isEmpty() ? QDir::currentPath() : folder).filePath(typed);
    path = clean_path(path);
    return is_folder_path(path) ? path : QString();
}

QString parent_folder(const QString& folder) {
    QDir dir(folder);
    if (folder.isEmpty() || is_drive_root(folder) || !dir.cdUp()) return QString();
    const QString parent = dir.canonicalPath();
    return parent.endsWith(QLatin1Char('.')) ? QString() : parent;
}

void path_history::add(const QString& folder) {
    if (!entries_.isEmpty() && entries_.at(index_) == folder) return;
    while (entries_.size() > index_ + 1) entries_.removeLast();
    entries_.append(folder);
    index_ = entries_.size() - 1;
}

bool path_history::back() {
    if (!can_back()) return false;
    --index_;
    return true;
}

bool path_history::forward() {
    if (!can_forward()) return false;
    ++index_;
    return true;
}

void path_history::clear() {
    entries_.clear();
    index_ = 0;
}

}  // namespace olvex
