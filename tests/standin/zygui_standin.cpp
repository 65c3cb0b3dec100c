// The stand-in zygui (see tests/support/standin.h): records what it was given beside itself and
// ends with the exit code ordered for this run.
#include "services/command_bridge.h"
#include "tests/support/standin.h"

#include "vandel/convert.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/numbers.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

using oblivar::test::encode_record_text;

std::string read_all(const std::wstring& path) {
    vandel::file_stream in;
    if (!in.open(path, vandel::open_read)) return {};
    std::string bytes(static_cast<size_t>(std::max<int64_t>(in.size(), 0)), '\0');
    if (in.read(bytes.data(), static_cast<int64_t>(bytes.size())) != static_cast<int64_t>(bytes.size())) return {};
    return bytes;
}

// Returns the n-th (from 1) blank-separated number of the orders, the last one past the end.
int exit_code_for(const std::string& orders, size_t n) {
    std::istringstream in(orders);
    std::vector<int> codes;
    for (int code = 0; in >> code;) codes.push_back(code);
    return codes.empty() ? 0 : codes[std::min(n, codes.size()) - 1];
}

// Returns the value of the "-tfn" option the receiver takes last (walking the arguments as
// command_bridge::parse does), unescaped; empty without one.
std::wstring tfn_value(const std::vector<std::wstring>& args) {
    std::wstring value;
    bool have_command = false;
    for (size_t i = 0; i + 1 < args.size();) {
        const std::wstring& a = args[i];
        if (a == L"-tfn") value = olvex::command_bridge::unescape_value(args[i + 1]);
        const bool takes_value = a == L"-tfn" || a == L"-data" || (a == L"-cmd" && !have_command);
        int32_t word = 0;
        if (a == L"-cmd" && !have_command) have_command = vandel::parse_int32(args[i + 1], word, 16) > 0 && word != 0;
        i += takes_value ? 2 : 1;
    }
    return value;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    vandel::capture_process_args(argc, argv);
    std::vector<std::wstring> args;
    vandel::command_line_args(args);
    std::wstring folder;
    vandel::program_directory(folder);
    if (folder.empty()) return 98;

    const std::wstring tfn = tfn_value(args);
    const bool tfn_existed = !tfn.empty() && vandel::path_kind(tfn) != vandel::kind_missing;
    olvex::command_bridge bridge(L".tmp");
    bridge.parse(args);
    const olvex::command_payload& p = bridge.payload();

    // Claim the first free run number: the part file is created exclusively.
    size_t n = 1;
    std::wstring part, record;
    vandel::file_stream out;
    for (;; ++n) {
        if (n > 10000) return 97;
        record = folder + L"zygui-run-" + std::to_wstring(n) + L".txt";
        part = folder + L"zygui-run-" + std::to_wstring(n) + L".part";
        if (vandel::path_kind(record) != vandel::kind_missing) continue;
        if (out.open(part, vandel::open_create_new)) break;
    }
    const int code = exit_code_for(read_all(folder + L"zygui.exit"), n);

    std::string text = "command_line " + encode_record_text(oblivar::test::process_command_line()) + "\n";
    for (size_t i = 1; i < args.size(); ++i) text += "arg " + encode_record_text(args[i]) + "\n";
    text += "cmd " + vandel::to_utf8(vandel::int_to_text<std::wstring>(bridge.command, 3), '?') + "\n";
    text += "hndl " + vandel::to_utf8(vandel::int_to_text<std::wstring>(p.window, 3), '?') + "\n";
    if (p.has_point) text += "point " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
    text += "raw " + encode_record_text(p.raw) + "\n";
    text += "data " + encode_record_text(p.data) + "\n";
    if (!tfn.empty()) text += "tfn " + encode_record_text(tfn) + "\ntfn_existed " + (tfn_existed ? "1" : "0") + "\n";
    text += "exit " + std::to_string(code) + "\n";
    const bool written = out.write(text.data(), static_cast<int64_t>(text.size())) == static_cast<int64_t>(text.size());
    out.close();
    if (!written || !vandel::move_file(part, record, false)) return 99;
    return code;
}
