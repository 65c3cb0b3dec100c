#pragma once
// POSIX only: what the locale record needs of a locale's strftime date and time formats.
#include <string>

namespace vandel::posix {

struct format_texts {
    std::wstring short_date;      // the Windows picture of the date format, e.g. "dd.MM.yyyy"
    std::wstring date_separator;  // the text after the first date field, e.g. "."
    std::wstring time_separator;  // the text after the hour field, e.g. ":"
    bool twelve_hour = false;     // the time format shows a 12-hour clock (%I, %l, %r)
};

// Returns the texts read from a date format (D_FMT) and a time format (T_FMT).
format_texts texts_of_formats(const std::wstring& date_format, const std::wstring& time_format);

}  // namespace vandel::posix
