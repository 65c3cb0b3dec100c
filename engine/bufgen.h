#pragma once
// Hands a writer the bytes of the current pass of a scheme, and regenerates a written pass's
// bytes for the verification pass that reads it back. Content is made in 64 KiB blocks, block i
// of a pass always being the i-th 64 KiB of its source. Once the length of the passes is known,
// consecutive blocks are handed out gathered into requests of up to 4 MiB, so a writer can move
// them in one large transfer; random and patterned content is then made one request ahead on
// helper threads while the writer moves the current one.
//
// Random content comes from `lanes` streams, so that several threads can make it at once: block i
// of a pass is the next 64 KiB of stream i % lanes. Each stream is ISAAC seeded from the pass's
// own generator, so the bytes depend on neither the number of threads nor the requests' sizes.
#include "vandel/random.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

namespace olvex {

// Memory aligned to 4096 bytes, as direct transfers, unbuffered files and raw devices need.
struct block_deleter {
    void operator()(uint8_t* block) const;
};
using block_ptr = std::unique_ptr<uint8_t[], block_deleter>;
// Returns bytes of new aligned memory (one 64 KiB block unless told); throws bad_alloc.
block_ptr new_block(uint64_t bytes = 65536);

// Aligned memory that grows to what it is asked to hold, and keeps it: a small file's pass needs
// no more than its own bytes.
struct block_buffer {
    block_ptr bytes;
    uint64_t size = 0;
    // Returns the memory, at least n bytes of it (what it held is lost when it grows); throws
    // bad_alloc.
    uint8_t* hold(uint64_t n);
};

enum class pass_content : uint8_t { zeros, ones, random, pattern };

class bufgen {
public:
    static constexpr uint64_t block_bytes = 65536;
    // The most one request gathers.
    static constexpr uint64_t request_bytes = 4 << 20;
    // The random streams of a pass; a constant, so a verification replays any machine's pass.
    static constexpr uint32_t lanes = 4;

    bufgen();
    bufgen(const bufgen&) = delete;
    bufgen& operator=(const bufgen&) = delete;
    virtual ~bufgen();

    // Selects pass `pass` of the scheme, at its start. Returns false, and keeps the previous
    // selection, when the pass lies outside the scheme's pass count.
    bool set(uint32_t scheme_word, int32_t pass);
    // set() with the current scheme word.
    bool set_pass(int32_t pass);
    // The length of a pass, for the requests made from now on: they gather blocks up to it and
    // never past it. 0 (unknown, as while a fill runs) hands out one block at a time.
    void set_pass_bytes(uint64_t bytes);
    // Moves n bytes on (offsets only ever move on within a pass). Blocks passed over whole are
    // still made (and dropped) before the next request, so the blocks after them keep their place.
    void advance(uint64_t n);
    // Returns the bytes left in the current request, at least 1 while a pass is selected.
    uint64_t remaining() const;
    // Returns the next byte of the pass, making its request first when needed; null before the
    // first set. The bytes stay valid until the next advance past the request or the next set.
    const uint8_t* data();
    bool is_verify_pass() const { return verify_pass_; }
    uint32_t scheme() const { return scheme_; }
    int32_t pass() const { return pass_; }

protected:
    // Called with the index of each random block of a pass once it is made, on the thread that
    // made it. Lets a test hold a helper thread mid-request.
    virtual void made_block(uint64_t block);
    // True while a set() or the destructor is stopping the helpers.
    bool stopping() const { return stop_.load(std::memory_order_relaxed); }

private:
    class crew;
    struct lane {
        std::optional<vandel::isaac_random> source;
        bool seeded = false;  // seeded for the current pass
        uint64_t made = 0;    // its blocks of the pass made so far
    };

    // The end of the request that holds offset.
    uint64_t request_end(uint64_t offset) const;
    // Makes the request that holds offset_ current, and starts making the next one ahead.
    void make_current();
    // Makes the content of the whole blocks [start, end) of the pass into out, on the helpers
    // when it is large enough to be worth waking them.
    void make(uint8_t* out, uint64_t start, uint64_t end);
    // The content is made in this many units, each on one thread: a lane each, or the whole.
    uint32_t units() const;
    void make_unit(uint32_t unit, uint8_t* out, uint64_t start, uint64_t end);
    // Makes lane j's blocks of [start, end) into out, after the lane's blocks before start.
    void make_lane(uint32_t j, uint8_t* out, uint64_t start, uint64_t end);
    // Draws the lanes' seeds of a random pass from its generator, once per pass.
    void seed_lanes();
    // Starts the helpers unless they run; false when no thread could be had.
    bool have_crew();
    // Waits until the request made ahead is done.
    void wait_ahead();
    // Stops whatever the helpers make, within a block, and waits for them.
    void stop_ahead();

    uint32_t scheme_ = 1;
    int32_t pass_ = 0;
    bool verify_pass_ = false;
    bool selected_ = false;
    pass_content content_ = pass_content::zeros;
    int32_t pattern_ = 0;  // the Gutmann pattern of a pattern pass
    // Seeded at the first random request: seeding costs more than a small file's whole pass.
    std::optional<vandel::isaac_random> generator_;
    std::optional<vandel::isaac_random> replay_;  // the generator as the latest random write pass began
    bool lanes_seeded_ = false;            // seeds_ hold the current pass's
    uint8_t seeds_[lanes][32] = {};
    lane lanes_[lanes];
    uint64_t pass_bytes_ = 0;
    uint64_t offset_ = 0;
    const uint8_t* current_ = nullptr;  // bytes [start_, end_) of the pass
    uint64_t start_ = 0;
    uint64_t end_ = 0;
    uint64_t ahead_start_ = 0;  // [ahead_start_, ahead_end_) is being made into spare_
    uint64_t ahead_end_ = 0;
    block_buffer own_;
    block_buffer spare_;
    std::atomic<bool> stop_{false};
    std::unique_ptr<crew> crew_;  // last: it stops before what it works on goes
};

}  // namespace olvex
