#pragma once
// The one door to <windows.h>: every Win32 file of the project includes this header instead.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace vandel::win32 {

// Owns a kernel handle; closes it on destruction. Invalid is INVALID_HANDLE_VALUE or null.
class scoped_handle {
public:
    scoped_handle() = default;
    explicit scoped_handle(HANDLE h) : h_(h) {}
    scoped_handle(const scoped_handle&) = delete;
    scoped_handle& operator=(const scoped_handle&) = delete;
    scoped_handle(scoped_handle&& o) noexcept : h_(o.release()) {}
    scoped_handle& operator=(scoped_handle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ~scoped_handle() { reset(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return valid(); }
    HANDLE release() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace vandel::win32
