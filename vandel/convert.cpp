#include "vandel/convert.h"

#include <algorithm>
#include <stdexcept>

#include "vandel/utf_steps.h"

namespace vandel {

namespace {

constexpr uint16_t replacement_character = 0xFFFD;
constexpr char substitute_byte = '\x1A';

bool is_system_path(text_kind kind) { return kind == text_kind_system || kind == text_kind_system_native; }

// Returns kind with 0 replaced by the system kind; throws for a kind no converter serves.
text_kind resolve_kind(text_kind kind) {
    if (kind > 21 && kind != text_kind_system_native) throw std::invalid_argument("invalid conversion");
    return kind == text_kind_system ? system_text_kind() : kind;
}

// Appends "x" and value as at least `digits` upper-case hexadecimal digits.
template <class S>
void append_hex(S& out, uint32_t value, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    out += static_cast<typename S::value_type>('x');
    while (digits < 8 && (value >> (4 * digits)) != 0) ++digits;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += static_cast<typename S::value_type>(hex[(value >> shift) & 0xF]);
}

void require_pointer(const void* p, size_t count) {
    if (p == nullptr && count != 0) throw std::invalid_argument("invalid pointer");
}

}  // namespace

std::wstring widen(const std::string& bytes) {
    std::wstring out(bytes.size(), L'\0');
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    return out;
}

std::string narrow(const std::wstring& text, char replacement) {
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        auto u = static_cast<unsigned long>(text[i]);
        out[i] = u < 256 ? static_cast<char>(u) : replacement;
    }
    return out;
}

std::wstring detail::decode_by_rules(const std::string& bytes, bool& error, text_kind kind, uint32_t mode,
                                     uint16_t replacement) {
    error = false;
    std::wstring out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        uint32_t cp = 0;
        size_t used = 0;
        if (kind == text_kind_utf8) {
            used = decode_utf8_step(p + i, n - i, true, cp);
        } else {
            cp = p[i] == 0 ? 0 : byte_to_unicode(p[i], kind);
            used = p[i] == 0 || cp != 0 ? 1 : 0;
        }
        if (used != 0) {
            append_utf16(out, cp);
            i += used;
            continue;
        }
        error = true;
        const unsigned char bad = p[i++];
        switch (mode & 0xFF) {
        case mode_replace:
            if (replacement != 0) out += static_cast<wchar_t>(replacement);
            break;
        case mode_truncate: return out;
        case mode_fail: return {};
        case mode_substitute: out += static_cast<wchar_t>(replacement_character); break;
        case mode_hex: append_hex(out, bad, 2); break;
        case mode_escape: out += static_cast<wchar_t>(0xDC00 + bad); break;
        case mode_latin1:
            if (kind == text_kind_utf8) out += static_cast<wchar_t>(bad);
            break;
        default: break;
        }
    }
    return out;
}

std::string detail::encode_by_rules(const std::wstring& text, bool& error, text_kind kind, uint32_t mode,
                                    char replacement) {
    error = false;
    std::string out;
    out.reserve(kind == text_kind_utf8 && text.size() > 10 ? 2 * text.size() : text.size());
    size_t units = 1;
    for (size_t i = 0; i < text.size(); i += units) {
        const uint32_t cp = read_utf16(text, i, units);
        if (kind == text_kind_utf8) {
            if (cp <= 0x10FFFF) {
                append_utf8(out, cp);
                continue;
            }
        } else {
            uint8_t b = cp == 0 ? 0 : unicode_to_byte(cp, kind);
            if (b == 0 && cp != 0 && (mode & flag_best_fit) != 0) b = best_fit_ascii(cp);
            if (b != 0 || cp == 0) {
                out += static_cast<char>(b);
                continue;
            }
        }
        if ((mode & flag_restore_escapes) != 0 && cp >= 0xDC00 && cp <= 0xDCFF) {
            out += static_cast<char>(cp & 0xFF);
            continue;
        }
        error = true;
        switch (mode & 0xFF) {
        case mode_replace:
            if (replacement != 0) out += replacement;
            break;
        case mode_truncate: return out;
        case mode_fail: return {};
        case mode_substitute: out += substitute_byte; break;
        case mode_hex: append_hex(out, cp, cp > 0xFFFF ? 6 : 4); break;
        default: break;
        }
    }
    return out;
}

std::wstring decode_text_checked(const std::string& bytes, bool& error, text_kind kind, uint32_t mode,
                                 uint16_t replacement) {
    const text_kind k = resolve_kind(kind);
    error = false;
    if (bytes.empty()) return {};
    if (is_system_path(k)) return detail::system_decode(bytes, error, mode, replacement);
    return detail::decode_by_rules(bytes, error, k, mode, replacement);
}

std::wstring decode_text(const std::string& bytes, text_kind kind, uint32_t mode, uint16_t replacement) {
    bool error = false;
    return decode_text_checked(bytes, error, kind, mode, replacement);
}

std::string encode_text_checked(const std::wstring& text, bool& error, text_kind kind, uint32_t mode,
                                char replacement) {
    const text_kind k = resolve_kind(kind);
    error = false;
    if (text.empty()) return {};
    if (is_system_path(k)) return detail::system_encode(text, error, mode, replacement);
    return detail::encode_by_rules(text, error, k, mode, replacement);
}

