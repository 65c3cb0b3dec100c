#include "vandel/random.h"
#include "vandel/hash.h"
#include "tests/support/manual_clock.h"
#include "tests/support/throws.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

using oblivar::test::throws;

// The reference ISAAC output after the all-zero seed: the first block it publishes, which is the
// block of the step after the initialisation.
const uint32_t isaac_zero_seed_block[256] = {
    0xf650e4c8, 0xe448e96d, 0x98db2fb4, 0xf5fad54f, 0x433f1afb, 0xedec154a, 0xd8370487, 0x46ca4f9a,
    0x5de3743e, 0x88381097, 0xf1d444eb, 0x823cedb6, 0x6a83e1e0, 0x4a5f6355, 0xc7442433, 0x25890e2e,
    0x7452e319, 0x57161df6, 0x38a824f3, 0x002ed713, 0x29f55449, 0x51c08d83, 0xd78cb99e, 0xa0cc74f3,
    0x8f651659, 0xcbc8b7c2, 0xf5f71c69, 0x12ad6419, 0xe5792e1b, 0x860536b8, 0x09b3ce98, 0xd45d6d81,
    0xf3b26129, 0x17e38f85, 0x29cf72ce, 0x349947b0, 0xc998f9ff, 0xb5e13dae, 0x32ae2a2b, 0xf7cf814c,
    0x8ebfa303, 0xcf22e064, 0x0b923200, 0xeca4d58a, 0xef53cec4, 0xd0f7b37d, 0x9c411a2a, 0xffdf8a80,
    0xb40e27bc, 0xb4d2f976, 0x44b89b08, 0xf37c71d5, 0x1a70e7e9, 0x0bdb9c30, 0x60dc5207, 0xb3c3f24b,
    0xd7386806, 0x229749b5, 0x4e232cd0, 0x91dabc65, 0xa70e1101, 0x8b87437e, 0x5781414f, 0xcdbc62e2,
    0x8107c9ff, 0x69d2e4ae, 0x3b18e752, 0xb143b688, 0x6f4e0772, 0x95138769, 0x943c3c74, 0xafc17a97,
    0x0fd43963, 0x6a529b0b, 0xd8c58a6a, 0xa8bcc22d, 0x2db35dfe, 0xa7a2f402, 0x6cb167db, 0x538e1f4e,
    0x7275e277, 0x1d3b8e97, 0xecc5dc91, 0x15e3a5b9, 0x03696614, 0x30ab93ec, 0xac9fe69d, 0x7bc76811,
    0x60eda8da, 0x28833522, 0xd5295ebc, 0x5adb60e7, 0xf7e1cdd0, 0x97166d14, 0xb67ec13a, 0x210f3925,
    0x64af0fef, 0x0d028684, 0x3aea3dec, 0xb058bafb, 0xb8b0ccfc, 0xf2b5cc05, 0xe3a662d9, 0x814bc24c,
    0x2364a1aa, 0x37c0ed05, 0x2b36505c, 0x451e7ec8, 0x5d2a542f, 0xe43d0fbb, 0x91c8d925, 0x60d4d5f8,
    0x12a0594b, 0x9e8a51da, 0xcd49ebdb, 0x1b0dcdc1, 0xcd57c7f7, 0xe6344451, 0x7ded386f, 0x2f36fa86,
    0xa6d12101, 0x33bc405d, 0xb388d96c, 0xdb6dbe96, 0xfe29661c, 0x13edc0cb, 0xcb0eee4a, 0x70cc94ae,
    0xde11ed34, 0x0606cf9f, 0x3a6ce389, 0x23d74f4e, 0xa37f63ff, 0x917bdec2, 0xd73f72d4, 0x0e7e0e67,
    0x3d77d9a2, 0x13add922, 0x8891b3db, 0x01a9bd70, 0x56a001e3, 0xd51f093d, 0xcc033ce3, 0x5ad0d3b0,
    0x34105a8c, 0x6a123f57, 0xbd2e5024, 0x7364944b, 0xe89b1a3b, 0x21835c4d, 0x9f39e2d9, 0xd405ded8,
    0x294d37e5, 0xbccaaeed, 0x35a124b5, 0x6708a2bc, 0xb00960ba, 0x2a98121a, 0x4d8fae82, 0x0bb3263f,
    0x12595a19, 0x6a107589, 0x0809e494, 0x21c171ec, 0x884d6825, 0x14c8009b, 0xb0b84e7b, 0x03fb88f4,
    0x28e7cb78, 0x9388b13b, 0xdd2dc1d5, 0x848f520a, 0x07c28cd1, 0x68a39358, 0x72c9137d, 0x127dd430,
    0xc613f157, 0x8c2f0d55, 0xf7d3f39f, 0x309bfb78, 0x8406b137, 0x46c0a6f5, 0x3718d597, 0x08607f04,
    0x76904b6d, 0x04db4e13, 0xcd7411a7, 0xb510ce0e, 0xbfc7f7cc, 0xb83f957a, 0xfdfef62d, 0xc35e4580,
    0x3ff1e524, 0x4112d96c, 0x02c9b944, 0xd5990dfb, 0xe7e26581, 0x0d9c7e7e, 0x826dfa89, 0x66f1e0ab,
    0x30bcc764, 0xeadebeac, 0xed35e5ee, 0x0c571a7d, 0xe4f3a26a, 0xf7f58f7b, 0xadf6bc23, 0x5d023e65,
    0x1ed3ff4e, 0xec46b0b6, 0xd2a93b51, 0xe75b41c9, 0x7e315aeb, 0x61119a5a, 0x53245b79, 0x33f6d7b1,
    0xcae8deba, 0x50fc8194, 0xafa92a6d, 0xc87c8006, 0x4188bfcd, 0x8bace62e, 0x78ffa568, 0x5597ec0f,
    0xb4415f7d, 0x08294766, 0xad567643, 0x09c36f90, 0x3dde9f39, 0x4a0a283c, 0x18080c8e, 0x080c79ec,
    0x79ae4c10, 0xcb9e1563, 0x7cdd662f, 0x62d31911, 0xa4ca0cf1, 0x5cf824cd, 0x3b708f99, 0x1e16614c,
    0xb6b9d766, 0x5de87abb, 0x7229ea81, 0xd5b2d750, 0x56e6cd21, 0xfe1e42d5, 0x96da2655, 0xc2b9aa36,
    0xb8f6fd4a, 0x6a158d10, 0x01913fd3, 0xaf7d1fb8, 0x0b5e435f, 0x90c10757, 0x6554abda, 0x7a68710f,
};

