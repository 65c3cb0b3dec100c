#include "vandel/base64.h"

#include "vandel/memory_stream.h"

#include <algorithm>
#include <stdexcept>

namespace vandel {

namespace {

const char standard_alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char url_safe_alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// Returns the sextet of c in the variant's alphabet, or -1.
int sextet_of(uint8_t c, int32_t variant) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == (variant == base64_transform::url_safe ? '-' : '+')) return 62;
    if (c == (variant == base64_transform::url_safe ? '_' : '/')) return 63;
    return -1;
}

}  // namespace

// ---- transform_obj -------------------------------------------------------------------------

transform_obj::~transform_obj() = default;

int64_t transform_obj::encode_to_string(stream& input, std::string& output, int64_t count) {
    output.clear();
    memory_stream text;
    int64_t n = encode(input, text, count);
    if (n <= 0) return 0;
    output.assign(reinterpret_cast<const char*>(text.data_at(0)), static_cast<size_t>(text.size()));
    return n;
}

int64_t transform_obj::encode_to_wstring(stream& input, std::wstring& output, int64_t count) {
    output.clear();
    memory_stream text;
    int64_t n = encode(input, text, count);
    if (n <= 0) return 0;
    if (static_cast<uint64_t>(text.size()) > output.max_size()) throw std::length_error("size error");
    const uint8_t* chars = text.data_at(0);
    output.assign(chars, chars + text.size());
    return n;
}

int64_t transform_obj::decode_string(const std::string& text, stream& output) {
    if (text.empty()) return 0;
    memory_stream view(text.data(), static_cast<int64_t>(text.size()));
    return decode(view, output, static_cast<int64_t>(text.size()));
}

int64_t transform_obj::decode_wstring(const std::wstring& text, stream& output) {
    if (text.empty()) return 0;
    std::string chars;
    chars.reserve(text.size());
    for (wchar_t c : text) {
        if (static_cast<uint32_t>(c) < 128)
            chars.push_back(static_cast<char>(c));
        else if (strict())
            throw std::runtime_error("parse error");
    }
    if (chars.empty()) return 0;
    memory_stream view(chars.data(), static_cast<int64_t>(chars.size()));
    return decode(view, output, static_cast<int64_t>(chars.size()));
}

// ---- base64_transform ----------------------------------------------------------------------

base64_transform::base64_transform(int32_t variant) : variant_(variant) {}

int64_t base64_transform::encode(stream& input, stream& output, int64_t count) {
    const char* alphabet = variant_ == url_safe ? url_safe_alphabet : standard_alphabet;
    int64_t consumed = 0;
    int64_t total = 0;
    if (count == 0) return 0;
    for (;;) {
        group_[0] = group_[1] = group_[2] = 0;
        int64_t want = count > 0 ? std::min<int64_t>(3, count - consumed) : 3;
        int64_t n = want > 0 ? input.read(group_, want) : 0;
        if (n <= 0) break;
        consumed += n;
        const uint8_t b0 = group_[0], b1 = group_[1], b2 = group_[2];
        const uint8_t sextets[4] = {uint8_t(b0 >> 2), uint8_t(((b0 << 4) | (b1 >> 4)) & 63),
                                    uint8_t(((b1 << 2) | (b2 >> 6)) & 63), uint8_t(b2 & 63)};
        char chars[4];
        int length = static_cast<int>(n) + 1;
        for (int i = 0; i < length; ++i) chars[i] = alphabet[sextets[i]];
        if (variant_ != url_safe)
            for (; length < 4; ++length) chars[length] = '=';
        int64_t written = output.write(chars, length);
        if (written > 0) total += written;
        if (n != 3 || written != 4) break;
    }
    return total;
}

int64_t base64_transform::decode(stream& input, stream& output, int64_t count) {
    int64_t consumed = 0;
    int64_t total = 0;
    if (count == 0) return 0;
    for (;;) {
        group_[0] = group_[1] = group_[2] = 0;
        uint8_t sextets[4] = {};
        int held = 0;
        // Never more than four sextets, never more than count characters.
        while (held < 4 && (count < 0 || consumed < count)) {
            uint8_t c = 0;
            if (input.read(&c, 1) != 1) break;
            ++consumed;
            int v = sextet_of(c, variant_);
            if (v >= 0) {
                sextets[held++] = static_cast<uint8_t>(v);
            } else if (c != '=' && c != '\r' && c != '\n' && strict_ != 0) {
                throw std::runtime_error("parse error");
            }
        }
        if (held == 0) break;
        group_[0] = static_cast<uint8_t>(sextets[0] << 2 | sextets[1] >> 4);
        group_[1] = static_cast<uint8_t>(sextets[1] << 4 | sextets[2] >> 2);
        group_[2] = static_cast<uint8_t>(sextets[2] << 6 | sextets[3]);
        int64_t bytes = held == 1 ? 1 : held - 1;
        int64_t written = output.write(group_, bytes);
        if (written > 0) total += written;
        if (held != 4 || written != 3) break;
    }
    return total;
}

}  // namespace vandel
