#pragma once
// While one lives, the process cannot create threads, so tests can see how code copes with a
// thread that won't start. Create no other thread meanwhile.
namespace oblivar::test {

class thread_block {
public:
    thread_block();
    ~thread_block();
    thread_block(const thread_block&) = delete;
    thread_block& operator=(const thread_block&) = delete;

    // False where the OS gives a test no way to do it (the test should skip).
    bool active() const { return active_; }

private:
    bool active_ = false;
    unsigned long long saved_ = 0;
};

}  // namespace oblivar::test
