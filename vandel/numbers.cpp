#include "vandel/numbers.h"

#include "vandel/convert.h"
#include "vandel/locale.h"
#include "vandel/strings.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace vandel {

namespace {

uint32_t unit(char c) { return static_cast<unsigned char>(c); }
uint32_t unit(wchar_t c) { return static_cast<uint32_t>(c); }

bool is_space(char c) { return unit(c) <= 0x20; }
bool is_space(wchar_t c) {
    uint32_t u = unit(c);
    return u <= 0x20 || u == 0x85 || u == 0x1680 || u == 0x180E || (u >= 0x2000 && u <= 0x200A) || u == 0x2028 ||
           u == 0x2029 || u == 0x202F || u == 0x205F || u == 0x3000;
}

constexpr int no_digit = 99;

int digit_value(uint32_t u) {
    if (u >= '0' && u <= '9') return static_cast<int>(u - '0');
    if (u >= 'A' && u <= 'Z') return static_cast<int>(u - 'A' + 10);
    if (u >= 'a' && u <= 'z') return static_cast<int>(u - 'a' + 10);
    return no_digit;
}
int digit_value(char c) { return digit_value(unit(c)); }
int digit_value(wchar_t c) {
    uint32_t u = unit(c);
    if (u >= 0xFF10 && u <= 0xFF19) return static_cast<int>(u - 0xFF10);
    if (u >= 0xFF21 && u <= 0xFF3A) return static_cast<int>(u - 0xFF21 + 10);
    if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<int>(u - 0xFF41 + 10);
    return u < 0x80 ? digit_value(u) : no_digit;
}

template <class S>
bool at(const S& text, size_t pos, const S& what) {
    return !what.empty() && text.compare(pos, what.size(), what) == 0;
}

// Counts of characters travel as int; a text too long for that has no number we could report.
int as_count(int64_t n) { return n > INT_MAX ? -1 : static_cast<int>(n); }

template <class S>
int64_t scan_integer(const S& t, const S& g, uint64_t& magnitude, int& radix, bool& negative) {
    if (radix != 0 && (radix < 2 || radix > 36)) throw std::invalid_argument("invalid radix");
    magnitude = 0;
    negative = false;
    bool sign = false, prefix = false, digit = false;
    size_t i = 0;
    const size_t n = t.size();
    while (i < n) {
        const auto c = t[i];
        if (!digit) {
            if (!sign && !prefix && is_space(c)) {
                ++i;
                continue;
            }
            if (!sign && !prefix && (c == '+' || c == '-')) {
                sign = true;
                negative = c == '-';
                ++i;
                continue;
            }
            if (!prefix && c == '0' && i + 1 < n && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
                if (radix != 0 && radix != 16) return 0;
                radix = 16;
                prefix = true;
                i += 2;
                continue;
            }
        } else if (at(t, i, g)) {
            // One separator may stand between digits; two in a row end the number before them.
            if (at(t, i + g.size(), g)) return static_cast<int64_t>(i);
            i += g.size();
            continue;
        }
        if (radix == 0) radix = 10;
        const auto r = static_cast<uint64_t>(radix);
        const int v = digit_value(c);
        if (v >= radix) break;
        const auto value = static_cast<uint64_t>(v);
        if (magnitude > (std::numeric_limits<uint64_t>::max() - value) / r) return -1;
        magnitude = magnitude * r + value;
        digit = true;
        ++i;
    }
    if (!digit) {
        magnitude = 0;
        negative = false;
        return 0;
    }
    return static_cast<int64_t>(i);
}

template <class S>
int to_int32(const S& text, int32_t& out, int radix, const S& group) {
    uint64_t m = 0;
    bool negative = false;
    const int count = as_count(scan_integer(text, group, m, radix, negative));
    if (count <= 0) return count;
    if (m > 0xFFFFFFFFu) return -1;
    if (radix == 10 && m > (negative ? 0x80000000u : 0x7FFFFFFFu)) return -1;
    // Other radixes take the low 32 bits as they stand, so 0xFFFFFFFF reads as -1.
    uint32_t low = static_cast<uint32_t>(m);
    if (negative) low = 0u - low;
    out = static_cast<int32_t>(low);
    return count;
}

template <class S>
int to_int64(const S& text, int64_t& out, int radix, const S& group) {
    uint64_t m = 0;
    bool negative = false;
    const int count = as_count(scan_integer(text, group, m, radix, negative));
    if (count <= 0) return count;
    const uint64_t limit = negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
    if (m > limit) return -1;
    out = negative ? static_cast<int64_t>(0u - m) : static_cast<int64_t>(m);
    return count;
}

template <class S>
S group_text(const S& t, int n, const S& s) {
    if (t.empty() || s.empty() || n <= 0) return t;
    size_t e = 0;
    bool sign = false;
    for (; e < t.size(); ++e) {
        const auto c = t[e];
        if (c == '+' || c == '-') {
            if (sign) break;
            sign = true;
        } else if (c < '0' || c > '9') {
            break;
        }
    }
    const auto step = static_cast<size_t>(n);
    const size_t bound = (t[0] == '+' || t[0] == '-') ? step + 1 : step;
    S out = t;
    while (e > bound) {
        e -= step;
        out.insert(e, s);
    }
    return out;
}

int group_size_of(int type) {
    switch (type) {
    case 2:
    case 3: return 4;
    case 4:
    case 5: return 0;
    default: return 3;
    }
}

template <class S>
S from_ascii(const std::string& a);
template <>
std::string from_ascii<std::string>(const std::string& a) {
    return a;
}
template <>
std::wstring from_ascii<std::wstring>(const std::string& a) {
    return widen(a);
}

template <class S>
S locale_decimal();
template <>
std::string locale_decimal<std::string>() {
    return current_locale().decimal_separator();
}
template <>
std::wstring locale_decimal<std::wstring>() {
    return current_locale().decimal_separator_w();
}

template <class S>
S locale_thousand();
template <>
std::string locale_thousand<std::string>() {
    return current_locale().thousand_separator();
}
template <>
std::wstring locale_thousand<std::wstring>() {
    return current_locale().thousand_separator_w();
}

template <class S>
S rewrite_number(const S& t, const S& p, const S& d, const S& g, std::vector<size_t>& map, size_t capacity) {
    map.clear();
    S out;
    const bool match_d = !d.empty() && d != p;
    size_t i = 0;
    const size_t n = t.size();
    while (i < n && is_space(t[i])) ++i;
    bool after_group = false, after_point = false;
    while (i < n && out.size() < capacity) {
        if (at(t, i, g)) {
            if (after_group) break;
            after_group = true;
            i += g.size();
            continue;
        }
        after_group = false;
        if (match_d && at(t, i, d)) {
            if (after_point) break;
            after_point = true;
            for (size_t k = 0; k < p.size() && out.size() < capacity; ++k) {
                out += p[k];
                map.push_back(i);
            }
            i += d.size();
            continue;
        }
        out += t[i];
        map.push_back(i);
        ++i;
    }
    return out;
}

bool is_digit_of(char c, bool hex) {
    return hex ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : (c >= '0' && c <= '9');
}

// Whether a number text that did not fit a double was too large (else too small): the place of
// its first significant digit plus its exponent.
bool too_large(const char* p, const char* e, bool hex) {
    int64_t order = 0;
    bool point = false, significant = false;
    for (; p < e; ++p) {
        if (*p == '.') {
            point = true;
        } else if (!is_digit_of(*p, hex)) {
            break;
        } else if (significant) {
            if (!point) ++order;
        } else if (*p != '0') {
            significant = true;
            if (!point) order = 1;
        } else if (point) {
            --order;
        }
    }
    int64_t exponent = 0;
    if (p < e && (*p | 0x20) == (hex ? 'p' : 'e')) {
        ++p;
        bool negative = false;
        if (p < e && (*p == '+' || *p == '-')) negative = *p++ == '-';
        for (; p < e && *p >= '0' && *p <= '9'; ++p)
            if (exponent < 1000000000) exponent = exponent * 10 + (*p - '0');
        if (negative) exponent = -exponent;
    }
    return order * (hex ? 4 : 1) + exponent > 0;
}

// What strtod reads in the C locale, on every build alike. Returns the characters used (0: none).
size_t read_c_double(const std::string& s, double& value) {
    const char* b = s.data();
    const char* e = b + s.size();
    const char* p = b;
    bool negative = false;
    if (p < e && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p == e || *p == '+' || *p == '-') return 0;
    double x = 0;
    const char* stop = nullptr;
    if (e - p >= 2 && p[0] == '0' && (p[1] | 0x20) == 'x') {
        const char* h = p + 2;
        if (h == e || !(*h == '.' || is_digit_of(*h, true))) {
            stop = p + 1;  // "0x" without hex digits reads as the "0"
        } else {
            auto r = std::from_chars(h, e, x, std::chars_format::hex);
            if (r.ec == std::errc::invalid_argument) {
                stop = p + 1;
            } else {
                stop = r.ptr;
                if (r.ec == std::errc::result_out_of_range)
                    x = too_large(h, r.ptr, true) ? HUGE_VAL : 0.0;
            }
        }
    } else {
        auto r = std::from_chars(p, e, x, std::chars_format::general);
        if (r.ec == std::errc::invalid_argument) return 0;
        stop = r.ptr;
        if (r.ec == std::errc::result_out_of_range) x = too_large(p, r.ptr, false) ? HUGE_VAL : 0.0;
    }
    value = negative ? -x : x;
    return static_cast<size_t>(stop - b);
}

template <class S>
int read_double(const S& text, double& out, S d, S g) {
    out = 0;
    if (d.empty()) d = locale_decimal<S>();
    if (g.empty()) g = locale_thousand<S>();
    std::vector<size_t> map;
    const S c = rewrite_number(text, S(1, '.'), d, g, map, 100);
    if (c.empty()) return 0;
    // Only ASCII takes part in a number; anything else stops the reader like any other letter.
    std::string a(c.size(), '?');
    for (size_t i = 0; i < c.size(); ++i)
        if (unit(c[i]) < 0x80) a[i] = static_cast<char>(unit(c[i]));
    double v = 0;
    const size_t used = read_c_double(a, v);
    if (used == 0) return 0;
    if (std::isinf(v)) return -1;
    out = v;
    return as_count(static_cast<int64_t>(used < a.size() ? map[used] : map[a.size() - 1] + 1));
}

template <class S>
S format_real(double value, int type, int precision, S d, const S& g) {
    S t = from_ascii<S>(sprintf_double(value, type, precision));
    if (d.empty()) d = locale_decimal<S>();
    t = replace_all(t, S(1, '.'), d, 0);
    return d != g ? group_text(t, 3, g) : t;
}

}  // namespace

