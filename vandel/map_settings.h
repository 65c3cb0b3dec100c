#pragma once
// The in-memory settings store, sorted by name, and the settings file formats it reads and
// writes: the binary format of "settings.dat" and the text format of settings lines.
//
// Binary format (all integers uint32 little-endian; strings are a byte count, then UTF-16LE
// units without terminator): magic 00 FC FA 03, the number of values, then per value in name
// order its name, its type name and its text.
#include "vandel/settings.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vandel {

class stream;
class seekable_stream;

// One value of a map_settings.
template <class S>
struct settings_value {
    bool modified = true;
    S text;                 // str
    int type = settings_absent;
    int64_t integer = 0;    // int
    double real = 0;        // float
    bool boolean = false;   // bool

    // Sets out to the value as text: str as it is, int in decimal, float by
    // settings_float_text, bool "1" or "0". False for a value without a type.
    bool to_text(S& out) const;
    // Sets out (all but its flag) to text read as type: an int or float that can't be read is
    // 0, a bool parse_bool(text, false), an unknown type number a str. False for type 0.
    static bool from_text(const S& text, int type, settings_value& out);
};

template <class S>
class map_settings : public settings_interface<S> {
public:
    // The binary format's first four bytes, as a uint32.
    static constexpr uint32_t magic = 0x03FAFC00;
    // The longest string the binary reader accepts, in bytes.
    static constexpr uint32_t max_string_bytes = 0xA00000;

    bool copy_from(const settings_interface<S>& other) override;
    bool value_modified(const S& name) const override;
    bool modified() const override { return modified_; }
    bool set_value_modified(const S& name, bool flag) override;
    bool set_modified(bool flag) override;
    bool clear() override;
    int64_t count() const override { return static_cast<int64_t>(values_.size()); }
    bool erase(const S& name) override;
    int type(const S& name) const override;
    S get_string(const S& name, const S& def) const override;
    bool set_string(const S& name, const S& text) override;
    int64_t get_int(const S& name, int64_t def, int64_t min, int64_t max) const override;
    bool set_int(const S& name, int64_t value) override;
    double get_float(const S& name, double def) const override;
    bool set_float(const S& name, double value) override;
    bool get_bool(const S& name, bool def) const override;
    bool set_bool(const S& name, bool value) override;
    bool names(std::vector<S>& out) const override;
    bool to_lines(std::vector<S>& out, bool with_types) const override;
    bool from_lines(const std::vector<S>& lines, bool keep) override;

    // Whether the values changed since the last successful load or save (what a file-backed
    // owner must write).
    bool changed_since_save() const { return changed_since_save_; }

    // The file formats, over std::wstring stores only.
    // Returns true when the binary format was written whole (then changed_since_save is
    // cleared); false when the stream is not writable or took fewer bytes than given.
    bool write_binary(stream& s);
    // Returns true when count values were read (the store cleared first); false with nothing
    // changed when the stream holds no binary settings, false with the values read so far when
    // an entry is cut short. A string above max_string_bytes throws runtime_error
    // "read string size too large".
    bool read_binary(stream& s);
    // Returns true when every value was written as a line (empty store: nothing, true); stops
    // at the first line that fails.
    bool write_text(stream& s, bool with_types);
    // Writes what a text save puts in the file: write_text with types in the stream's format
    // (a file's default: UTF-16LE, CR LF), after the UTF-16LE byte-order mark only when the
    // reader's detection would take the bytes for another encoding (NUL units can make them look
    // like UTF-32) or a first U+FEFF for a mark. Returns false as write_text does.
    bool write_text_file(seekable_stream& s);
    // Returns true when every line was read (the store cleared first); false at a line without
    // "=" (comments "//", "#", "[" and empty lines are skipped), with *line_number (when given)
    // set to that line's number.
    bool read_text(stream& s, int* line_number = nullptr);
    // What read_settings found.
    enum class read_outcome { nothing, binary, text, failed };
    // Reads settings in either format from the position of s: binary, else (only when the data
    // do not start as the binary format does) text of the encoding detect_encoding finds.
    // nothing: no data, store unchanged; failed: cut short or damaged, with *line_number (when
    // given) the failing text line, 0 for binary. Throws as read_binary does.
    read_outcome read_settings(seekable_stream& s, int* line_number = nullptr);
    // Loads a file in either format. Returns false when it can't be opened or read whole; true
    // for an empty file (store unchanged). *line_number as read_settings.
    bool load_file(const std::wstring& path, int* line_number = nullptr);
    // Writes the binary format (as_text: write_text_file) to a temporary file beside path,
    // flushes it to the medium and then puts it in path's place. Returns false, with path
    // untouched and changed_since_save as it was, when any step fails.
    bool save_file(const std::wstring& path, bool as_text);
    // save_file(path, false).
    bool save_binary_file(const std::wstring& path);

private:
    settings_value<S>* find(const S& name);
    const settings_value<S>* find(const S& name) const;
    // Returns the value of name, created with its flag set when absent.
    settings_value<S>& slot(const S& name);
    // Records a setter's outcome: flags are only ever set here.
    void note_change(settings_value<S>& v, bool changed);
    // Stores a value read from lines or a file, replacing one of the same name.
    void put(const S& name, settings_value<S> v);
    // read_binary's work: -1 when the stream holds no binary settings (nothing changed), 0 when
    // they are cut short or damaged, 1 when all were read.
    int read_binary_status(stream& s);

    std::map<S, settings_value<S>> values_;
    bool modified_ = false;
    bool changed_since_save_ = false;
};

// The file formats exist for the wide store only.
template <>
bool map_settings<std::wstring>::write_binary(stream& s);
template <>
bool map_settings<std::wstring>::read_binary(stream& s);
template <>
bool map_settings<std::wstring>::write_text(stream& s, bool with_types);
template <>
bool map_settings<std::wstring>::write_text_file(seekable_stream& s);
template <>
bool map_settings<std::wstring>::read_text(stream& s, int* line_number);
template <>
map_settings<std::wstring>::read_outcome map_settings<std::wstring>::read_settings(seekable_stream& s,
                                                                                  int* line_number);
template <>
bool map_settings<std::wstring>::load_file(const std::wstring& path, int* line_number);
template <>
bool map_settings<std::wstring>::save_file(const std::wstring& path, bool as_text);
template <>
bool map_settings<std::wstring>::save_binary_file(const std::wstring& path);
template <>
int map_settings<std::wstring>::read_binary_status(stream& s);

extern template struct settings_value<std::wstring>;
extern template struct settings_value<std::string>;
extern template class map_settings<std::wstring>;
extern template class map_settings<std::string>;

}  // namespace vandel
