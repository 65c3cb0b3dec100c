// Writes the fuzz targets' seed inputs, made by the project's own writers, into
// <folder>/<target>/. Usage: fuzz_seeds <folder>   (tools/fuzz.sh seeds refreshes
// tests/fuzz/corpus with it).
#include "services/command_bridge.h"
#include "tests/fuzz/properties.h"
#include "vandel/base64.h"
#include "vandel/convert.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/map_settings.h"
#include "vandel/memory_stream.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using vandel::memory_stream;

std::wstring root;
int failures = 0;

std::string bytes_of(const memory_stream& s) {
    return s.size() == 0 ? std::string()
                         : std::string(reinterpret_cast<const char*>(s.data_at(0)), static_cast<size_t>(s.size()));
}

void put(const std::string& target, const std::string& name, const std::string& bytes) {
    const std::wstring folder = vandel::add_trailing_separator(root) + vandel::widen(target);
    vandel::create_directory(folder);
    const std::wstring path = vandel::add_trailing_separator(folder) + vandel::widen(name);
    vandel::file_stream f;
    if (!f.open(path, vandel::open_create) ||
        f.write(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size()) || !f.flush()) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s/%s\n", target.c_str(), name.c_str());
        ++failures;
    }
}

// A command line as the targets read it: the arguments in UTF-8, each ended by NUL but the last.
std::string argv_bytes(const std::vector<std::wstring>& args) {
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) out += (i ? std::string(1, '\0') : std::string()) + vandel::to_utf8(args[i], '?');
    return out;
}

void settings_seeds() {
    vandel::map_settings<std::wstring> m;
    m.set_string(L"LOG_FOLDER", L"C:\\Logs\\Oblivar");
    m.set_int(L"SCHEME", 3);
    m.set_int(L"WINDOW_X", -1200);
    m.set_float(L"TOLERANCE", 1.5);
    m.set_bool(L"VERIFY", true);
    m.set_string(L"GREETING", L"Gr\u00FC\u00DFe \u20AC 100%");
    m.set_string(L"EMPTY", L"");

    memory_stream binary;
    m.write_binary(binary);
    put("settings", "binary", bytes_of(binary));
    memory_stream none;
    vandel::map_settings<std::wstring>().write_binary(none);
    put("settings", "binary-empty", bytes_of(none));

    memory_stream utf16;  // what a text save writes: UTF-16LE units, CR LF
    m.write_text(utf16, true);
    put("settings", "text-utf16", bytes_of(utf16));

    memory_stream utf8;
    utf8.set_text_form(1);
    utf8.write_bom();
    utf8.set_line_ending(2);
    utf8.write_line(std::wstring(L"# written by hand"));
    utf8.write_line(std::wstring(L"[Oblivar]"));
    m.write_text(utf8, false);
    utf8.write_line(std::wstring(L"// untyped lines read as text"));
    utf8.write_line(std::wstring(L"  PADDED.int  =  0x7fffffff  "));
    put("settings", "text-utf8", bytes_of(utf8));
}

void language_seeds() {
    const std::vector<std::wstring> lines = {
        L"# English texts",
        L"KEY: WIPE_FILES",
        L"LANG: EN",
        L"TEXT: Wipe %1 files",
        L"   and folders",
        L"// a comment does not end the text",
        L"KEY: ESCAPES",
        L"TEXT: Line\\none\\ttab \\x41 \\u00e9",
        L"KEY: LONG_KEY",
        L"  CONTINUED",
        L"LANG: de",
        L"TEXT: Dateien l\u00F6schen",
    };
    memory_stream utf8;
    utf8.set_text_form(1);
    utf8.set_line_ending(2);
    for (const auto& line : lines) utf8.write_line(line);
    put("language", "utf8", bytes_of(utf8));

    memory_stream utf16;
    utf16.set_text_form(2);
    utf16.set_byte_order(1);
    utf16.set_line_ending(3);
    utf16.write_bom();
    for (const auto& line : lines) utf16.write_line(line);
    put("language", "utf16be-bom", bytes_of(utf16));

    memory_stream broken;  // a text before any key: an error at line 2
    broken.set_text_form(1);
    broken.set_line_ending(2);
    broken.write_line(std::wstring(L"LANG: en"));
    broken.write_line(std::wstring(L"TEXT: no key"));
    put("language", "error", bytes_of(broken));
}

