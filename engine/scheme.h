#pragma once
// The ten erasure schemes: the scheme word, names, pass counts and where verification passes go.
#include <cstdint>
#include <string>

namespace olvex {

// scheme_word: scheme number 0..9 in bits 0-7, verification bits 30 (after the first write pass)
// and 31 (after the last). No other bits are used.
enum : uint32_t {
    verify_first = 0x40000000,
    verify_last = 0x80000000,
};

// Returns the scheme's name; empty for a number above 9. The verification bits don't matter.
std::wstring scheme_text(uint32_t scheme_word);

// Returns the passes of the scheme, verification passes included; 0 for a number above 9.
int32_t scheme_pass_count(uint32_t scheme_word);

// Returns "Last", "Two Pass", "First" or "None" from the word's top four bits.
std::wstring verify_text(int32_t scheme_word);

// Returns true when pass p of the scheme reads back a write pass instead of writing.
bool is_verify_pass(uint32_t scheme_word, int32_t pass);

// Returns the content index of pass p: the write pass whose content it has (or checks).
int32_t content_index(uint32_t scheme_word, int32_t pass);

}  // namespace olvex
