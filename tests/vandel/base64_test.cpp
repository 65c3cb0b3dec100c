#include "vandel/base64.h"
#include "vandel/memory_stream.h"
#include "tests/support/failing_stream.h"
#include "tests/support/throws.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using oblivar::test::throws;
using vandel::base64_transform;
using vandel::memory_stream;

std::string encode(const std::string& bytes, int32_t variant) {
    base64_transform t(variant);
    memory_stream in(bytes.data(), static_cast<int64_t>(bytes.size()));
    std::string out = "junk";
    int64_t n = t.encode_to_string(in, out, -1);
    EXPECT_EQ(n, static_cast<int64_t>(out.size()));
    return out;
}

std::string contents(const memory_stream& s) {
    return s.size() ? std::string(reinterpret_cast<const char*>(s.data_at(0)), static_cast<size_t>(s.size()))
                    : std::string();
}

std::string decode(const std::string& text, int32_t variant, int32_t strict = 1) {
    base64_transform t(variant);
    t.set_strict(strict);
    memory_stream out;
    int64_t n = t.decode_string(text, out);
    EXPECT_EQ(n, out.size());
    return contents(out);
}

TEST(Base64, Rfc4648VectorsInBothAlphabets) {
    const struct {
        const char *bytes, *standard, *url_safe;
    } rows[] = {
        {"", "", ""},
        {"f", "Zg==", "Zg"},
        {"fo", "Zm8=", "Zm8"},
        {"foo", "Zm9v", "Zm9v"},
        {"foob", "Zm9vYg==", "Zm9vYg"},
        {"fooba", "Zm9vYmE=", "Zm9vYmE"},
        {"foobar", "Zm9vYmFy", "Zm9vYmFy"},
        {"\xFB\xFF", "+/8=", "-_8"},
        {"\xFB\xEF\xBE", "++++", "----"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(encode(r.bytes, base64_transform::standard), r.standard);
        EXPECT_EQ(encode(r.bytes, base64_transform::url_safe), r.url_safe);
        EXPECT_EQ(decode(r.standard, base64_transform::standard), r.bytes);
        EXPECT_EQ(decode(r.url_safe, base64_transform::url_safe), r.bytes);
    }
}

TEST(Base64, DecodingSkipsPaddingAndLineBreaksAnywhere) {
    const auto std64 = base64_transform::standard;
    EXPECT_EQ(decode("QQ", std64), "A");
    EXPECT_EQ(decode("QUJD\r\nQUJD", std64), "ABCABC");
    EXPECT_EQ(decode("QQ==QUJD", std64), "\x41\x04\x14\x24");
    EXPECT_EQ(decode("QUJDR", std64), "ABCD");  // one trailing character still gives a byte
    EXPECT_EQ(decode("QUJDRA", std64), "ABCD");
    EXPECT_EQ(decode("Zg==", base64_transform::url_safe), "f");
}

TEST(Base64, StrictnessDecidesForeignCharacters) {
    EXPECT_TRUE(throws<std::runtime_error>([] { decode("QU*JD", base64_transform::standard); }, "parse error"));
    EXPECT_EQ(decode("QU*JD", base64_transform::standard, 0), "ABC");
    // Each alphabet's own characters 62 and 63 are foreign to the other.
    EXPECT_TRUE(throws<std::runtime_error>([] { decode("-_8", base64_transform::standard); }, "parse error"));
    EXPECT_TRUE(throws<std::runtime_error>([] { decode("+/8", base64_transform::url_safe); }, "parse error"));
    EXPECT_EQ(decode("+/-_8", base64_transform::url_safe, 0), "\xFB\xFF");

    // Groups before the bad character are already written.
    base64_transform t(base64_transform::standard);
    memory_stream out;
    EXPECT_THROW(t.decode_string("QUJDQU*J", out), std::runtime_error);
    EXPECT_EQ(contents(out), "ABC");
}

TEST(Base64, WideTextTakesOnlyAsciiCharacters) {
    std::wstring text = L"QU";
    text += wchar_t(0xE9);
    text += L"JD";
    base64_transform strict(base64_transform::standard);
    memory_stream out;
    EXPECT_TRUE(throws<std::runtime_error>([&] { strict.decode_wstring(text, out); }, "parse error"));
    base64_transform lenient(base64_transform::standard);
    lenient.set_strict(0);
    EXPECT_EQ(lenient.decode_wstring(text, out), 3);
    EXPECT_EQ(contents(out), "ABC");

    memory_stream in("ABC", 3);
    std::wstring wide;
    EXPECT_EQ(strict.encode_to_wstring(in, wide, -1), 4);
    EXPECT_EQ(wide, L"QUJD");
}

TEST(Base64, CountsBoundWhatIsRead) {
    base64_transform t(base64_transform::standard);
    memory_stream text("QQ==", 4);
    memory_stream out;
    EXPECT_EQ(t.decode(text, out, 2), 1);
    EXPECT_EQ(text.position(), 2);
    EXPECT_EQ(t.decode(text, out, 0), 0);

    memory_stream bytes("ABCDE", 5);
    memory_stream chars;
    EXPECT_EQ(t.encode(bytes, chars, 4), 8);  // "ABC" then "D"
    EXPECT_EQ(contents(chars), "QUJDRA==");
    EXPECT_EQ(bytes.position(), 4);
    std::string empty = "junk";
    memory_stream nothing;
    EXPECT_EQ(t.encode_to_string(nothing, empty, -1), 0);
    EXPECT_TRUE(empty.empty());
}

TEST(Base64, EncodingStopsWhenTheOutputIsFull) {
    base64_transform t(base64_transform::standard);
    memory_stream bytes(300, 7);
    oblivar::test::failing_stream out(10);
    EXPECT_EQ(t.encode(bytes, out, -1), 10);
    EXPECT_EQ(out.write_calls(), 3);
}

}  // namespace