TEST(Random, IsaacZeroSeedGivesTheReferenceStream) {
    vandel::isaac_random g;
    g.seed(nullptr, 0);
    for (int i = 0; i < 256; ++i) g.next32();  // the initialisation block
    for (int i = 0; i < 256; ++i) ASSERT_EQ(g.next32(), isaac_zero_seed_block[i]) << "word " << i;

    // A seed of zero bytes is the same as no seed; a longer one is cut at 1024 bytes.
    std::vector<uint8_t> zeros(2000, 0);
    vandel::isaac_random z;
    z.seed(zeros.data(), zeros.size());
    for (int i = 0; i < 256; ++i) z.next32();
    EXPECT_EQ(z.next32(), isaac_zero_seed_block[0]);
}

TEST(Random, IsaacNext64PutsTheFirstWordHigh) {
    vandel::isaac_random g;
    vandel::isaac_random copy = g;
    for (int i = 0; i < 300; ++i) {  // across a block boundary
        uint64_t hi = copy.next32();
        uint64_t lo = copy.next32();
        ASSERT_EQ(g.next64(), hi << 32 | lo);
    }
}

TEST(Random, IsaacCopyReplaysTheStream) {
    vandel::isaac_random g;
    std::vector<uint8_t> skip(1000);
    g.fill(skip.data(), skip.size());
    vandel::isaac_random copy = g;
    std::vector<uint8_t> a(70000), b(70000);
    g.fill(a.data(), a.size());
    copy.fill(b.data(), b.size());
    EXPECT_EQ(a, b);
    EXPECT_EQ(g.next32(), copy.next32());

    vandel::isaac_random assigned;
    assigned = g;
    EXPECT_EQ(assigned.next64(), g.next64());
}

