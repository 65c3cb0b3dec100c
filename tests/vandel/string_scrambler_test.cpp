#include "vandel/string_scrambler.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vandel::string_scrambler;

const std::wstring e_acute_euro{wchar_t(0xE9), wchar_t(0x20AC)};

TEST(StringScrambler, TokenLayoutWithoutKeyOrPadding) {
    string_scrambler s(L"", false);
    // 0x28, then each byte XORed with the one before: 28 49 03 01.
    EXPECT_EQ(s.encode_bytes("abc", false, false), "KEkDAQ");
    EXPECT_EQ(s.encode_bytes("", false, false), "KA");
    EXPECT_EQ(s.encode(e_acute_euro, false), L"qGtqS2Au");  // 0xA8 and the UTF-8 bytes
    EXPECT_EQ(s.decode(std::wstring(L"qGtqS2Au")), e_acute_euro);
    bool wide = false;
    EXPECT_EQ(s.decode_bytes("KEkDAQ", wide), "abc");
    EXPECT_FALSE(wide);
}

TEST(StringScrambler, TokenLayoutWithTheSystemKey) {
    string_scrambler s(L"", false);
    s.set_key(std::string(string_scrambler::system_key));
    EXPECT_EQ(s.encode_bytes("Hello, world", false, false), "g9VwVbm1BBMEdXM5IQ");
    EXPECT_EQ(s.encode(e_acute_euro, false), L"A943F9mY");
    s.set_key(std::wstring(L"\u00FF!!"));  // nothing decodes: no key
    EXPECT_EQ(s.encode_bytes("abc", false, false), "KEkDAQ");
}

TEST(StringScrambler, EveryTokenUnscramblesToItsText) {
    string_scrambler padded(L"q7VdXLm2Rx9TbW4nKc8Zp1Hs_F6gJe3Ya5oUi0NrEt", true);
    string_scrambler plain(L"q7VdXLm2Rx9TbW4nKc8Zp1Hs_F6gJe3Ya5oUi0NrEt", false);
    string_scrambler no_key(L"", true);
    const std::wstring texts[] = {L"", L"x", L"C:\\Program Files\\Tarnhollow", e_acute_euro + L" tail",
                                  std::wstring(300, L'z')};
    for (string_scrambler* s : {&padded, &plain, &no_key}) {
        for (const std::wstring& text : texts) {
            std::wstring token = s->encode(text, false);
            EXPECT_EQ(s->decode(token), text);
            std::string narrow_token = s->encode_bytes("bytes \xFF\x01", false, false);
            EXPECT_EQ(s->decode(narrow_token), "bytes \xFF\x01");
        }
    }
    // With padding one text gives different tokens, one key reads them all.
    std::wstring first = padded.encode(L"secret", false);
    bool differs = false;
    for (int i = 0; i < 8 && !differs; ++i) differs = padded.encode(L"secret", false) != first;
    EXPECT_TRUE(differs);
    EXPECT_EQ(plain.decode(first), L"secret");
}

TEST(StringScrambler, ForgivingDecoding) {
    string_scrambler s(L"", false);
    EXPECT_EQ(s.decode(std::string()), "");
    EXPECT_EQ(s.decode(std::string("KE\r\nkD=AQ==")), "abc");
    EXPECT_EQ(s.decode(std::string("!!!")), "");
    // A header that announces seven pad bytes with fewer behind it: empty text.
    EXPECT_EQ(s.decode(std::string("Lw")), "");  // 0x2F alone
}

TEST(StringScrambler, UnescapeTurnsEscapesIntoBytes) {
    string_scrambler s(L"key", false);
    EXPECT_EQ(s.decode(s.encode_bytes("a\\tb", false, true)), "a\tb");
    EXPECT_EQ(s.decode(s.encode(L"a\\x41\\q", true)), L"aAq");
}

TEST(StringScrambler, InstanceIsOneProcessWideObject) {
    string_scrambler& a = string_scrambler::instance();
    EXPECT_EQ(&a, &string_scrambler::instance());
    a.set_key(std::string(string_scrambler::system_key));
    EXPECT_EQ(a.decode(a.encode(L"shared", false)), L"shared");
}

}  // namespace
