// Win32 side of taskbar_button: the shell's ITaskbarList3 on the window's button.
#include "gui/shell/taskbar_button.h"

#include "vandel/win32/windows.h"

#include <shobjidl.h>

namespace olvex {

struct taskbar_button::impl {
    HWND window = nullptr;
    ITaskbarList3* list = nullptr;
};

taskbar_button::taskbar_button(uint64_t window) : impl_(std::make_unique<impl>()) {
    impl_->window = reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
    // The GUI thread's COM apartment is Qt's; a failure only leaves the button without progress.
    ITaskbarList3* list = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   reinterpret_cast<void**>(&list)))) {
        if (SUCCEEDED(list->HrInit()))
            impl_->list = list;
        else
            list->Release();
    }
}

taskbar_button::~taskbar_button() {
    if (impl_->list) impl_->list->Release();
}

void taskbar_button::show(const taskbar_indicator& indicator) {
    ITaskbarList3* list = impl_->list;
    if (!list) return;
    TBPFLAG state = TBPF_NOPROGRESS;
    if (indicator.visible) state = indicator.stopped ? TBPF_ERROR : indicator.paused ? TBPF_PAUSED : TBPF_NORMAL;
    list->SetProgressState(impl_->window, state);
    if (indicator.visible) list->SetProgressValue(impl_->window, static_cast<ULONGLONG>(indicator.value), 100);
}

}  // namespace olvex
