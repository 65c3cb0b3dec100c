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

namespace {

// True for what would end a line, move the cursor or reorder text where a name is shown.
bool needs_u_escape(uint32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void append_hex(std::wstring& out, const wchar_t* prefix, uint32_t value, int digits) {
    static const wchar_t hex[] = L"0123456789ABCDEF";
    out += prefix;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += hex[(value >> shift) & 0xF];
}

}  // namespace

std::wstring printable_name(const std::wstring& name) {
    std::wstring out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const uint32_t c = static_cast<uint32_t>(name[i]) & 0xFFFF;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size()) {
            const uint32_t next = static_cast<uint32_t>(name[i + 1]) & 0xFFFF;
            if (next >= 0xDC00 && next <= 0xDFFF) {
                out += name[i];
                out += name[++i];
                continue;
            }
        }
        if (c < 0x20 || c == 0x7F || (c >= 0xDC80 && c <= 0xDCFF))
            append_hex(out, L"\\x", c & 0xFF, 2);
        else if ((c >= 0xD800 && c <= 0xDFFF) || needs_u_escape(c))
            append_hex(out, L"\\u", c, 4);
        else
            out += name[i];
    }
    return out;
}

}  // namespace vandel
