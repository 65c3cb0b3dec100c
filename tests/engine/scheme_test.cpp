#include "engine/scheme.h"
#include "engine/bufgen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t first = olvex::verify_first;
constexpr uint32_t last = olvex::verify_last;

TEST(Schemes, NamesIgnoreTheVerificationBits) {
    const wchar_t* names[] = {L"Zero Overwrite", L"Random Data", L"GOST R 50739-95", L"DOD 5220.22-M",
                              L"VORNA", L"VORNA+", L"VORNA++", L"VSITR", L"Schneier", L"Gutmann"};
    for (uint32_t s = 0; s < 10; ++s) {
        EXPECT_EQ(olvex::scheme_text(s), names[s]);
        EXPECT_EQ(olvex::scheme_text(s | first | last), names[s]);
    }
    EXPECT_EQ(olvex::scheme_text(10), L"");
    EXPECT_EQ(olvex::scheme_text(12 | last), L"");
}

TEST(Schemes, PassCountsWithEveryVerificationCombination) {
    // {scheme, none, first, last, both}
    const int32_t rows[][5] = {
        {0, 1, 2, 2, 2},     {1, 1, 2, 2, 2},     {2, 2, 3, 3, 4},     {3, 3, 4, 4, 5},
        {4, 2, 3, 3, 4},     {5, 3, 4, 4, 5},     {6, 4, 5, 5, 6},     {7, 7, 8, 8, 9},
        {8, 7, 8, 8, 9},     {9, 35, 36, 36, 37}, {12, 0, 0, 0, 0},    {255, 0, 0, 0, 0},
    };
    for (const auto& r : rows) {
        uint32_t s = static_cast<uint32_t>(r[0]);
        EXPECT_EQ(olvex::scheme_pass_count(s), r[1]) << s;
        EXPECT_EQ(olvex::scheme_pass_count(s | first), r[2]) << s;
        EXPECT_EQ(olvex::scheme_pass_count(s | last), r[3]) << s;
        EXPECT_EQ(olvex::scheme_pass_count(s | first | last), r[4]) << s;
    }
}

TEST(Schemes, VerifyTexts) {
    EXPECT_EQ(olvex::verify_text(static_cast<int32_t>(3 | last)), L"Last");
    EXPECT_EQ(olvex::verify_text(static_cast<int32_t>(9 | first | last)), L"Two Pass");
    EXPECT_EQ(olvex::verify_text(static_cast<int32_t>(0 | first)), L"First");
    EXPECT_EQ(olvex::verify_text(1), L"None");
}

TEST(Schemes, VerificationPassPlacement) {
    // Scheme 3 with both bits: write, verify, write, write, verify.
    const bool both[] = {false, true, false, false, true};
    const int32_t both_content[] = {0, 0, 1, 2, 3};
    for (int32_t p = 0; p < 5; ++p) {
        EXPECT_EQ(olvex::is_verify_pass(3 | first | last, p), both[p]) << p;
        EXPECT_EQ(olvex::content_index(3 | first | last, p), both_content[p]) << p;
    }
    // One-pass schemes: pass 1 checks pass 0 whatever the bits.
    for (uint32_t bits : {first, last, first | last}) {
        EXPECT_FALSE(olvex::is_verify_pass(1 | bits, 0));
        EXPECT_TRUE(olvex::is_verify_pass(1 | bits, 1));
    }
    EXPECT_TRUE(olvex::is_verify_pass(7 | last, 7));
    EXPECT_FALSE(olvex::is_verify_pass(7 | last, 6));
    EXPECT_FALSE(olvex::is_verify_pass(7, 1));
}

}  // namespace

