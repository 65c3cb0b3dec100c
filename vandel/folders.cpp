#include "vandel/folders.h"

#include "vandel/files.h"


namespace vandel {

namespace {

// Filled by the entry point before other threads start; read-only afterwards.
struct process_store {
    std::vector<std::wstring> args;
    std::wstring module;
    std::wstring folder;
    bool args_captured = false;
    bool folder_captured = false;
};

process_store& store() {
    static process_store s;
    return s;
}

void store_arguments(std::vector<std::wstring> args) {
    process_store& s = store();
    s.args = std::move(args);
    std::string narrow;
    std::wstring wide;
    if (module_file_names(narrow, wide)) s.module = wide;
}

}  // namespace

bool known_folder(int kind, std::wstring& out) {
    out.clear();
    if (static_cast<unsigned>(kind) > 9) return false;
    const bool found = kind != folder_program && detail::system_folder(kind, out);
    if (kind == folder_program || (kind == folder_current && !found)) {
        out.clear();
        program_directory(out);
    }
    if (!out.empty() && path_kind(out) == kind_folder) {
        out = add_trailing_separator(out);
        return true;
    }
    out.clear();
    return false;
}

bool known_folder(int kind, std::string& out) {
    std::wstring wide;
    const bool ok = known_folder(kind, wide);
    out = narrow_path(wide);
    return ok;
}

void capture_program_directory() {
    process_store& s = store();
    if (s.folder_captured) return;
    s.folder_captured = true;
    std::string narrow;
    std::wstring wide, folder;
    if (module_file_names(narrow, wide)) {
        folder = directory_part(wide);
    } else {
        std::wstring cwd;
        std::string cwd8;
        if (!known_folder(folder_current, cwd8) || !known_folder(folder_current, cwd)) return;
        folder = cwd;
    }
    s.folder = folder;
}

void capture_process_args(int argc, char** argv) {
    process_store& s = store();
    if (s.args_captured) return;
    s.args_captured = true;
    capture_program_directory();
    if (argc < 0 || (argc > 0 && argv == nullptr)) return;
    std::vector<std::wstring> args(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i)
        if (argv[i]) args[static_cast<size_t>(i)] = detail::decode_argument(argv[i]);
    store_arguments(std::move(args));
}

void capture_process_args(int argc, wchar_t** argv) {
    process_store& s = store();
    if (s.args_captured) return;
    s.args_captured = true;
    capture_program_directory();
    if (argc <= 0 || argv == nullptr) return;
    std::vector<std::wstring> args(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i)
        if (argv[i]) args[static_cast<size_t>(i)] = argv[i];
    store_arguments(std::move(args));
}

bool command_line_args(std::vector<std::wstring>& out) {
    const process_store& s = store();
    if (!s.args_captured) return false;
    out = s.args;
    return true;
}

bool module_path(std::wstring& out) {
    const process_store& s = store();
    if (!s.args_captured || s.module.empty()) return false;
    out = s.module;
    return true;
}

bool program_directory(std::wstring& out) {
    const process_store& s = store();
    if (!s.folder_captured) return false;
    out = s.folder;
    return true;
}

}  // namespace vandel
