#pragma once
// Numbers as text and text as numbers, in an 8-bit and a UTF-16 form with the same rules.
// Nothing here depends on the C runtime's locale: the decimal point of the machine never leaks
// into a settings file, and both builds give the same texts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vandel {

// Integer parsers. radix 0 reads "0x" as 16, else 10; any other radix outside 2..36 throws
// std::invalid_argument "invalid radix". group (may be empty) may stand once between two digits.
// Each returns the characters used (above 0), 0 when the text holds no number, -1 when the number
// is out of range; out is written only when the result is above 0.
int parse_int32(const std::string& text, int32_t& out, int radix = 0, const std::string& group = {});
int parse_int32(const std::wstring& text, int32_t& out, int radix = 0, const std::wstring& group = {});
int parse_uint32(const std::string& text, uint32_t& out, int radix = 0, const std::string& group = {});
int parse_int64(const std::string& text, int64_t& out, int radix = 0, const std::string& group = {});
int parse_int64(const std::wstring& text, int64_t& out, int radix = 0, const std::wstring& group = {});

// The scanner behind the integer parsers: the magnitude and sign of the number, and radix
// becomes the radix used (10 when it was 0 and no "0x" came). Returns the characters used, 0 for
// no number (magnitude 0), -1 when the magnitude exceeds 64 bits.
int64_t parse_integer(const std::string& text, const std::string& group, uint64_t& magnitude, int& radix,
                      bool& negative);
int64_t parse_integer(const std::wstring& text, const std::wstring& group, uint64_t& magnitude, int& radix,
                      bool& negative);

// Reads a floating-point number whose decimal and group separators are given (empty: the user
// locale's). Returns the source characters used, 0 for no number, -1 for an infinite result;
// out is 0 unless a number was read.
int parse_double(const std::string& text, double& out, const std::string& decimal = {},
                 const std::string& group = {});
int parse_double(const std::wstring& text, double& out, const std::wstring& decimal = {},
                 const std::wstring& group = {});

// Integer format types: 0 (and any unlisted) signed decimal, 1 unsigned decimal, 2 upper-case
// hex, 3 lower-case hex, 4 octal, 5 "true"/"false".
// Returns value in the type's form, zero-padded to width when width is 1..25; hex with width 1..8
// shows a negative 32-bit value (as int64) by its low 8 digits.
std::string sprintf_integer(uint64_t value, int type, int width);

// Returns sprintf_integer's text grouped by group (decimal every 3 digits, hex every 4, octal and
// booleans never); an empty group gives no grouping.
std::string format_integer(uint64_t value, int type, const std::string& group, int width);
std::wstring format_integer(uint64_t value, int type, const std::wstring& group, int width);

// Returns format_integer's text without grouping, as S (std::string or std::wstring).
template <class S = std::string>
S int_to_text(uint64_t value, int type = 0, int width = 0);

// Returns text with separator inserted every group_size digits from the right of its leading run
// of digits (one sign may stand in it); unchanged when text or separator is empty or size <= 0.
std::string group_digits(const std::string& text, int group_size, const std::string& separator);
std::wstring group_digits(const std::wstring& text, int group_size, const std::wstring& separator);

// Floating-point types: 1 "E" (exponent), 2 "f" (fixed), any other "G". precision 1..19 as given,
// above 19 gives 20, 0 or below the default (3 for types 1 and 2, else 9).
// Returns the printf text with "." as the point; empty when it would need 100 characters or more.
std::string sprintf_double(double value, int type, int precision);

// Returns sprintf_double's text with the point replaced by decimal (empty: the user locale's) and,
// when decimal and group differ, the integer part grouped by 3 with group.
std::string format_double(double value, int type, int precision, const std::string& decimal,
                          const std::string& group);
std::wstring format_double(double value, int type, int precision, const std::wstring& decimal,
                           const std::wstring& group);

// A step of parse_double: returns text without leading white space and group separators, with
// the first decimal separator replaced by point; ends at a second decimal separator, at two group
// separators in a row, or after capacity characters. map[i] is the source position of character i.
std::string number_text_to_c_locale(const std::string& text, const std::string& point, const std::string& decimal,
                                    const std::string& group, std::vector<size_t>& map, size_t capacity = 100);
std::wstring number_text_to_c_locale(const std::wstring& text, const std::wstring& point,
                                     const std::wstring& decimal, const std::wstring& group,
                                     std::vector<size_t>& map, size_t capacity = 100);

}  // namespace vandel
