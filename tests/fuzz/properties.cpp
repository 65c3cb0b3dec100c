#include "tests/fuzz/properties.h"

#include "console/options.h"
#include "services/command_bridge.h"
#include "services/interlang.h"
#include "vandel/base64.h"
#include "vandel/convert.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/map_settings.h"
#include "vandel/memory_stream.h"
#include "vandel/strings.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace oblivar::fuzz {

namespace {

using vandel::memory_stream;

// Shows text in a failure message: printable ASCII as it is, everything else escaped, cut short.
std::string show(const std::wstring& text) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < text.size() && out.size() < 300; ++i) {
        const auto c = static_cast<uint32_t>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            out += static_cast<char>(c);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += digits[(c >> shift) & 15];
        }
    }
    return out + (out.size() >= 300 ? "...\"" : "\"");
}

std::string show(const std::vector<std::wstring>& list) {
    std::string out = "[";
    for (const auto& item : list) out += (out.size() > 1 ? ", " : "") + show(item);
    return out + "]";
}

std::string exception_text(const std::exception& e) { return e.what(); }

// The bytes of a stream that owns them.
std::string contents(const memory_stream& s) {
    return s.size() == 0 ? std::string()
                         : std::string(reinterpret_cast<const char*>(s.data_at(0)), static_cast<size_t>(s.size()));
}