namespace {

// Reads n bytes of the selected pass, as a writer would: at most the rest of a block at a time.
std::string take(olvex::bufgen& g, uint64_t n) {
    std::string out;
    while (n > 0) {
        uint64_t chunk = std::min(n, g.remaining());
        out.append(reinterpret_cast<const char*>(g.data()), chunk);
        g.advance(chunk);
        n -= chunk;
    }
    return out;
}

// 'Z' zeros, 'F' 0xFF, 'R' random, 'a'.. the Gutmann patterns of passes 5-31 (by index).
const char* const write_passes[10] = {
    "Z", "R", "ZR", "ZFR", "RZ", "RRZ", "RRRZ", "ZFZFZFR", "FZRRRRR",
    "RRRRabcdefghijklmnopqrstuvwxyz{RRRR",
};

const uint8_t gutmann[27][3] = {
    {0x55, 0x55, 0x55}, {0xAA, 0xAA, 0xAA}, {0x92, 0x49, 0x24}, {0x49, 0x24, 0x92}, {0x24, 0x92, 0x49},
    {0x00, 0x00, 0x00}, {0x11, 0x11, 0x11}, {0x22, 0x22, 0x22}, {0x33, 0x33, 0x33}, {0x44, 0x44, 0x44},
    {0x55, 0x55, 0x55}, {0x66, 0x66, 0x66}, {0x77, 0x77, 0x77}, {0x88, 0x88, 0x88}, {0x99, 0x99, 0x99},
    {0xAA, 0xAA, 0xAA}, {0xBB, 0xBB, 0xBB}, {0xCC, 0xCC, 0xCC}, {0xDD, 0xDD, 0xDD}, {0xEE, 0xEE, 0xEE},
    {0xFF, 0xFF, 0xFF}, {0x92, 0x49, 0x24}, {0x49, 0x24, 0x92}, {0x24, 0x92, 0x49}, {0x6D, 0xB6, 0xDB},
    {0xB6, 0xDB, 0x6D}, {0xDB, 0x6D, 0xB6},
};

// The expected pass list: each entry is {content letter, verifies the pass at index (or -1)}.
std::vector<std::pair<char, int>> expected_passes(uint32_t scheme, bool first, bool last) {
    std::string w = write_passes[scheme];
    std::vector<std::pair<char, int>> out;
    for (size_t i = 0; i < w.size(); ++i) {
        out.push_back({w[i], -1});
        bool after_first = i == 0 && first;
        bool after_last = i + 1 == w.size() && last;
        // A one-pass scheme gets one verification pass whatever the bits.
        if (after_first || (after_last && !(w.size() == 1 && first)))
            out.push_back({w[i], static_cast<int>(out.size()) - 1});
    }
    return out;
}

// Checks 150,000 bytes of content (so the pattern crosses block boundaries).
void expect_content(const std::string& bytes, char kind, const std::string& where) {
    SCOPED_TRACE(where);
    if (kind == 'Z' || kind == 'F') {
        EXPECT_EQ(bytes, std::string(bytes.size(), kind == 'Z' ? '\0' : '\xFF'));
    } else if (kind == 'R') {
        // Random data: no byte value dominates.
        std::vector<size_t> counts(256);
        for (unsigned char c : bytes) ++counts[c];
        EXPECT_LT(*std::max_element(counts.begin(), counts.end()), bytes.size() / 128);
    } else {
        const uint8_t* p = gutmann[kind - 'a'];
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (static_cast<uint8_t>(bytes[i]) != p[i % 3]) {
                ADD_FAILURE() << "byte " << i << " differs";
                return;
            }
        }
    }
}

TEST(PassContents, EverySchemeGeneratesItsPassTable) {
    const uint64_t n = 150000;
    for (uint32_t scheme = 0; scheme < 10; ++scheme) {
        for (int bits = 0; bits < 4; ++bits) {
            bool first = bits & 1, last = bits & 2;
            uint32_t word = scheme | (first ? olvex::verify_first : 0u) | (last ? olvex::verify_last : 0u);
            auto passes = expected_passes(scheme, first, last);
            ASSERT_EQ(olvex::scheme_pass_count(word), static_cast<int32_t>(passes.size())) << word;
            olvex::bufgen g;
            std::vector<std::string> written;
            for (size_t p = 0; p < passes.size(); ++p) {
                std::string where = "scheme " + std::to_string(scheme) + " bits " + std::to_string(bits) +
                                    " pass " + std::to_string(p);
                ASSERT_TRUE(g.set(word, static_cast<int32_t>(p))) << where;
                EXPECT_EQ(g.is_verify_pass(), passes[p].second >= 0) << where;
                std::string bytes = take(g, n);
                expect_content(bytes, passes[p].first, where);
                if (passes[p].second >= 0) {
                    EXPECT_TRUE(bytes == written[passes[p].second]) << where;
                }
                written.push_back(bytes);
            }
            EXPECT_FALSE(g.set(word, static_cast<int32_t>(passes.size())));
        }
    }
}

TEST(PassContents, RandomWritePassesDiffer) {
    olvex::bufgen g;
    ASSERT_TRUE(g.set(6, 0));
    std::string a = take(g, 65536);
    ASSERT_TRUE(g.set_pass(1));
    std::string b = take(g, 65536);
    EXPECT_NE(a, b);
    // A second generator is seeded apart.
    olvex::bufgen h;
    ASSERT_TRUE(h.set(6, 0));
    EXPECT_NE(take(h, 65536), a);
}

