#pragma once
// The windows that start-up can show first. Each window plugs in here when it is built.
#include "gui/shell/start_request.h"

class QWidget;

namespace olvex {

// What start-up and a restart need of the main window; the main window implements it.
class main_window_hooks {
public:
    virtual ~main_window_hooks();
    // Applies the appearance settings (initial: at construction).
    virtual void apply_settings(bool initial) = 0;
    // Stores the window's size, and with with_position its place and the log window's.
    virtual void save_geometry(bool with_position) = 0;
};

// Returns a new window of that kind without parent; null where the system has no such feature
// (the page file is Windows's).
QWidget* create_first_window(first_window_kind kind);

// Returns the translation key of the note that says why a kind of window is not offered here;
// null for the kinds every build has.
const wchar_t* missing_window_key(first_window_kind kind);

}  // namespace olvex
