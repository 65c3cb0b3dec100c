#include "services/log_names.h"

#include "engine/path_macros.h"
#include "vandel/clock.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/locale.h"
#include "vandel/numbers.h"
#include "vandel/strings.h"

namespace olvex {

namespace {
constexpr int compact_date_time = 14;
}

std::wstring log_file_name(const std::wstring& user, int64_t time, bool pattern) {
    std::wstring user_part = vandel::replace_all(user, L" ", L"", 0);
    std::wstring time_part = vandel::current_locale().date_time_text_w(time, compact_date_time, true);
    if (time_part.size() == 14) time_part = time_part.substr(0, 8) + L"T" + time_part.substr(8) + L"Z";
    if (!user_part.empty() && !time_part.empty()) user_part += L"-";
    std::wstring name = vandel::replace_all(L"zy-$UN$TM.log", L"$UN", user_part, 0);
    return vandel::replace_all(name, L"$TM", pattern ? std::wstring(L"*") : time_part, 0);
}

std::wstring make_log_file_name(const std::wstring& folder, bool with_user, bool pattern) {
    if (folder.empty()) return {};
    const std::wstring expanded = expand_path_macros(folder);
    // A name in a folder that isn't there would only fail later, or land somewhere unmeant.
    if (!vandel::is_directory(expanded)) return {};
    const std::wstring name = log_file_name(with_user ? vandel::user_name() : std::wstring(), vandel::now_s(), pattern);
    const std::wstring path = vandel::add_trailing_separator(expanded) + name;
    if (pattern || vandel::path_kind(path) == vandel::kind_missing) return path;
    // Two logs in one second: the earlier one is kept whole.
    const std::wstring stem = path.substr(0, path.size() - 4);
    for (uint64_t n = 1;; ++n) {
        const std::wstring candidate = stem + L"-" + vandel::int_to_text<std::wstring>(n) + L".log";
        if (vandel::path_kind(candidate) == vandel::kind_missing) return candidate;
    }
}

bool create_log_file(const std::wstring& path, bool bom, vandel::file_stream& log) {
    if (!log.open(path, vandel::open_create_new | vandel::open_share_none, 1)) return false;
    log.set_line_ending(log_line_ending());
    if (bom) log.write_bom();
    return true;
}

bool open_new_log_file(const std::wstring& folder, bool with_user, bool bom, vandel::file_stream& log,
                       std::wstring& name) {
    // A name taken meanwhile (another run, a planted link) makes the folder's next name be tried.
    for (int tries = 0; tries < 8; ++tries) {
        name = make_log_file_name(folder, with_user, false);
        if (name.empty()) return false;
        if (create_log_file(name, bom, log)) return true;
        if (vandel::path_kind(name) == vandel::kind_missing) return false;
    }
    return false;
}

}  // namespace olvex
