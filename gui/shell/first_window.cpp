#include "gui/shell/first_window.h"

#include "gui/shell/about_dialog.h"
#include "gui/shell/main_window.h"
#include "gui/shell/options_dialog.h"
#include "gui/shell/system_features.h"
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
        // Where there is no registry there is no page-file setting to change.
        return registry_features() ? new PageDialog(nullptr) : nullptr;
    }
    return nullptr;
}

const wchar_t* missing_window_key(first_window_kind kind) {
    return kind == first_window_kind::page_file ? L"PAGE_NOT_HERE_MSG" : nullptr;
}

}  // namespace olvex
