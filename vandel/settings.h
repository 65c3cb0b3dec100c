#pragma once
// The settings store interface every store implements (in memory, a settings file, a registry
// key), and the settings line: the one text form of a value, name "." type "=" text.
//
// Getters never fail: an absent, unconvertible or out-of-range value gives the caller's default,
// never a clamped value. Float values are written with "." and no grouping whatever the locale;
// reading accepts "." and falls back to the locale's decimal separator.
#include <cstdint>
#include <string>
#include <vector>

namespace vandel {

// Value types, the same numbers in every store and in settings lines.
enum settings_type : int {
    settings_absent = 0,  // never stored
    settings_str = 1,     // "str": text
    settings_int = 2,     // "int": signed 64-bit integer
    settings_float = 3,   // "float": double
    settings_bool = 4,    // "bool"
};

// A store of named, typed values. S is std::wstring or std::string. Names are compared exactly
// by the in-memory stores; the registry store follows the registry (no case).
template <class S>
class settings_interface {
public:
    using string_type = S;

    settings_interface() = default;
    settings_interface(const settings_interface&) = default;
    settings_interface& operator=(const settings_interface&) = default;
    virtual ~settings_interface() = default;

    // Replaces this store's values by other's (other.to_lines with types, then from_lines
    // without keep). False when other can't list its lines or this store refuses.
    virtual bool copy_from(const settings_interface& other) = 0;
    // The value's modified flag; false when absent.
    virtual bool value_modified(const S& name) const = 0;
    // The store-wide modified flag.
    virtual bool modified() const = 0;
    // Sets a present value's flag (and with true also the store's); false when absent.
    virtual bool set_value_modified(const S& name, bool flag) = 0;
    // Sets the store's flag and every value's flag.
    virtual bool set_modified(bool flag) = 0;
    // Removes all values.
    virtual bool clear() = 0;
    virtual int64_t count() const = 0;
    // Returns true when a value was removed.
    virtual bool erase(const S& name) = 0;
    // The value's settings_type; 0 when absent.
    virtual int type(const S& name) const = 0;

    // Each getter returns the value converted to its type, or def.
    virtual S get_string(const S& name, const S& def) const = 0;
    virtual bool set_string(const S& name, const S& text) = 0;
    // def also when the value lies outside min..max: never clamped.
    virtual int64_t get_int(const S& name, int64_t def, int64_t min, int64_t max) const = 0;
    virtual bool set_int(const S& name, int64_t value) = 0;
    virtual double get_float(const S& name, double def) const = 0;
    virtual bool set_float(const S& name, double value) = 0;
    virtual bool get_bool(const S& name, bool def) const = 0;
    virtual bool set_bool(const S& name, bool value) = 0;

    // All names into out (emptied first).
    virtual bool names(std::vector<S>& out) const = 0;
    // One settings line per value into out (emptied first); without types when !with_types.
    virtual bool to_lines(std::vector<S>& out, bool with_types) const = 0;
    // Stores the values of settings lines; clears the store first unless keep.
    virtual bool from_lines(const std::vector<S>& lines, bool keep) = 0;
};

// Open modes of a persistent store.
enum store_mode : int {
    store_closed = 0,
    store_user_read = 1,
    store_user_write = 2,
    store_machine_read = 3,
    store_machine_write = 4,
};

// A persistent store. Its setters, clear, erase, copy_from and from_lines return false unless it
// is writable; its getters give their defaults (type 0, count 0) while it is closed.
template <class S>
class store_interface : public settings_interface<S> {
public:
    // Opens the store of company and application (which must not be empty) in a store_mode;
    // an open that passes its argument checks closes the store first.
    virtual bool open(int mode, const S& company, const S& application) = 0;
    // The mode of the last successful open; 0 while closed.
    virtual int mode() const = 0;
    virtual bool writable() const { return mode() == store_user_write || mode() == store_machine_write; }
    virtual bool is_open() const { return mode() != store_closed; }
    // Makes the values durable.
    virtual bool flush() = 0;
    // Flushes what the store flushes on close, forgets the values, mode 0.
    virtual void close() = 0;
    // Deletes the persistent store of company and application, per user or machine-wide; only
    // while this object is closed (else false).
    virtual bool remove(const S& company, const S& application, bool per_user) = 0;
    // The names given to the last successful open.
    virtual S company() const = 0;
    virtual S application() const = 0;
};

// Sets out to "str", "int", "float" or "bool" for types 1 to 4; empties it otherwise.
void settings_type_name(int type, std::wstring& out);
void settings_type_name(int type, std::string& out);

// Returns 1 to 4 for exactly "str", "int", "float" or "bool" (case-sensitive), else 0.
int parse_settings_type(const std::wstring& text);
int parse_settings_type(const std::string& text);

// Returns the trimmed name, "." and the type name (types 1 to 4 only), "=" and text unchanged;
// empty when the trimmed name is.
std::wstring settings_line(const std::wstring& name, const std::wstring& text, int type);
std::string settings_line(const std::string& name, const std::string& text, int type);

// Returns the type of a line (1 when it names none; 0, with name and text emptied, without "="
// or with an empty name, also one left empty by the type) and its trimmed name and text. The type is the part after the name's
// first "." when that is exactly a type name; otherwise the whole name stays, dot and all.
int split_settings_line(const std::wstring& line, std::wstring& name, std::wstring& text);
int split_settings_line(const std::string& line, std::string& name, std::string& text);

// Returns true for "true", "yes", "1", false for "false", "no", "0" (trimmed, first 10
// characters, any case), else whether the text's 32-bit integer (radix 0) is non-zero; def
// when there is none.
bool parse_bool(const std::wstring& text, bool def);
bool parse_bool(const std::string& text, bool def);

// Returns the text of a float value as S: 20 significant digits in the G form with "." and no
// grouping, whatever the locale.
template <class S>
S settings_float_text(double value);

// Reads a float value: with "." as the decimal point, or with the locale's separators when
// those read more of the text. Returns the characters used (above 0; out set), 0 for no number,
// -1 for an infinite one.
int parse_settings_float(const std::wstring& text, double& out);
int parse_settings_float(const std::string& text, double& out);

}  // namespace vandel
