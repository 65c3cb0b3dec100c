#include "engine/scheme.h"

#include <gtest/gtest.h>

#include <cstdint>

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
