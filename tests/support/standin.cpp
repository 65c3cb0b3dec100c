#include "tests/support/standin.h"

#include "tests/support/child.h"
#include "tests/support/sandbox.h"
#include "vandel/convert.h"
#include "vandel/files.h"
#include "vandel/numbers.h"
#include "vandel/strings.h"

#include <chrono>
#include <thread>

namespace oblivar::test {

namespace {

#ifdef _WIN32
const wchar_t* const program_name = L"zygui.exe";
#else
const wchar_t* const program_name = L"zygui";
#endif

std::wstring run_file(const std::wstring& folder, size_t n) {
    return folder + native_separator() + L"zygui-run-" + std::to_wstring(n) + L".txt";
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

uint64_t parse_hex(const std::string& text) {
    uint64_t v = 0;
    for (char c : text) {
        const int d = hex_digit(c);
        if (d < 0) break;
        v = v << 4 | static_cast<unsigned>(d);
    }
    return v;
}

standin_run parse_run(const std::string& text) {
    standin_run run;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? std::string() : line.substr(blank + 1);
        if (key == "command_line") run.command_line = decode_record_text(value);
        else if (key == "arg") run.args.push_back(decode_record_text(value));
        else if (key == "cmd") run.command = static_cast<uint32_t>(parse_hex(value));
        else if (key == "hndl") run.window = parse_hex(value);
        else if (key == "point") {
            run.has_point = true;
            run.x = std::stoi(value);
            run.y = std::stoi(value.substr(value.find(' ') + 1));
        } else if (key == "raw") run.raw = decode_record_text(value);
        else if (key == "data") run.data = decode_record_text(value);
        else if (key == "tfn") run.tfn = decode_record_text(value);
        else if (key == "tfn_existed") run.tfn_existed = value == "1";
        else if (key == "exit") run.exit_code = std::stoi(value);
    }
    return run;
}

}  // namespace

std::string encode_record_text(const std::wstring& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (wchar_t c : text) {
        const auto u = static_cast<uint32_t>(c) & 0xFFFF;
        if (u >= 0x20 && u < 0x7F && u != '\\') {
            out += static_cast<char>(u);
        } else {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += hex[(u >> shift) & 0xF];
        }
    }
    return out;
}

std::wstring decode_record_text(const std::string& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 5 < text.size() && text[i + 1] == 'u') {
            out += static_cast<wchar_t>(parse_hex(text.substr(i + 2, 4)));
            i += 5;
        } else {
            out += static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
        }
    }
    return out;
}

std::wstring standin_program() {
    return vandel::directory_part(own_program_path()) + L"standin" + native_separator() + program_name;
}

void install_standin(const std::wstring& folder, const std::vector<int>& exit_codes) {
    const std::wstring target = folder + native_separator() + program_name;
    if (!detail::copy_program(standin_program(), target))
        ADD_FAILURE() << "can't copy the stand-in to " << vandel::to_utf8(target, '?');
    std::string codes;
    for (int code : exit_codes) codes += std::to_string(code) + " ";
    write_bytes(folder + native_separator() + L"zygui.exit", codes);
}

std::vector<standin_run> standin_runs(const std::wstring& folder) {
    std::vector<standin_run> runs;
    for (size_t n = 1; path_exists(run_file(folder, n)); ++n) runs.push_back(parse_run(read_bytes(run_file(folder, n))));
    return runs;
}

std::vector<standin_run> wait_for_standin_runs(const std::wstring& folder, size_t count) {
    // Waits for another process, not for time: the bound only keeps a lost run from hanging.
    for (int i = 0; i < 3000 && !path_exists(run_file(folder, count)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return standin_runs(folder);
}

}  // namespace oblivar::test
