#include "engine/path_macros.h"

#include "vandel/clock.h"
#include "vandel/locale.h"
#include "vandel/strings.h"

namespace olvex {

namespace {

// YYYYMMDDhhmmss of now, in UTC or local time; empty when the time can't be told.
std::wstring stamp(bool utc) {
    return vandel::current_locale().date_time_text_w(vandel::now_ms() / 1000, 14, utc);
}

}  // namespace

std::wstring expand_path_macros(const std::wstring& text) {
    if (text.find(L'%') == std::wstring::npos) return text;
    const std::wstring u = stamp(true);
    const std::wstring l = stamp(false);
    if (u.size() != 14 || l.size() != 14) return text;
    // In this order: a longer macro before any macro that it begins with.
    const struct {
        const wchar_t* name;
        std::wstring value;
    } macros[] = {
        {L"%DATETIMEZ%", u.substr(0, 8) + L"T" + u.substr(8, 6) + L"Z"},
        {L"%DATETIME%", l.substr(0, 8) + L"T" + l.substr(8, 6)},
        {L"%DATEZ%", u.substr(0, 8)},
        {L"%DATE%", l.substr(0, 8)},
        {L"%TIMEZ%", u.substr(8, 6) + L"Z"},
        {L"%TIME%", l.substr(8, 6)},
        {L"%YYYYZ%", u.substr(0, 4)},
        {L"%YYYY%", l.substr(0, 4)},
        {L"%YYZ%", u.substr(2, 2)},
        {L"%YY%", l.substr(2, 2)},
        {L"%MMZ%", u.substr(4, 2)},
        {L"%MM%", l.substr(4, 2)},
        {L"%DDZ%", u.substr(6, 2)},
        {L"%DD%", l.substr(6, 2)},
        {L"%hhZ%", u.substr(8, 2)},
        {L"%hh%", l.substr(8, 2)},
        {L"%mm%", l.substr(10, 2)},
        {L"%ss%", l.substr(12, 2)},
    };
    std::wstring out = text;
    for (const auto& m : macros) out = vandel::replace_all(out, m.name, m.value, 0);
    return out;
}

std::wstring file_job_title(const std::vector<std::wstring>& paths, const std::wstring& fallback,
                            vandel::path_style style) {
    if (paths.empty()) return fallback;
    if (paths.size() == 1) {
        std::wstring only = vandel::normalize_path(paths[0], style);
        return only.empty() ? fallback : only;
    }
    std::wstring shared;
    bool started = false;  // leading empty paths don't count
    for (const std::wstring& path : paths) {
        const std::wstring p = vandel::normalize_path(path, style);
        if (!started) {
            shared = p;
            started = !p.empty();
            continue;
        }
        size_t i = 0;
        while (i < shared.size() && i < p.size() && shared[i] == p[i]) ++i;
        shared.resize(i);
    }
    shared = vandel::directory_part(shared, style);
    return shared.empty() ? fallback : shared;
}

}  // namespace olvex