// The input as a process's arguments: UTF-8 (other bytes as Latin-1), split at each NUL.
std::vector<std::wstring> split_arguments(const uint8_t* data, size_t size) {
    const std::wstring text = vandel::from_utf8(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::wstring> args(1);
    for (wchar_t c : text) {
        if (c == L'\0')
            args.emplace_back();
        else
            args.back() += c;
    }
    return args;
}

// ---- settings files ------------------------------------------------------------------------

using settings_map = vandel::map_settings<std::wstring>;

std::vector<std::wstring> typed_lines(const settings_map& m) {
    std::vector<std::wstring> lines;
    m.to_lines(lines, true);
    return lines;
}

// Writes m with write, loads the result and compares the values.
template <class Write>
std::string reload(const settings_map& m, Write write, settings_map::read_outcome expected, const char* form) {
    memory_stream saved;
    if (!write(saved)) return std::string("the ") + form + " save failed";
    saved.rewind();
    settings_map again;
    const auto outcome = again.read_settings(saved);
    if (outcome != expected && !(m.count() == 0 && outcome == settings_map::read_outcome::nothing))
        return std::string("the ") + form + " save did not load as " + form;
    const auto before = typed_lines(m), after = typed_lines(again);
    if (before != after) return std::string("the ") + form + " save changed " + show(before) + " into " + show(after);
    return {};
}

std::string check_settings(const uint8_t* data, size_t size) {
    settings_map loaded;
    memory_stream in(data, static_cast<int64_t>(size));
    settings_map::read_outcome outcome;
    try {
        outcome = loaded.read_settings(in);
    } catch (const std::runtime_error& e) {
        if (exception_text(e) == "read string size too large") return {};
        throw;
    }
    using outcome_t = settings_map::read_outcome;
    if (outcome == outcome_t::failed || outcome == outcome_t::nothing) return {};
    // Any values survive the binary form; values read from text survive the text form as well.
    std::string failure =
        reload(loaded, [&](memory_stream& s) { return loaded.write_binary(s); }, outcome_t::binary, "binary");
    if (failure.empty() && outcome == outcome_t::text)
        failure = reload(loaded, [&](memory_stream& s) { return loaded.write_text_file(s); }, outcome_t::text, "text");
    return failure;
}

// ---- language files ------------------------------------------------------------------------

// The keys the input's "KEY:" lines name, read as UTF-8, and a few that no file names.
std::vector<std::wstring> candidate_keys(const uint8_t* data, size_t size) {
    std::vector<std::wstring> keys = {L"", L"%1", L"KEY"};
    const std::wstring text = vandel::from_utf8(std::string(reinterpret_cast<const char*>(data), size));
    size_t at = 0;
    while ((at = text.find(L"KEY:", at)) != std::wstring::npos && keys.size() < 64) {
        at += 4;
        const size_t end = text.find_first_of(L"\r\n", at);
        keys.push_back(vandel::trim(text.substr(at, end == std::wstring::npos ? end : end - at), true, true));
    }
    return keys;
}

std::string check_language(const uint8_t* data, size_t size) {
    olvex::interlang table;
    memory_stream in(data, static_cast<int64_t>(size));
    int line = -2;
    bool ok = false;
    {
        olvex::interlang::update_scope update(table);
        table.set_languages(L"en", L"en");
        ok = table.parse_language_file(in, line);
    }
    if (!ok && line < -1) return "a failed parse named line " + std::to_string(line);
    if (ok && in.remaining() != 0) return "a parse ended early yet succeeded";

    std::vector<std::wstring> languages;
    table.languages(languages);
    languages.emplace_back(L"xx");  // no file has it
    for (const std::wstring& key : candidate_keys(data, size)) {
        for (const std::wstring& language : languages) {
            std::wstring own, fallback;
            const bool has_own = table.lookup(language, key, olvex::interlang::fallback_none, &own);
            const bool has_fallback = table.lookup(language, key, olvex::interlang::fallback_primary, &fallback);
            const std::wstring shown = table.translate(key, language);
            if (has_own && (!has_fallback || fallback != own || shown != own))
                return "the text of " + show(key) + " in " + show(language) + " is not what translate gives";
            if (!has_fallback && (fallback != key || shown != key))
                return "a key without text does not stand for itself: " + show(key);
            // "%1" in the argument must not be replaced again.
            const std::wstring with_arg = table.translate_arg(key, L"%1", language);
            if (with_arg.size() > shown.size() * 2 + 2) return "translate_arg grew beyond one argument per mark";
        }
    }
    std::wstring report;
    table.translation_report(report, 0);
    return {};
}

// ---- the internal command line -------------------------------------------------------------

bool same_request(const olvex::command_bridge& a, const olvex::command_bridge& b, std::string& difference) {
    const olvex::command_payload &p = a.payload(), &q = b.payload();
    if (a.command != b.command) difference = "command";
    else if (p.data != q.data) difference = "data " + show(p.data) + " became " + show(q.data);
    else if (p.raw != q.raw) difference = "raw text " + show(p.raw) + " became " + show(q.raw);
    else if (p.has_point != q.has_point || (p.has_point && (p.x != q.x || p.y != q.y))) difference = "point";
    else if (p.window != q.window) difference = "window " + std::to_string(p.window) + " became " + std::to_string(q.window);
    return difference.empty();
}

std::string check_bridge_arguments(const uint8_t* data, size_t size) {
    olvex::command_bridge received(L".tmp");
    received.parse(split_arguments(data, size));
    // A list over the inline limit travels in a file, which holds whole path lists only.
    const std::wstring& list = received.payload().data;
    if (list.size() > olvex::max_inline_data && list.back() != L'\0') return {};

    olvex::command_bridge sender(L".tmp");
    const std::wstring line = sender.build_arguments(received.command, received.payload());
    olvex::command_bridge again(L".tmp");
    again.parse(arguments_of(L"zygui.exe", line));
    std::string difference;
    if (!same_request(received, again, difference)) return "sent and received again, the " + difference + " changed";
    return {};
}

// The list a whole path-list file holds: its announced count even, the file that long, a NUL
// unit last.
bool whole_list(const uint8_t* data, size_t size, std::wstring& list) {
    list.clear();
    if (size < 4) return false;
    const uint32_t count = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    if (count % 2 != 0 || count > olvex::max_temp_file_bytes || size != 4 + static_cast<size_t>(count) || count == 0)
        return false;
    for (size_t i = 4; i < size; i += 2) list += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    return list.back() == L'\0';
}

std::string check_bridge_file(const uint8_t* data, size_t size) {
    olvex::command_bridge bridge(L".tmp");
    std::wstring name;
    for (int tries = 0; tries < 3 && name.empty(); ++tries) {
        name = bridge.temp_file_name();
        vandel::file_stream f;
        if (name.empty()) return "no temporary folder";
        if (!f.open(name, vandel::open_create_new)) {
            name.clear();
            continue;
        }
        if (f.write(data, static_cast<int64_t>(size)) != static_cast<int64_t>(size)) {
            f.close();
            vandel::remove_path(name, false);
            return "could not write the list file";
        }
    }
    if (name.empty()) return {};  // every name was taken: nothing to read
    const std::wstring list = olvex::command_bridge::read_temp_file(name);
    if (vandel::path_kind(name) != vandel::kind_missing) {
        vandel::remove_path(name, false);
        return "the list file was left in place";
    }
    std::wstring expected;
    if (!whole_list(data, size, expected)) expected.clear();
    if (list != expected) return "read " + show(list) + " where the file holds " + show(expected);
    return {};
}

// ---- the console's command line ------------------------------------------------------------

struct parsed_line {
    std::vector<std::pair<int, std::wstring>> options;  // given options: id and value
    std::vector<std::wstring> free;
};

parsed_line result_of(const olvex::argv_user& parser) {
    parsed_line r;
    for (int id = 0; id <= olvex::opt_log_user; ++id) {
        std::wstring value;
        if (parser.value(id, value)) r.options.emplace_back(id, value);
    }
    r.free = parser.free_arguments();
    return r;
}

// The value readers' documented ranges.
std::string check_value_readers(const std::wstring& value) {
    olvex::parse_int_option(value);
    const double real = olvex::parse_real_option(value, -1);
    if (std::isnan(real)) return "parse_real_option gave NaN for " + show(value);
    olvex::parse_time_span(value);
    // 1899-12-31 and 10000-01-02 bound every date of years 1900 to 9999 in any zone.
    const int64_t when = olvex::parse_date_time(value);
    if (when != -1 && (when < -2209075200LL || when > 253402387200LL))
        return "parse_date_time out of range for " + show(value);
    int zone = 0;
    int32_t offset = 0;
    const int32_t seconds = olvex::parse_time_of_day(vandel::narrow(value, '?'), zone, offset);
    if (seconds < -1 || seconds >= 86400 || offset < -12 * 3600 || offset > 14 * 3600)
        return "parse_time_of_day out of range for " + show(value);
    return {};
}

std::string check_console_arguments(const uint8_t* data, size_t size) {
    if (size == 0) return {};
    // The first byte picks the style: the POSIX one, where "/" starts a path, or the Windows one.
    const bool windows = (data[0] & 1) != 0;
    olvex::argv_user parser;
    parser.set_windows_style(windows);
    parser.set_slash_options(windows);
    const std::vector<std::wstring> args = split_arguments(data + 1, size - 1);
    parser.join_arguments(args, 1);

    for (const auto& error : parser.errors())
        if (parser.format_error(error).empty()) return "an error without a message";
    parser.usage_text(L"usage", olvex::usage_layout_defaults());
    parser.command_line(true);
    const parsed_line first = result_of(parser);
    for (const auto& option : first.options) {
        const std::string failure = check_value_readers(option.second);
        if (!failure.empty()) return failure;
    }
    if (!parser.errors().empty()) return {};

    // Given again one argument each, the options (and in the POSIX style the free arguments,
    // which come first there since nothing joins them) parse to the same result.
    std::vector<std::wstring> again(1);
    if (!windows) again.insert(again.end(), first.free.begin(), first.free.end());
    for (const auto& option : first.options) {
        std::wstring text = parser.option_name(option.first, true);
        if (!option.second.empty()) text += parser.value_separator() + option.second;
        again.push_back(text);
    }
    olvex::argv_user second;
    second.set_windows_style(windows);
    second.set_slash_options(windows);
    second.join_arguments(again, 1);
    if (!second.errors().empty())
        return "given again as " + show(again) + ", the line has an error: " + show(second.format_error(second.errors()[0]));
    parsed_line result = result_of(second);
    if (windows) result.free = first.free;
    if (result.options != first.options || result.free != first.free)
        return "given again as " + show(again) + ", the line parses differently";
    return {};
}

// ---- Base64 --------------------------------------------------------------------------------

std::string check_base64(const uint8_t* data, size_t size) {
    if (size == 0) return {};
    const int32_t variant = (data[0] & 1) ? vandel::base64_transform::url_safe : vandel::base64_transform::standard;
    const bool strict = (data[0] & 2) == 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    vandel::base64_transform codec(variant);
    codec.set_strict(strict ? 1 : 0);

    memory_stream decoded;
    int64_t n = 0;
    try {
        n = codec.decode_string(text, decoded);
    } catch (const std::runtime_error& e) {
        if (exception_text(e) != "parse error" || !strict) throw;
        return {};
    }
    if (n != decoded.size()) return "decode reported " + std::to_string(n) + " bytes for " + std::to_string(decoded.size());

    // Whatever was decoded encodes to a text that decodes to the same bytes; so do the raw bytes.
    for (const std::string& bytes : {contents(decoded), text}) {
        memory_stream source(bytes.data(), static_cast<int64_t>(bytes.size()));
        std::string encoded;
        codec.encode_to_string(source, encoded, -1);
        const size_t expected = variant == vandel::base64_transform::standard ? (bytes.size() + 2) / 3 * 4
                                                                               : (bytes.size() * 4 + 2) / 3;
        if (encoded.size() != expected) return "encoded " + std::to_string(bytes.size()) + " bytes into " +
                                               std::to_string(encoded.size()) + " characters";
        vandel::base64_transform strict_codec(variant);
        memory_stream back;
        strict_codec.decode_string(encoded, back);
        if (contents(back) != bytes) return "encoded and decoded, " + std::to_string(bytes.size()) + " bytes changed";
    }
    return {};
}

// ---- stream reads --------------------------------------------------------------------------

// The value of width bytes at p in the stream's byte order, as the host holds it.
template <class T>
T load_value(const uint8_t* p, bool big_endian) {
    uint8_t bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = p[big_endian ? sizeof(T) - 1 - i : i];
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

template <class T>
std::string typed_read(memory_stream& s, const uint8_t* data, int64_t (vandel::stream::*read)(T&)) {
    const int64_t at = s.position(), left = s.remaining(), width = static_cast<int64_t>(sizeof(T));
    T value{};
    const int64_t n = (s.*read)(value);
    if (n != std::min(width, left) || s.position() != at + n) return "a typed read consumed other than it reported";
    if (n == width) {
        const T expected = load_value<T>(data + at, s.byte_order() == 1);
        if (std::memcmp(&value, &expected, sizeof(T)) != 0) return "a typed read gave another value";
    }
    return {};
}

template <class Text>
std::string string_read(memory_stream& s, const uint8_t* data, uint64_t max_bytes) {
    const int64_t at = s.position(), left = s.remaining();
    Text text;
    int64_t n = 0;
    uint32_t count = 0;
    if (left >= 4) count = load_value<uint32_t>(data + at, s.byte_order() == 1);
    try {
        if constexpr (sizeof(typename Text::value_type) == 1)
            n = s.read_string(text, max_bytes);
        else
            n = s.read_wstring(text, max_bytes);
    } catch (const std::runtime_error& e) {
        if (exception_text(e) == "read string size too large" && left >= 4 && count > max_bytes) return {};
        throw;
    }
    if (left < 4) return n == 0 && s.position() == at && text.empty() ? "" : "a string read with no prefix moved";
    if (sizeof(typename Text::value_type) != 1 && count % 2 != 0)
        return n == -1 && s.position() == at + 4 ? "" : "an odd wide string was not refused";
    const int64_t body = std::min<int64_t>(count, left - 4);
    if (n != 4 + body || s.position() != at + n) return "a string read consumed other than it reported";
    // A wide string keeps whole units only: an odd byte cut short by the end is dropped.
    std::string bytes;
    size_t kept = static_cast<size_t>(body);
    if constexpr (sizeof(typename Text::value_type) == 1) {
        bytes = text;
    } else {
        kept -= kept % 2;
        for (wchar_t c : text) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>((c >> 8) & 0xFF);
        }
    }
    if (bytes != std::string(reinterpret_cast<const char*>(data + at + 4), kept)) return "a string read gave other bytes";
    return {};
}

// The bytes per unit that read_line of a wide text consumes in the stream's text form.
int64_t line_unit(const vandel::stream& s) {
    switch (s.text_form()) {
    case 1:
    case 4: return 1;
    case 3: return 4;
    default: return 2;
    }
}

std::string line_read(memory_stream& s, int64_t count) {
    const int64_t at = s.position();
    std::wstring text;
    const int64_t n = s.read_line(text, count);
    const int64_t unit = line_unit(s), moved = s.position() - at;
    // A unit cut short by the end of the data is consumed without being counted.
    if (n < 0 || moved < n * unit || moved - n * unit >= unit || (moved != n * unit && s.remaining() != 0))
        return "a line read consumed other than it reported";
    if (count >= 0 || text.empty()) return {};
    // Written in the same format and read again, a line stays the same. Not so for a text that
    // ends in CR (dropped before LF on reading) or holds a character the code page lacks.
    if (text.back() == L'\r' || (s.text_form() == 4 && text.find(L'\uFFFD') != std::wstring::npos)) return {};
    memory_stream copy;
    copy.copy_format(s);
    copy.write_line(text);
    copy.rewind();
    std::wstring back;
    copy.read_line(back, -1);
    if (back != text) return "a line " + show(text) + " was written and read back as " + show(back);
    return {};
}

std::string check_stream(const uint8_t* data, size_t size) {
    if (size < 3) return {};
    const uint8_t format = data[0], kind = data[1], steps = data[2] % 17;
    if (size < 3u + steps) return {};
    const uint8_t* program = data + 3;
    const uint8_t* bytes = program + steps;
    const size_t length = size - 3 - steps;

    memory_stream s(bytes, static_cast<int64_t>(length));
    s.set_byte_order(format & 3);
    s.set_text_form((format >> 2) & 7);
    s.set_line_ending((format >> 5) & 7);
    s.set_text_kind(kind % 22);
    for (uint8_t i = 0; i < steps; ++i) {
        const uint8_t op = program[i] & 15, arg = program[i] >> 4;
        std::string failure;
        switch (op) {
        case 0: failure = typed_read<uint8_t>(s, bytes, &vandel::stream::read_int8); break;
        case 1: failure = typed_read<uint16_t>(s, bytes, &vandel::stream::read_int16); break;
        case 2: failure = typed_read<uint32_t>(s, bytes, &vandel::stream::read_int32); break;
        case 3: failure = typed_read<uint64_t>(s, bytes, &vandel::stream::read_int64); break;
        case 4: failure = typed_read<double>(s, bytes, &vandel::stream::read_double); break;
        case 5: failure = typed_read<float>(s, bytes, &vandel::stream::read_float); break;
        case 6: failure = string_read<std::string>(s, bytes, uint64_t{1} << (2 * arg)); break;
        case 7: failure = string_read<std::wstring>(s, bytes, uint64_t{1} << (2 * arg)); break;
        case 8: failure = line_read(s, -1); break;
        case 9: failure = line_read(s, arg); break;
        case 10: {
            std::string text;
            const int64_t at = s.position();
            const int64_t n = s.read_chars(text, arg == 0 ? -1 : arg, arg & 7);
            if (n < 0 || s.position() != at + n || static_cast<int64_t>(text.size()) > n)
                failure = "a byte read consumed other than it reported";
            break;
        }
        case 11: {
            std::vector<uint32_t> units;
            const int64_t at = s.position();
            const int64_t n = s.read_utf32_units(units, arg == 0 ? -1 : arg, arg & 7);
            if (n < 0 || s.position() - at < 4 * n || s.position() - at > 4 * n + 3)
                failure = "a 32-bit unit read consumed other than it reported";
            break;
        }
        case 12: {
            std::string text;
            s.read_line(text, arg == 0 ? -1 : arg);
            break;
        }
        case 13: {
            const int64_t at = s.position();
            const bool found = s.detect_encoding(arg * 64);
            if (s.position() != at && (!found || s.position() - at > 4)) failure = "detect_encoding moved the stream";
            break;
        }
        case 14: {
            const int64_t at = s.position();
            if (!s.read_bom() && s.position() != at) failure = "read_bom moved the stream without a mark";
            break;
        }
        default:
            s.seek(arg, vandel::seekable_stream::from_start);
            break;
        }
        if (!failure.empty()) return failure;
    }
    return {};
}

const target all_targets[] = {
    {"settings", check_settings,
     "settings loaded from any bytes keep their values through a binary save and load, and text ones through a text save and load"},
    {"language", check_language,
     "parsing any language file ends with a verdict, and every key then gives its own text, the primary language's or itself"},
    {"bridge_args", check_bridge_arguments,
     "a request decoded from any command line, built into arguments again and decoded, is the same request"},
    {"bridge_file", check_bridge_file,
     "a path-list file is always deleted, and gives exactly its list when it is whole and nothing otherwise"},
    {"console_args", check_console_arguments,
     "any command line parses, its values read within range, and a clean parse given again gives the same options"},
    {"base64", check_base64,
     "decoding any text gives bytes (or a strict refusal) that encode to a text decoding to the same bytes"},
    {"stream", check_stream,
     "every typed, string and line read consumes exactly what it reports and gives the bytes it consumed"},
};

}  // namespace

std::vector<std::wstring> arguments_of(const std::wstring& program, const std::wstring& parameters) {
    std::vector<std::wstring> args = {program};
    std::wstring word;
    for (wchar_t c : parameters + L' ') {
        if (c != L' ') {
            word += c;
        } else if (!word.empty()) {
            args.push_back(word);
            word.clear();
        }
    }
    return args;
}

const target* targets(size_t& count) {
    count = sizeof(all_targets) / sizeof(all_targets[0]);
    return all_targets;
}

const target* find_target(const std::string& name) {
    for (const target& t : all_targets)
        if (name == t.name) return &t;
    return nullptr;
}

}  // namespace oblivar::fuzz
