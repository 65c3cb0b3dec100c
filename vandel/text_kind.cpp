#include "vandel/text_kind.h"

#include <algorithm>
#include <iterator>

#include "vandel/codepage_tables.h"

namespace vandel {

namespace {

bool has_table(text_kind kind) {
    return kind >= detail::first_table_kind && kind < detail::first_table_kind + detail::table_kind_count;
}

uint8_t find_byte(const detail::encode_pair* first, const detail::encode_pair* last, uint32_t code_point) {
    auto it = std::lower_bound(first, last, code_point,
                               [](const detail::encode_pair& p, uint32_t cp) { return p.code_point < cp; });
    return it != last && it->code_point == code_point ? it->byte : 0;
}

}  // namespace

uint16_t ibm850_to_unicode(uint8_t byte) {
    return byte < 0x80 ? byte : detail::decode_upper[21 - detail::first_table_kind][byte - 0x80];
}

uint16_t byte_to_unicode(uint8_t byte, text_kind kind) {
    if (byte < 0x80) return byte;
    if (kind == 21) return ibm850_to_unicode(byte);
    if (!has_table(kind)) return 0;
    return detail::decode_upper[kind - detail::first_table_kind][byte - 0x80];
}

uint8_t unicode_to_byte(uint32_t code_point, text_kind kind) {
    if (code_point < 0x80) return static_cast<uint8_t>(code_point);
    if (!has_table(kind) || code_point > 0xFFFF) return 0;
    const unsigned i = kind - detail::first_table_kind;
    return find_byte(detail::encode_pairs + detail::encode_start[i],
                     detail::encode_pairs + detail::encode_start[i + 1], code_point);
}

uint8_t best_fit_ascii(uint32_t code_point) {
    return find_byte(std::begin(detail::best_fit_pairs), std::end(detail::best_fit_pairs), code_point);
}

text_kind text_kind_of_code_page(uint32_t code_page) {
    if (code_page == 65001) return text_kind_utf8;
    if (code_page == 20127) return text_kind_ascii;
    if (code_page >= 28591 && code_page <= 28599) return code_page - 28591 + 3;
    if (code_page == 28605) return 12;
    if (code_page >= 1250 && code_page <= 1256) return code_page - 1250 + 14;
    if (code_page == 850) return 21;
    return text_kind_none;
}

text_kind system_text_kind() {
    static const text_kind kind = detail::query_system_text_kind();
    return kind;
}

}  // namespace vandel
