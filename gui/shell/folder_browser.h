#pragma once
// The system's folder chooser, behind a provider that tests replace (no chooser may open in a
// test).
#include <QString>

#include <functional>

class QWidget;

namespace olvex {

// Returns the folder the user chose in the system's chooser, owned by owner (may be null); empty
// when cancelled or when the choice has no file-system path.
QString browse_for_folder(QWidget* owner);

using folder_browser = std::function<QString(QWidget* owner)>;
// Replaces the chooser for the whole process; an empty function restores the system's.
void set_folder_browser(folder_browser browser);

// The system's own chooser (one body per OS).
QString system_browse_for_folder(QWidget* owner);

}  // namespace olvex
