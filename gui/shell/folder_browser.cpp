#include "gui/shell/folder_browser.h"

#include <utility>

namespace olvex {

namespace {

folder_browser& current_browser() {
    static folder_browser browser;
    return browser;
}

}  // namespace

QString browse_for_folder(QWidget* owner) {
    const folder_browser& browser = current_browser();
    return browser ? browser(owner) : system_browse_for_folder(owner);
}

void set_folder_browser(folder_browser browser) { current_browser() = std::move(browser); }

}  // namespace olvex
