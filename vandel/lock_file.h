#pragma once
// A lock between processes held as an open file: any number of holders share it, or one holds it
// alone while nobody else holds it at all. The file is never written and never deleted.
//
// The file is opened in one step that creates it when missing, so no other instance is ever
// refused because of the creation, and it is never opened through a symbolic link. Windows: the
// system's sharing modes do the locking. POSIX: flock, shared or exclusive, on a regular file
// opened read-only with O_NOFOLLOW.
#include <cstdint>
#include <string>

namespace vandel {

class lock_file {
public:
    lock_file() = default;
    lock_file(const lock_file&) = delete;
    lock_file& operator=(const lock_file&) = delete;
    virtual ~lock_file();

    // Returns false (nothing changed) for an empty name or a folder that does not exist. A bare
    // name goes into the user's temporary folder. On success a held lock is released.
    bool set_path(const std::wstring& name);
    // Return whether the lock is held that way after the call: true when it already was, false
    // while it is held the other way (release first) or another process's hold excludes it.
    bool acquire_shared();
    bool acquire_exclusive();
    void release();

    const std::wstring& path() const { return path_; }
    // 0 not held, 1 shared, 2 exclusive.
    int32_t state() const { return state_; }

private:
    // Opens the path (created when missing) and takes the lock; false when refused.
    bool os_acquire(bool exclusive);
    void os_release();

    std::wstring path_;
    int32_t state_ = 0;
    intptr_t handle_ = -1;
};

}  // namespace vandel
