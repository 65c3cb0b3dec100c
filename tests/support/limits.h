#pragma once
// Process limits a test sets for a while, to see how code copes when the system says no. Each
// is undone when its scope ends; where the OS gives a test no way, active() is false (skip).
#include <cstdint>

namespace oblivar::test {

// The process cannot create threads. Create no other thread meanwhile.
class thread_block {
public:
    thread_block();
    ~thread_block();
    thread_block(const thread_block&) = delete;
    thread_block& operator=(const thread_block&) = delete;

    bool active() const { return active_; }

private:
    bool active_ = false;
    unsigned long long saved_ = 0;
};

// No file can grow beyond bytes: writes past it fail as for a file at its file system's limit.
class file_size_limit {
public:
    explicit file_size_limit(int64_t bytes);
    ~file_size_limit();
    file_size_limit(const file_size_limit&) = delete;
    file_size_limit& operator=(const file_size_limit&) = delete;

    bool active() const { return active_; }

private:
    bool active_ = false;
    unsigned long long saved_ = 0;
    void (*saved_handler_)(int) = nullptr;
};

}  // namespace oblivar::test
