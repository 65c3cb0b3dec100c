#include "vandel/hash.h"

#include "vandel/convert.h"
#include "vandel/stream.h"
#include "vandel/strings.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace vandel {

namespace {

// ---- SHA-256 -------------------------------------------------------------------------------

constexpr uint32_t sha256_k[64] = {
    0x428A2F98, 0x71374491, 0xB5C0FBCF, 0xE9B5DBA5, 0x3956C25B, 0x59F111F1, 0x923F82A4, 0xAB1C5ED5,
    0xD807AA98, 0x12835B01, 0x243185BE, 0x550C7DC3, 0x72BE5D74, 0x80DEB1FE, 0x9BDC06A7, 0xC19BF174,
    0xE49B69C1, 0xEFBE4786, 0x0FC19DC6, 0x240CA1CC, 0x2DE92C6F, 0x4A7484AA, 0x5CB0A9DC, 0x76F988DA,
    0x983E5152, 0xA831C66D, 0xB00327C8, 0xBF597FC7, 0xC6E00BF3, 0xD5A79147, 0x06CA6351, 0x14292967,
    0x27B70A85, 0x2E1B2138, 0x4D2C6DFC, 0x53380D13, 0x650A7354, 0x766A0ABB, 0x81C2C92E, 0x92722C85,
    0xA2BFE8A1, 0xA81A664B, 0xC24B8B70, 0xC76C51A3, 0xD192E819, 0xD6990624, 0xF40E3585, 0x106AA070,
    0x19A4C116, 0x1E376C08, 0x2748774C, 0x34B0BCB5, 0x391C0CB3, 0x4ED8AA4A, 0x5B9CCA4F, 0x682E6FF3,
    0x748F82EE, 0x78A5636F, 0x84C87814, 0x8CC70208, 0x90BEFFFA, 0xA4506CEB, 0xBEF9A3F7, 0xC67178F2,
};

constexpr uint32_t sha256_initial[8] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A,
                                        0x510E527F, 0x9B05688C, 0x1F83D9AB, 0x5BE0CD19};

inline uint32_t rotr(uint32_t x, int n) { return x >> n | x << (32 - n); }

inline uint32_t load_be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void store_be32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// ---- Tiger ---------------------------------------------------------------------------------

using tiger_sboxes = std::array<uint64_t, 1024>;

constexpr uint64_t tiger_a0 = 0x0123456789ABCDEFULL;
constexpr uint64_t tiger_b0 = 0xFEDCBA9876543210ULL;
constexpr uint64_t tiger_c0 = 0xF096A5B4C3B2E187ULL;

constexpr unsigned byte_of(uint64_t w, int i) { return unsigned(w >> (8 * i)) & 0xFF; }

constexpr void tiger_round(const uint64_t* t, uint64_t& a, uint64_t& b, uint64_t& c, uint64_t x,
                           uint64_t mul) {
    c ^= x;
    a -= t[byte_of(c, 0)] ^ t[256 + byte_of(c, 2)] ^ t[512 + byte_of(c, 4)] ^ t[768 + byte_of(c, 6)];
    b += t[768 + byte_of(c, 1)] ^ t[512 + byte_of(c, 3)] ^ t[256 + byte_of(c, 5)] ^ t[byte_of(c, 7)];
    b *= mul;
}

constexpr void tiger_pass(const uint64_t* t, uint64_t& a, uint64_t& b, uint64_t& c, const uint64_t* x,
                          uint64_t mul) {
    tiger_round(t, a, b, c, x[0], mul);
    tiger_round(t, b, c, a, x[1], mul);
    tiger_round(t, c, a, b, x[2], mul);
    tiger_round(t, a, b, c, x[3], mul);
    tiger_round(t, b, c, a, x[4], mul);
    tiger_round(t, c, a, b, x[5], mul);
    tiger_round(t, a, b, c, x[6], mul);
    tiger_round(t, b, c, a, x[7], mul);
}

constexpr void tiger_key_schedule(uint64_t* x) {
    x[0] -= x[7] ^ 0xA5A5A5A5A5A5A5A5ULL;
    x[1] ^= x[0];
    x[2] += x[1];
    x[3] -= x[2] ^ (~x[1] << 19);
    x[4] ^= x[3];
    x[5] += x[4];
    x[6] -= x[5] ^ (~x[4] >> 23);
    x[7] ^= x[6];
    x[0] += x[7];
    x[1] -= x[0] ^ (~x[7] << 19);
    x[2] ^= x[1];
    x[3] += x[2];
    x[4] -= x[3] ^ (~x[2] >> 23);
    x[5] ^= x[4];
    x[6] += x[5];
    x[7] -= x[6] ^ 0x0123456789ABCDEFULL;
}

