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
#include <vector>

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

pass_content content_of(uint32_t scheme, int32_t k) {
    switch (scheme) {
    case 1: return pass_content::random;
    case 2: return k == 0 ? pass_content::zeros : pass_content::random;
    case 3: return k == 0 ? pass_content::zeros : k == 1 ? pass_content::ones : pass_content::random;
    case 4:
    case 5:
    case 6: {
        int32_t writes = static_cast<int32_t>(scheme) - 2;  // 2, 3, 4 write passes
        return k < writes - 1 ? pass_content::random : pass_content::zeros;
    }
    case 7: return k >= 6 ? pass_content::random : k % 2 ? pass_content::ones : pass_content::zeros;
    case 8: return k == 0 ? pass_content::ones : k == 1 ? pass_content::zeros : pass_content::random;
    case 9:
        if (k < 4 || k > 30) return pass_content::random;
        if (k == 9) return pass_content::zeros;
        if (k == 24) return pass_content::ones;
        return pass_content::pattern;
    default: return pass_content::zeros;
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

// Threads that share out the units of one task at a time. Whoever waits for the task takes the
// units no thread has taken yet, so a thread that is slow to wake delays nobody.
class bufgen::crew {
public:
    using task = std::function<void(uint32_t unit)>;

    // Starts up to `wanted` threads, at least one; throws when not even one could be had.
    explicit crew(uint32_t wanted) {
        threads_.reserve(wanted);
        try {
            while (threads_.size() < wanted) threads_.emplace_back([this] { run(); });
        } catch (const std::exception&) {
            if (threads_.empty()) throw;
        }
    }
    ~crew() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    crew(const crew&) = delete;
    crew& operator=(const crew&) = delete;

    // Only once the task before is done.
    void post(task t, uint32_t units) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            task_ = std::move(t);
            units_ = units;
            next_ = done_ = 0;
        }
        wake_.notify_all();
    }

    // Runs the units not yet taken, then waits for the rest.
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (next_ < units_) run_unit(lock);
        finished_.wait(lock, [this] { return done_ == units_; });
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || next_ < units_; });
            if (stop_) return;
            run_unit(lock);
        }
    }

    // The task stays while one of its units is out: post waits for them all.
    void run_unit(std::unique_lock<std::mutex>& lock) {
        const uint32_t unit = next_++;
        lock.unlock();
        task_(unit);
        lock.lock();
        if (++done_ == units_) finished_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    task task_;
    uint32_t units_ = 0;
    uint32_t next_ = 0;
    uint32_t done_ = 0;
    bool stop_ = false;
    std::vector<std::thread> threads_;
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

bufgen::~bufgen() {
    stop_ = true;
    crew_.reset();
}

void bufgen::made_block(uint64_t) {}

bool bufgen::set(uint32_t scheme_word, int32_t pass) {
    if (pass < 0 || pass >= scheme_pass_count(scheme_word)) return false;
    stop_ahead();
    scheme_ = scheme_word;
    pass_ = pass;
    verify_pass_ = olvex::is_verify_pass(scheme_word, pass);
    const int32_t k = content_index(scheme_word, pass);
    content_ = content_of(scheme_word & 0xFF, k);
    // A generator not yet seeded is seeded, and copied for the replay, at its first request.
    if (!verify_pass_ && content_ == pass_content::random) replay_ = generator_;
    pattern_ = content_ == pass_content::pattern ? k - 4 : 0;
    selected_ = true;
    offset_ = start_ = end_ = ahead_start_ = ahead_end_ = 0;
    current_ = nullptr;
    lanes_seeded_ = false;
    for (lane& l : lanes_) {
        l.seeded = false;
        l.made = 0;
    }
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
    if (crew_) crew_->wait();
}

void bufgen::stop_ahead() {
    if (!crew_) return;
    stop_ = true;
    crew_->wait();
    stop_ = false;
}

bool bufgen::have_crew() {
    if (crew_) return true;
    try {
        const uint32_t cores = std::max(1u, std::thread::hardware_concurrency());
        crew_ = std::make_unique<crew>(std::min<uint32_t>(lanes, cores));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void bufgen::seed_lanes() {
    if (lanes_seeded_) return;
    if (!verify_pass_ && !generator_) {
        generator_.emplace();
        replay_ = generator_;
    }
    if (!replay_) replay_.emplace();  // a verification with no write pass before it
    if (verify_pass_) {
        vandel::isaac_random source = *replay_;
        source.fill(seeds_, sizeof seeds_);
    } else {
        generator_->fill(seeds_, sizeof seeds_);
    }
    // A lane's generator is made by copying, as seeding one from the clock costs more than a
    // small file's pass; its seed then replaces all it held.
    for (lane& l : lanes_)
        if (!l.source) l.source.emplace(*replay_);
    lanes_seeded_ = true;
}

void bufgen::make_lane(uint32_t j, uint8_t* out, uint64_t start, uint64_t end) {
    const uint64_t first = start / block_bytes, last = end / block_bytes;
    uint64_t block = first + (j + lanes - first % lanes) % lanes;
    if (block >= last) return;
    lane& l = lanes_[j];
    if (!l.seeded) {
        l.source->seed(seeds_[j], sizeof seeds_[j]);
        l.seeded = true;
    }
    // The lane's blocks passed over are made all the same, so those after them keep their
    // place; each into the request's first block of the lane, which is all it is sure to hold.
    uint8_t* const slot = out + (block - first) * block_bytes;
    while (l.made < block / lanes) {
        if (stop_.load(std::memory_order_relaxed)) return;
        l.source->fill(slot, block_bytes);
        ++l.made;
    }
    for (; block < last; block += lanes) {
        if (stop_.load(std::memory_order_relaxed)) return;
        l.source->fill(out + (block - first) * block_bytes, block_bytes);
        l.made = block / lanes + 1;
        made_block(block);
    }
}

uint32_t bufgen::units() const { return content_ == pass_content::random ? lanes : 1; }

void bufgen::make_unit(uint32_t unit, uint8_t* out, uint64_t start, uint64_t end) {
    switch (content_) {
    case pass_content::random: make_lane(unit, out, start, end); return;
    case pass_content::pattern: fill_pattern(out, start, end - start, gutmann[pattern_]); return;
    default: return;
    }
}

void bufgen::make(uint8_t* out, uint64_t start, uint64_t end) {
    if (content_ == pass_content::random) seed_lanes();
    // Waking the helpers costs more than making a few blocks here; a small file's pass, often a
    // single block, starts no thread at all.
    if (content_ == pass_content::random && end - start >= 16 * block_bytes && have_crew()) {
        std::optional<crew::task> task;
        try {
            task.emplace([this, out, start, end](uint32_t unit) { make_unit(unit, out, start, end); });
        } catch (const std::exception&) {
        }
        if (task) {
            crew_->post(std::move(*task), units());
            crew_->wait();
            return;
        }
    }
    for (uint32_t unit = 0; unit < units(); ++unit) make_unit(unit, out, start, end);
}

void bufgen::make_current() {
    wait_ahead();
    if (content_ == pass_content::zeros || content_ == pass_content::ones) {
        start_ = offset_ / block_bytes * block_bytes;
        end_ = request_end(offset_);
        current_ = content_ == pass_content::zeros ? zero_region() : ones_region();
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
    if (!have_crew()) return;  // no thread for it: the next request is made when it is needed
    crew::task task;
    try {
        uint8_t* out = spare_.hold(end - start);
        task = [this, out, start, end](uint32_t unit) { make_unit(unit, out, start, end); };
    } catch (const std::exception&) {
        return;  // nor memory
    }
    if (content_ == pass_content::random) seed_lanes();
    ahead_start_ = start;
    ahead_end_ = end;
    crew_->post(std::move(task), units());
}

}  // namespace olvex
