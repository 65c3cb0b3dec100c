#include "vandel/random.h"

#include "vandel/clock.h"
#include "vandel/hash.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

// fill stores words with memcpy, which gives little-endian bytes only on a little-endian host.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "little-endian host expected");

namespace vandel {

namespace {

void check_pointer(const void* p, size_t size) {
    if (p == nullptr && size != 0) throw std::invalid_argument("invalid pointer");
}

uint64_t byte_swap64(uint64_t v) {
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i, v >>= 8) r = r << 8 | (v & 0xFF);
    return r;
}

// Writes the low n (1..8) bytes of v, little-endian.
void store_tail(uint8_t* out, uint64_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

void isaac_mix(uint32_t* h) {
    h[0] ^= h[1] << 11; h[3] += h[0]; h[1] += h[2];
    h[1] ^= h[2] >> 2;  h[4] += h[1]; h[2] += h[3];
    h[2] ^= h[3] << 8;  h[5] += h[2]; h[3] += h[4];
    h[3] ^= h[4] >> 16; h[6] += h[3]; h[4] += h[5];
    h[4] ^= h[5] << 10; h[7] += h[4]; h[5] += h[6];
    h[5] ^= h[6] >> 4;  h[0] += h[5]; h[6] += h[7];
    h[6] ^= h[7] << 8;  h[1] += h[6]; h[7] += h[0];
    h[7] ^= h[0] >> 9;  h[2] += h[7]; h[0] += h[1];
}

}  // namespace

// ---- random_source -------------------------------------------------------------------------

random_source::random_source() : reseed_counter_(reinterpret_cast<uintptr_t>(this)) {}

random_source::~random_source() = default;

void random_source::randomize() {
    uint64_t counter = reseed_counter_++;
    seed_u64(byte_swap64(counter) ^ static_cast<uint64_t>(now_ms()));
}

void random_source::seed_u64(uint64_t value) {
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    size_t n = seed_size();
    if (n == 8) {
        seed(bytes, 8);
        return;
    }
    // S = SHA-256(value), then each further digest over all of S so far, until S is long enough.
    std::vector<uint8_t> s;
    s.reserve(n + 32);
    sha256_hash h;
    h.update(bytes, 8);
    h.finish(s);
    while (s.size() < n) {
        h.reset();
        h.update(s.data(), s.size());
        h.finish(s);
    }
    seed(s.data(), n);
}

int32_t random_source::next31() { return static_cast<int32_t>(static_cast<uint32_t>(next64()) >> 1); }

void* random_source::fill(void* buffer, size_t size) {
    check_pointer(buffer, size);
    auto out = static_cast<uint8_t*>(buffer);
    size_t off = 0;
    // Whole pieces while more than 8 bytes remain (never size - 8, which wraps below 8), then
    // the last 1 to 8 bytes from one more draw.
    for (; size - off > 8; off += 8) {
        uint64_t v = next64();
        std::memcpy(out + off, &v, 8);
    }
    if (off < size) store_tail(out + off, next64(), size - off);
    return buffer;
}

double random_source::uniform_real(const double& upper, const double& lower) {
    if (upper > lower) {
        double r = static_cast<double>(next64());
        return lower + (upper - lower) * (r / 18446744073709551616.0);
    }
    if (upper == lower) return upper;
    throw std::invalid_argument("min cannot be greater than max");
}

double random_source::normal_real() {
    static const double pi = 4.0 * std::atan(1.0);
    double u = uniform_real(1.0, 0.0);
    while (u <= 0.0) u = uniform_real(1.0, 0.0);  // log(0) has no value
    double v = uniform_real(1.0, 0.0);
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * pi * v);
}

// ---- isaac_random --------------------------------------------------------------------------

isaac_random::isaac_random() { randomize(); }

void isaac_random::seed(const void* data, size_t size) {
    check_pointer(data, size);
    size_t n = std::min<size_t>(size, sizeof results_);
    std::memset(results_, 0, sizeof results_);
    auto bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) results_[i / 4] |= uint32_t(bytes[i]) << (8 * (i % 4));

    isaac_a_ = isaac_b_ = isaac_c_ = 0;
    uint32_t h[8];
    std::fill(h, h + 8, 0x9E3779B9u);
    for (int i = 0; i < 4; ++i) isaac_mix(h);
    for (const uint32_t* source : {results_, memory_}) {
        for (int i = 0; i < 256; i += 8) {
            for (int j = 0; j < 8; ++j) h[j] += source[i + j];
            isaac_mix(h);
            std::copy(h, h + 8, memory_ + i);
        }
    }
    step();
}

