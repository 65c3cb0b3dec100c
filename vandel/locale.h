#pragma once
// The user's regional settings as the library needs them: one record per process, built once
// from the system's locale and never refreshed.
#include <cstdint>
#include <functional>
#include <string>

namespace vandel {

// The locale items the record is built from, each meaning what the Windows LOCALE_ item of that
// name means; POSIX gives the same texts from the user's locale.
enum class locale_item {
    iso_language,          // LOCALE_SISO639LANGNAME, e.g. "en"
    abbrev_language,       // LOCALE_SABBREVLANGNAME, e.g. "ENU"
    iso_country,           // LOCALE_SISO3166CTRYNAME, e.g. "US"
    abbrev_country,        // LOCALE_SABBREVCTRYNAME
    time_format,           // LOCALE_ITIME: "0" for a 12-hour clock, "1" for 24 hours
    decimal_separator,     // LOCALE_SDECIMAL
    thousand_separator,    // LOCALE_STHOUSAND
    currency_symbol,       // LOCALE_SCURRENCY
    intl_currency_symbol,  // LOCALE_SINTLSYMBOL
    date_separator,        // LOCALE_SDATE
    time_separator,        // LOCALE_STIME
    short_date,            // LOCALE_SSHORTDATE, a picture such as "M/d/yyyy"
};

// Returns the user's text for item; empty when the query fails or the text is empty.
std::wstring locale_text(locale_item item);

namespace detail {
// Returns in offset the local time's offset from UTC at t (0 <= t <= last_civil_time) in seconds
// east; false when the system can't convert t. The zone (TZ, else the system's) is read once.
bool local_utc_offset(int64_t t, int32_t& offset);
}  // namespace detail

// Returns text encoded in kind (UTF-8 when 0); fallback when any character can't be encoded.
std::string encode_or_default(const std::wstring& text, uint32_t kind, const std::string& fallback);

// Returns bytes decoded from kind (UTF-8 when 0); fallback when any byte can't be decoded.
std::wstring decode_or_default(const std::string& bytes, uint32_t kind, const std::wstring& fallback);

// A moment as calendar fields (year 1970..3000) and its offset from UTC.
struct civil_time {
    int32_t year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    bool utc = true;
    int32_t utc_offset = 0;  // seconds east of UTC, of this moment; 0 in UTC
};

// The last moment both builds can break down: 3000-12-31 23:59:59 UTC.
constexpr int64_t last_civil_time = 32535215999;

// Breaks t (seconds since 1970 UTC) down in UTC or in local time. Returns false when t or its
// local clock reading lies before 1970 or after last_civil_time, or the system can't convert t.
bool break_down_time(int64_t t, bool utc, civil_time& out);

class locale_info {
public:
    // Styles of date_time_text: 0..4 the locale's form, 5..9 ISO 8601, 10..14 compact digits;
    // within each, 0 time, 1 time with seconds, 2 date, 3 date and time, 4 date and time with
    // seconds. Any other style is 3.
    // Returns t (seconds since 1970 UTC) as text in UTC or local time; empty when it can't be
    // broken down (break_down_time). The 8-bit form is in the record's text kind.
    std::string date_time_text(int64_t t, int style, bool utc) const;
    std::wstring date_time_text_w(int64_t t, int style, bool utc) const;

    // Returns the text of a moment given by its fields (the formatter behind date_time_text).
    std::string civil_time_text(const civil_time& when, int style) const;

    // Returns the local time's offset from UTC now, in seconds (east positive); 0 when unknown.
    static int32_t utc_offset();

    // The kind of the system's ANSI code page: 0 when it has no kind, 2 when the query failed.
    int32_t text_kind() const { return text_kind_; }
    // 0 year, month, day; 1 month, day, year; 2 day, month, year.
    int32_t date_order() const { return date_order_; }
    bool uses_24_hour() const { return uses_24_hour_; }
    const std::wstring& language() const { return language_w_; }
    const std::wstring& country() const { return country_w_; }
    const std::string& decimal_separator() const { return decimal_; }
    const std::wstring& decimal_separator_w() const { return decimal_w_; }
    const std::string& thousand_separator() const { return thousand_; }
    const std::wstring& thousand_separator_w() const { return thousand_w_; }
    const std::string& date_separator() const { return date_sep_; }
    const std::string& time_separator() const { return time_sep_; }
    const std::string& currency_symbol() const { return currency_; }
    const std::string& intl_currency_symbol() const { return intl_currency_; }

private:
    friend locale_info make_locale_info(int32_t kind, const std::function<std::wstring(locale_item)>& query);

    int32_t text_kind_ = 2;
    int32_t date_order_ = 1;
    bool uses_24_hour_ = true;
    std::string language_, country_, decimal_, thousand_, date_sep_, time_sep_, currency_, intl_currency_;
    std::wstring language_w_, country_w_, decimal_w_, thousand_w_, date_sep_w_, time_sep_w_, currency_w_,
        intl_currency_w_;
};

// Returns the record for the system kind `kind` and the texts that query gives for each item.
// Tests build records for any locale with it.
locale_info make_locale_info(int32_t kind, const std::function<std::wstring(locale_item)>& query);

// Returns the user's record, freshly built from the system's locale.
locale_info build_locale_info();

// Returns the process-wide record, built by build_locale_info on the first call (thread-safe).
const locale_info& current_locale();

}  // namespace vandel
