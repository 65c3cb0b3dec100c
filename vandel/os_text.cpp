#include "vandel/os_text.h"

#include <cstdint>

namespace vandel {

namespace {

void put_utf8(std::string& out, uint32_t cp) {
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

bool is_cont(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::string to_os_bytes(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t u = static_cast<uint32_t>(text[i]) & 0xFFFF;
        if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u & 0xFF);
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() &&
                   (static_cast<uint32_t>(text[i + 1]) & 0xFC00) == 0xDC00) {
            uint32_t lo = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
            put_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
            ++i;
        } else {
            put_utf8(out, u);
        }
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
        unsigned char c = p[i];
        size_t left = n - i;
        if (c < 0x80) {
            out += static_cast<wchar_t>(c);
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF && left >= 2 && is_cont(p[i + 1])) {
            out += static_cast<wchar_t>(((c & 0x1F) << 6) | (p[i + 1] & 0x3F));
            i += 2;
            continue;
        }
        if (c >= 0xE0 && c <= 0xEF && left >= 3 && is_cont(p[i + 1]) && is_cont(p[i + 2])) {
            uint32_t cp = ((c & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
            if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) {
                out += static_cast<wchar_t>(cp);
                i += 3;
                continue;
            }
        }
        if (c >= 0xF0 && c <= 0xF4 && left >= 4 && is_cont(p[i + 1]) && is_cont(p[i + 2]) &&
            is_cont(p[i + 3])) {
            uint32_t cp = ((c & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) |
                          ((p[i + 2] & 0x3Fu) << 6) | (p[i + 3] & 0x3Fu);
            if (cp >= 0x10000 && cp <= 0x10FFFF) {
                cp -= 0x10000;
                out += static_cast<wchar_t>(0xD800 + (cp >> 10));
                out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
                i += 4;
                continue;
            }
        }
        out += static_cast<wchar_t>(0xDC00 + c);
        ++i;
    }
    return out;
}

}  // namespace vandel