int64_t parse_integer(const std::string& text, const std::string& group, uint64_t& magnitude, int& radix,
                      bool& negative) {
    return scan_integer(text, group, magnitude, radix, negative);
}
int64_t parse_integer(const std::wstring& text, const std::wstring& group, uint64_t& magnitude, int& radix,
                      bool& negative) {
    return scan_integer(text, group, magnitude, radix, negative);
}

int parse_int32(const std::string& text, int32_t& out, int radix, const std::string& group) {
    return to_int32(text, out, radix, group);
}
int parse_int32(const std::wstring& text, int32_t& out, int radix, const std::wstring& group) {
    return to_int32(text, out, radix, group);
}

int parse_uint32(const std::string& text, uint32_t& out, int radix, const std::string& group) {
    uint64_t m = 0;
    bool negative = false;
    const int count = as_count(scan_integer(text, group, m, radix, negative));
    if (count <= 0) return count;
    if (negative || m > 0xFFFFFFFFu) return -1;
    out = static_cast<uint32_t>(m);
    return count;
}

int parse_int64(const std::string& text, int64_t& out, int radix, const std::string& group) {
    return to_int64(text, out, radix, group);
}
int parse_int64(const std::wstring& text, int64_t& out, int radix, const std::wstring& group) {
    return to_int64(text, out, radix, group);
}

