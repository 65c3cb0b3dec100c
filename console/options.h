#pragma once
// The option table of olvex and the readers of its option values.
#include "console/argv_parser.h"

#include <cstdint>
#include <string>

namespace olvex {

// Option ids; the dispatch asks the parser by these numbers.
enum : int {
    opt_wipe = 0,
    opt_scheme = 1,
    opt_verify = 2,
    opt_empty_recycler = 3,
    opt_skip_confirm = 4,
    opt_abort_on_error = 5,
    opt_leave_dirs = 6,
    opt_mod_time = 7,
    opt_rename = 8,
    opt_simulation = 9,
    opt_verbose = 10,
    opt_key_to_exit = 11,
    opt_tolerence = 12,
    opt_throttle = 13,
    opt_silent = 14,
    opt_dev_list = 15,
    opt_vol_list = 16,
    opt_version = 17,
    opt_output = 18,
    opt_bom = 19,
    opt_help = 20,
    opt_log_user = 24,
};

// The console's parser. On Windows it shows "/name" and values after ":"; elsewhere "-x",
// "--name" and values after "=", and "/" begins a path, never an option.
class argv_user : public vandel::argv_parser<std::wstring> {
public:
    argv_user();
    ~argv_user() override;
};

// The layout of the help's option list: indent 2, width 20, sorted, not dotted.
vandel::usage_layout usage_layout_defaults();

// Returns the integer at the start of text ("0x" reads hexadecimal); -1 when there is none.
int parse_int_option(const std::wstring& text);

// Returns the number at the start of text, "." being its decimal point whatever the locale
// ("2.5%" is 2.5, "1,5" is 1); fallback when text starts with no finite number.
double parse_real_option(const std::wstring& text, double fallback);

// Returns the seconds of an age such as "30d", "2 weeks" or "12-hours"; 0 or below when text is
// no age, and 0 when the age does not fit 32 bits.
int parse_time_span(const std::wstring& text);

// Returns the seconds since 1970 (UTC) of a date "YYYY-MM-DD", "YYYYMMDD", "YYYY-MM", "YYYY-DDD",
// with "/" for "-", optionally followed by "T" and a time of day. Without a zone the date and
// time are the machine's local time. -1 when text is no date or names an impossible one.
int64_t parse_date_time(const std::wstring& text);

// Zone designators of parse_time_of_day.
enum : int { zone_local = 0, zone_utc = 1, zone_offset = 2 };

// Reads "hh", "hhmm", "hhmmss", "hh:mm" or "hh:mm:ss" with an optional "Z" or "+hh[[:]mm]" or
// "-hh[[:]mm]". Returns the seconds after midnight, or -1 when text is no time of day; zone and
// offset (seconds east of UTC) tell how the time is meant.
int32_t parse_time_of_day(const std::string& text, int& zone, int32_t& offset);

}  // namespace olvex
