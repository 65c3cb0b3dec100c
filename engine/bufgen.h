#pragma once
// Hands a writer the bytes of the current pass of a scheme in 64 KiB blocks, and regenerates a
// written pass's bytes for the verification pass that reads it back.
#include "vandel/random.h"

#include <cstdint>
#include <memory>

namespace olvex {

// A 64 KiB block aligned to 4096 bytes, as unbuffered files and raw devices need.
struct block_deleter {
    void operator()(uint8_t* block) const;
};
using block_ptr = std::unique_ptr<uint8_t[], block_deleter>;
// Returns a new block; throws bad_alloc.
block_ptr new_block();

class bufgen {
public:
    static constexpr uint64_t block_bytes = 65536;

    bufgen();
    bufgen(const bufgen&) = delete;
    bufgen& operator=(const bufgen&) = delete;
    virtual ~bufgen();

    // Selects pass `pass` of the scheme and generates its first block. Returns false, and keeps
    // the previous selection, when the pass lies outside the scheme's pass count.
    bool set(uint32_t scheme_word, int32_t pass);
    // set() with the current scheme word.
    bool set_pass(int32_t pass);
    // Makes the current block for the selected pass.
    void generate();
    // Moves n bytes on, generating every block whose start the move crosses.
    void advance(uint64_t n);
    // Returns the bytes left in the current block.
    uint64_t remaining() const { return block_bytes - position_; }
    // Returns the next byte of the pass; null before the first block.
    const uint8_t* data() const { return block_ ? block_ + position_ : nullptr; }
    bool is_verify_pass() const { return verify_pass_; }
    uint32_t scheme() const { return scheme_; }
    int32_t pass() const { return pass_; }

private:
    uint32_t scheme_ = 1;
    int32_t pass_ = 0;
    bool verify_pass_ = false;
    vandel::isaac_random generator_;
    vandel::isaac_random replay_;  // the generator as it stood when the latest write pass began
    uint64_t pattern_phase_ = 0;
    block_ptr own_block_;
    const uint8_t* block_ = nullptr;
    uint64_t position_ = 0;
};

}  // namespace olvex
