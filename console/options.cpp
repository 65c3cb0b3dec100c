#include "console/options.h"

#include "vandel/convert.h"
#include "vandel/locale.h"
#include "vandel/numbers.h"
#include "vandel/strings.h"

#include <climits>

namespace olvex {

argv_user::argv_user() {
#ifdef _WIN32
    set_windows_style(true);
#else
    set_windows_style(false);
    set_slash_options(false);
#endif
    add_option(opt_wipe, L"-w", L"--wipe", 2, L"<TASK>|Wipe operation: file|dev|vol|fspc|rcyc");
    add_option(opt_scheme, L"-s", L"--scheme", 2,
               L"<SCHEME>|Wiping scheme: zero|ran|vrn|vrn+|vrn++|gost|dod|vsitr|schn|gutm (default \"ran\")");
    add_option(opt_verify, L"-y", L"--verify", 2,
               L"<PASS>|Perform verification pass: last|first|both|none (default \"none\")");
    add_option(opt_empty_recycler, L"-e", L"--empty-recycler", 1, L"Empty recycler when cleaning free space on drive");
    add_option(opt_skip_confirm, L"-k", L"--skip-confirm", 1, L"Skip user confirmation when wiping (use with care)");
    add_option(opt_abort_on_error, L"-a", L"--abort-on-error", 1, L"Abort wiping operation on first error");
    add_option(opt_leave_dirs, L"-i", L"--leave-dirs", 1, L"Do not remove empty directories when wiping files");
    add_option(opt_mod_time, L"-m", L"--mod-time", 2,
               L"<DATE>|Wipe old files only, i.e. only those modified before this time");
    add_option(opt_rename, L"-r", L"--rename", 2,
               L"<COUNT>|Number of times to rename path prior to removal (0 to 26, default 3)");
    add_option(opt_simulation, L"-u", L"--simulation", 1, L"Simulate the wipe operation (dummy test)");
    add_option(opt_verbose, L"-b", L"--verbose", 1, L"Verbose output");
    add_option(opt_key_to_exit, L"-x", L"--key-to-exit", 1, L"Wait for key press before exit (Windows only)");
    add_option(opt_tolerence, L"-t", L"--tolerence", 2, L"<PERC>|Error tolerence (0 to 50.0%, default 1.0%)");
    add_option(opt_throttle, L"-T", L"--throttle", 2, L"<SPEED>|Disk write speed: max|med|slow (default \"max\")");
    add_option(opt_silent, L"-S", L"--silent", 1, L"Suppress console window (use with care)");
    add_option(opt_dev_list, L"-d", L"--dev-list", 1, L"List physical devices");
    add_option(opt_vol_list, L"-l", L"--vol-list", 1, L"List drive volumes");
    add_option(opt_version, L"-v", L"--version", 1, L"Output version information");
    add_option(opt_output, L"-o", L"--output", 2,
               L"<FILENAME>|Specify logging output directory or full explicit filename (specify 'NONE' to disable)");
    add_option(opt_bom, L"-B", L"--bom", 1, L"Include BOM when writing output to file");
    add_option(opt_help, L"-h", L"--help", 1, L"Display help information");
    add_option(opt_log_user, L"-U", L"--log-user", 1, L"!");
}

argv_user::~argv_user() = default;

vandel::usage_layout usage_layout_defaults() {
    vandel::usage_layout layout;
    layout.indent = 2;
    layout.width = 20;
    layout.sorted = true;
    layout.dotted = false;
    return layout;
}

int parse_int_option(const std::wstring& text) {
    int32_t n = 0;
    return vandel::parse_int32(text, n, 0) > 0 ? n : -1;
}

double parse_real_option(const std::wstring& text, double fallback) {
    double v = 0;
    // "." is the point whatever the locale; U+FFFF never stands in a command line, so no
    // group separator is skipped either.
    return vandel::parse_double(text, v, L".", L"\uFFFF") > 0 ? v : fallback;
}

int parse_time_span(const std::wstring& text) {
    int32_t n = 0;
    const int used = vandel::parse_int32(text, n, 10);
    if (used <= 0) return 0;
    if (n <= 0) return n;
    std::wstring unit = vandel::to_lower(vandel::trim(text.substr(static_cast<size_t>(used)), true, true));
    if (!unit.empty() && unit[0] == L'-') unit.erase(0, 1);

    static const struct {
        const wchar_t* words[5];
        int64_t seconds;
    } units[] = {
        {{L"s", L"sec", L"secs", L"second", L"seconds"}, 1},
        {{L"m", L"min", L"mins", L"minute", L"minutes"}, 60},
        {{L"h", L"hr", L"hrs", L"hour", L"hours"}, 3600},
        {{L"d", L"dy", L"day", L"days", nullptr}, 86400},
        {{L"w", L"wk", L"wks", L"week", L"weeks"}, 604800},
        {{L"mon", L"month", L"months", nullptr, nullptr}, 2678400},
        {{L"y", L"yr", L"yrs", L"year", L"years"}, 31622400},
    };
    for (const auto& u : units)
        for (const wchar_t* word : u.words)
            if (word && unit == word) {
                const int64_t seconds = n * u.seconds;
                return seconds > INT32_MAX ? 0 : static_cast<int>(seconds);
            }
    return 0;
}

namespace {

bool all_digits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Digits only (no sign, no blank), as an int; -1 otherwise.
int32_t field(const std::string& s) {
    int32_t v = 0;
    return all_digits(s) && s.size() <= 9 && vandel::parse_int32(s, v, 10) == static_cast<int>(s.size()) ? v : -1;
}

bool is_leap(int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in_month(int64_t y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && is_leap(y) ? 29 : days[m - 1];
}

// Days from 1970-01-01 to the date (negative before), after H. Hinnant's algorithm.
int64_t days_from_civil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Seconds since 1970 UTC of a local clock reading given as seconds since 1970.
int64_t local_to_utc(int64_t local) {
    int32_t offset = 0;
    if (!vandel::detail::local_utc_offset(local, offset)) return local;
    int64_t t = local - offset;
    // The offset of the moment itself: across a change of daylight saving time it differs.
    if (vandel::detail::local_utc_offset(t, offset)) t = local - offset;
    return t;
}

// "hh:mm" or "hh:mm:ss" (already with colons) as seconds; -1 when not a valid time.
int32_t clock_seconds(const std::string& t) {
    if ((t.size() != 5 && t.size() != 8) || t[2] != ':' || (t.size() == 8 && t[5] != ':')) return -1;
    const int32_t h = field(t.substr(0, 2)), m = field(t.substr(3, 2));
    const int32_t s = t.size() == 8 ? field(t.substr(6, 2)) : 0;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return -1;
    return h * 3600 + m * 60 + s;
}

}  // namespace

int32_t parse_time_of_day(const std::string& text, int& zone, int32_t& offset) {
    zone = zone_local;
    offset = 0;
    std::string t = vandel::to_upper(vandel::trim(text, true, true));
    std::string z;
    int sign = 0;
    if (const size_t plus = t.find('+'); plus != std::string::npos) {
        z = t.substr(plus + 1);
        t.erase(plus);
        sign = 1;
    } else if (const size_t minus = t.find('-'); minus != std::string::npos) {
        z = t.substr(minus + 1);
        t.erase(minus);
        sign = -1;
    } else if (!t.empty() && t.back() == 'Z') {
        t.pop_back();
        zone = zone_utc;
    }
    t = vandel::trim(t, true, true);
    if (all_digits(t) && (t.size() == 2 || t.size() == 4 || t.size() == 6)) {
        if (t.size() == 2) t += ":00";
        else t.insert(2, ":");
        if (t.size() == 7) t.insert(5, ":");
    }
    const int32_t seconds = clock_seconds(t);
    if (seconds < 0) return -1;

    if (sign != 0) {
        z = vandel::trim(z, true, true);
        if (z.size() == 2) z += ":00";
        else if (z.size() == 4 && all_digits(z)) z.insert(2, ":");
        if (z.size() != 5 || z[2] != ':') return -1;
        const int32_t h = field(z.substr(0, 2)), m = field(z.substr(3, 2));
        if (h < 0 || m < 0 || m > 59) return -1;
        // The bound holds for the whole offset: "-12:13" is past the last zone west.
        const int32_t east = h * 3600 + m * 60;
        if (east > (sign > 0 ? 14 : 12) * 3600) return -1;
        zone = zone_offset;
        offset = sign * east;
    }
    return seconds;
}

int64_t parse_date_time(const std::wstring& text) {
    const std::string t = vandel::to_upper(vandel::trim(vandel::narrow(text, '\x1A'), true, true));
    const size_t split = t.find('T');
    std::string date = vandel::trim(t.substr(0, split), true, true);
    for (char& c : date)
        if (c == '/') c = '-';

    const size_t given_length = date.size();
    size_t dashes = 0;
    for (char c : date) dashes += c == '-';
    if (dashes == 0 && (given_length == 7 || given_length == 8)) {
        date.insert(4, "-");
        if (given_length == 8) date.insert(7, "-");
    } else if (!(dashes == 1 && (given_length == 7 || given_length == 8)) && !(dashes == 2 && given_length == 10)) {
        return -1;
    }

    // The fields stand at fixed places: YYYY-MM-DD, YYYY-MM or YYYY-DDD.
    if (date[4] != '-') return -1;
    const int32_t year = field(date.substr(0, 4));
    if (year < 1900 || year > 9999) return -1;
    int64_t days = 0;
    if (date.size() == 10) {
        if (date[7] != '-') return -1;
        const int32_t month = field(date.substr(5, 2)), day = field(date.substr(8, 2));
        if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month)) return -1;
        days = days_from_civil(year, month, day);
    } else {
        const int32_t n = field(date.substr(5));
        if (n < 0) return -1;
        if (given_length == 7 && n <= 12) {
            if (n < 1) return -1;
            days = days_from_civil(year, n, 1);
        } else {
            if (n < 1 || n > (is_leap(year) ? 366 : 365)) return -1;
            days = days_from_civil(year, 1, 1) + n - 1;
        }
    }

    int64_t local = days * 86400;
    int zone = zone_local;
    int32_t offset = 0;
    if (split != std::string::npos) {
        const int32_t seconds = parse_time_of_day(t.substr(split + 1), zone, offset);
        if (seconds < 0) return -1;
        local += seconds;
    }
    if (zone == zone_local) return local_to_utc(local);
    return local - offset;
}

}  // namespace olvex
