#include "vandel/version.h"

#include <gtest/gtest.h>

namespace {

TEST(Version, ComparesPartByPartAsNumbers) {
    struct row {
        const char* a;
        const char* b;
        int result;
    } rows[] = {
        {"5", "5.2.0", -1},
        {"5.2", "5.2.0", 0},
        {"5.10", "5.9", 1},
        {" 5.2.0 ", "5.2.0", 0},
        {"\t5.2.0", "5.2.0\n", 0},
        {"5..2", "5.0.2", -1},   // an empty part ranks below 0
        {"1-2", "1.3", -1},      // each side splits at its own separator
        {"10", "9", 1},          // a text without a separator falls back to '.'
        {"7", "7.0.0.1", -1},
        {"", "", 0},
        {"", "1", -1},
        {"1", "", 1},
        {"5.2.0.", "5.2.0", 0},  // a separator at the end adds no part
        {"5.2a", "5.2", -1},     // 'a' is a's separator, so "5.2" is one unreadable part
        {"4.99999999999", "4.1", -1},  // out of range reads as no number
    };
    for (const auto& r : rows) {
        EXPECT_EQ(vandel::compare_versions(r.a, r.b), r.result) << r.a << " vs " << r.b;
        EXPECT_EQ(vandel::compare_versions(r.b, r.a), -r.result) << r.b << " vs " << r.a;
    }
}

TEST(Version, ByteSizeText) {
    struct row {
        uint64_t bytes;
        const char* text;
    } rows[] = {
        {0, "0 bytes"},
        {1, "1 bytes"},
        {1023, "1023 bytes"},
        {1024, "1 KB"},
        {1126, "1 KB"},
        {1536, "1.5 KB"},
        {2047, "1.9 KB"},
        {(1u << 20) - 1, "1023.9 KB"},
        {1u << 20, "1 MB"},
        {(uint64_t{5} << 30) + (uint64_t{768} << 20), "5.7 GB"},
        {uint64_t{1} << 40, "1 TB"},
        {(uint64_t{1} << 50) * 3 / 2, "1.5 PB"},
        {uint64_t{1} << 60, "1 EB"},
        {UINT64_MAX, "15.9 EB"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(vandel::format_bytes(r.bytes), r.text);
        EXPECT_EQ(vandel::format_bytes<std::wstring>(r.bytes),
                  std::wstring(r.text, r.text + std::char_traits<char>::length(r.text)));
    }
}

}  // namespace