namespace {

// Keeps the compiler from re-associating a sum (GCC and Clang; elsewhere only slower).
inline void keep_sum(uint32_t& v) {
#if defined(__GNUC__)
    asm("" : "+r"(v));
#else
    (void)v;
#endif
}

}  // namespace

// One ISAAC step. The reference's b is carried as its two addends, b = loaded + x of the previous
// word: the chain of dependent loads through b bounds the speed, and this way it holds one
// addition per word instead of two. Each result word i goes to out word i, or to word i ^ 1 in
// fill order (next64 puts the first word of each pair high, so it lands in the pair's upper
// half of the little-endian bytes).
template <bool fill_order>
void isaac_random::generate(uint8_t* out) {
    uint32_t* m = memory_;
    uint32_t a = isaac_a_;
    uint32_t loaded = isaac_b_ + ++isaac_c_;
    uint32_t x_prev = 0;
    auto round = [m, out, &a, &loaded, &x_prev](int i, int j, uint32_t mixed) {
        uint32_t x = m[i];
        a = mixed + m[j];
        uint32_t s = m[(x >> 2) & 255] + a + x_prev;
        keep_sum(s);
        uint32_t y = s + loaded;
        m[i] = y;
        loaded = m[(y >> 10) & 255];
        x_prev = x;
        uint32_t b = loaded + x;
        std::memcpy(out + 4 * (fill_order ? i ^ 1 : i), &b, 4);
    };
    for (int half = 0; half < 256; half += 128) {
        int partner = half ^ 128;  // (i + 128) mod 256 for the words of this half
        for (int k = 0; k < 128; k += 4) {
            int i = half + k, j = partner + k;
            round(i, j, a ^ (a << 13));
            round(i + 1, j + 1, a ^ (a >> 6));
            round(i + 2, j + 2, a ^ (a << 2));
            round(i + 3, j + 3, a ^ (a >> 16));
        }
    }
    isaac_a_ = a;
    isaac_b_ = loaded + x_prev;
}

void isaac_random::step() {
    generate<false>(reinterpret_cast<uint8_t*>(results_));
    next_index_ = 0;
}

void isaac_random::step_into_fill(uint8_t* out) {
    generate<true>(out);
    next_index_ = 256;
}

uint32_t isaac_random::next32() {
    if (next_index_ >= 256) step();
    return results_[next_index_++];
}

uint64_t isaac_random::next64() {
    uint64_t high = next32();
    return high << 32 | next32();
}

void* isaac_random::fill(void* buffer, size_t size) {
    check_pointer(buffer, size);
    auto out = static_cast<uint8_t*>(buffer);
    size_t off = 0;
    while (size - off > 8) {
        if (next_index_ == 256 && size - off > 1024) {
            // A whole block of full pieces: generate it in place.
            step_into_fill(out + off);
            off += 1024;
        } else if (next_index_ > 254) {
            // A pair that straddles two blocks, or a new block only partly needed.
            uint64_t v = next64();
            std::memcpy(out + off, &v, 8);
            off += 8;
        } else {
            // The whole pairs left in this block, as next64 gives them: first word high.
            size_t pairs = std::min<size_t>((256 - next_index_) / 2, (size - off - 1) / 8);
            const uint32_t* r = results_ + next_index_;
            for (size_t k = 0; k < pairs; ++k) {
                uint64_t v;
                std::memcpy(&v, r + 2 * k, 8);
                v = v << 32 | v >> 32;
                std::memcpy(out + off + 8 * k, &v, 8);
            }
            next_index_ += 2 * pairs;
            off += 8 * pairs;
        }
    }
    if (off < size) store_tail(out + off, next64(), size - off);
    return buffer;
}

// ---- lcg_random ----------------------------------------------------------------------------

lcg_random::lcg_random() { randomize(); }

void lcg_random::seed(const void* data, size_t size) {
    check_pointer(data, size);
    size_t n = std::min<size_t>(size, 8);
    auto bytes = static_cast<const uint8_t*>(data);
    uint64_t s = 0;
    for (size_t i = 0; i < n; ++i) s |= uint64_t(bytes[i]) << (8 * i);
    state_ = s;
}

uint64_t lcg_random::next64() {
    state_ = state_ * 0x27BB2EE687B0B0FDULL + 0xB504F32DULL;
    return state_;
}

uint32_t lcg_random::next32() {
    uint64_t x = next64();
    return static_cast<uint32_t>(x ^ (x >> 32));
}

}  // namespace vandel