// Requests gathered ahead hold exactly the blocks made one at a time: the verification pass, made
// one block at a time, replays a write pass taken in requests made ahead, across a skip into the
// request made ahead and one past it.
TEST(PassContents, GatheredRequestsHoldTheBlocksInTheirOrder) {
    const uint64_t request = olvex::bufgen::request_bytes;
    const uint64_t size = 5 * request + 12345;
    for (uint32_t word : {1u | last, 3u | last}) {
        olvex::bufgen g;
        g.set_pass_bytes(size);
        const int32_t write_pass = olvex::scheme_pass_count(word) - 2;
        ASSERT_TRUE(g.set(word, write_pass));
        EXPECT_EQ(g.remaining(), request);
        // {offset, bytes taken there}
        const std::vector<std::pair<uint64_t, uint64_t>> taken = {
            {0, 5000}, {request + 5000, 5000}, {3 * request + 110000, size - 3 * request - 110000}};
        std::vector<std::string> bytes;
        uint64_t at = 0;
        for (const auto& [offset, n] : taken) {
            g.advance(offset - at);
            bytes.push_back(take(g, n));
            at = offset + n;
        }
        g.set_pass_bytes(0);
        ASSERT_TRUE(g.set_pass(write_pass + 1));
        EXPECT_EQ(g.remaining(), 65536u);
        const std::string replay = take(g, size);
        for (size_t i = 0; i < taken.size(); ++i)
            EXPECT_TRUE(replay.substr(taken[i].first, taken[i].second) == bytes[i]) << word << " part " << i;
    }
}

TEST(PassContents, GutmannPatternsAtTheirOffsets) {
    olvex::bufgen g;
    ASSERT_TRUE(g.set(9, 4));
    EXPECT_EQ(take(g, 65536 * 2), std::string(65536 * 2, '\x55'));
    ASSERT_TRUE(g.set(9, 6));  // 92 49 24, running on across blocks
    g.advance(65536);
    EXPECT_EQ(take(g, 1), "\x49");
    g.advance(65535);
    EXPECT_EQ(take(g, 1), "\x24");
    ASSERT_TRUE(g.set(9, 30));  // last pattern pass: DB 6D B6
    EXPECT_EQ(take(g, 4), std::string("\xDB\x6D\xB6\xDB", 4));
    // Gathered, across requests whose length is no multiple of 3.
    g.set_pass_bytes(2 * olvex::bufgen::request_bytes + 5);
    ASSERT_TRUE(g.set(9, 6));
    expect_content(take(g, 2 * olvex::bufgen::request_bytes + 5), 'c', "gathered");
}

TEST(PassContents, VerificationReplaysTheWritePassAcrossSkips) {
    const uint64_t size = 9000000;
    for (uint32_t word : {1u | olvex::verify_last, 3u | olvex::verify_first | olvex::verify_last, 9u | olvex::verify_last}) {
        olvex::bufgen g;
        g.set_pass_bytes(size);
        int32_t last_write = olvex::scheme_pass_count(word) - 2;
        // A random pass left part way, with its next request being made ahead, before this one.
        if (word == (9u | olvex::verify_last)) {
            ASSERT_TRUE(g.set(word, last_write - 1));
            take(g, 300000);
        }
        ASSERT_TRUE(g.set(word, last_write));
        ASSERT_FALSE(g.is_verify_pass());
        std::string written = take(g, size);
        ASSERT_TRUE(g.set_pass(last_write + 1));
        ASSERT_TRUE(g.is_verify_pass());
        // The verifier reads a little, skips several blocks, then reads from an odd offset on.
        EXPECT_TRUE(take(g, 5000) == written.substr(0, 5000));
        g.advance(300001);
        EXPECT_TRUE(take(g, size - 305001) == written.substr(305001)) << word;
    }
}

TEST(PassContents, SelectionAndAdvance) {
    olvex::bufgen g;
    EXPECT_EQ(g.data(), nullptr);
    EXPECT_EQ(g.scheme(), 1u);
    ASSERT_TRUE(g.set(3 | olvex::verify_last, 2));
    EXPECT_FALSE(g.set(3 | olvex::verify_last, 4));
    EXPECT_FALSE(g.set(3, -1));
    EXPECT_FALSE(g.set(12, 0));
    EXPECT_EQ(g.pass(), 2);
    EXPECT_EQ(g.scheme(), 3u | olvex::verify_last);

    ASSERT_TRUE(g.set(0, 0));
    EXPECT_EQ(g.remaining(), 65536u);
    g.advance(200000);
    EXPECT_EQ(g.remaining(), 65536u - 3392u);
    EXPECT_EQ(take(g, 1), std::string(1, '\0'));
}

