#include "vandel/hash.h"
#include "vandel/memory_stream.h"
#include "tests/support/throws.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using oblivar::test::throws;

std::string digest_of(vandel::hash_obj& h) { return h.hex_digest(std::string()); }

struct vector_row {
    std::string message;
    const char* digest;
};

const std::string tiger_title = "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham";
const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-";

const vector_row sha256_vectors[] = {
    {"", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
    {"abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
    // 56 bytes: the padding needs a second block.
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
    {std::string(55, 'a'), "9F4390F8D30C2DD92EC9F095B65E2B9AE9B0A925A5258E241C9F1E910F734318"},
    {std::string(1000000, 'a'), "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
};

const vector_row tiger_vectors[] = {
    {"", "3293AC630C13F0245F92BBB1766E16167A4E58492DDE73F3"},
    {"abc", "2AAB1484E8C158F2BFB8C5FF41B57A525129131C957B5F93"},
    {"Tiger", "DD00230799F5009FEC6DEBC838BB6A27DF2B9D6F110C7937"},
    {alphabet, "F71C8583902AFB879EDFE610F82C0D4786A3A534504486B5"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZ=abcdefghijklmnopqrstuvwxyz+0123456789",
     "48CEEB6308B87D46E95D656112CDF18D97915F9765658957"},
    {tiger_title, "8A866829040A410C729AD23F5ADA711603B3CDD357E4C15E"},
    {tiger_title + ", proceedings of Fast Software Encryption 3, Cambridge.",
     "CE55A6AFD591F5EBAC547FF84F89227F9331DAB0B611C889"},
    {tiger_title + ", proceedings of Fast Software Encryption 3, Cambridge, 1996.",
     "631ABDD103EB9A3D245B6DFD4D77B257FC7439501D1568DD"},
    {alphabet + alphabet, "C54034E5B43EB8005848A7E0AE6AAC76E4FF590AE715FD25"},
};

template <class H>
void check_vectors(const vector_row* begin, const vector_row* end) {
    for (const vector_row* r = begin; r != end; ++r) {
        H whole;
        whole.update(r->message);
        EXPECT_EQ(digest_of(whole), r->digest) << r->message.size() << " bytes";

        // Split into pieces of every size from 1 to 130 bytes in turn.
        H pieces;
        size_t at = 0;
        for (size_t step = 1; at < r->message.size(); step = step % 130 + 1) {
            size_t n = std::min(step, r->message.size() - at);
            pieces.update(r->message.data() + at, n);
            at += n;
        }
        EXPECT_EQ(digest_of(pieces), r->digest) << r->message.size() << " bytes, split";
    }
}

TEST(Hash, Sha256KnownAnswersWhateverTheSplit) {
    check_vectors<vandel::sha256_hash>(std::begin(sha256_vectors), std::end(sha256_vectors));
}

TEST(Hash, TigerKnownAnswersWhateverTheSplit) {
    check_vectors<vandel::tiger_hash>(std::begin(tiger_vectors), std::end(tiger_vectors));
}

TEST(Hash, FinishAppendsAndUpdateAfterFinishStartsAnew) {
    vandel::sha256_hash sha;
    vandel::tiger_hash tiger;
    for (vandel::hash_obj* h : {static_cast<vandel::hash_obj*>(&sha), static_cast<vandel::hash_obj*>(&tiger)}) {
        std::vector<uint8_t> out = {0xAA};
        h->update(std::string("earlier data"));
        EXPECT_EQ(h->finish(out), h->digest_size());
        EXPECT_EQ(h->finish(out), h->digest_size());
        ASSERT_EQ(out.size(), 1 + 2 * h->digest_size());
        EXPECT_EQ(out[0], 0xAA);
        EXPECT_TRUE(std::equal(out.begin() + 1, out.begin() + 1 + h->digest_size(),
                               out.begin() + 1 + h->digest_size()));

        h->update(std::string("x"));
        std::string after = digest_of(*h);
        h->reset();
        h->update(std::string("x"));
        EXPECT_EQ(after, digest_of(*h));
        EXPECT_EQ(h->block_size(), 64u);
    }
    EXPECT_EQ(sha.digest_size(), 32u);
    EXPECT_EQ(tiger.digest_size(), 24u);
}

TEST(Hash, NullDataIsRefusedOnlyWithASize) {
    vandel::sha256_hash h;
    EXPECT_TRUE(throws<std::invalid_argument>([&] { h.update_checked(nullptr, 1); }, "invalid pointer"));
    EXPECT_EQ(h.update_checked(nullptr, 0), 0);
    EXPECT_EQ(h.update(std::string()), 0);
    EXPECT_EQ(digest_of(h), sha256_vectors[0].digest);
}

TEST(Hash, UpdateFromStreamReadsAllThatRemains) {
    std::string data(100000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + 7);
    vandel::memory_stream s(data.data(), static_cast<int64_t>(data.size()));
    vandel::sha256_hash from_stream, direct;
    EXPECT_EQ(from_stream.update_from_stream(s, -1), 100000);
    EXPECT_TRUE(s.eof());
    direct.update(data);
    EXPECT_EQ(digest_of(from_stream), digest_of(direct));

    s.seek(10, 0);
    vandel::tiger_hash part, expect;
    EXPECT_EQ(part.update_from_stream(s, 40000), 40000);
    EXPECT_EQ(s.position(), 40010);
    expect.update(data.data() + 10, 40000);
    EXPECT_EQ(digest_of(part), digest_of(expect));
}

TEST(Hash, HexDigestAndWideText) {
    vandel::sha256_hash sha;
    sha.update(std::string("abc"));
    EXPECT_EQ(sha.hex_digest(":").substr(0, 12), "BA:78:16:BF:");
    vandel::tiger_hash tiger;
    EXPECT_EQ(tiger.hex_digest(L" ").substr(0, 9), L"32 93 AC ");
    EXPECT_EQ(tiger.hex_digest(std::string()).size(), 48u);

    // Wide text is hashed as UTF-8: e-acute and the euro sign are C3 A9 E2 82 AC.
    vandel::sha256_hash wide, bytes;
    EXPECT_EQ(wide.update(std::wstring{wchar_t(0xE9), wchar_t(0x20AC)}), 5);
    bytes.update(std::string("\xC3\xA9\xE2\x82\xAC"));
    EXPECT_EQ(digest_of(wide), digest_of(bytes));
    EXPECT_EQ(wide.update(std::wstring()), 0);
}

}  // namespace
