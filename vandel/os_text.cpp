#include "vandel/os_text.h"

#include <cstdint>

#include "vandel/utf_steps.h"

namespace vandel {

std::string to_os_bytes(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    size_t units = 1;
    for (size_t i = 0; i < text.size(); i += units) {
        const uint32_t cp = detail::read_utf16(text, i, units);
        if (cp >= 0xDC80 && cp <= 0xDCFF)
            out += static_cast<char>(cp & 0xFF);
        else
            detail::append_utf8(out, cp <= 0x10FFFF ? cp : cp & 0xFFFF);  // a stray wide value
    }
    return out;
}

std::wstring from_os_bytes(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        uint32_t cp = 0;
        const size_t used = detail::decode_utf8_step(p + i, n - i, false, cp);
        if (used == 0) {
            out += static_cast<wchar_t>(0xDC00 + p[i]);
            ++i;
            continue;
        }
        detail::append_utf16(out, cp);
        i += used;
    }
    return out;
}

}  // namespace vandel
