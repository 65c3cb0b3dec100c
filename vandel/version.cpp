#include "vandel/version.h"

#include "vandel/convert.h"
#include "vandel/numbers.h"
#include "vandel/strings.h"

#include <algorithm>
#include <type_traits>
#include <vector>

namespace vandel {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The last character that is not a decimal digit, or 0 when there is none.
char last_separator(const std::string& s) {
    for (size_t i = s.size(); i-- > 0;)
        if (!is_digit(s[i])) return s[i];
    return 0;
}

int32_t part_number(const std::vector<std::string>& parts, size_t i) {
    if (i >= parts.size()) return 0;
    int32_t n = 0;
    return parse_int32(parts[i], n, 0) > 0 ? n : -1;
}

}  // namespace

int compare_versions(const std::string& a_text, const std::string& b_text) {
    const std::string a = trim(a_text, true, true);
    const std::string b = trim(b_text, true, true);
    if (a == b) return 0;
    char sep_a = last_separator(a);
    if (sep_a == 0) sep_a = '.';
    char sep_b = last_separator(b);
    if (sep_b == 0) sep_b = sep_a;
    std::vector<std::string> pa, pb;
    split(pa, a, false, std::string(1, sep_a));
    split(pb, b, false, std::string(1, sep_b));
    for (size_t i = 0; i < std::max(pa.size(), pb.size()); ++i) {
        const int32_t x = part_number(pa, i);
        const int32_t y = part_number(pb, i);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

template <class S>
S format_bytes(uint64_t n) {
    static const char* const units[] = {" bytes", " KB", " MB", " GB", " TB", " PB", " EB"};
    std::string text;
    if (n < 1024) {
        text = int_to_text(n) + units[0];
    } else {
        int unit = 1;
        while (unit < 6 && n >= (uint64_t{1} << (10 * (unit + 1)))) ++unit;
        const int shift = 10 * unit;
        const uint64_t tenths = (((n >> (shift - 10)) & 0x3FF) * 10) >> 10;
        text = int_to_text(n >> shift);
        if (tenths != 0) text += "." + int_to_text(tenths);
        text += units[unit];
    }
    if constexpr (std::is_same_v<S, std::wstring>)
        return widen(text);
    else
        return text;
}
template std::string format_bytes<std::string>(uint64_t);
template std::wstring format_bytes<std::wstring>(uint64_t);

}  // namespace vandel
