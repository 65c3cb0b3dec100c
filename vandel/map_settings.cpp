#include "vandel/map_settings.h"

#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/memory_stream.h"
#include "vandel/numbers.h"
#include "vandel/stream.h"
#include "vandel/strings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace vandel {

template <class S>
bool settings_value<S>::to_text(S& out) const {
    switch (type) {
    case settings_str: out = text; return true;
    case settings_int: out = int_to_text<S>(static_cast<uint64_t>(integer)); return true;
    case settings_float: out = settings_float_text<S>(real); return true;
    case settings_bool: out = S(1, typename S::value_type(boolean ? '1' : '0')); return true;
    default: return false;
    }
}

template <class S>
bool settings_value<S>::from_text(const S& text, int type, settings_value& out) {
    switch (type) {
    case settings_absent:
        return false;
    case settings_int: {
        int64_t v = 0;
        out.integer = parse_int64(text, v, 0) > 0 ? v : 0;
        break;
    }
    case settings_float: {
        double v = 0;
        out.real = parse_settings_float(text, v) > 0 ? v : 0.0;
        break;
    }
    case settings_bool:
        out.boolean = parse_bool(text, false);
        break;
    default:
        type = settings_str;
        out.text = text;
        break;
    }
    out.type = type;
    return true;
}

