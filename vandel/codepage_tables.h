#pragma once
// The generated single-byte tables behind text kinds 3 to 21 (vandel/codepage_tables.cpp, from
// tools/gen_codepage_tables.py). Internal to the text-kind unit.
#include <cstdint>

namespace vandel::detail {

constexpr unsigned first_table_kind = 3;
constexpr unsigned table_kind_count = 19;  // kinds 3 to 21
constexpr unsigned best_fit_count = 410;

struct encode_pair {
    uint16_t code_point;
    uint8_t byte;
};

// Bytes 0x80..0xFF of each kind (index kind - 3) as UTF-16 units; 0 is a hole. Bytes below 0x80
// decode to themselves in every kind.
extern const uint16_t decode_upper[table_kind_count][128];

// Every code point at or above U+0080 that a byte of the kind decodes to, sorted by code point;
// the pairs of kind k are encode_pairs[encode_start[k - 3]] up to encode_start[k - 2].
extern const encode_pair encode_pairs[];
extern const uint16_t encode_start[table_kind_count + 1];

// Sorted by code point.
extern const encode_pair best_fit_pairs[best_fit_count];

}  // namespace vandel::detail
