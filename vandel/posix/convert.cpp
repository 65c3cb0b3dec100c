// POSIX system path of the converters: the system's bytes are UTF-8, so the UTF-8 rules serve it.
#include "vandel/convert.h"

namespace vandel::detail {

std::wstring system_decode(const std::string& bytes, bool& error, uint32_t mode, uint16_t replacement) {
    return decode_by_rules(bytes, error, text_kind_utf8, mode, replacement);
}

std::string system_encode(const std::wstring& text, bool& error, uint32_t mode, char replacement) {
    return encode_by_rules(text, error, text_kind_utf8, mode, replacement);
}

}  // namespace vandel::detail