template <class S>
settings_value<S>* map_settings<S>::find(const S& name) {
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

template <class S>
const settings_value<S>* map_settings<S>::find(const S& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

template <class S>
settings_value<S>& map_settings<S>::slot(const S& name) {
    return values_[name];
}

template <class S>
void map_settings<S>::note_change(settings_value<S>& v, bool changed) {
    if (!changed) return;
    v.modified = true;
    modified_ = true;
    changed_since_save_ = true;
}

template <class S>
void map_settings<S>::put(const S& name, settings_value<S> v) {
    v.modified = true;
    values_[name] = std::move(v);
    changed_since_save_ = true;
}

template <class S>
bool map_settings<S>::copy_from(const settings_interface<S>& other) {
    std::vector<S> lines;
    if (!other.to_lines(lines, true)) return false;
    return from_lines(lines, false);
}

template <class S>
bool map_settings<S>::value_modified(const S& name) const {
    const auto* v = find(name);
    return v && v->modified;
}

template <class S>
bool map_settings<S>::set_value_modified(const S& name, bool flag) {
    auto* v = find(name);
    if (!v) return false;
    v->modified = flag;
    modified_ = modified_ || flag;
    return true;
}

template <class S>
bool map_settings<S>::set_modified(bool flag) {
    for (auto& [name, v] : values_) v.modified = flag;
    modified_ = flag;
    return true;
}

template <class S>
bool map_settings<S>::clear() {
    // The values on file are no longer those held: only a load or save may say otherwise.
    if (!values_.empty()) {
        modified_ = true;
        changed_since_save_ = true;
    }
    values_.clear();
    return true;
}

template <class S>
bool map_settings<S>::erase(const S& name) {
    if (values_.erase(name) == 0) return false;
    modified_ = true;
    changed_since_save_ = true;
    return true;
}

template <class S>
int map_settings<S>::type(const S& name) const {
    const auto* v = find(name);
    return v ? v->type : settings_absent;
}

template <class S>
S map_settings<S>::get_string(const S& name, const S& def) const {
    const auto* v = find(name);
    S text;
    return v && v->to_text(text) ? text : def;
}

template <class S>
int64_t map_settings<S>::get_int(const S& name, int64_t def, int64_t min, int64_t max) const {
    const auto* v = find(name);
    if (!v) return def;
    int64_t r = 0;
    switch (v->type) {
    case settings_str:
        if (parse_int64(v->text, r, 0) <= 0) return def;
        break;
    case settings_int:
        r = v->integer;
        break;
    case settings_float:
        // -2^63 <= x < 2^63; a NaN fails both tests.
        if (!(v->real >= -9223372036854775808.0 && v->real < 9223372036854775808.0)) return def;
        r = static_cast<int64_t>(v->real);
        break;
    case settings_bool:
        r = v->boolean ? 1 : 0;
        break;
    default:
        return def;
    }
    return r >= min && r <= max ? r : def;
}

template <class S>
double map_settings<S>::get_float(const S& name, double def) const {
    const auto* v = find(name);
    if (!v) return def;
    switch (v->type) {
    case settings_str: {
        double r = 0;
        return parse_settings_float(v->text, r) > 0 ? r : def;
    }
    case settings_int: return static_cast<double>(v->integer);
    case settings_float: return v->real;
    case settings_bool: return v->boolean ? 1.0 : 0.0;
    default: return def;
    }
}

template <class S>
bool map_settings<S>::get_bool(const S& name, bool def) const {
    const auto* v = find(name);
    if (!v) return def;
    switch (v->type) {
    case settings_str: return parse_bool(v->text, def);
    case settings_int: return v->integer != 0;
    case settings_float: return v->real != 0;  // a NaN counts as non-zero
    case settings_bool: return v->boolean;
    default: return def;
    }
}

template <class S>
bool map_settings<S>::set_string(const S& name, const S& text) {
    auto& v = slot(name);
    const bool changed = v.type != settings_str || v.text != text;
    v.text = text;
    v.type = settings_str;
    note_change(v, changed);
    return true;
}

template <class S>
bool map_settings<S>::set_int(const S& name, int64_t value) {
    auto& v = slot(name);
    const bool changed = v.type != settings_int || v.integer != value;
    v.integer = value;
    v.type = settings_int;
    note_change(v, changed);
    return true;
}

template <class S>
bool map_settings<S>::set_float(const S& name, double value) {
    auto& v = slot(name);
    const bool changed = v.type != settings_float || !(v.real == value);
    v.real = value;
    v.type = settings_float;
    note_change(v, changed);
    return true;
}

template <class S>
bool map_settings<S>::set_bool(const S& name, bool value) {
    auto& v = slot(name);
    const bool changed = v.type != settings_bool || v.boolean != value;
    v.boolean = value;
    v.type = settings_bool;
    note_change(v, changed);
    return true;
}

template <class S>
bool map_settings<S>::names(std::vector<S>& out) const {
    out.clear();
    out.reserve(values_.size());
    for (const auto& entry : values_) out.push_back(entry.first);
    return true;
}

template <class S>
bool map_settings<S>::to_lines(std::vector<S>& out, bool with_types) const {
    out.clear();
    out.reserve(values_.size());
    S text;
    for (const auto& [name, v] : values_)
        if (v.to_text(text)) out.push_back(settings_line(name, text, with_types ? v.type : settings_absent));
    return true;
}

template <class S>
bool map_settings<S>::from_lines(const std::vector<S>& lines, bool keep) {
    if (!keep) clear();
    bool taken = false;
    S name, text;
    for (const auto& line : lines) {
        settings_value<S> v;
        if (!settings_value<S>::from_text(text, split_settings_line(line, name, text), v)) continue;
        put(name, std::move(v));
        taken = true;
    }
    // The store flag records this call alone; what differs from the file stays recorded.
    modified_ = taken;
    return true;
}

namespace {

// Returns the bytes write_wstring puts down for text: prefix and UTF-16 units.
int64_t wire_size(const std::wstring& text) {
    int64_t n = 4 + 2 * static_cast<int64_t>(text.size());
    for (wchar_t c : text)
        if ((static_cast<uint32_t>(c) >> 16) != 0) n += 2;  // sent as a surrogate pair
    return n;
}

bool write_whole(stream& s, const std::wstring& text) { return s.write_wstring(text) == wire_size(text); }

// Reads one string of an entry, refusing one cut short by the end of the data: unlike
// stream::read_wstring this knows the count that was announced.
bool read_whole(stream& s, std::wstring& out) {
    out.clear();
    uint32_t count = 0;
    if (s.read_int32(count) != 4) return false;
    if (count > map_settings<std::wstring>::max_string_bytes)
        throw std::runtime_error("read string size too large");
    // A count beyond the data is a string cut short: nothing is allocated for it.
    if (count % 2 != 0 || count > s.remaining()) return false;
    std::string bytes(count, '\0');
    int64_t got = 0;
    while (got < count) {
        const int64_t n = s.read(bytes.data() + got, count - got);
        if (n <= 0) return false;
        got += n;
    }
    out.resize(count / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<wchar_t>(static_cast<uint8_t>(bytes[2 * i]) | static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    return true;
}

// The magic's bytes in the stream's byte order, as the stream's own uint32 writer puts them.
void magic_bytes(const stream& s, uint8_t out[4]) {
    const uint32_t m = map_settings<std::wstring>::magic;
    for (int i = 0; i < 4; ++i) out[s.byte_order() == 1 ? 3 - i : i] = static_cast<uint8_t>(m >> (8 * i));
}

}  // namespace

template <>
bool map_settings<std::wstring>::write_binary(stream& s) {
    if (!s.writable() || values_.size() > 0xFFFFFFFEu) return false;
    if (s.write_uint32(magic) != 4 || s.write_uint32(static_cast<uint32_t>(values_.size())) != 4) return false;
    std::wstring type_name, text;
    for (const auto& [name, v] : values_) {
        if (!v.to_text(text)) continue;
        settings_type_name(v.type, type_name);
        if (!write_whole(s, name) || !write_whole(s, type_name) || !write_whole(s, text)) return false;
    }
    changed_since_save_ = false;
    return true;
}

template <>
int map_settings<std::wstring>::read_binary_status(stream& s) {
    if (!s.readable() || s.remaining() <= 0) return -1;
    uint8_t head[4] = {}, expected[4] = {};
    magic_bytes(s, expected);
    int64_t got = 0;
    while (got < 4) {
        const int64_t n = s.read(head + got, 4 - got);
        if (n <= 0) break;
        got += n;
    }
    for (int64_t i = 0; i < got; ++i)
        if (head[i] != expected[i]) return -1;
    // A file cut inside its magic is binary all the same: it is damaged, not text.
    uint32_t count = 0;
    if (got < 4 || s.read_int32(count) != 4) return 0;
    clear();
    std::wstring name, type_name, text;
    for (uint32_t i = 0; i < count; ++i) {
        if (!read_whole(s, name) || !read_whole(s, type_name) || !read_whole(s, text)) return 0;
        settings_value<std::wstring> v;
        if (settings_value<std::wstring>::from_text(text, parse_settings_type(type_name), v)) put(name, std::move(v));
    }
    changed_since_save_ = false;
    return 1;
}

template <>
bool map_settings<std::wstring>::read_binary(stream& s) {
    return read_binary_status(s) == 1;
}

template <>
bool map_settings<std::wstring>::write_text(stream& s, bool with_types) {
    if (!s.writable() || values_.size() > 0xFFFFFFFEu) return false;
    std::vector<std::wstring> lines;
    to_lines(lines, with_types);
    for (const auto& line : lines) {
        // The line's encoded size, from a stream of the same format: anything less is a short
        // write.
        memory_stream probe;
        probe.copy_format(s);
        if (s.write_line(line) != probe.write_line(line)) return false;
    }
    changed_since_save_ = false;
    return true;
}

template <>
bool map_settings<std::wstring>::write_text_file(seekable_stream& s) {
    const bool unsaved = changed_since_save_;
    memory_stream text;
    text.copy_format(s);
    if (!write_text(text, true)) return false;
    if (text.size() == 0) return true;
    // Marked only when the reader would take the bytes for the binary form (they start like its
    // magic) or for another encoding, or the first name's U+FEFF for a mark.
    uint8_t magic_head[4] = {};
    magic_bytes(s, magic_head);
    const bool like_binary = std::memcmp(text.data_at(0), magic_head, static_cast<size_t>(std::min<int64_t>(4, text.size()))) == 0;
    memory_stream probe(text.data_at(0), text.size());
    const bool marked = like_binary || !probe.detect_encoding(2048) || probe.position() != 0 ||
                        probe.text_form() != 2 || probe.byte_order() == 1;
    static const uint8_t mark[2] = {0xFF, 0xFE};
    if ((!marked || s.write(mark, 2) == 2) && s.write(text.data_at(0), text.size()) == text.size()) return true;
    changed_since_save_ = unsaved;
    return false;
}

template <>
bool map_settings<std::wstring>::read_text(stream& s, int* line_number) {
    if (line_number) *line_number = 0;
    if (!s.readable() || s.remaining() <= 0) return false;
    clear();
    int n = 0;
    try {
        std::wstring line, name, text;
        while (s.read_line(line, -1) > 0) {
            ++n;
            line = trim(line, true, true);
            if (line.empty() || line.compare(0, 2, L"//") == 0 || line[0] == L'#' || line[0] == L'[') continue;
            settings_value<std::wstring> v;
            if (!settings_value<std::wstring>::from_text(text, split_settings_line(line, name, text), v)) {
                if (line_number) *line_number = n;
                return false;
            }
            put(name, std::move(v));
        }
    } catch (const std::exception&) {
        if (line_number) *line_number = n;
        return false;
    }
    changed_since_save_ = false;
    return true;
}

template <>
map_settings<std::wstring>::read_outcome map_settings<std::wstring>::read_settings(seekable_stream& s,
                                                                                  int* line_number) {
    if (line_number) *line_number = 0;
    const int64_t start = s.position();
    switch (read_binary_status(s)) {
    case 1: return read_outcome::binary;
    case 0: return read_outcome::failed;
    default: break;
    }
    if (!s.seek(start, seekable_stream::from_start)) return read_outcome::failed;
    if (!s.detect_encoding(2048)) return read_outcome::nothing;
    return read_text(s, line_number) ? read_outcome::text : read_outcome::failed;
}

template <>
bool map_settings<std::wstring>::load_file(const std::wstring& path, int* line_number) {
    if (line_number) *line_number = 0;
    file_stream f;
    return f.open(path, open_read, 0) && read_settings(f, line_number) != read_outcome::failed;
}

template <>
bool map_settings<std::wstring>::save_file(const std::wstring& path, bool as_text) {
    const bool unsaved = changed_since_save_;
    const std::wstring temporary = path + L".tmp";
    bool written = false;
    {
        // A leftover of an interrupted save goes first; the new file is made exclusively, so a
        // link planted under that name is never written through.
        if (path_kind(temporary) == kind_file) remove_path(temporary, false);
        file_stream f;
        if (!f.open(temporary, open_create_new | open_share_none, 0)) return false;
        written = (as_text ? write_text_file(f) : write_binary(f)) && f.flush();
    }
    // Only a file written whole and on the medium takes the old one's place.
    if (written && move_file(temporary, path, true)) return true;
    remove_path(temporary, false);
    changed_since_save_ = unsaved;
    return false;
}

template <>
bool map_settings<std::wstring>::save_binary_file(const std::wstring& path) {
    return save_file(path, false);
}

template struct settings_value<std::wstring>;
template struct settings_value<std::string>;
template class map_settings<std::wstring>;
template class map_settings<std::string>;

}  // namespace vandel
