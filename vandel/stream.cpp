#include "vandel/stream.h"

#include "vandel/convert.h"
#include "vandel/locale.h"
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
// Reads the uint32 count. With units (wide strings) an odd count returns -1 before the caller's
// bound is tested: such a count is damage, whatever its size.
int64_t read_prefix(stream& s, uint32_t& count, uint64_t max_bytes, bool units) {
    if (s.remaining() < 4) return 0;
    int64_t got = s.read_int32(count);
    if (got < 4) return got;
    if (units && count % 2 != 0) return -1;
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
    if (text_form() == 4 && other.text_form() == 4 && text_kind() == other.text_kind()) return true;
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
    int64_t got = read_prefix(*this, count, max_bytes, false);
    if (got < 4) return got;
    return 4 + read_data(*this, s, count);
}

int64_t stream::read_wstring(std::wstring& s, uint64_t max_bytes) {
    s.clear();
    uint32_t count = 0;
    int64_t got = read_prefix(*this, count, max_bytes, true);
    if (got < 4) return got;
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

// ---- text lines ----------------------------------------------------------------------------

namespace {

constexpr uint32_t no_terminator = 0xFFFFFFFFu;

// Returns the unit that ends a line in mode, or no_terminator.
uint32_t terminator_of(int32_t mode) {
    switch (mode) {
        case 1: return 0;
        case 2: case 3: case 5: return 0x0A;
        case 4: return 0x0D;
        default: return no_terminator;
    }
}

bool drops_cr(int32_t mode) { return mode == 2 || mode == 3 || mode == 5; }

// Returns the units written after a line in mode.
std::vector<uint32_t> line_end_of(int32_t mode) {
    switch (mode) {
        case 1: return {0};
        case 2: return {0x0A};
        case 3: case 5: return {0x0D, 0x0A};
        case 4: return {0x0D};
        default: return {};
    }
}

template <class Unit>
Unit swapped(Unit u) {
    Unit r = 0;
    for (size_t i = 0; i < sizeof(Unit); ++i, u = static_cast<Unit>(u >> 8)) r = static_cast<Unit>(r << 8 | (u & 0xFF));
    return r;
}

template <class Unit>
Unit load_le(const unsigned char* b) {
    Unit u = 0;
    for (size_t i = sizeof(Unit); i-- > 0;) u = static_cast<Unit>(u << 8 | b[i]);
    return u;
}

// Reads units of Unit width, as stored (little-endian), into out, comparing them with the
// terminator as it is stored in the stream's byte order. Returns the units consumed.
template <class Unit, class Container>
int64_t read_units(stream& s, Container& out, int64_t count, int32_t mode, bool big_endian) {
    out.clear();
    if (count == -1) out.reserve(65536);
    uint32_t term = terminator_of(mode);
    const bool has_term = term != no_terminator;
    const Unit stored_term = big_endian ? swapped(static_cast<Unit>(term)) : static_cast<Unit>(term);
    const Unit stored_cr = big_endian ? swapped(static_cast<Unit>(0x0D)) : static_cast<Unit>(0x0D);
    int64_t consumed = 0;
    unsigned char bytes[sizeof(Unit)];
    while (count < 0 || static_cast<int64_t>(out.size()) < count) {
        if (s.read(bytes, sizeof(Unit)) != static_cast<int64_t>(sizeof(Unit))) break;
        ++consumed;
        Unit u = load_le<Unit>(bytes);
        if (has_term && u == stored_term) {
            if (drops_cr(mode) && !out.empty() && static_cast<Unit>(out.back()) == stored_cr) out.pop_back();
            break;
        }
        out.push_back(static_cast<typename Container::value_type>(u));
    }
    return consumed;
}

template <class Unit, class Container>
int64_t write_units_line(stream& s, const Container& text, int32_t mode, bool big_endian) {
    std::string bytes;
    bytes.reserve((text.size() + 2) * sizeof(Unit));
    auto put = [&bytes, big_endian](Unit u) {
        if (big_endian) u = swapped(u);
        for (size_t i = 0; i < sizeof(Unit); ++i) bytes.push_back(static_cast<char>(u >> (8 * i) & 0xFF));
    };
    for (auto c : text) put(static_cast<Unit>(c));
    for (uint32_t c : line_end_of(mode)) put(static_cast<Unit>(c));
    return bytes.empty() ? 0 : s.write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void check_unit_count(int64_t count) {
    if (count < -1) throw std::runtime_error("read string size too large");
}

constexpr uint32_t error_mode = mode_substitute;

std::string recode_text(const std::string& bytes, text_kind from, text_kind to) {
    bool error = false;
    return transcode_text(bytes, error, from, to, error_mode, '?');
}

}  // namespace

int64_t stream::read_chars(std::string& text, int64_t count, int32_t mode) {
    return read_units<uint8_t>(*this, text, count < 0 ? -1 : count, mode, false);
}

int64_t stream::read_utf16_units(std::wstring& text, int64_t count, int32_t mode) {
    check_unit_count(count);
    int64_t n = read_units<uint16_t>(*this, text, count, mode, byte_order() == 1);
    swap_units(text, byte_order());
    return n;
}

int64_t stream::read_utf16_units(std::vector<uint16_t>& units, int64_t count, int32_t mode) {
    check_unit_count(count);
    int64_t n = read_units<uint16_t>(*this, units, count, mode, byte_order() == 1);
    swap_units(units, byte_order());
    return n;
}

int64_t stream::read_utf32_units(std::vector<uint32_t>& units, int64_t count, int32_t mode) {
    if (count >= (int64_t(1) << 62)) throw std::runtime_error("read string size too large");
    check_unit_count(count);
    int64_t n = read_units<uint32_t>(*this, units, count, mode, byte_order() == 1);
    swap_units(units, byte_order());
    return n;
}

int64_t stream::write_chars_line(const std::string& text, int32_t mode) {
    return write_units_line<uint8_t>(*this, text, mode, false);
}

int64_t stream::write_utf16_line(const std::wstring& text, int32_t mode) {
    return write_utf16_line(utf16_units_from_wstring(text, 0xFFFD), mode);
}

int64_t stream::write_utf16_line(const std::vector<uint16_t>& units, int32_t mode) {
    return write_units_line<uint16_t>(*this, units, mode, byte_order() == 1);
}

int64_t stream::write_utf32_line(const std::vector<uint32_t>& units, int32_t mode) {
    return write_units_line<uint32_t>(*this, units, mode, byte_order() == 1);
}

void stream::swap_units(std::wstring& text, int32_t byte_order) {
    if (byte_order != 1) return;
    for (wchar_t& c : text) c = static_cast<wchar_t>(swapped(static_cast<uint16_t>(c)));
}

void stream::swap_units(std::vector<uint16_t>& units, int32_t byte_order) {
    if (byte_order != 1) return;
    for (uint16_t& u : units) u = swapped(u);
}

void stream::swap_units(std::vector<uint32_t>& units, int32_t byte_order) {
    if (byte_order != 1) return;
    for (uint32_t& u : units) u = swapped(u);
}

int64_t stream::read_line(std::wstring& text, int64_t count) {
    const auto kind = static_cast<vandel::text_kind>(this->text_kind());
    switch (text_form()) {
        case 1:
        case 4: {
            std::string bytes;
            int64_t n = read_chars(bytes, count, line_ending());
            text = decode_text(bytes, text_form() == 1 ? text_kind_utf8 : kind, error_mode, '?');
            return n;
        }
        case 2: {
            std::vector<uint16_t> units;
            int64_t n = read_utf16_units(units, count, line_ending());
            text = wstring_from_utf16_units(units);
            return n;
        }
        case 3: {
            std::vector<uint32_t> units;
            int64_t n = read_utf32_units(units, count, line_ending());
            text = wstring_from_utf32_units(units, 0xFFFD);
            return n;
        }
        default:
            return read_utf16_units(text, count, line_ending());
    }
}

int64_t stream::read_line(std::string& text, int64_t count) {
    const auto kind = static_cast<vandel::text_kind>(this->text_kind());
    switch (text_form()) {
        case 1:
        case 4: {
            std::string bytes;
            int64_t n = read_chars(bytes, count, line_ending());
            text = recode_text(bytes, text_form() == 1 ? text_kind_utf8 : kind, text_kind_system);
            return n;
        }
        case 2:
        case 3: {
            std::wstring wide;
            int64_t n = read_line(wide, count);
            text = encode_text(wide, text_kind_system, error_mode, '?');
            return n;
        }
        default:
            return read_chars(text, count, line_ending());
    }
}

int64_t stream::write_line(const std::wstring& text) {
    switch (text_form()) {
        case 1:
            return write_chars_line(encode_text(text, text_kind_utf8, error_mode, '?'), line_ending());
        case 4:
            return write_chars_line(encode_text(text, static_cast<vandel::text_kind>(text_kind()), error_mode, '?'),
                                    line_ending());
        case 3:
            return write_utf32_line(utf32_units_from_wstring(text), line_ending());
        default:  // 2 and raw: the text's UTF-16 units
            return write_utf16_line(text, line_ending());
    }
}

int64_t stream::write_line(const std::string& text) {
    switch (text_form()) {
        case 1:
            return write_chars_line(recode_text(text, text_kind_system, text_kind_utf8), line_ending());
        case 4:
            return write_chars_line(recode_text(text, text_kind_system, static_cast<vandel::text_kind>(text_kind())),
                                    line_ending());
        case 2:
        case 3:
            return write_line(decode_text(text, text_kind_system, error_mode, '?'));
        default:
            return write_chars_line(text, line_ending());
    }
}

// ---- byte-order marks ----------------------------------------------------------------------

namespace {

struct bom {
    const char* bytes;
    size_t size;
    int32_t form, order;
};

// Longest first where one mark begins another: FF FE 00 00 before FF FE.
const bom boms[] = {
    {"\xFF\xFE\x00\x00", 4, 3, 2},
    {"\x00\x00\xFE\xFF", 4, 3, 1},
    {"\xFE\xFF", 2, 2, 1},
    {"\xFF\xFE", 2, 2, 2},
    {"\xEF\xBB\xBF", 3, 1, 0},
};

// Returns how many bytes at the end of data begin a UTF-8 sequence that the end cuts short.
size_t cut_utf8_tail(const unsigned char* data, size_t size) {
    for (size_t back = 1; back <= 3 && back <= size; ++back) {
        unsigned char c = data[size - back];
        if (c >= 0x80 && c < 0xC0) continue;  // a continuation byte: look further back
        size_t need = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        return need > back ? back : 0;
    }
    return 0;
}

}  // namespace

bool seekable_stream::read_bom() {
    const int64_t start = position();
    unsigned char head[4];
    size_t got = 0;
    for (; got < 4; ++got) {
        uint8_t b = 0;
        if (read_int8(b) != 1) break;
        head[got] = b;
    }
    for (const bom& m : boms) {
        if (got >= m.size && std::memcmp(head, m.bytes, m.size) == 0) {
            seek(start + static_cast<int64_t>(m.size), from_start);
            set_text_form(m.form);
            set_byte_order(m.order);
            return true;
        }
    }
    seek(start, from_start);
    return false;
}

bool seekable_stream::detect_encoding(int64_t count) {
    if (read_bom()) return true;
    if (count <= 0) return false;
    const int64_t start = position();
    std::string sample(static_cast<size_t>(std::min(count, remaining())), '\0');
    int64_t n = sample.empty() ? 0 : read(&sample[0], static_cast<int64_t>(sample.size()));
    if (n <= 0) {
        seek(start, from_start);
        return false;
    }
    const bool cut = remaining() > 0;
    seek(start, from_start);
    auto data = reinterpret_cast<const unsigned char*>(sample.data());
    auto size = static_cast<size_t>(n);
    text_encoding_guess guess = sniff_text_encoding(data, size);
    // A UTF-8 sequence that the end of the sample cut in two says nothing against UTF-8.
    if (guess == guess_8bit && cut) {
        size_t tail = cut_utf8_tail(data, size);
        text_encoding_guess rest = tail ? sniff_text_encoding(data, size - tail) : guess;
        if (rest == guess_utf8 || rest == guess_ascii) guess = rest;
    }
    switch (guess) {
        case guess_ascii:
        case guess_utf8:
            set_text_form(1);
            set_byte_order(0);
            return true;
        case guess_8bit: {
            set_text_form(4);
            set_byte_order(0);
            int32_t system = current_locale().text_kind();
            bool unicode_system = system == 1 || system == 2;
            if (text_kind() == 1 || text_kind() == 2)
                set_text_kind(unicode_system ? 16 : 0);
            else if (text_kind() == 0 && unicode_system)
                set_text_kind(16);
            return true;
        }
        case guess_utf16_be:
        case guess_utf16_le:
            set_text_form(2);
            set_byte_order(guess == guess_utf16_be ? 1 : 2);
            return true;
        case guess_utf32_be:
        case guess_utf32_le:
            set_text_form(3);
            set_byte_order(guess == guess_utf32_be ? 1 : 2);
            return true;
        default:
            return false;
    }
}

bool seekable_stream::write_bom() {
    const bool big = byte_order() == 1;
    const char* mark = nullptr;
    size_t size = 0;
    switch (text_form()) {
        case 1: mark = "\xEF\xBB\xBF", size = 3; break;
        case 2: mark = big ? "\xFE\xFF" : "\xFF\xFE", size = 2; break;
        case 3: mark = big ? "\x00\x00\xFE\xFF" : "\xFF\xFE\x00\x00", size = 4; break;
        default: return false;
    }
    return write(mark, static_cast<int64_t>(size)) == static_cast<int64_t>(size);
}

}  // namespace vandel
