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

// Returns a new window of that kind without parent; null when this build has none.
QWidget* create_first_window(first_window_kind kind);

// Returns the English name of that kind of window, for the note that it is missing.
const char* first_window_name(first_window_kind kind);

}  // namespace olvex
