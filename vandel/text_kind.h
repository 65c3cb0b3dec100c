#pragma once
// Text kinds: the numbers that name the 8-bit encodings the library converts, their single-byte
// tables, the best-fit table and the map from Windows code pages.
//   0 the system's ANSI code page      1 UTF-8           2 US-ASCII
//   3..13 ISO-8859-1, -2, -3, -4, -5, -6, -7 (2003), -8, -9, -15, -16
//   14..20 Windows-1250 to -1256       21 IBM code page 850
//   22 no kind (refused by the converters)
//   26846 the system's ANSI code page, always through the system's converter
#include <cstdint>

namespace vandel {

using text_kind = uint32_t;

constexpr text_kind text_kind_system = 0;
constexpr text_kind text_kind_utf8 = 1;
constexpr text_kind text_kind_ascii = 2;
constexpr text_kind text_kind_none = 22;
constexpr text_kind text_kind_system_native = 26846;

// Returns the UTF-16 unit byte decodes to in kind, or 0 for a hole (callers handle byte 0x00,
// which is always U+0000). Kinds without a table (2 and any other) decode only 0x00..0x7F.
uint16_t byte_to_unicode(uint8_t byte, text_kind kind);

// Returns the UTF-16 unit byte decodes to in IBM code page 850 (kind 21); never a hole.
uint16_t ibm850_to_unicode(uint8_t byte);

// Returns the byte code_point encodes to in kind, or 0 when it has none (callers handle U+0000).
// Only a code point that some byte decodes to has a byte; kinds without a table encode ASCII.
uint8_t unicode_to_byte(uint32_t code_point, text_kind kind);

// Returns the ASCII byte (0x20..0x7E) that stands in for code_point on request, or 0.
uint8_t best_fit_ascii(uint32_t code_point);

// Returns the kind of a Windows code page, or 22 when no kind holds its table (874 included:
// no kind is Thai, so the system's converter serves it).
text_kind text_kind_of_code_page(uint32_t code_page);

// Returns the kind of the system's ANSI code page, taken once per process: 0 when that code page
// has no kind of its own, 2 when the system can't say. Always 1 (UTF-8) on POSIX.
text_kind system_text_kind();

namespace detail {
// Asks the system for the kind of its ANSI code page (every call asks again).
text_kind query_system_text_kind();
}  // namespace detail

}  // namespace vandel
