#include "vandel/strings.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "vandel/convert.h"

namespace vandel {

namespace {

// Code of a character as an unsigned number (bytes 0x80..0xFF are not negative).
inline uint32_t code(char c) { return static_cast<unsigned char>(c); }
inline uint32_t code(wchar_t c) { return static_cast<uint32_t>(c); }

template <class S>
int64_t split_impl(std::vector<S>& parts, const S& text, bool append, const S& separator) {
    if (!append) parts.clear();
    if (separator.empty()) {
        parts.push_back(text);
        return 1;
    }
    int64_t added = 0;
    for (size_t pos = 0; pos < text.size(); ++added) {
        size_t end = text.find(separator, pos);
        if (end == S::npos) end = text.size();
        parts.push_back(text.substr(pos, end - pos));
        pos = end == text.size() ? end : end + separator.size();
    }
    return added;
}

template <class S>
S change_case(S text, uint32_t from, int delta) {
    for (auto& c : text)
        if (code(c) >= from && code(c) < from + 26) c = static_cast<typename S::value_type>(code(c) + delta);
    return text;
}

template <class S>
S replace_impl(const S& text, const S& search, const S& replacement, int flags) {
    if (search.empty() || text.size() < search.size() || search == replacement) return text;
    S out = text;
    S work = text;  // what is searched: lower-cased on request, replaced text blanked out
    S find = search;
    if ((flags & replace_ignore_case) != 0) {
        work = to_lower(work);
        find = to_lower(find);
        if (find == replacement) return text;
    }
    size_t pos = 0;
    bool have_previous = false;
    while (pos + find.size() <= work.size()) {
        const size_t m = work.find(find, pos);
        if (m == S::npos) break;
        if ((flags & replace_skip_adjacent) != 0 && have_previous && m == pos) {
            pos = m + find.size();
            continue;
        }
        out.replace(m, find.size(), replacement);
        work.replace(m, find.size(), S(replacement.size(), typename S::value_type()));
        if ((flags & replace_first_only) != 0) break;
        pos = m + replacement.size();
        have_previous = true;
    }
    return out;
}

template <class S>
S trim_impl(const S& text, bool left, bool right) {
    size_t first = 0;
    size_t last = text.size();
    if (left)
        while (first < last && code(text[first]) <= 0x20) ++first;
    if (right)
        while (last > first && code(text[last - 1]) <= 0x20) --last;
    return text.substr(first, last - first);
}

int hex_value(uint32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    return -1;
}

// Reads digits hexadecimal digits at text[at]; returns -1 unless all are there and hexadecimal.
template <class S>
long read_hex(const S& text, size_t at, size_t digits) {
    if (at + digits > text.size()) return -1;
    long value = 0;
    for (size_t i = 0; i < digits; ++i) {
        const int d = hex_value(code(text[at + i]));
        if (d < 0) return -1;
        value = value * 16 + d;
    }
    return value;
}

template <class S>
S unescape_impl(const S& text, bool drop_backslash, bool wide) {
    using C = typename S::value_type;
    if (text.size() < 2) return text;
    S out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const C c = text[i];
        if (c != C('\\')) {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < n) {
            const uint32_t e = code(text[i + 1]);
            static const char simple_from[] = "abfnrtv";
            static const char simple_to[] = "\a\b\f\n\r\t\v";
            if (e < 0x80 && e != 0) {
                if (const char* s = std::strchr(simple_from, static_cast<int>(e))) {
                    out += static_cast<C>(simple_to[s - simple_from]);
                    i += 2;
                    continue;
                }
            }
            if (e == 'x') {
                const long v = read_hex(text, i + 2, 2);
                if (v >= 0) {
                    out += static_cast<C>(v);
                    i += 4;
                    continue;
                }
            }
            if (e == 'u' && wide) {
                const long v = read_hex(text, i + 2, 4);
                if (v >= 0) {
                    out += static_cast<C>(v);
                    i += 6;
                    continue;
                }
            }
            if (e >= '0' && e <= '7') {
                size_t digits = 0;
                uint32_t v = 0;
                while (digits < 3 && i + 1 + digits < n && code(text[i + 1 + digits]) >= '0' &&
                       code(text[i + 1 + digits]) <= '7') {
                    v = v * 8 + (code(text[i + 1 + digits]) - '0');
                    ++digits;
                }
                if (v <= 255) {
                    out += static_cast<C>(v);
                    i += 1 + digits;
                    continue;
                }
            }
        }
        // Not an escape: the backslash (unless dropped) and the character after it, as written.
        if (!drop_backslash) out += c;
        if (i + 1 < n) out += text[i + 1];
        i += 2;
    }
    return out;
}

template <class S>
S hex_dump_impl(const void* bytes, size_t size, bool printable, const S& separator, const S& prefix) {
    using C = typename S::value_type;
    if (bytes == nullptr && size != 0) throw std::invalid_argument("invalid pointer");
    static const char hex[] = "0123456789ABCDEF";
    const auto* p = static_cast<const unsigned char*>(bytes);
    S out;
    for (size_t i = 0; i < size; ++i) {
        if (printable && p[i] >= 0x20 && p[i] <= 0x7F) {
            out += static_cast<C>(p[i]);
            continue;
        }
        out += prefix;
        out += static_cast<C>(hex[p[i] >> 4]);
        out += static_cast<C>(hex[p[i] & 0xF]);
        if (i + 1 < size) out += separator;
    }
    return out;
}

constexpr std::array<uint32_t, 256> make_crc_table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

// A constant: complete before any thread can compute a CRC.
constexpr std::array<uint32_t, 256> crc_table = make_crc_table();
static_assert(crc_table[1] == 0x77073096u && crc_table[255] == 0x2D02EF8Du, "standard CRC-32 table");

}  // namespace

