#pragma once
// Reversible text encodings of bytes from one stream into another, and Base64 (RFC 4648) in its
// standard alphabet (with "=" padding) and its URL- and file-name-safe one (without).
#include <cstdint>
#include <string>

namespace vandel {

class stream;

class transform_obj {
public:
    virtual ~transform_obj();
    // Reads up to count bytes (negative: until input gives no more; 0: nothing) and writes their
    // text form to output. Returns the characters written.
    virtual int64_t encode(stream& input, stream& output, int64_t count) = 0;
    // Reads up to count characters (as for encode) and writes the bytes they stand for to
    // output. Returns the bytes written.
    virtual int64_t decode(stream& input, stream& output, int64_t count) = 0;

    // encode into output (emptied first). Return the characters written.
    int64_t encode_to_string(stream& input, std::string& output, int64_t count);
    // Throws length_error "size error" when the text would not fit a wide string.
    int64_t encode_to_wstring(stream& input, std::wstring& output, int64_t count);
    // decode over the text's bytes. Return the bytes written to output.
    int64_t decode_string(const std::string& text, stream& output);
    // Characters of 128 and above are skipped, or, when strict(), throw runtime_error
    // "parse error".
    int64_t decode_wstring(const std::wstring& text, stream& output);

    // Returns whether decoding refuses characters outside the encoding.
    virtual bool strict() const { return true; }

protected:
    transform_obj() = default;
    transform_obj(const transform_obj&) = default;
    transform_obj& operator=(const transform_obj&) = default;
};

class base64_transform : public transform_obj {
public:
    static constexpr int32_t standard = 0;  // "+", "/" and "=" padding
    static constexpr int32_t url_safe = 1;  // "-", "_" and no padding

    explicit base64_transform(int32_t variant);

    // Encodes groups of 3 bytes as 4 characters; never writes line breaks.
    int64_t encode(stream& input, stream& output, int64_t count) override;
    // "=", CR and LF are skipped anywhere; any other character outside the variant's alphabet
    // is skipped when not strict and throws runtime_error "parse error" when strict (groups
    // before it are already written). A last group of one character still gives one byte.
    int64_t decode(stream& input, stream& output, int64_t count) override;

    // Sets strictness: non-zero (the default) refuses foreign characters in decoding.
    void set_strict(int32_t value) { strict_ = value; }
    bool strict() const override { return strict_ != 0; }

private:
    int32_t variant_;
    int32_t strict_ = 1;
    uint8_t group_[3] = {};
};

}  // namespace vandel
