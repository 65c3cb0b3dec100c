// Win32 system path of the converters: MultiByteToWideChar and WideCharToMultiByte with CP_ACP.
#include "vandel/convert.h"

#include <algorithm>
#include <climits>

#include "vandel/win32/windows.h"

namespace vandel::detail {

namespace {

// The UTF-8 ANSI code page takes none of the flags that report substitutions; our UTF-8 rules
// serve it instead.
bool ansi_is_utf8() { return GetACP() == CP_UTF8; }

// Collapses every run 00 1A H L (H, L below 16) back into the byte H * 16 + L.
void restore_escapes(std::string& s) {
    size_t w = 0;
    for (size_t r = 0; r < s.size();) {
        if (r + 4 <= s.size() && s[r] == '\0' && s[r + 1] == '\x1A' && static_cast<unsigned char>(s[r + 2]) < 16 &&
            static_cast<unsigned char>(s[r + 3]) < 16) {
            s[w++] = static_cast<char>(s[r + 2] * 16 + s[r + 3]);
            r += 4;
        } else {
            s[w++] = s[r++];
        }
    }
    s.resize(w);
}

}  // namespace

std::wstring system_decode(const std::string& bytes, bool& error, uint32_t mode, uint16_t replacement) {
    if (ansi_is_utf8()) return decode_by_rules(bytes, error, text_kind_utf8, mode, replacement);
    error = false;
    if (bytes.size() > INT_MAX) {
        error = true;
        return {};
    }
    const int len = static_cast<int>(bytes.size());
    DWORD flags = MB_ERR_INVALID_CHARS;
    int n = MultiByteToWideChar(CP_ACP, flags, bytes.data(), len, nullptr, 0);
    if (n <= 0) {
        // Bad bytes: Windows substitutes its own character, except where the mode wants nothing.
        error = true;
        if ((mode & 0xFF) == mode_fail) return {};
        flags = 0;
        n = MultiByteToWideChar(CP_ACP, flags, bytes.data(), len, nullptr, 0);
        if (n <= 0) return {};
    }
    std::wstring out(static_cast<size_t>(n), L'\0');
    n = MultiByteToWideChar(CP_ACP, flags, bytes.data(), len, out.data(), n);
    if (n <= 0) {
        error = true;
        return {};
    }
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string system_encode(const std::wstring& text, bool& error, uint32_t mode, char replacement) {
    if (ansi_is_utf8()) return encode_by_rules(text, error, text_kind_utf8, mode, replacement);
    error = false;
    const uint32_t m = mode & 0xFF;

    // Escapes travel through Windows as the units 00 1A H L, which every ANSI code page holds.
    std::wstring src;
    bool escapes = false;
    if ((mode & flag_restore_escapes) != 0) {
        src.reserve(text.size());
        for (wchar_t u : text) {
            if (u >= 0xDC00 && u <= 0xDCFF) {
                src += {L'\0', L'\x1A', static_cast<wchar_t>((u >> 4) & 0xF), static_cast<wchar_t>(u & 0xF)};
                escapes = true;
            } else {
                src += u;
            }
        }
    }
    const std::wstring& in = escapes ? src : text;
    if (in.size() > INT_MAX) {
        error = true;
        return {};
    }

    // In the marker modes Windows writes 0x00 for what it can't encode, found and handled below.
    const bool marker = m == mode_truncate || m == mode_fail || m == mode_hex || (m == mode_replace && replacement == 0);
    // A string: for double-byte code pages the system reads a second byte when the first is not 0.
    char default_char[2] = {'\0', '\0'};
    if (m == mode_replace && replacement != 0) default_char[0] = replacement;
    if (m == mode_substitute) default_char[0] = '\x1A';
    DWORD flags = WC_COMPOSITECHECK | WC_DEFAULTCHAR;
    if ((mode & flag_best_fit) == 0) flags |= WC_NO_BEST_FIT_CHARS;

    const int len = static_cast<int>(in.size());
    BOOL used_default = FALSE;
    int n = WideCharToMultiByte(CP_ACP, flags, in.data(), len, nullptr, 0, default_char, &used_default);
    if (n <= 0) {
        error = true;
        return {};
    }
    std::string out(static_cast<size_t>(n), '\0');
    n = WideCharToMultiByte(CP_ACP, flags, in.data(), len, out.data(), n, default_char, &used_default);
    if (n <= 0) {
        error = true;
        return {};
    }
    out.resize(static_cast<size_t>(n));
    // A substitution stays reported even when escapes were restored beside it.
    error = used_default != FALSE;
    if (escapes) restore_escapes(out);
    if (!marker) return out;

    // What is left of 0x00 now was unencodable (a U+0000 of the text can't be told apart).
    error = std::find(out.begin(), out.end(), '\0') != out.end();
    if (!error) return out;
    switch (m) {
    case mode_replace: out.erase(std::remove(out.begin(), out.end(), '\0'), out.end()); break;
    case mode_truncate: out.resize(out.find('\0')); break;
    case mode_fail: out.clear(); break;
    case mode_hex: {
        std::string hex;
        for (char c : out) {
            if (c == '\0')
                hex += "xFFFD";
            else
                hex += c;
        }
        out.swap(hex);
        break;
    }
    default: break;
    }
    return out;
}

}  // namespace vandel::detail
