#include "vandel/stream.h"

#include "vandel/convert.h"
#include "vandel/strings.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

// The byte-order code below reverses bytes relative to the host, which must be little-endian.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "little-endian host expected");

namespace vandel {

namespace {

constexpr int64_t copy_block = 65536;

template <class T>
int64_t read_value(stream& s, T& value) {
    unsigned char bytes[sizeof(T)];
    int64_t n = s.read(bytes, sizeof(T));
    if (n != static_cast<int64_t>(sizeof(T))) return n;
    if (s.byte_order() == 1) std::reverse(bytes, bytes + sizeof(T));
    std::memcpy(&value, bytes, sizeof(T));
    return n;
}

template <class T>
int64_t write_value(stream& s, const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if (s.byte_order() == 1) std::reverse(bytes, bytes + sizeof(T));
    return s.write(bytes, sizeof(T));
}

int32_t effective_line_ending(int32_t mode) { return mode == 5 ? 3 : mode; }

// Reads the uint32 prefix and checks it against the caller's bound. Returns the bytes read of
// the prefix (4 when count is valid).
int64_t read_prefix(stream& s, uint32_t& count, uint64_t max_bytes) {
    if (s.remaining() < 4) return 0;
    int64_t got = s.read_int32(count);
    if (got < 4) return got;
    if (count > max_bytes) throw std::runtime_error("read string size too large");
    return got;
}

// Reads up to count data bytes with one read, never reserving more than the data can hold.
int64_t read_data(stream& s, std::string& bytes, uint32_t count) {
    int64_t want = std::min<int64_t>(count, std::max<int64_t>(s.remaining(), 0));
    bytes.resize(static_cast<size_t>(want));
    int64_t n = want > 0 ? s.read(&bytes[0], want) : 0;
    if (n < 0) n = 0;
    bytes.resize(static_cast<size_t>(n));
    return n;
}

}  // namespace

stream::~stream() = default;

void stream::copy_format(const stream& other) {
    set_byte_order(other.byte_order());
    set_line_ending(other.line_ending());
    set_text_form(other.text_form());
    set_text_kind(other.text_kind());
}

bool stream::same_format(const stream& other) const {
    if (effective_line_ending(line_ending()) != effective_line_ending(other.line_ending())) return false;
    if (text_form() == 1 && other.text_form() == 1) return true;
    // Two code pages are alike only when they are the same one, whatever the byte order says.
    if (text_form() == 4 && other.text_form() == 4) return text_kind() == other.text_kind();
    return text_form() == other.text_form() && (byte_order() == 1) == (other.byte_order() == 1);
}

bool stream::is_open() const { return readable() || writable(); }
bool stream::is_seekable() const { return false; }
int32_t stream::byte_order() const { return byte_order_; }
void stream::set_byte_order(int32_t value) { byte_order_ = value; }
int32_t stream::line_ending() const { return line_ending_; }
void stream::set_line_ending(int32_t value) { line_ending_ = value; }
int32_t stream::text_form() const { return text_form_; }
void stream::set_text_form(int32_t value) { text_form_ = value; }
int32_t stream::text_kind() const { return text_kind_; }
void stream::set_text_kind(int32_t value) { text_kind_ = value; }

int64_t stream::copy_to(stream& target, int64_t count) { return target.copy_from(*this, count); }

int64_t stream::copy_from(stream& source, int64_t count) {
    if (count < 0) count = source.remaining();
    unsigned char buffer[copy_block];
    int64_t copied = 0;
    for (;;) {
        int64_t n = source.read(buffer, std::min(count - copied, copy_block));
        int64_t w = n > 0 ? write(buffer, n) : 0;
        if (w > 0) copied += w;
        if (w != copy_block) break;
    }
    return copied;
}

int64_t stream::read_int8(int8_t& value) { return read_value(*this, value); }
int64_t stream::read_int8(uint8_t& value) { return read_value(*this, value); }
int64_t stream::read_int8(char& value) { return read_value(*this, value); }
int64_t stream::read_int16(int16_t& value) { return read_value(*this, value); }
int64_t stream::read_int16(uint16_t& value) { return read_value(*this, value); }
int64_t stream::read_int16(char16_t& value) { return read_value(*this, value); }
int64_t stream::read_int32(int32_t& value) { return read_value(*this, value); }
int64_t stream::read_int32(uint32_t& value) { return read_value(*this, value); }
int64_t stream::read_int32(char32_t& value) { return read_value(*this, value); }
int64_t stream::read_int64(int64_t& value) { return read_value(*this, value); }
int64_t stream::read_int64(uint64_t& value) { return read_value(*this, value); }
int64_t stream::read_double(double& value) { return read_value(*this, value); }
int64_t stream::read_float(float& value) { return read_value(*this, value); }

int64_t stream::write_int32(const int32_t& value) { return write_value(*this, value); }
int64_t stream::write_int32(const uint32_t& value) { return write_value(*this, value); }
int64_t stream::write_int16(const int16_t& value) { return write_value(*this, value); }
int64_t stream::write_int16(const uint16_t& value) { return write_value(*this, value); }
int64_t stream::write_byte_ref(const uint8_t& value) { return write_value(*this, value); }
int64_t stream::write_int8(uint8_t value) { return write_value(*this, value); }
int64_t stream::write_char16(uint16_t value) { return write_value(*this, value); }
int64_t stream::write_uint32(uint32_t value) { return write_value(*this, value); }
int64_t stream::write_int64(int64_t value) { return write_value(*this, value); }
int64_t stream::write_double(const double& value) { return write_value(*this, value); }
int64_t stream::write_float(const float& value) { return write_value(*this, value); }

int64_t stream::read_string(std::string& s, uint64_t max_bytes) {
    s.clear();
    uint32_t count = 0;
    int64_t got = read_prefix(*this, count, max_bytes);
    if (got < 4) return got;
    return 4 + read_data(*this, s, count);
}

int64_t stream::read_wstring(std::wstring& s, uint64_t max_bytes) {
    s.clear();
    uint32_t count = 0;
    int64_t got = read_prefix(*this, count, max_bytes);
    if (got < 4) return got;
    if (count % 2 != 0) return -1;
    std::string bytes;
    int64_t n = read_data(*this, bytes, count);
    std::vector<uint16_t> units(bytes.size() / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<uint16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    s = wstring_from_utf16_units(units);
    return 4 + n;
}

int64_t stream::write_string(const std::string& s) {
    if (s.size() >= 0xFFFFFFFFu) throw std::length_error("size error");
    int64_t n = write_uint32(static_cast<uint32_t>(s.size()));
    if (n != 4 || s.empty()) return n;
    return n + write(s.data(), static_cast<int64_t>(s.size()));
}

int64_t stream::write_wstring(const std::wstring& s) {
    // Units as little-endian bytes, never the wchar_t buffer itself: the layout is the same
    // whatever the width of wchar_t.
    if (s.size() > 0x7FFFFFFFu) throw std::length_error("size error");
    std::vector<uint16_t> units = utf16_units_from_wstring(s, 0xFFFD);
    std::string bytes(units.size() * 2, '\0');
    for (size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    int64_t n = write_uint32(static_cast<uint32_t>(bytes.size()));
    if (n != 4 || bytes.empty()) return n;
    return n + write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

bool seekable_stream::is_seekable() const { return true; }

int64_t seekable_stream::remaining() const { return std::max<int64_t>(size() - position(), 0); }

bool seekable_stream::eof() const { return is_open() && remaining() == 0; }

uint32_t seekable_stream::crc32(int64_t count) {
    if (count < 0) count = remaining();
    unsigned char buffer[copy_block];
    uint32_t crc = 0xFFFFFFFF;
    int64_t done = 0;
    for (;;) {
        int64_t n = read(buffer, std::min(count - done, copy_block));
        if (n > 0) {
            crc = vandel::crc32(buffer, static_cast<size_t>(n), false, crc);
            done += n;
        }
        if (n < copy_block) break;
    }
    // One complement after the last block: the standard CRC-32 of the bytes read.
    return ~crc;
}

}  // namespace vandel
