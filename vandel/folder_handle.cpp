#include "vandel/folder_handle.h"

namespace vandel {

folder_handle::~folder_handle() { close(); }

folder_handle::folder_handle(folder_handle&& o) noexcept : path_(std::move(o.path_)), id_(o.id_), handle_(o.handle_) {
    o.handle_ = closed_handle;
    o.id_ = file_id();
}

folder_handle& folder_handle::operator=(folder_handle&& o) noexcept {
    if (this != &o) {
        close();
        path_ = std::move(o.path_);
        id_ = o.id_;
        handle_ = o.handle_;
        o.handle_ = closed_handle;
        o.id_ = file_id();
    }
    return *this;
}

bool folder_handle::is_open() const { return handle_ != closed_handle; }

std::wstring folder_handle::entry_path(const std::wstring& name) const {
    return add_long_path_prefix(add_trailing_separator(path_) + name);
}

bool is_entry_name(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c == L'\0' || is_path_separator(c)) return false;
    return true;
}

}  // namespace vandel
