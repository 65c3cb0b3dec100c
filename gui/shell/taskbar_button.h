#pragma once
// The progress indicator on a window's taskbar button. Windows draws it; elsewhere there is none
// and every call does nothing.
#include "gui/shell/main_layout.h"

#include <cstdint>
#include <memory>

namespace olvex {

class taskbar_button {
public:
    // window: the native handle of a top-level window that is shown.
    explicit taskbar_button(uint64_t window);
    ~taskbar_button();
    taskbar_button(const taskbar_button&) = delete;
    taskbar_button& operator=(const taskbar_button&) = delete;

    // Shows the indicator (range 0 to 100) as it stands.
    void show(const taskbar_indicator& indicator);

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace olvex
