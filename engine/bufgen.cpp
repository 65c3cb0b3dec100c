#include "engine/bufgen.h"

#include "engine/scheme.h"

#include <cstring>
#include <new>

namespace olvex {

namespace {

constexpr std::align_val_t block_alignment{4096};

const uint8_t* filled_block(uint8_t value) {
    block_ptr block = new_block();
    std::memset(block.get(), value, bufgen::block_bytes);
    return block.release();
}

// Shared read-only by every generator for the life of the process.
const uint8_t* zero_block() {
    static const uint8_t* block = filled_block(0x00);
    return block;
}

const uint8_t* ones_block() {
    static const uint8_t* block = filled_block(0xFF);
    return block;
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

}  // namespace

void block_deleter::operator()(uint8_t* block) const { ::operator delete[](block, block_alignment); }

block_ptr new_block() {
    return block_ptr(static_cast<uint8_t*>(::operator new[](bufgen::block_bytes, block_alignment)));
}

bufgen::bufgen() = default;
bufgen::~bufgen() = default;

bool bufgen::set(uint32_t scheme_word, int32_t pass) {
    if (pass < 0 || pass >= scheme_pass_count(scheme_word)) return false;
    scheme_ = scheme_word;
    pass_ = pass;
    pattern_phase_ = 0;
    position_ = 0;
    verify_pass_ = olvex::is_verify_pass(scheme_word, pass);
    if (!verify_pass_) replay_ = generator_;
    generate();
    return true;
}

bool bufgen::set_pass(int32_t pass) { return set(scheme_, pass); }

void bufgen::generate() {
    uint32_t number = scheme_ & 0xFF;
    int32_t k = content_index(scheme_, pass_);
    switch (content_of(number, k)) {
    case content::zeros: block_ = zero_block(); return;
    case content::ones: block_ = ones_block(); return;
    default: break;
    }
    if (!own_block_) own_block_ = new_block();
    uint8_t* out = own_block_.get();
    if (content_of(number, k) == content::random) {
        (verify_pass_ ? replay_ : generator_).fill(out, block_bytes);
    } else {
        // The pattern runs on unbroken from block to block through the whole pass.
        const uint8_t* p = gutmann[k - 4];
        for (uint64_t i = 0; i < block_bytes; ++i) out[i] = p[(pattern_phase_ + i) % 3];
        pattern_phase_ = (pattern_phase_ + block_bytes) % 3;
    }
    block_ = out;
}

void bufgen::advance(uint64_t n) {
    uint64_t end = position_ + n;
    // Every block is generated in turn, even one skipped whole, so that block i of a pass is
    // always the i-th 64 KiB of the generator's output and a verification pass stays in step.
    for (uint64_t crossed = end / block_bytes; crossed > 0; --crossed) generate();
    position_ = end % block_bytes;
}

}  // namespace olvex
