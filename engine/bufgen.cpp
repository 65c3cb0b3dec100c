#include "engine/bufgen.h"

#include "engine/scheme.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <new>
#include <thread>

namespace olvex {

namespace {

constexpr std::align_val_t block_alignment{4096};

const uint8_t* filled_region(uint8_t value) {
    block_ptr region = new_block(bufgen::request_bytes);
    std::memset(region.get(), value, bufgen::request_bytes);
    return region.release();
}

// A whole request of zeros or of ones, shared read-only by every generator for the life of the
// process.
const uint8_t* zero_region() {
    static const uint8_t* region = filled_region(0x00);
    return region;
}

const uint8_t* ones_region() {
    static const uint8_t* region = filled_region(0xFF);
    return region;
}

// The three-byte patterns of the published Gutmann method, by pass number (1-based) 5 to 31.
const uint8_t gutmann[27][3] = {
    {0x55, 0x55, 0x55}, {0xAA, 0xAA, 0xAA}, {0x92, 0x49, 0x24}, {0x49, 0x24, 0x92},
    {0x24, 0x92, 0x49}, {0x00, 0x00, 0x00}, {0x11, 0x11, 0x11}, {0x22, 0x22, 0x22},
    {0x33, 0x33, 0x33}, {0x44, 0x44, 0x44}, {0x55, 0x55, 0x55}, {0x66, 0x66, 0x66},
    {0x77, 0x77, 0x77}, {0x88, 0x88, 0x88}, {0x99, 0x99, 0x99}, {0xAA, 0xAA, 0xAA},
    {0xBB, 0xBB, 0xBB}, {0xCC, 0xCC, 0xCC}, {0xDD, 0xDD, 0xDD}, {0xEE, 0xEE, 0xEE},
    {0xFF, 0xFF, 0xFF}, {0x92, 0x49, 0x24}, {0x49, 0x24, 0x92}, {0x24, 0x92, 0x49},
    {0x6D, 0xB6, 0xDB}, {0xB6, 0xDB, 0x6D}, {0xDB, 0x6D, 0xB6},
};

enum class content { zeros, ones, random, pattern };

content content_of(uint32_t scheme, int32_t k) {
    switch (scheme) {
    case 1: return content::random;
    case 2: return k == 0 ? content::zeros : content::random;
    case 3: return k == 0 ? content::zeros : k == 1 ? content::ones : content::random;
    case 4:
    case 5:
    case 6: {
        int32_t writes = static_cast<int32_t>(scheme) - 2;  // 2, 3, 4 write passes
        return k < writes - 1 ? content::random : content::zeros;
    }
    case 7: return k >= 6 ? content::random : k % 2 ? content::ones : content::zeros;
    case 8: return k == 0 ? content::ones : k == 1 ? content::zeros : content::random;
    case 9:
        if (k < 4 || k > 30) return content::random;
        if (k == 9) return content::zeros;
        if (k == 24) return content::ones;
        return content::pattern;
    default: return content::zeros;
    }
}

void fill_pattern(uint8_t* out, uint64_t start, uint64_t bytes, const uint8_t* p) {
    // The pattern runs on unbroken through the whole pass: its phase is the offset's.
    const uint64_t seed = std::min<uint64_t>(bytes, 48);
    for (uint64_t i = 0; i < seed; ++i) out[i] = p[(start + i) % 3];
    // Copies of what is there keep the phase, being a multiple of 3 long.
    for (uint64_t done = seed; done < bytes;) {
        const uint64_t n = std::min(done, bytes - done);
        std::memcpy(out + done, out, n);
        done += n;
    }
}

uint64_t round_up_blocks(uint64_t bytes) {
    return (bytes + bufgen::block_bytes - 1) / bufgen::block_bytes * bufgen::block_bytes;
}

}  // namespace

// One thread that runs one task at a time for its generator.
class bufgen::helper {
public:
    helper() : thread_([this] { run(); }) {}
    ~helper() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void post(std::function<void()> task) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            task_ = std::move(task);
        }
        wake_.notify_all();
    }

    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return !task_; });
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || task_; });
            if (!task_) return;
            lock.unlock();
            task_();
            lock.lock();
            task_ = nullptr;
            wake_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> task_;
    bool stop_ = false;
    std::thread thread_;  // last: it starts once the rest is ready
};

void block_deleter::operator()(uint8_t* block) const { ::operator delete[](block, block_alignment); }

block_ptr new_block(uint64_t bytes) {
    return block_ptr(static_cast<uint8_t*>(::operator new[](bytes, block_alignment)));
}

