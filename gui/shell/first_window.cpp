#include "gui/shell/first_window.h"

#include "gui/shell/about_dialog.h"
#include "gui/shell/main_window.h"
#include "gui/shell/options_dialog.h"
#include "gui/wipe/page_dialog.h"

namespace olvex {

main_window_hooks::~main_window_hooks() = default;

QWidget* create_first_window(first_window_kind kind) {
    switch (kind) {
    case first_window_kind::main:
        return new MainWindow();
    case first_window_kind::options:
        return new OptionsDialog(nullptr);
    case first_window_kind::about:
        return new AboutDialog(nullptr);
    case first_window_kind::page_file:
#ifdef _WIN32
        return new PageDialog(nullptr);
#else
        break;  // no page file to clear here
#endif
    }
    return nullptr;
}

const char* first_window_name(first_window_kind kind) {
    switch (kind) {
    case first_window_kind::page_file:
        return "page-file dialog";
    case first_window_kind::options:
        return "options dialog";
    case first_window_kind::about:
        return "about box";
    case first_window_kind::main:
        break;
    }
    return "main window";
}

}  // namespace olvex