std::string encode_text(const std::wstring& text, text_kind kind, uint32_t mode, char replacement) {
    bool error = false;
    return encode_text_checked(text, error, kind, mode, replacement);
}

std::wstring from_utf8(const std::string& bytes) { return decode_text(bytes, text_kind_utf8, mode_latin1, '?'); }

std::string to_utf8(const std::wstring& text, char replacement) {
    return encode_text(text, text_kind_utf8, mode_replace, replacement);
}

std::string transcode_text(const std::string& bytes, bool& error, text_kind from, text_kind to, uint32_t mode,
                           char replacement) {
    if (from > 21 || to > 21) throw std::invalid_argument("invalid conversion");
    error = false;
    from = resolve_kind(from);
    to = resolve_kind(to);
    if (from == to) return bytes;
    bool bad_bytes = false;
    bool bad_chars = false;
    const std::wstring text = decode_text_checked(bytes, bad_bytes, from, mode & 0xFF, substitute_byte);
    std::string out = encode_text_checked(text, bad_chars, to, mode, replacement);
    if (bad_bytes && mode == mode_replace) {
        // Bad bytes travelled as 0x1A; they become the caller's replacement, or nothing for 0.
        if (replacement != 0)
            std::replace(out.begin(), out.end(), substitute_byte, replacement);
        else
            out.erase(std::remove(out.begin(), out.end(), substitute_byte), out.end());
    }
    error = bad_bytes || bad_chars;
    return out;
}

std::wstring wstring_from_utf16_units(const uint16_t* units, size_t count) {
    require_pointer(units, count);
    std::wstring out(count, L'\0');
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<wchar_t>(units[i]);
    return out;
}

std::wstring wstring_from_utf16_units(const std::vector<uint16_t>& units) {
    return wstring_from_utf16_units(units.data(), units.size());
}

std::wstring wstring_from_utf32_units(const uint32_t* values, size_t count, uint16_t replacement) {
    require_pointer(values, count);
    std::wstring out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (values[i] <= 0x10FFFF)
            detail::append_utf16(out, values[i]);
        else
            out += static_cast<wchar_t>(replacement);
    }
    return out;
}

std::wstring wstring_from_utf32_units(const std::vector<uint32_t>& values, uint16_t replacement) {
    return wstring_from_utf32_units(values.data(), values.size(), replacement);
}

std::vector<uint16_t> utf16_units_from_wstring(const std::wstring& text, uint16_t replacement) {
    std::vector<uint16_t> out(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto u = static_cast<uint32_t>(text[i]);
        out[i] = u <= 0xFFFF ? static_cast<uint16_t>(u) : replacement;
    }
    return out;
}

std::vector<uint32_t> utf32_units_from_wstring(const std::wstring& text) {
    std::vector<uint32_t> out;
    out.reserve(text.size());
    size_t units = 1;
    for (size_t i = 0; i < text.size(); i += units) out.push_back(detail::read_utf16(text, i, units));
    return out;
}

text_encoding_guess sniff_text_encoding(const void* data, size_t length) {
    require_pointer(data, length);
    if (length == 0) return guess_empty;
    const auto* p = static_cast<const unsigned char*>(data);

    if (length >= 4) {
        bool be = false;
        bool le = false;
        for (size_t i = 0; i + 4 <= length; i += 4) {
            const unsigned char* g = p + i;
            if (g[0] == 0 && g[1] == 0 && g[2] == 0 && g[3] == 0x0A) return guess_utf32_be;
            if (g[0] == 0x0A && g[1] == 0 && g[2] == 0 && g[3] == 0) return guess_utf32_le;
            if (g[0] == 0 && g[1] == 0 && g[2] == 0 && g[3] != 0) be = true;
            if (g[0] != 0 && g[1] == 0 && g[2] == 0 && g[3] == 0) le = true;
        }
        if (be != le) return be ? guess_utf32_be : guess_utf32_le;
    }

    bool be = false;
    bool le = false;
    for (size_t i = 0; i + 2 <= length; i += 2) {
        if (p[i] == 0 && p[i + 1] == 0x0A) return guess_utf16_be;
        if (p[i] == 0x0A && p[i + 1] == 0) return guess_utf16_le;
        if (p[i] == 0 && p[i + 1] != 0) be = true;
        if (p[i] != 0 && p[i + 1] == 0) le = true;
    }
    if (be != le) return be ? guess_utf16_be : guess_utf16_le;

    bool multi_byte = false;
    bool bad = false;
    for (size_t i = 0; i < length;) {
        uint32_t cp = 0;
        const size_t used = detail::decode_utf8_step(p + i, length - i, true, cp);
        if (used == 0) bad = true;
        if (used > 1) multi_byte = true;
        i += used == 0 ? 1 : used;
    }
    if (multi_byte && !bad) return guess_utf8;
    return std::any_of(p, p + length, [](unsigned char c) { return c >= 0x80; }) ? guess_8bit : guess_ascii;
}

}  // namespace vandel