int parse_double(const std::string& text, double& out, const std::string& decimal, const std::string& group) {
    return read_double(text, out, decimal, group);
}
int parse_double(const std::wstring& text, double& out, const std::wstring& decimal, const std::wstring& group) {
    return read_double(text, out, decimal, group);
}

std::string sprintf_integer(uint64_t value, int type, int width) {
    if (type == 5) return value != 0 ? "true" : "false";
    int base = 10;
    bool is_signed = false;
    switch (type) {
    case 1: break;
    case 2:
    case 3: base = 16; break;
    case 4: base = 8; break;
    default: is_signed = true; break;
    }
    const auto as_signed = static_cast<int64_t>(value);
    const bool negative = is_signed && as_signed < 0;
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, negative ? 0u - value : value, base);
    std::string digits(buf, r.ptr);
    if (type == 2)
        for (char& c : digits) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (width >= 1 && width <= 25) {
        const size_t want = static_cast<size_t>(width) - (negative ? 1 : 0);
        if (digits.size() < want) digits.insert(0, want - digits.size(), '0');
    }
    std::string text = negative ? "-" + digits : digits;
    // A negative 32-bit value shown in up to 8 hex digits keeps its 32-bit form.
    if ((type == 2 || type == 3) && width >= 1 && width <= 8 && as_signed < 0 && as_signed >= INT32_MIN)
        text.erase(0, text.size() - 8);
    return text;
}

