#pragma once
// Small text and buffer tools shared by the whole system. Most come in an 8-bit (std::string)
// and a UTF-16 (std::wstring) form with the same rules; all return new strings. Letters mean
// ASCII letters only: no locale is ever consulted.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vandel {

// Orders strings by their code units compared as unsigned numbers; on a common prefix the
// shorter first. Case-sensitive.
template <class S>
class comp_fn {
public:
    virtual ~comp_fn() = default;
    // Returns true when a orders before b.
    virtual bool operator()(const S& a, const S& b) const { return a.compare(b) < 0; }
};

// Returns the parts in order with separator between them; no parts give an empty text.
std::wstring join(const std::vector<std::wstring>& parts, const std::wstring& separator);

// Splits text at every occurrence of separator into parts (emptied first unless append); empty
// parts are kept except after a final separator; an empty separator gives text as one part.
// Returns the number of parts added.
int64_t split(std::vector<std::string>& parts, const std::string& text, bool append, const std::string& separator);
int64_t split(std::vector<std::wstring>& parts, const std::wstring& text, bool append,
              const std::wstring& separator);

// Sorts in code-unit order (comp_fn); equal strings keep their order.
void sort_strings(std::vector<std::wstring>& list);

// Return the text with 'A'..'Z' turned into 'a'..'z' (to_lower) or the reverse (to_upper);
// every other character, bytes 0x80..0xFF included, stays.
std::string to_lower(std::string text);
std::wstring to_lower(std::wstring text);
std::string to_upper(std::string text);
std::wstring to_upper(std::wstring text);

// Flags of replace_all.
constexpr int replace_ignore_case = 1;     // ASCII letters match either case
constexpr int replace_first_only = 2;      // stop after the first replacement
constexpr int replace_skip_adjacent = 4;   // leave an occurrence that starts where the last one ended

// Returns text with the occurrences of search replaced by replacement, left to right; replaced
// text never matches again. Unchanged when search is empty, longer than text or equal to
// replacement (after lower-casing, with replace_ignore_case).
std::string replace_all(const std::string& text, const std::string& search, const std::string& replacement,
                        int flags);
std::wstring replace_all(const std::wstring& text, const std::wstring& search, const std::wstring& replacement,
                         int flags);

// Returns text without its leading (left) and/or trailing (right) characters 0x00..0x20.
std::string trim(const std::string& text, bool left, bool right);
std::wstring trim(const std::wstring& text, bool left, bool right);

// Returns text with \a \b \f \n \r \t \v, \xHH, (wide form only) \uHHHH and \ooo (one to three
// octal digits, at most 255) resolved. Any other backslash stays, and the character after it is
// copied as it is; drop_backslash leaves such backslashes out instead.
std::string unescape(const std::string& text, bool drop_backslash);
std::wstring unescape(const std::wstring& text, bool drop_backslash);

// Reads a number as strtol does (leading blanks, a sign, "0x" for base 16; base 0 picks by the
// prefix) and writes it to value, clamped to the int32 range; the wide form reads units above
// 255 as 0x1A. Returns the characters taken (0 when none, and then value is 0).
int parse_long(const std::string& text, int32_t& value, int base);
int parse_long(const std::wstring& text, int32_t& value, int base);

// Returns each byte as prefix, two upper-case hex digits and (but after the last) separator;
// with printable, bytes 0x20..0x7F stand as themselves, alone. A null pointer with a size throws
// std::invalid_argument "invalid pointer".
std::string hex_dump(const void* bytes, size_t size, bool printable, const std::string& separator,
                     const std::string& prefix);
std::wstring hex_dump(const void* bytes, size_t size, bool printable, const std::wstring& separator,
                      const std::wstring& prefix);

// Copies source_size bytes to destination (the two may overlap) and returns destination. Throws
// std::invalid_argument "invalid pointer" for a null destination or a null source with a size,
// std::overflow_error "size error" when the destination is smaller than the source.
void* checked_copy(void* destination, size_t destination_size, const void* source, size_t source_size);

// Returns crc updated by size bytes (the reflected CRC-32 of IEEE 802.3), complemented when
// finish. Start from 0xFFFFFFFF; pass an unfinished value back in to continue. A null pointer
// with a size throws std::invalid_argument "invalid pointer".
uint32_t crc32(const void* data, size_t size, bool finish, uint32_t crc);

}  // namespace vandel