// Compresses one block, given as eight words, into state with the S-boxes t.
constexpr void tiger_compress(const uint64_t* t, const uint64_t* block, uint64_t* state) {
    uint64_t x[8] = {block[0], block[1], block[2], block[3], block[4], block[5], block[6], block[7]};
    uint64_t a = state[0], b = state[1], c = state[2];
    tiger_pass(t, a, b, c, x, 5);
    tiger_key_schedule(x);
    tiger_pass(t, c, a, b, x, 7);
    tiger_key_schedule(x);
    tiger_pass(t, b, c, a, x, 9);
    state[0] = a ^ state[0];
    state[1] = b - state[1];
    state[2] = c + state[2];
}

// The S-boxes by the algorithm's own generation procedure: start from the identity in every
// byte column, then for five passes swap bytes within each column as directed by the state of
// Tiger compressing its own title with the tables built so far.
constexpr tiger_sboxes make_tiger_sboxes() {
    tiger_sboxes t{};
    for (unsigned i = 0; i < 1024; ++i)
        for (int col = 0; col < 8; ++col) t[i] |= uint64_t(i & 0xFF) << (8 * col);

    const char title[] = "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham";
    static_assert(sizeof title == 65, "the title fills exactly one block");
    uint64_t block[8] = {};
    for (int j = 0; j < 64; ++j) block[j / 8] |= uint64_t(uint8_t(title[j])) << (8 * (j % 8));

    uint64_t state[3] = {tiger_a0, tiger_b0, tiger_c0};
    int abc = 2;
    for (int pass = 0; pass < 5; ++pass)
        for (unsigned i = 0; i < 256; ++i)
            for (unsigned sb = 0; sb < 1024; sb += 256) {
                if (++abc == 3) {
                    abc = 0;
                    tiger_compress(t.data(), block, state);
                }
                for (int col = 0; col < 8; ++col) {
                    unsigned other = sb + byte_of(state[abc], col);
                    uint64_t mask = uint64_t(0xFF) << (8 * col);
                    uint64_t here = t[sb + i] & mask;
                    uint64_t there = t[other] & mask;
                    t[sb + i] = (t[sb + i] & ~mask) | there;
                    t[other] = (t[other] & ~mask) | here;
                }
            }
    return t;
}

// Computed by the compiler: constant data, complete before any thread runs.
constexpr tiger_sboxes tiger_table = make_tiger_sboxes();
static_assert(tiger_table[0] == 0x02AAB17CF7E90C5EULL, "first word of the published first S-box");

inline uint64_t load_le64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

inline void store_le64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}

void tiger_compress_bytes(const uint8_t* bytes, uint64_t* state) {
    uint64_t block[8];
    for (int i = 0; i < 8; ++i) block[i] = load_le64(bytes + 8 * i);
    tiger_compress(tiger_table.data(), block, state);
}

// ---- both hashes ---------------------------------------------------------------------------

// Feeds size bytes through the 64-byte block buffer: completes a partial block, compresses the
// whole blocks straight from data, keeps the rest.
template <class Compress>
void feed_blocks(uint8_t* block, uint64_t& buffered, const void* data, size_t size, Compress compress) {
    auto p = static_cast<const uint8_t*>(data);
    if (buffered > 0) {
        size_t take = std::min<size_t>(size, 64 - buffered);
        std::memcpy(block + buffered, p, take);
        buffered += take;
        p += take;
        size -= take;
        if (buffered < 64) return;
        compress(block);
        buffered = 0;
    }
    for (; size >= 64; p += 64, size -= 64) compress(p);
    if (size > 0) std::memcpy(block, p, size);
    buffered = size;
}

// Ends the message in block (n bytes held): the pad byte, zeros, and the 8 length bytes in the
// last 8 bytes of the last block; one or two blocks compressed.
template <class Compress>
void pad_message(uint8_t* block, size_t n, uint8_t pad_byte, const uint8_t* length, Compress compress) {
    block[n++] = pad_byte;
    if (n > 56) {
        std::memset(block + n, 0, 64 - n);
        compress(block);
        n = 0;
    }
    std::memset(block + n, 0, 56 - n);
    std::memcpy(block + 56, length, 8);
    compress(block);
}

}  // namespace

// ---- hash_obj ------------------------------------------------------------------------------

hash_obj::~hash_obj() = default;

int64_t hash_obj::update_checked(const void* data, size_t size) {
    if (data == nullptr && size != 0) throw std::invalid_argument("invalid pointer");
    return update(data, size);
}