std::string format_integer(uint64_t value, int type, const std::string& group, int width) {
    return group_text(sprintf_integer(value, type, width), group_size_of(type), group);
}
std::wstring format_integer(uint64_t value, int type, const std::wstring& group, int width) {
    return group_text(widen(sprintf_integer(value, type, width)), group_size_of(type), group);
}

template <class S>
S int_to_text(uint64_t value, int type, int width) {
    return format_integer(value, type, S(), width);
}
template std::string int_to_text<std::string>(uint64_t, int, int);
template std::wstring int_to_text<std::wstring>(uint64_t, int, int);

std::string group_digits(const std::string& text, int group_size, const std::string& separator) {
    return group_text(text, group_size, separator);
}
std::wstring group_digits(const std::wstring& text, int group_size, const std::wstring& separator) {
    return group_text(text, group_size, separator);
}

std::string sprintf_double(double value, int type, int precision) {
    auto format = type == 1 ? std::chars_format::scientific
                  : type == 2 ? std::chars_format::fixed
                              : std::chars_format::general;
    int p = precision;
    if (p > 19)
        p = 20;
    else if (p <= 0)
        p = (type == 1 || type == 2) ? 3 : 9;
    char buf[99];  // with its terminator, printf's text had to fit 100 characters
    auto r = std::to_chars(buf, buf + sizeof buf, value, format, p);
    if (r.ec != std::errc()) return {};
    std::string text(buf, r.ptr);
    if (type != 2)
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string format_double(double value, int type, int precision, const std::string& decimal,
                          const std::string& group) {
    return format_real(value, type, precision, decimal, group);
}
std::wstring format_double(double value, int type, int precision, const std::wstring& decimal,
                           const std::wstring& group) {
    return format_real(value, type, precision, decimal, group);
}

std::string number_text_to_c_locale(const std::string& text, const std::string& point, const std::string& decimal,
                                    const std::string& group, std::vector<size_t>& map, size_t capacity) {
    return rewrite_number(text, point, decimal, group, map, capacity);
}
std::wstring number_text_to_c_locale(const std::wstring& text, const std::wstring& point,
                                     const std::wstring& decimal, const std::wstring& group,
                                     std::vector<size_t>& map, size_t capacity) {
    return rewrite_number(text, point, decimal, group, map, capacity);
}

}  // namespace vandel
