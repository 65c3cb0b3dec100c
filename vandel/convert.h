#pragma once
// Conversions between 8-bit text (bytes in a text kind, vandel/text_kind.h) and UTF-16 text
// (std::wstring, one unit per wchar_t on every platform), and a guess of a buffer's encoding.
//
// Kind 0 means the system kind (system_text_kind()). Kinds 2..21 go through the single-byte
// tables, kind 1 through the UTF-8 rules below. Kind 26846, and kind 0 when the system code page
// has no kind, go through the system's converter (the "system path"). On POSIX the system's bytes
// are UTF-8, so the system path there is the UTF-8 rules; on Windows with the UTF-8 ANSI code
// page (65001) it is too, since the Windows converter can't report substitutions for it.
//
// UTF-8 rules: overlong forms, leads F5..FF, values beyond U+10FFFF and cut sequences are bad
// bytes; encoded surrogates (ED A0 80 ...) decode to their unit, and every unit encodes, lone
// surrogates as 3-byte forms. vandel/os_text.h is stricter on purpose: it is the lossless codec
// for POSIX file names, not a text converter.
//
// Bad input never throws: the error mode decides what becomes of it and the checked forms report
// it in `error`. A kind outside 0..21 and 26846 throws std::invalid_argument "invalid conversion".
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vandel/text_kind.h"

namespace vandel {

// Error modes. The low byte says what becomes of a byte that can't be decoded or a character that
// can't be encoded; the flags above it apply to encoding only.
constexpr uint32_t mode_replace = 0;     // the caller's replacement; nothing when it is 0
constexpr uint32_t mode_truncate = 1;    // stop: keep what came before
constexpr uint32_t mode_fail = 2;        // stop: empty result
constexpr uint32_t mode_substitute = 3;  // U+FFFD when decoding, 0x1A when encoding
constexpr uint32_t mode_hex = 4;         // "xC3" for a byte, "x0100" / "x01F600" for a character
constexpr uint32_t mode_escape = 5;      // decoding: byte B becomes the unit U+DC00 + B
constexpr uint32_t mode_latin1 = 6;      // decoding UTF-8: the byte as a Latin-1 character
// Modes 7..255 drop bad input (decoding); 5..255 drop it when encoding.
constexpr uint32_t flag_restore_escapes = 0x100;  // U+DC00..U+DCFF that can't be encoded: its low byte
constexpr uint32_t flag_best_fit = 0x200;         // try the best-fit table (or the system's) first

enum text_encoding_guess : int32_t {
    guess_ascii = 0,  // no byte above 0x7F
    guess_8bit = 1,   // other 8-bit text
    guess_utf8 = 2,
    guess_utf16_be = 3,
    guess_utf16_le = 4,
    guess_utf32_be = 5,
    guess_utf32_le = 6,
    guess_empty = 7,
};

// Returns each byte zero-extended to one UTF-16 unit (the Latin-1 reading).
std::wstring widen(const std::string& bytes);

// Returns each unit below 256 as the byte of that value, every other unit as `replacement`.
std::string narrow(const std::wstring& text, char replacement = '\x1A');

// Returns bytes of kind as UTF-16; error tells whether any byte needed the mode (false for empty
// input). replacement is used by mode 0 only.
std::wstring decode_text_checked(const std::string& bytes, bool& error, text_kind kind, uint32_t mode,
                                 uint16_t replacement);
// Returns decode_text_checked without the flag.
std::wstring decode_text(const std::string& bytes, text_kind kind, uint32_t mode, uint16_t replacement);

// Returns text as bytes of kind; error tells whether any character needed the mode (escapes
// restored by flag_restore_escapes don't count). replacement is used by mode 0 only.
std::string encode_text_checked(const std::wstring& text, bool& error, text_kind kind, uint32_t mode,
                                char replacement);
// Returns encode_text_checked without the flag.
std::string encode_text(const std::wstring& text, text_kind kind, uint32_t mode, char replacement);

// Returns UTF-8 bytes as UTF-16, bytes that aren't UTF-8 read as Latin-1 characters.
std::wstring from_utf8(const std::string& bytes);

// Returns text as UTF-8; every unit has a form, so `replacement` only stands in for a stray wide
// value above U+10FFFF (which the library never stores).
std::string to_utf8(const std::wstring& text, char replacement);

// Returns bytes of kind `from` as bytes of kind `to` (mode as for encoding; its low byte also
// decodes); equal kinds give the bytes unchanged. Kinds above 21 throw "invalid conversion".
std::string transcode_text(const std::string& bytes, bool& error, text_kind from, text_kind to, uint32_t mode,
                           char replacement);

// Return the units as a wide string. A null pointer with a count throws "invalid pointer".
std::wstring wstring_from_utf16_units(const uint16_t* units, size_t count);
std::wstring wstring_from_utf16_units(const std::vector<uint16_t>& units);

// Return the values as a wide string: above U+FFFF a surrogate pair, above U+10FFFF
// `replacement`. A null pointer with a count throws "invalid pointer".
std::wstring wstring_from_utf32_units(const uint32_t* values, size_t count, uint16_t replacement);
std::wstring wstring_from_utf32_units(const std::vector<uint32_t>& values, uint16_t replacement);

// Returns the units of text; a wide character above 0xFFFF (never stored by the library) becomes
// `replacement`.
std::vector<uint16_t> utf16_units_from_wstring(const std::wstring& text, uint16_t replacement);

// Returns the code points of text: surrogate pairs joined, every other unit (lone surrogates too)
// as its own value.
std::vector<uint32_t> utf32_units_from_wstring(const std::wstring& text);

// Returns the guess for length bytes at data. A null pointer with a length throws "invalid pointer".
text_encoding_guess sniff_text_encoding(const void* data, size_t length);

namespace detail {
// The table and UTF-8 rules for kinds 1..21 (no kind check, no kind 0).
std::wstring decode_by_rules(const std::string& bytes, bool& error, text_kind kind, uint32_t mode,
                             uint16_t replacement);
std::string encode_by_rules(const std::wstring& text, bool& error, text_kind kind, uint32_t mode,
                            char replacement);
// The system path; bytes and text are not empty.
std::wstring system_decode(const std::string& bytes, bool& error, uint32_t mode, uint16_t replacement);
std::string system_encode(const std::wstring& text, bool& error, uint32_t mode, char replacement);
}  // namespace detail

}  // namespace vandel
