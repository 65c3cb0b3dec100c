#include "vandel/string_scrambler.h"

#include "vandel/base64.h"
#include "vandel/convert.h"
#include "vandel/memory_stream.h"
#include "vandel/strings.h"

namespace vandel {

namespace {

// Returns the URL-safe Base64 of bytes, or its decoding with foreign characters ignored.
std::string url_safe_encode(const std::string& bytes) {
    base64_transform t(base64_transform::url_safe);
    memory_stream in(bytes.data(), static_cast<int64_t>(bytes.size()));
    std::string text;
    t.encode_to_string(in, text, -1);
    return text;
}

std::string url_safe_decode(const std::string& text) {
    base64_transform t(base64_transform::url_safe);
    t.set_strict(0);
    memory_stream out;
    t.decode_string(text, out);
    return out.size() ? std::string(reinterpret_cast<const char*>(out.data_at(0)), static_cast<size_t>(out.size()))
                      : std::string();
}

uint8_t key_byte(const std::vector<uint8_t>& key, size_t i) { return key.empty() ? 0 : key[i % key.size()]; }

}  // namespace

string_scrambler& string_scrambler::instance() {
    static string_scrambler scrambler;
    return scrambler;
}

string_scrambler::string_scrambler() = default;

string_scrambler::string_scrambler(const std::wstring& key_text, bool random_padding)
    : random_padding_(random_padding) {
    set_key(key_text);
}

string_scrambler::~string_scrambler() = default;

void string_scrambler::set_key(const std::string& key_text) {
    std::string bytes = url_safe_decode(key_text);
    key_.assign(bytes.begin(), bytes.end());
}

void string_scrambler::set_key(const std::wstring& key_text) { set_key(narrow(key_text, '\x1A')); }

std::wstring string_scrambler::encode(const std::wstring& text, bool unescape) {
    bool wide = false;
    for (wchar_t c : text)
        if (static_cast<uint32_t>(c) > 255) wide = true;
    std::string bytes = wide ? to_utf8(text, '\x1A') : narrow(text, '\x1A');
    return widen(encode_bytes(std::move(bytes), wide, unescape));
}

std::string string_scrambler::encode_bytes(std::string text, bool wide, bool unescape) {
    if (unescape) text = vandel::unescape(text, true);
    std::string s;
    s.reserve(text.size() + 8);
    if (random_padding_) {
        if (!padding_source_) padding_source_ = std::make_unique<isaac_random>();
        uint32_t n = padding_source_->next32() & 7;
        s.push_back(static_cast<char>((padding_source_->next32() & 0x78) | n | (wide ? 0x80 : 0)));
        for (uint32_t i = 0; i < n; ++i) s.push_back(static_cast<char>(padding_source_->next32() & 0xFF));
    } else {
        s.push_back(static_cast<char>(wide ? 0xA8 : 0x28));
    }
    s += text;
    // Each byte is keyed and chained to the plain byte before it.
    std::string x(s.size(), '\0');
    uint8_t previous = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        uint8_t plain = static_cast<uint8_t>(s[i]);
        x[i] = static_cast<char>(plain ^ previous ^ key_byte(key_, i));
        previous = plain;
    }
    return url_safe_encode(x);
}

std::string string_scrambler::decode_bytes(const std::string& token, bool& wide) const {
    wide = false;
    if (token.empty()) return std::string();
    std::string s = url_safe_decode(token);
    if (s.empty()) return s;
    uint8_t previous = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        previous = static_cast<uint8_t>(static_cast<uint8_t>(s[i]) ^ previous ^ key_byte(key_, i));
        s[i] = static_cast<char>(previous);
    }
    uint8_t header = static_cast<uint8_t>(s[0]);
    wide = (header & 0x80) != 0;
    size_t skip = (header & 7u) + 1;
    return skip >= s.size() ? std::string() : s.substr(skip);
}

std::string string_scrambler::decode(const std::string& token) const {
    bool wide = false;
    return decode_bytes(token, wide);
}

std::wstring string_scrambler::decode(const std::wstring& token) const {
    bool wide = false;
    std::string bytes = decode_bytes(narrow(token, '\x1A'), wide);
    return wide ? from_utf8(bytes) : widen(bytes);
}

}  // namespace vandel
