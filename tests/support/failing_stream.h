#pragma once
// A memory stream whose medium gives out: writes stop after a budget of bytes (a full disk),
// reads after another (a bad sector). Counts the calls so tests can see how a caller reacted.
#include "vandel/memory_stream.h"

#include <algorithm>
#include <cstdint>

namespace oblivar::test {

class failing_stream : public vandel::memory_stream {
public:
    static constexpr int64_t unlimited = -1;

    // Accepts write_budget bytes in all, then writes nothing more; likewise read_budget for reads.
    explicit failing_stream(int64_t write_budget = unlimited, int64_t read_budget = unlimited)
        : write_budget_(write_budget), read_budget_(read_budget) {}

    int64_t read(void* buffer, int64_t count) override {
        ++read_calls_;
        return spend(read_budget_, memory_stream::read(buffer, allowed(read_budget_, count)));
    }
    int64_t write(const void* buffer, int64_t count) override {
        ++write_calls_;
        return spend(write_budget_, memory_stream::write(buffer, allowed(write_budget_, count)));
    }

    int64_t read_calls() const { return read_calls_; }
    int64_t write_calls() const { return write_calls_; }
    void set_write_budget(int64_t bytes) { write_budget_ = bytes; }
    void set_read_budget(int64_t bytes) { read_budget_ = bytes; }

private:
    static int64_t allowed(int64_t budget, int64_t count) {
        return budget < 0 || count < 0 ? count : std::min(budget, count);
    }
    static int64_t spend(int64_t& budget, int64_t done) {
        if (budget >= 0) budget -= done;
        return done;
    }

    int64_t write_budget_;
    int64_t read_budget_;
    int64_t read_calls_ = 0;
    int64_t write_calls_ = 0;
};

}  // namespace oblivar::test