// The bytes of a random pass are the same whatever requests and skips they are taken in: a pass
// taken in one go is replayed piece by piece, and the other way round. Pass length 0 hands out one
// block at a time, so a long skip is made with buffers no larger than a block.
TEST(PassContents, RequestsAndSkipsNeverChangeARandomPass) {
    const uint64_t block = olvex::bufgen::block_bytes, request = olvex::bufgen::request_bytes;
    const uint64_t size = 3 * request + 7 * block + 1000;
    struct piece {
        uint64_t skip, take;
    };
    struct row {
        const char* name;
        uint64_t pass_bytes;  // for the pass taken in pieces
        std::vector<piece> pieces;
    };
    const std::vector<row> rows = {
        {"gathered, skips within and past the request made ahead", size,
         {{0, 5000}, {request, 70000}, {block, 1}, {request + 3 * block, block + 3}, {0, size - (3 * request + 5 * block + 75004)}}},
        {"one block at a time, a skip of many requests", 0, {{0, 100}, {2 * request + 5 * block - 100, 3 * block + 7}}},
        {"one block at a time, skips of one lane's blocks", 0,
         {{block, block}, {3 * block, block}, {7 * block + 9, 2 * block}, {olvex::bufgen::lanes * block, 100}}},
        {"gathered, a skip from the first request to the last", size, {{0, 1}, {3 * request - 1, size - 3 * request}}},
    };
    for (const row& r : rows) {
        for (bool pieces_first : {true, false}) {
            SCOPED_TRACE(std::string(r.name) + (pieces_first ? ", written in pieces" : ", verified in pieces"));
            olvex::bufgen g;
            std::string whole;
            std::vector<std::pair<uint64_t, std::string>> parts;
            for (int32_t pass : {0, 1}) {
                const bool in_pieces = (pass == 0) == pieces_first;
                g.set_pass_bytes(in_pieces ? r.pass_bytes : size);
                ASSERT_TRUE(g.set(1 | last, pass));
                if (!in_pieces) {
                    whole = take(g, size);
                    continue;
                }
                uint64_t at = 0;
                for (const piece& p : r.pieces) {
                    g.advance(p.skip);
                    at += p.skip;
                    parts.emplace_back(at, take(g, p.take));
                    at += p.take;
                }
                ASSERT_LE(at, size);
            }
            for (const auto& [offset, bytes] : parts)
                EXPECT_TRUE(whole.compare(offset, bytes.size(), bytes) == 0) << "at " << offset;
        }
    }
}

// No 64 KiB block repeats within a pass or across passes: the lanes are seeded apart, and anew
// for every pass.
TEST(PassContents, RandomBlocksNeverRepeat) {
    const uint64_t block = olvex::bufgen::block_bytes, blocks = 40;
    olvex::bufgen g;
    g.set_pass_bytes(blocks * block);
    std::set<std::string> seen;
    for (int32_t pass : {0, 1}) {
        ASSERT_TRUE(g.set(6, pass));
        for (uint64_t i = 0; i < blocks; ++i) EXPECT_TRUE(seen.insert(take(g, block)).second) << pass << " " << i;
    }
}

// Holds the helper making lane 0's first block of the second request until something stops the
// helpers, and counts lane 0's blocks made after it.
class held_bufgen : public olvex::bufgen {
public:
    static constexpr uint64_t held_block = request_bytes / block_bytes;
    std::atomic<bool> held{false};
    std::atomic<int> made_after{0};

protected:
    void made_block(uint64_t block) override {
        if (block == held_block) {
            held = true;
            while (!stopping()) std::this_thread::yield();
        } else if (block > held_block && block % lanes == 0) {
            ++made_after;
        }
    }
};

// A new selection (as a writer's reset makes) while the helpers make the next request stops them
// within the block they are making, instead of waiting for the request.
TEST(PassContents, ANewSelectionStopsTheHelpersMidRequest) {
    for (uint32_t scheme : {1u, 0u}) {
        held_bufgen g;
        g.set_pass_bytes(3 * olvex::bufgen::request_bytes);
        ASSERT_TRUE(g.set(1, 0));
        ASSERT_NE(g.data(), nullptr);  // the first request, and the second made ahead
        while (!g.held) std::this_thread::yield();
        ASSERT_TRUE(g.set(scheme, 0));
        EXPECT_EQ(g.made_after, 0) << scheme;
        // What was stopped leaves the new pass whole.
        if (scheme == 1) expect_content(take(g, 150000), 'R', "after the stop");
    }
}

}  // namespace
