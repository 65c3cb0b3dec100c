#pragma once
// What the file and folder picker decides without a window: which paths are folders, files or
// drive roots, what its filter lists, which selections may be chosen, where a typed address leads,
// and the history of folders visited. The empty path stands for the computer level.
#include <QDir>
#include <QString>
#include <QStringList>

namespace olvex {

// Filter options (what the picker lists).
enum : int {
    list_folders = 0x1,
    list_files = 0x2,
    list_hidden = 0x4,
    list_system = 0x8,
    list_dots = 0x10,
    list_links = 0x20,
    list_readable = 0x40,
    list_writable = 0x80,
    list_executable = 0x100,
    hide_hidden_action = 0x10000000,
};
// Choice mode (what may be chosen).
enum : int {
    choose_folders = 0x1,
    choose_files = 0x2,
    choose_several = 0x10,
};

// Returns the path without "." and ".." steps and doubled separators; empty stays empty.
QString clean_path(const QString& path);
// The path tests, on a cleaned path; the empty path passes none.
bool is_folder_path(const QString& path);
// Only a regular file (or a link to one): not a device, pipe or socket.
bool is_file_path(const QString& path);
bool is_drive_root(const QString& path);
bool is_hidden_path(const QString& path);

// Returns the model filter of the filter options.
QDir::Filters model_filter(int options);
// Returns true when paths may be chosen in mode: at least one, and each a folder (mode bit 0) or
// a regular file (bit 1), never a drive root.
bool selection_acceptable(const QStringList& paths, int mode);
// Returns the folder that a typed address names (trimmed; a relative one taken from folder, or
// from the working directory at the computer level); empty when it names no folder.
QString address_folder(const QString& text, const QString& folder);
// Returns the folder one level up from folder; empty (the computer level) above a drive root.
QString parent_folder(const QString& folder);

// The folders visited in one run, oldest first, and the position in them.
class path_history {
public:
    // A folder equal to the current entry adds nothing; else the entries after the current one
    // are dropped and folder becomes the last and current entry.
    void add(const QString& folder);
    // Step one entry back or forward; false (nothing changes) at either end.
    bool back();
    bool forward();
    void clear();

    bool can_back() const { return index_ > 0; }
    bool can_forward() const { return index_ + 1 < entries_.size(); }
    // The current entry; empty when there is none.
    QString current() const { return entries_.isEmpty() ? QString() : entries_.at(index_); }
    int index() const { return index_; }
    const QStringList& entries() const { return entries_; }

private:
    QStringList entries_;
    int index_ = 0;
};

}  // namespace olvex