int64_t hash_obj::update(const std::string& text) {
    if (text.empty()) return 0;
    return update_checked(text.data(), text.size());
}

int64_t hash_obj::update(const std::wstring& text) { return update(to_utf8(text, '\x1A')); }

std::string hash_obj::hex_digest(const std::string& separator) {
    std::vector<uint8_t> digest;
    finish(digest);
    return hex_dump(digest.data(), digest.size(), false, separator, std::string());
}

std::wstring hash_obj::hex_digest(const std::wstring& separator) {
    std::vector<uint8_t> digest;
    finish(digest);
    return hex_dump(digest.data(), digest.size(), false, separator, std::wstring());
}

int64_t hash_obj::update_from_stream(stream& input, int64_t count) {
    constexpr int64_t piece = 32768;
    if (count < 0) count = input.remaining();
    uint8_t buffer[piece];
    int64_t hashed = 0;
    for (;;) {
        int64_t n = input.read(buffer, std::min(count - hashed, piece));
        if (n > 0) {
            update(buffer, static_cast<size_t>(n));
            hashed += n;
        }
        if (n < piece) break;
    }
    return hashed;
}

// ---- sha256_hash ---------------------------------------------------------------------------

sha256_hash::sha256_hash() { reset(); }

void sha256_hash::reset() {
    finished_ = false;
    length_done_ = 0;
    buffered_ = 0;
    std::memcpy(words_, sha256_initial, sizeof words_);
}

void sha256_hash::compress(const uint8_t* block) {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) w[i] = load_be32(block + 4 * i);
    for (int i = 16; i < 64; ++i) {
        uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = words_[0], b = words_[1], c = words_[2], d = words_[3];
    uint32_t e = words_[4], f = words_[5], g = words_[6], h = words_[7];
    for (int i = 0; i < 64; ++i) {
        uint32_t t1 = h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + sha256_k[i] + w[i];
        uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    words_[0] += a;
    words_[1] += b;
    words_[2] += c;
    words_[3] += d;
    words_[4] += e;
    words_[5] += f;
    words_[6] += g;
    words_[7] += h;
}

int64_t sha256_hash::update(const void* data, size_t size) {
    if (finished_) reset();
    feed_blocks(block_, buffered_, data, size, [this](const uint8_t* block) {
        compress(block);
        length_done_ += 64;
    });
    return static_cast<int64_t>(size);
}

size_t sha256_hash::finish(std::vector<uint8_t>& out) {
    if (!finished_) {
        uint64_t bits = (length_done_ + buffered_) * 8;
        uint8_t length[8];
        for (int i = 0; i < 8; ++i) length[i] = uint8_t(bits >> (56 - 8 * i));
        pad_message(block_, static_cast<size_t>(buffered_), 0x80, length,
                    [this](const uint8_t* block) { compress(block); });
        for (int i = 0; i < 8; ++i) store_be32(digest_ + 4 * i, words_[i]);
        buffered_ = 0;
        finished_ = true;
    }
    out.insert(out.end(), digest_, digest_ + 32);
    return 32;
}

// ---- tiger_hash ----------------------------------------------------------------------------

tiger_hash::tiger_hash() { reset(); }

void tiger_hash::reset() {
    finished_ = false;
    length_total_ = 0;
    buffered_ = 0;
    chain_[0] = tiger_a0;
    chain_[1] = tiger_b0;
    chain_[2] = tiger_c0;
}

int64_t tiger_hash::update(const void* data, size_t size) {
    if (finished_) reset();
    length_total_ += size;
    feed_blocks(block_, buffered_, data, size, [this](const uint8_t* block) { tiger_compress_bytes(block, chain_); });
    return static_cast<int64_t>(size);
}

size_t tiger_hash::finish(std::vector<uint8_t>& out) {
    // The padding goes through copies, so the chain stays as it is and a second finish gives
    // the same digest.
    uint64_t state[3] = {chain_[0], chain_[1], chain_[2]};
    uint8_t pad[64];
    std::memcpy(pad, block_, static_cast<size_t>(buffered_));
    uint8_t length[8];
    store_le64(length, length_total_ * 8);
    pad_message(pad, static_cast<size_t>(buffered_), 0x01, length,
                [&state](const uint8_t* block) { tiger_compress_bytes(block, state); });
    finished_ = true;
    uint8_t digest[24];
    for (int i = 0; i < 3; ++i) store_le64(digest + 8 * i, state[i]);
    out.insert(out.end(), digest, digest + 24);
    return 24;
}

}  // namespace vandel