// What fill must write: one next64 per 8 bytes, little-endian, the last draw cut to fit.
std::vector<uint8_t> expected_fill(vandel::random_source& g, size_t size) {
    std::vector<uint8_t> out;
    while (out.size() < size) {
        uint64_t v = g.next64();
        for (int i = 0; i < 8 && out.size() < size; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    return out;
}

TEST(Random, FillWritesDrawsLittleEndianAndNothingBeyond) {
    vandel::isaac_random isaac;
    vandel::lcg_random lcg;
    for (vandel::random_source* g : {static_cast<vandel::random_source*>(&isaac), static_cast<vandel::random_source*>(&lcg)}) {
        for (size_t start_words : {0, 1, 253, 254, 255, 256}) {
            for (size_t size : {1, 3, 7, 8, 9, 15, 16, 17, 1000, 2047, 2048, 2049, 65536}) {
                for (size_t i = 0; i < start_words; ++i) g->next32();
                std::vector<uint8_t> expect;
                if (g == &isaac) {
                    vandel::isaac_random copy = isaac;
                    expect = expected_fill(copy, size);
                } else {
                    vandel::lcg_random copy = lcg;
                    expect = expected_fill(copy, size);
                }
                std::vector<uint8_t> buffer(size + 16, 0xEE);
                EXPECT_EQ(g->fill(buffer.data() + 8, size), buffer.data() + 8);
                EXPECT_TRUE(std::equal(expect.begin(), expect.end(), buffer.begin() + 8))
                    << "size " << size << " after " << start_words << " words";
                for (size_t i = 0; i < 8; ++i) {
                    EXPECT_EQ(buffer[i], 0xEE);
                    EXPECT_EQ(buffer[size + 8 + i], 0xEE) << "written past a buffer of " << size;
                }
            }
        }
    }
}

TEST(Random, FillDrawsOncePerEightBytes) {
    vandel::isaac_random g;
    vandel::isaac_random copy = g;
    uint8_t three[3];
    g.fill(three, 3);
    uint64_t v = copy.next64();
    EXPECT_EQ(three[0], uint8_t(v));
    EXPECT_EQ(three[2], uint8_t(v >> 16));
    uint8_t sixteen[16];
    g.fill(sixteen, 16);
    copy.next64();
    copy.next64();
    EXPECT_EQ(g.next32(), copy.next32());

    EXPECT_EQ(g.fill(nullptr, 0), nullptr);
    EXPECT_EQ(g.next32(), copy.next32());
    EXPECT_TRUE(throws<std::invalid_argument>([&] { g.fill(nullptr, 1); }, "invalid pointer"));
}

TEST(Random, LcgKnownValues) {
    vandel::lcg_random g;
    const uint8_t zeros[8] = {};
    g.seed(zeros, 8);
    uint64_t expect = 0xB504F32DULL;
    EXPECT_EQ(g.next64(), expect);
    for (int i = 0; i < 5; ++i) {
        expect = expect * 2862933555777941757ULL + 3037000493ULL;
        EXPECT_EQ(g.next64(), expect);
    }
    g.seed(zeros, 8);
    EXPECT_EQ(g.next31(), static_cast<int32_t>(0xB504F32Du >> 1));
    g.seed(zeros, 0);
    EXPECT_EQ(g.next32(), 0xB504F32Du);  // high half 0

    const uint8_t three[3] = {1, 2, 3};
    g.seed(three, 3);
    EXPECT_EQ(g.next64(), 0x030201ULL * 2862933555777941757ULL + 3037000493ULL);
    g.seed_u64(0x1122334455667788ULL);
    EXPECT_EQ(g.next64(), 0x1122334455667788ULL * 2862933555777941757ULL + 3037000493ULL);
    EXPECT_TRUE(throws<std::invalid_argument>([&] { g.seed(nullptr, 2); }, "invalid pointer"));
    EXPECT_EQ(g.seed_size(), 8u);
}

TEST(Random, IsaacSeedFromOneValueIsTheChainOfDigests) {
    const uint64_t value = 0x0102030405060708ULL;
    std::vector<uint8_t> s;
    vandel::sha256_hash h;
    const uint8_t le[8] = {8, 7, 6, 5, 4, 3, 2, 1};
    h.update(le, 8);
    h.finish(s);
    while (s.size() < 1024) {
        h.reset();
        h.update(s.data(), s.size());
        h.finish(s);
    }
    vandel::isaac_random a, b;
    a.seed_u64(value);
    b.seed(s.data(), 1024);
    for (int i = 0; i < 600; ++i) ASSERT_EQ(a.next32(), b.next32());
    EXPECT_EQ(a.seed_size(), 1024u);
}

TEST(Random, GeneratorsSeedThemselvesApart) {
    oblivar::test::manual_clock clock(1700000000000LL);  // one millisecond for all of them
    vandel::isaac_random a, b;
    EXPECT_NE(a.next64(), b.next64());
    // A copy carries the reseed counter: reseeded in the same millisecond, both start alike.
    vandel::isaac_random c = a;
    a.randomize();
    c.randomize();
    EXPECT_EQ(a.next64(), c.next64());
    // Two reseeds within one millisecond still differ.
    vandel::isaac_random d = a;
    a.randomize();
    EXPECT_NE(a.next64(), d.next64());
    vandel::lcg_random l1, l2;
    EXPECT_NE(l1.next64(), l2.next64());
}

TEST(Random, UniformReal) {
    vandel::isaac_random g;
    vandel::isaac_random copy = g;
    EXPECT_EQ(g.uniform_real(5.0, 5.0), 5.0);
    EXPECT_EQ(g.next32(), copy.next32());  // nothing drawn
    for (int i = 0; i < 1000; ++i) {
        double v = g.uniform_real(3.0, -2.0);
        ASSERT_GE(v, -2.0);
        ASSERT_LE(v, 3.0);
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(throws<std::invalid_argument>([&] { g.uniform_real(1.0, 2.0); }, "min cannot be greater than max"));
    EXPECT_TRUE(throws<std::invalid_argument>([&] { g.uniform_real(nan, 0.0); }, "min cannot be greater than max"));
    EXPECT_TRUE(throws<std::invalid_argument>([&] { g.uniform_real(1.0, nan); }, "min cannot be greater than max"));
}

// Hands out a fixed list of values.
class scripted_source : public vandel::random_source {
public:
    explicit scripted_source(std::vector<uint64_t> values) : values_(std::move(values)) {}
    void seed(const void*, size_t) override {}
    size_t seed_size() const override { return 8; }
    uint32_t next32() override { return static_cast<uint32_t>(next64()); }
    uint64_t next64() override { return values_.at(next_++); }

private:
    std::vector<uint64_t> values_;
    size_t next_ = 0;
};

TEST(Random, NormalRealNeverTakesTheLogOfZero) {
    scripted_source s({0, 1ULL << 63, 0});  // u = 0 is drawn again; then u = 0.5, v = 0
    EXPECT_DOUBLE_EQ(s.normal_real(), std::sqrt(-2.0 * std::log(0.5)));

    vandel::isaac_random g;
    double sum = 0;
    for (int i = 0; i < 20000; ++i) {
        double v = g.normal_real();
        ASSERT_TRUE(std::isfinite(v));
        sum += v;
    }
    EXPECT_LT(std::fabs(sum / 20000), 0.05);
}

}  // namespace
