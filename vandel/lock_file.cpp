#include "vandel/lock_file.h"

#include "vandel/files.h"
#include "vandel/folders.h"

namespace vandel {

lock_file::~lock_file() { release(); }

bool lock_file::set_path(const std::wstring& name) {
    if (name.empty()) return false;
    std::wstring folder = directory_part(name);
    std::wstring full = name;
    if (folder.empty()) {
        if (!known_folder(folder_temp, folder)) return false;
        full = folder + name;
    }
    if (!is_directory(folder)) return false;
    release();
    path_ = full;
    return true;
}

bool lock_file::acquire_shared() {
    if (state_ == 0 && !path_.empty() && os_acquire(false)) state_ = 1;
    return state_ == 1;
}

bool lock_file::acquire_exclusive() {
    if (state_ == 0 && !path_.empty() && os_acquire(true)) state_ = 2;
    return state_ == 2;
}

void lock_file::release() {
    if (state_ != 0) os_release();
    handle_ = -1;
    state_ = 0;
}

}  // namespace vandel
