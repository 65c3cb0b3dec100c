#pragma once
// Turns a text into an opaque printable token and back with a shared key: the URL-safe Base64 of
// a header byte, up to seven random pad bytes and the text, XOR-chained with the key. With
// random padding one text gives a different token each time; one key unscrambles them all.
#include "vandel/random.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vandel {

class string_scrambler {
public:
    // The key text every deliverable installs at start-up.
    static constexpr const char* system_key = "q7VdXLm2Rx9TbW4nKc8Zp1Hs_F6gJe3Ya5oUi0NrEt";

    // Returns the process-wide scrambler: no key until set_key, random padding on.
    static string_scrambler& instance();

    string_scrambler(const std::wstring& key_text, bool random_padding);
    string_scrambler(const string_scrambler&) = delete;
    string_scrambler& operator=(const string_scrambler&) = delete;
    virtual ~string_scrambler();

    // The key becomes the URL-safe Base64 decoding of the text, foreign characters ignored
    // (nothing decoded: no key). The wide form narrows the text first.
    void set_key(const std::string& key_text);
    void set_key(const std::wstring& key_text);

    // Returns the token of text: its units as bytes, or its UTF-8 when a unit is above 255.
    // With unescape, backslash escapes in the text become the bytes they name first.
    std::wstring encode(const std::wstring& text, bool unescape);
    // Returns the token of the bytes; wide marks them as UTF-8 of a wide text.
    std::string encode_bytes(std::string text, bool wide, bool unescape);

    // Return the text of a token; never fail: foreign characters are ignored, a token shorter
    // than its header says gives an empty text, another key gives meaningless bytes.
    std::string decode(const std::string& token) const;
    std::wstring decode(const std::wstring& token) const;
    // Also tells whether the bytes are UTF-8 of a wide text.
    std::string decode_bytes(const std::string& token, bool& wide) const;

private:
    string_scrambler();

    std::vector<uint8_t> key_;
    bool random_padding_ = true;
    std::unique_ptr<isaac_random> padding_source_;
};

}  // namespace vandel
