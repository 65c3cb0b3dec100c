#pragma once
// Byte streams: the interface every stream implements, and the binary layer built once on top of
// its raw read and write (typed values in a chosen byte order, length-prefixed strings, copying).
#include <cstdint>
#include <string>
#include <vector>

namespace vandel {

class stream {
public:
    stream() = default;
    stream(const stream&) = default;
    stream& operator=(const stream&) = default;
    virtual ~stream();

    // Format: byte_order 0 native (little-endian), 1 big-endian, 2 little-endian; line_ending
    // 0 none, 1 NUL, 2 LF, 3 CR LF, 4 CR, 5 as 3; text_form 0 raw, 1 UTF-8, 2 UTF-16, 3 UTF-32,
    // 4 the code page of text_kind.
    virtual void copy_format(const stream& other);
    // Returns true when both streams read and write text lines alike.
    virtual bool same_format(const stream& other) const;
    virtual bool is_open() const;
    virtual bool is_seekable() const;
    virtual int32_t byte_order() const;
    virtual void set_byte_order(int32_t value);
    virtual int32_t line_ending() const;
    virtual void set_line_ending(int32_t value);
    virtual int32_t text_form() const;
    virtual void set_text_form(int32_t value);
    virtual int32_t text_kind() const;
    void set_text_kind(int32_t value);

    virtual bool readable() const = 0;
    virtual bool writable() const = 0;
    // Returns the bytes from the position to the end of the data.
    virtual int64_t remaining() const = 0;

    // Returns the bytes read, at most count; fewer means the end of the data or a failed medium.
    virtual int64_t read(void* buffer, int64_t count) = 0;
    // Returns the bytes written to target (target.copy_from with this stream).
    virtual int64_t copy_to(stream& target, int64_t count);

    // Typed readers: return the bytes read; the value is set only when all its bytes came.
    virtual int64_t read_int8(int8_t& value);
    virtual int64_t read_int8(uint8_t& value);
    virtual int64_t read_int8(char& value);
    virtual int64_t read_int16(int16_t& value);
    virtual int64_t read_int16(uint16_t& value);
    virtual int64_t read_int16(char16_t& value);
    virtual int64_t read_int32(int32_t& value);
    virtual int64_t read_int32(uint32_t& value);
    virtual int64_t read_int32(char32_t& value);
    virtual int64_t read_int64(int64_t& value);
    virtual int64_t read_int64(uint64_t& value);
    virtual int64_t read_double(double& value);
    virtual int64_t read_float(float& value);

    // Length-prefixed strings (uint32 byte count by byte_order, then the bytes; wide strings as
    // little-endian UTF-16 units whatever byte_order says). Both clear s first. Return the bytes
    // consumed, prefix included: 0 when fewer than 4 bytes remain, 4 + data bytes otherwise
    // (fewer than 4 + count means the data was cut short). A count above max_bytes throws
    // runtime_error "read string size too large". read_wstring returns -1 for an odd count,
    // which no UTF-16 text has, before testing max_bytes (the prefix is consumed, the data is not).
    virtual int64_t read_wstring(std::wstring& s, uint64_t max_bytes);
    virtual int64_t read_string(std::string& s, uint64_t max_bytes);

    // Text lines in the stream's text_form, byte_order and line_ending: read up to count units
    // (-1: no limit) into text, the terminator consumed and not stored. Return the units
    // consumed, 0 at the end of the data.
    virtual int64_t read_line(std::wstring& text, int64_t count);
    virtual int64_t read_line(std::string& text, int64_t count);

    // Unit readers: clear text, then read units (bytes; 16-bit units; 32-bit units, in
    // byte_order) until the terminator of mode (line_ending values; LF modes drop a CR just
    // before the LF), the end of the data or count units stored (-1: no limit). A unit cut short
    // by the end of the data is consumed, not stored. Return the units consumed. The 16- and
    // 32-bit readers throw runtime_error "read string size too large" for a count below -1.
    int64_t read_chars(std::string& text, int64_t count, int32_t mode);
    int64_t read_utf16_units(std::wstring& text, int64_t count, int32_t mode);
    int64_t read_utf16_units(std::vector<uint16_t>& units, int64_t count, int32_t mode);
    int64_t read_utf32_units(std::vector<uint32_t>& units, int64_t count, int32_t mode);