uint8_t* block_buffer::hold(uint64_t n) {
    if (size < n) {
        bytes.reset();
        bytes = new_block(n);
        size = n;
    }
    return bytes.get();
}

bufgen::bufgen() = default;

bufgen::~bufgen() { helper_.reset(); }

bool bufgen::set(uint32_t scheme_word, int32_t pass) {
    if (pass < 0 || pass >= scheme_pass_count(scheme_word)) return false;
    wait_ahead();
    scheme_ = scheme_word;
    pass_ = pass;
    verify_pass_ = olvex::is_verify_pass(scheme_word, pass);
    const int32_t k = content_index(scheme_word, pass);
    content_ = static_cast<int32_t>(content_of(scheme_word & 0xFF, k));
    // A generator not yet seeded is seeded, and copied for the replay, at its first request.
    if (!verify_pass_ && static_cast<content>(content_) == content::random) replay_ = generator_;
    pattern_ = content_ == static_cast<int32_t>(content::pattern) ? k - 4 : 0;
    selected_ = true;
    made_ = offset_ = start_ = end_ = ahead_start_ = ahead_end_ = 0;
    current_ = nullptr;
    return true;
}

bool bufgen::set_pass(int32_t pass) { return set(scheme_, pass); }

void bufgen::set_pass_bytes(uint64_t bytes) { pass_bytes_ = bytes; }

void bufgen::advance(uint64_t n) { offset_ += n; }

uint64_t bufgen::request_end(uint64_t offset) const {
    if (offset >= start_ && offset < end_) return end_;
    if (offset >= ahead_start_ && offset < ahead_end_) return ahead_end_;
    const uint64_t start = offset / block_bytes * block_bytes;
    const uint64_t pass_end = round_up_blocks(pass_bytes_);
    return pass_end > start ? std::min(start + request_bytes, pass_end) : start + block_bytes;
}

uint64_t bufgen::remaining() const { return request_end(offset_) - offset_; }

const uint8_t* bufgen::data() {
    if (!selected_) return nullptr;
    if (offset_ < start_ || offset_ >= end_) make_current();
    return current_ + (offset_ - start_);
}

void bufgen::wait_ahead() {
    if (helper_) helper_->wait();
}

void bufgen::make(uint8_t* out, uint64_t start, uint64_t end) {
    switch (static_cast<content>(content_)) {
    case content::random: {
        if (!verify_pass_ && !generator_) {
            generator_.emplace();
            replay_ = generator_;
        }
        if (!replay_) replay_.emplace();  // a verification with no write pass before it
        vandel::isaac_random& source = verify_pass_ ? *replay_ : *generator_;
        // Blocks passed over are made all the same, so those after them keep their place.
        for (uint64_t skipped = start / block_bytes; made_ < skipped;) {
            const uint64_t n = std::min(skipped - made_, request_bytes / block_bytes);
            source.fill(out, n * block_bytes);
            made_ += n;
        }
        source.fill(out, end - start);
        made_ = end / block_bytes;
        return;
    }
    case content::pattern: fill_pattern(out, start, end - start, gutmann[pattern_]); return;
    default: return;
    }
}

void bufgen::make_current() {
    wait_ahead();
    const content kind = static_cast<content>(content_);
    if (kind == content::zeros || kind == content::ones) {
        start_ = offset_ / block_bytes * block_bytes;
        end_ = request_end(offset_);
        current_ = kind == content::zeros ? zero_region() : ones_region();
        return;
    }
    if (offset_ >= ahead_start_ && offset_ < ahead_end_) {
        std::swap(own_, spare_);
        start_ = ahead_start_;
        end_ = ahead_end_;
    } else {
        start_ = offset_ / block_bytes * block_bytes;
        end_ = request_end(offset_);
        make(own_.hold(end_ - start_), start_, end_);
    }
    current_ = own_.bytes.get();
    ahead_start_ = ahead_end_ = 0;

    // The next request of the pass, made while the writer moves this one.
    const uint64_t pass_end = round_up_blocks(pass_bytes_);
    if (end_ >= pass_end) return;
    const uint64_t start = end_, end = std::min(end_ + request_bytes, pass_end);
    uint8_t* out = nullptr;
    try {
        out = spare_.hold(end - start);
        if (!helper_) helper_ = std::make_unique<helper>();
    } catch (const std::exception&) {
        return;  // no memory or no thread for it: the next request is made when it is needed
    }
    ahead_start_ = start;
    ahead_end_ = end;
    helper_->post([this, out, start, end] { make(out, start, end); });
}

}  // namespace olvex