void bridge_seeds() {
    olvex::command_bridge bridge(L".tmp");
    olvex::command_payload files;
    files.data = std::wstring(L"C:\\Temp\\a b.txt") + L'\0' + L"C:\\Temp\\100%\\" + L'\0';
    files.window = 0x1A2B3C;
    files.has_point = true;
    files.x = -20;
    files.y = 480;
    olvex::command_payload raw;
    raw.raw = L"free text with 50% blanks";
    struct request {
        const char* name;
        uint32_t word;
        const olvex::command_payload* payload;
    } requests[] = {
        {"files", olvex::ACTION_WIPE_FILES | olvex::CMD_VERIFY_ON | (3u << olvex::CMD_SCHEME_SHIFT), &files},
        {"raw", olvex::ACTION_OPTIONS | olvex::CMD_DIALOG_MODE, &raw},
        {"headless", olvex::CMD_UNINSTALL, &raw},
    };
    for (const auto& r : requests)
        put("bridge_args", r.name, argv_bytes(oblivar::fuzz::arguments_of(L"zygui.exe", bridge.build_arguments(r.word, *r.payload))));

    // Path-list files: written as the sender writes them, and one cut short.
    std::wstring list;
    for (int i = 0; list.size() < 600; ++i) list += L"/home/user/Documents/report-" + std::to_wstring(i) + L".odt" + L'\0';
    memory_stream whole;
    whole.write_wstring(list);
    put("bridge_file", "list", bytes_of(whole));
    put("bridge_file", "cut", bytes_of(whole).substr(0, 301));
    memory_stream one;
    one.write_wstring(std::wstring(L"C:\\x") + L'\0');
    put("bridge_file", "one", bytes_of(one));
}

void console_seeds() {
    // The first byte picks the style: '0' POSIX, '1' Windows.
    const struct {
        const char* name;
        char style;
        std::vector<std::wstring> args;
    } lines[] = {
        {"files", '0', {L"olvex", L"--wipe=file", L"--scheme=dod", L"--verify=last", L"-k", L"report.pdf", L"/tmp/a b"}},
        {"mod-time", '0', {L"olvex", L"-w", L"=", L"file", L"--mod-time=2024-02-29T13:45+01:00", L"--leave-dirs", L"x"}},
        {"throttle", '0', {L"olvex", L"--wipe=fspc", L"--throttle=0x20", L"--tolerence=2.5", L"--rename=26", L"/home"}},
        {"errors", '0', {L"olvex", L"--wipe", L"--wipe=dev", L"-kz", L"--nothing", L"--dev-list", L"-verbose"}},
        {"windows", '1', {L"olvex.exe", L"/wipe:vol", L"/verify:", L"last", L"/mod-time:90days", L"J:", L"/o:C:\\Logs"}},
    };
    for (const auto& l : lines) put("console_args", l.name, std::string(1, l.style) + argv_bytes(l.args));
}

void base64_seeds() {
    // The first byte: bit 0 the URL-safe alphabet, bit 1 lenient decoding.
    const std::string samples[] = {std::string("Oblivar\0\xFF\xFE", 10), "ab", "\x01\x02\x03\xFB\xFF\xBF"};
    int n = 0;
    for (const std::string& bytes : samples) {
        for (int variant = 0; variant < 2; ++variant) {
            memory_stream in(bytes.data(), static_cast<int64_t>(bytes.size()));
            std::string text;
            vandel::base64_transform(variant).encode_to_string(in, text, -1);
            const char flags = static_cast<char>('0' + variant + (n % 2) * 2);
            if (n % 2) text.insert(text.size() / 2, "\r\n=");  // skipped by any decoder
            put("base64", "text-" + std::to_string(n++), std::string(1, flags) + text);
        }
    }
}

void stream_seeds() {
    // Three bytes of format (byte order, text form, line ending), text kind and step count,
    // then the steps, then the data.
    const auto header = [](int order, int form, int ending, int kind, const std::string& steps) {
        return std::string{static_cast<char>(order | form << 2 | ending << 5), static_cast<char>(kind),
                           static_cast<char>(steps.size())} + steps;
    };
    memory_stream typed;
    typed.set_byte_order(1);
    typed.write_int8(0x7F);
    typed.write_int16(static_cast<uint16_t>(0xBEEF));
    typed.write_uint32(0xDEADBEEF);
    typed.write_int64(-2);
    typed.write_double(3.25);
    typed.write_float(-0.5f);
    typed.write_string("narrow");
    typed.write_wstring(L"wide \u00E9");
    put("stream", "typed-be", header(1, 0, 0, 0, std::string("\x00\x01\x02\x03\x04\x05\x36\x37", 8)) + bytes_of(typed));

    memory_stream lines;
    lines.set_text_form(2);
    lines.set_byte_order(1);
    lines.set_line_ending(3);
    lines.write_bom();
    lines.write_line(std::wstring(L"first line"));
    lines.write_line(std::wstring(L"zweite Zeile \u00FC"));
    put("stream", "lines-utf16be", header(0, 0, 3, 0, "\x0D\x08\x08\x09\x08") + bytes_of(lines));

    memory_stream cp;
    cp.set_text_form(4);
    cp.set_text_kind(16);
    cp.set_line_ending(4);
    cp.write_line(std::wstring(L"caf\u00E9 \u20AC"));
    cp.write_line(std::wstring(L"second"));
    put("stream", "lines-cp1252", header(0, 4, 4, 16, "\x08\x08\x2C") + bytes_of(cp));
}

}  // namespace

int main(int argc, char** argv) {
    vandel::capture_process_args(argc, argv);
    std::vector<std::wstring> args;
    vandel::command_line_args(args);
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    root = args[1];
    vandel::create_directory(root);
    settings_seeds();
    language_seeds();
    bridge_seeds();
    console_seeds();
    base64_seeds();
    stream_seeds();
    return failures == 0 ? 0 : 1;
}