    // Returns the bytes written, at most count; fewer means a full or failed medium.
    virtual int64_t write(const void* buffer, int64_t count) = 0;
    // Copies count bytes (negative: all that remains) from source in 64 KiB blocks, stopping at
    // the first block not written whole. Returns the bytes written here.
    virtual int64_t copy_from(stream& source, int64_t count);

    // Typed writers: return the bytes written (the value's width on success).
    virtual int64_t write_int32(const int32_t& value);
    virtual int64_t write_int32(const uint32_t& value);
    virtual int64_t write_int16(const int16_t& value);
    virtual int64_t write_int16(const uint16_t& value);
    virtual int64_t write_byte_ref(const uint8_t& value);
    virtual int64_t write_int8(uint8_t value);
    virtual int64_t write_char16(uint16_t value);
    virtual int64_t write_uint32(uint32_t value);
    virtual int64_t write_int64(int64_t value);
    virtual int64_t write_double(const double& value);
    virtual int64_t write_float(const float& value);

    // Return the bytes written, prefix and data. A byte count of 0xFFFFFFFF or more throws
    // length_error "size error" before anything is written.
    virtual int64_t write_wstring(const std::wstring& s);
    virtual int64_t write_string(const std::string& s);

    // Write text and the line terminator in the stream's format. Return the bytes written.
    virtual int64_t write_line(const std::wstring& text);
    virtual int64_t write_line(const std::string& text);

    // Line writers: text, then the terminator of mode, in byte_order, with one write. Return the
    // bytes written.
    int64_t write_chars_line(const std::string& text, int32_t mode);
    int64_t write_utf16_line(const std::wstring& text, int32_t mode);
    int64_t write_utf16_line(const std::vector<uint16_t>& units, int32_t mode);
    int64_t write_utf32_line(const std::vector<uint32_t>& units, int32_t mode);

    // Reverse the bytes of every unit when byte_order is 1.
    static void swap_units(std::wstring& text, int32_t byte_order);
    static void swap_units(std::vector<uint16_t>& units, int32_t byte_order);
    static void swap_units(std::vector<uint32_t>& units, int32_t byte_order);

private:
    int32_t byte_order_ = 0;
    int32_t line_ending_ = 5;
    int32_t text_form_ = 0;
    int32_t text_kind_ = 0;
};

class seekable_stream : public stream {
public:
    static constexpr int32_t from_start = 0;
    static constexpr int32_t from_current = 1;
    static constexpr int32_t from_end = 2;

    bool is_seekable() const override;
    // Returns size() - position(), never below 0.
    int64_t remaining() const override;

    // Returns true when the stream is open and nothing remains.
    virtual bool eof() const;
    virtual int64_t size() const = 0;
    virtual int64_t max_size() const = 0;
    virtual int64_t position() const = 0;
    // Returns false (position unchanged) when the target lies outside what the stream allows.
    virtual bool seek(int64_t offset, int32_t origin) = 0;
    // Returns false when the medium refused the new size.
    virtual bool set_size(int64_t size) = 0;
    // Reads count bytes (negative: all that remain) from the position and returns their
    // standard CRC-32 (that of fewer bytes when the data ends first).
    virtual uint32_t crc32(int64_t count);

    // Reads a byte-order mark at the position: on one, sets text_form and byte_order and stays
    // after it; otherwise returns false with the position unchanged.
    virtual bool read_bom();
    // read_bom, else guesses text_form, byte_order (and, for 8-bit text, text_kind) from up to
    // count bytes, the position unchanged. Returns false for no mark and no guess (count <= 0,
    // no data).
    virtual bool detect_encoding(int64_t count);
    // Writes the mark of text_form 1, 2 or 3 in byte_order (0 counting as 2). Returns true when
    // the whole mark was written; false, writing nothing, for other forms.
    virtual bool write_bom();

    bool rewind() { return seek(0, from_start); }
};

}  // namespace vandel
