#include "services/command_bridge.h"

#include "vandel/base64.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/memory_stream.h"
#include "vandel/numbers.h"
#include "vandel/strings.h"

#include <atomic>
#include <exception>

namespace olvex {

namespace {

std::atomic<launch_provider*> provider{nullptr};
// Names drawn so far in this process (shared by every bridge and thread).
std::atomic<uint32_t> name_counter{0};
// A name whose file exists already is passed over; this many tries, then the data is dropped.
constexpr int max_name_tries = 1000;

void append_part(std::wstring& text, const std::wstring& part) {
    if (!text.empty()) text += L' ';
    text += part;
}

std::wstring base64_of(vandel::memory_stream& bytes) {
    bytes.rewind();
    std::wstring text;
    vandel::base64_transform(vandel::base64_transform::standard).encode_to_wstring(bytes, text, -1);
    return text;
}

// Returns false when the value is not Base64 of the standard alphabet.
bool base64_decode(const std::wstring& value, vandel::memory_stream& out) {
    try {
        vandel::base64_transform(vandel::base64_transform::standard).decode_wstring(value, out);
        out.rewind();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Reads a "-hndl" value: the handle as the sender writes it, any 64-bit value in hexadecimal
// (parse_int64 would refuse those of 2^63 and above); 0 when it is no number.
uint64_t parse_handle(const std::wstring& value) {
    uint64_t magnitude = 0;
    int radix = 16;
    bool negative = false;
    if (vandel::parse_integer(value, std::wstring(), magnitude, radix, negative) <= 0) return 0;
    return negative ? 0 - magnitude : magnitude;
}

bool same_folder(const std::wstring& a, const std::wstring& b) {
#ifdef _WIN32
    return vandel::to_lower(a) == vandel::to_lower(b);
#else
    return a == b;
#endif
}

}  // namespace

launch_provider* set_launch_provider(launch_provider* p) { return provider.exchange(p); }

std::wstring temp_folder() {
    std::wstring folder;
    vandel::known_folder(vandel::folder_temp, folder);
    return folder;
}

command_bridge::command_bridge(std::wstring extension) : temp_extension(std::move(extension)) {}

uint32_t command_bridge::parse(const std::vector<std::wstring>& args) {
    command = 0;
    tfn_refused = false;
    payload_ = command_payload{};
    for (size_t i = 0; i < args.size();) {
        const std::wstring& a = args[i];
        if (i + 1 >= args.size()) break;  // every option takes a value
        const std::wstring& value = args[i + 1];
        if (a == L"-cmd" && command == 0) {
            int32_t word = 0;
            if (vandel::parse_int32(value, word, 16) > 0) command = static_cast<uint32_t>(word);
            i += 2;
        } else if (a == L"-hndl") {
            payload_.window = parse_handle(value);
            ++i;
        } else if (a == L"-point") {
            payload_.has_point = decode_point(value, payload_.x, payload_.y);
            ++i;
        } else if (a == L"-data") {
            payload_.data = decode_data(value);
            tfn_refused = false;
            i += 2;
        } else if (a == L"-tfn") {
            payload_.data = read_temp_file(unescape_value(value));
            tfn_refused = payload_.data.empty();
            i += 2;
        } else if (a == L"-raw") {
            payload_.raw = unescape_value(value);
            ++i;
        } else {
            ++i;
        }
    }
    return command;
}

std::wstring command_bridge::build_arguments(uint32_t word, const command_payload& payload) {
    std::wstring text;
    if (word != 0) append_part(text, L"-cmd " + vandel::int_to_text<std::wstring>(word, 3));
    if (payload.window != 0) append_part(text, L"-hndl " + vandel::int_to_text<std::wstring>(payload.window, 3));
    if (payload.has_point) append_part(text, L"-point " + encode_point(payload.x, payload.y));
    if (!payload.data.empty()) {
        const std::wstring data = data_argument(payload);
        if (!data.empty()) append_part(text, data);
    }
    if (!payload.raw.empty()) append_part(text, L"-raw " + escape_value(payload.raw));
    return text;
}

std::wstring command_bridge::command_line(const std::wstring& program_path, uint32_t word,
                                          const command_payload& payload) {
    std::wstring line = L"\"" + program_path + L"\"";
    const std::wstring parameters = build_arguments(word, payload);
    if (!parameters.empty()) line += L" " + parameters;
    return line;
}

int command_bridge::launch(const std::wstring& file_name, uint32_t word, int mode, const command_payload& payload) {
    written_file_.clear();
    const std::wstring program = get_program_directory() + file_name;
    const std::wstring parameters = build_arguments(word, payload);
    launch_provider* p = provider.load();
    bool started = false;
    const int result = p ? p->launch(program, parameters, mode, payload.window, started)
                         : detail::system_launch(program, parameters, mode, payload.window, started);
    // No receiver will read it. Once a receiver ran, the name is its to delete: another
    // process may have drawn it afresh since.
    if (!started && !written_file_.empty()) vandel::remove_path(written_file_, false);
    written_file_.clear();
    return result;
}

const std::wstring& command_bridge::get_program_directory() {
    if (program_directory_.empty()) {
        vandel::capture_program_directory();  // does nothing when the entry point did it
        vandel::known_folder(vandel::folder_program, program_directory_);
    }
    return program_directory_;
}

void command_bridge::set_program_directory(const std::wstring& folder) {
    program_directory_ = folder;
    if (folder.empty()) return;
    const wchar_t last = folder.back();
    if (last == L'\\' || last == L'/') return;
    const size_t first = folder.find_first_of(L"\\/");
    program_directory_ += first == std::wstring::npos ? L'\\' : folder[first];
}

std::wstring command_bridge::temp_file_name() {
    const std::wstring folder = temp_folder();
    if (folder.empty()) return {};
    // The first names are those of every earlier release; the multiplier has 2^5 as its only
    // power of two, so the names of one process stay apart for 2^27 draws.
    const uint32_t n = name_counter.fetch_add(1) + 1;
    const uint32_t h = (n + 1) * 0xEDB88320u;
    return folder + L"tfn_" + vandel::int_to_text<std::wstring>(h, 3, 8) + temp_extension;
}

std::wstring command_bridge::data_argument(const command_payload& payload) {
    const std::wstring& data = payload.data;
    if (data.empty()) return {};
    if (data.size() <= max_inline_data) {
        vandel::memory_stream bytes;
        for (wchar_t unit : data) bytes.write_char16(static_cast<uint16_t>(unit));
        return L"-data " + base64_of(bytes);
    }
    for (int tries = 0; tries < max_name_tries; ++tries) {
        const std::wstring name = temp_file_name();
        if (name.empty()) return {};
        vandel::file_stream file;
        // Created exclusively: an existing file of that name (another sender's, or a link
        // planted there) is never written or replaced.
        if (!file.open(name, vandel::open_create_new)) {
            if (vandel::path_kind(name) != vandel::kind_missing) continue;
            return {};
        }
        int64_t written = 0;
        try {
            written = file.write_wstring(data);
        } catch (const std::exception&) {
        }
        file.close();
        if (written != 4 + static_cast<int64_t>(data.size()) * 2) {
            vandel::remove_path(name, false);
            return {};
        }
        written_file_ = name;
        return L"-tfn " + escape_value(name);
    }
    return {};
}

std::wstring command_bridge::decode_data(const std::wstring& value) {
    if (value.size() < 2) return {};
    vandel::memory_stream bytes;
    if (!base64_decode(value, bytes)) return {};
    std::wstring text;
    uint16_t unit = 0;
    while (bytes.read_int16(unit) == 2) text += static_cast<wchar_t>(unit);
    return text;
}

bool command_bridge::is_temp_file_name(const std::wstring& path) {
    const std::wstring folder = temp_folder();
    if (folder.empty() || !same_folder(vandel::directory_part(path), folder)) return false;
    const std::wstring name = vandel::file_name_part(path, true);
    if (name.size() < 12 || name.compare(0, 4, L"tfn_") != 0) return false;
    for (size_t i = 4; i < 12; ++i) {
        const wchar_t c = name[i];
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
    }
    const std::wstring extension = name.substr(12);
    return extension == L".tmp" || extension == L".olvex";
}

std::wstring command_bridge::read_temp_file(const std::wstring& path) {
    if (!is_temp_file_name(path)) return {};
    struct vandel::file_info info;
    if (vandel::file_info(path, info) != vandel::kind_file || info.reparse_point) return {};
    std::wstring text;
    {
        vandel::file_stream file;
        if (!file.open(path, vandel::open_read)) return {};
        uint32_t count = 0;
        try {
            const bool whole = file.read_int32(count) == 4 && count % 2 == 0 && count <= max_temp_file_bytes &&
                               file.size() == 4 + static_cast<int64_t>(count) && file.rewind() &&
                               file.read_wstring(text, max_temp_file_bytes) == file.size() && !text.empty() &&
                               text.back() == L'\0';
            if (!whole) text.clear();
        } catch (const std::exception&) {
            text.clear();
        }
    }
    vandel::remove_path(path, false);
    return text;
}

bool command_bridge::decode_point(const std::wstring& value, int32_t& x, int32_t& y) {
    if (value.size() < 2) return false;
    vandel::memory_stream bytes;
    int32_t px = 0, py = 0;
    if (!base64_decode(value, bytes) || bytes.read_int32(px) != 4 || bytes.read_int32(py) != 4) return false;
    x = px;
    y = py;
    return true;
}

std::wstring command_bridge::encode_point(int32_t x, int32_t y) {
    vandel::memory_stream bytes;
    bytes.write_int32(x);
    bytes.write_int32(y);
    return base64_of(bytes);
}

std::wstring command_bridge::escape_value(const std::wstring& value) {
    return vandel::replace_all(vandel::replace_all(value, L"%", L"%25", 0), L" ", L"%20", 0);
}

std::wstring command_bridge::unescape_value(const std::wstring& value) {
    std::wstring text;
    text.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == L'%' && i + 2 < value.size() && value[i + 1] == L'2' &&
            (value[i + 2] == L'0' || value[i + 2] == L'5')) {
            text += value[i + 2] == L'0' ? L' ' : L'%';
            i += 2;
        } else {
            text += value[i];
        }
    }
    return text;
}

}  // namespace olvex
