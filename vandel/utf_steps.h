#pragma once
// One UTF-8 and one UTF-16 step each way, shared by the converters and the POSIX boundary codec
// (whose UTF-8 rules differ only in whether encoded surrogates are accepted).
#include <cstddef>
#include <cstdint>
#include <string>

namespace vandel::detail {

// Appends the UTF-8 form of code_point (at most U+10FFFF); surrogates take their 3-byte form.
inline void append_utf8(std::string& out, uint32_t code_point) {
    const uint32_t cp = code_point;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes the character at p (left >= 1 bytes remain). Returns the bytes it takes, or 0 when
// they form no character: a stray continuation byte, an overlong form, a lead F5..FF, a value
// beyond U+10FFFF, a sequence cut by the end, or (unless allow_surrogates) U+D800..U+DFFF.
inline size_t decode_utf8_step(const unsigned char* p, size_t left, bool allow_surrogates, uint32_t& code_point) {
    auto cont = [p](size_t i) { return (p[i] & 0xC0) == 0x80; };
    const unsigned char c = p[0];
    if (c < 0x80) {
        code_point = c;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF && left >= 2 && cont(1)) {
        code_point = ((c & 0x1Fu) << 6) | (p[1] & 0x3Fu);
        return 2;
    }
    if (c >= 0xE0 && c <= 0xEF && left >= 3 && cont(1) && cont(2)) {
        const uint32_t cp = ((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        if (cp >= 0x800 && (allow_surrogates || cp < 0xD800 || cp > 0xDFFF)) {
            code_point = cp;
            return 3;
        }
        return 0;
    }
    if (c >= 0xF0 && c <= 0xF4 && left >= 4 && cont(1) && cont(2) && cont(3)) {
        const uint32_t cp =
            ((c & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            code_point = cp;
            return 4;
        }
    }
    return 0;
}

// Appends code_point (at most U+10FFFF) as one UTF-16 unit, or as a surrogate pair above U+FFFF.
inline void append_utf16(std::wstring& out, uint32_t code_point) {
    if (code_point < 0x10000) {
        out += static_cast<wchar_t>(code_point);
    } else {
        out += static_cast<wchar_t>(0xD800 + ((code_point - 0x10000) >> 10));
        out += static_cast<wchar_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
    }
}

// Returns the character at text[i] and sets units to the units it takes: a high surrogate
// directly followed by a low one is one code point (2 units); any other unit stands alone.
inline uint32_t read_utf16(const std::wstring& text, size_t i, size_t& units) {
    const uint32_t u = static_cast<uint32_t>(text[i]);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size()) {
        const uint32_t lo = static_cast<uint32_t>(text[i + 1]);
        if (lo >= 0xDC00 && lo <= 0xDFFF) {
            units = 2;
            return 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
        }
    }
    units = 1;
    return u;
}

}  // namespace vandel::detail
