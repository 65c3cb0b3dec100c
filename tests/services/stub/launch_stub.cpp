// Test helper started by the launch tests in place of a real program: records its arguments
// (one UTF-8 line each) in the file named by OBLIVAR_STUB_RECORD and exits with the code in
// OBLIVAR_STUB_EXIT. The record appears whole, under its final name, only once written.
#include "vandel/convert.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/numbers.h"

#include <cstdlib>

int main(int argc, char** argv) {
    vandel::capture_process_args(argc, argv);
    std::vector<std::wstring> args;
    vandel::command_line_args(args);
    std::string lines;
    for (size_t i = 1; i < args.size(); ++i) lines += vandel::to_utf8(args[i], '?') + "\n";

    const std::wstring record = vandel::environment_variable(L"OBLIVAR_STUB_RECORD");
    if (!record.empty()) {
        const std::wstring part = record + L".part";
        vandel::file_stream out(part, vandel::open_create);
        const bool written = out.write(lines.data(), static_cast<int64_t>(lines.size())) ==
                             static_cast<int64_t>(lines.size());
        out.close();
        if (!written || !vandel::move_file(part, record, true)) return 99;
    }
    int32_t code = 0;
    vandel::parse_int32(vandel::environment_variable(L"OBLIVAR_STUB_EXIT"), code, 10);
    return code;
}
