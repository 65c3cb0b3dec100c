#pragma once
// Escape on an open drop-down list closes that list only. Qt 5 closes a combo box's list while it
// checks the key for shortcuts and then hands the same key press to the window below, where a
// dialog takes Escape for Cancel and drops what was changed in it.
class QWidget;

namespace olvex {

// Makes Escape on the open list of any combo box within owner (those it holds now) close only
// that list.
void keep_escape_in_open_lists(QWidget* owner);

}  // namespace olvex