std::wstring join(const std::vector<std::wstring>& parts, const std::wstring& separator) {
    std::wstring out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i != 0) out += separator;
        out += parts[i];
    }
    return out;
}

int64_t split(std::vector<std::string>& parts, const std::string& text, bool append, const std::string& separator) {
    return split_impl(parts, text, append, separator);
}

int64_t split(std::vector<std::wstring>& parts, const std::wstring& text, bool append,
              const std::wstring& separator) {
    return split_impl(parts, text, append, separator);
}

void sort_strings(std::vector<std::wstring>& list) {
    const comp_fn<std::wstring> less;
    std::stable_sort(list.begin(), list.end(), std::cref(less));
}

std::string to_lower(std::string text) { return change_case(std::move(text), 'A', 'a' - 'A'); }
std::wstring to_lower(std::wstring text) { return change_case(std::move(text), 'A', 'a' - 'A'); }
std::string to_upper(std::string text) { return change_case(std::move(text), 'a', 'A' - 'a'); }
std::wstring to_upper(std::wstring text) { return change_case(std::move(text), 'a', 'A' - 'a'); }

std::string replace_all(const std::string& text, const std::string& search, const std::string& replacement,
                        int flags) {
    return replace_impl(text, search, replacement, flags);
}

std::wstring replace_all(const std::wstring& text, const std::wstring& search, const std::wstring& replacement,
                         int flags) {
    return replace_impl(text, search, replacement, flags);
}

std::string trim(const std::string& text, bool left, bool right) { return trim_impl(text, left, right); }
std::wstring trim(const std::wstring& text, bool left, bool right) { return trim_impl(text, left, right); }

std::string unescape(const std::string& text, bool drop_backslash) { return unescape_impl(text, drop_backslash, false); }
std::wstring unescape(const std::wstring& text, bool drop_backslash) {
    return unescape_impl(text, drop_backslash, true);
}

int parse_long(const std::string& text, int32_t& value, int base) {
    value = 0;
    if (text.empty() || base < 0 || base == 1 || base > 36) return 0;
    const char* begin = text.c_str();
    char* end = nullptr;
    const long v = std::strtol(begin, &end, base);
    // long has 32 bits on Windows and 64 on Linux: clamp so both builds read the same value.
    value = static_cast<int32_t>(std::clamp<long>(v, INT32_MIN, INT32_MAX));
    return static_cast<int>(end - begin);
}

int parse_long(const std::wstring& text, int32_t& value, int base) {
    return parse_long(narrow(text, '\x1A'), value, base);
}

std::string hex_dump(const void* bytes, size_t size, bool printable, const std::string& separator,
                     const std::string& prefix) {
    return hex_dump_impl(bytes, size, printable, separator, prefix);
}

std::wstring hex_dump(const void* bytes, size_t size, bool printable, const std::wstring& separator,
                      const std::wstring& prefix) {
    return hex_dump_impl(bytes, size, printable, separator, prefix);
}

void* checked_copy(void* destination, size_t destination_size, const void* source, size_t source_size) {
    if (destination == nullptr || (source == nullptr && source_size != 0))
        throw std::invalid_argument("invalid pointer");
    if (destination_size < source_size) throw std::overflow_error("size error");
    if (source_size != 0 && destination != source) std::memmove(destination, source, source_size);
    return destination;
}

uint32_t crc32(const void* data, size_t size, bool finish, uint32_t crc) {
    if (data == nullptr && size != 0) throw std::invalid_argument("invalid pointer");
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) crc = (crc >> 8) ^ crc_table[(crc ^ p[i]) & 0xFF];
    return finish ? ~crc : crc;
}

}  // namespace vandel
