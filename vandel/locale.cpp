#include "vandel/locale.h"

#include "vandel/clock.h"
#include "vandel/convert.h"
#include "vandel/text_kind.h"

namespace vandel {

namespace {

// Cuts text to at most max units without splitting a surrogate pair.
std::wstring cut_units(std::wstring text, size_t max) {
    if (text.size() <= max) return text;
    text.resize(max);
    const auto last = static_cast<uint32_t>(text.back());
    if (last >= 0xD800 && last <= 0xDBFF) text.pop_back();
    return text;
}

// Returns the bytes of text in kind, at most max bytes and never a character cut in two; the
// fallback (cut likewise) when some character can't be encoded.
std::string cut_bytes(const std::wstring& text, uint32_t kind, const std::string& fallback, size_t max) {
    std::wstring t = text;
    for (;;) {
        std::string bytes = encode_or_default(t, kind, fallback);
        if (bytes.size() <= max) return bytes;
        if (bytes == fallback) return fallback.substr(0, max);
        t = cut_units(t, t.size() - 1);
    }
}

size_t find_first(const std::wstring& picture, std::initializer_list<const wchar_t*> patterns) {
    for (const wchar_t* p : patterns) {
        const size_t at = picture.find(p);
        if (at != std::wstring::npos) return at;
    }
    return std::wstring::npos;
}

int32_t date_order_of(const std::wstring& picture) {
    const size_t npos = std::wstring::npos;
    const size_t day = find_first(picture, {L"dd", L"d"});
    const size_t month = find_first(picture, {L"MMMM", L"MMM", L"MM", L"M"});
    const size_t year = find_first(picture, {L"yyyyy", L"yyyy", L"yy", L"y"});
    if (year != npos && month != npos && year < month) return 0;
    if (day != npos && month != npos && day < month) return 2;
    return 1;
}

// Fills the calendar fields of `seconds` (0 or more) counted from 1970-01-01 00:00; days to a
// civil date after H. Hinnant's algorithm.
void civil_from_seconds(int64_t seconds, civil_time& c) {
    const int64_t days = seconds / 86400;
    const int64_t rest = seconds % 86400;
    c.hour = static_cast<int32_t>(rest / 3600);
    c.minute = static_cast<int32_t>(rest / 60 % 60);
    c.second = static_cast<int32_t>(rest % 60);
    const int64_t z = days + 719468;
    const int64_t era = z / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    c.day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int32_t>(yoe + era * 400 + (c.month <= 2 ? 1 : 0));
}

void two_digits(std::string& out, int32_t n) {
    out += static_cast<char>('0' + n / 10 % 10);
    out += static_cast<char>('0' + n % 10);
}

}  // namespace

bool break_down_time(int64_t t, bool utc, civil_time& out) {
    // Both builds refuse what the Windows runtime can't break down, so they agree on every moment.
    if (t < 0 || t > last_civil_time) return false;
    int32_t offset = 0;
    if (!utc && !detail::local_utc_offset(t, offset)) return false;
    if (t + offset < 0 || t + offset > last_civil_time) return false;
    civil_from_seconds(t + offset, out);
    out.utc = utc;
    out.utc_offset = offset;
    return true;
}

std::string encode_or_default(const std::wstring& text, uint32_t kind, const std::string& fallback) {
    bool error = false;
    std::string bytes = encode_text_checked(text, error, kind == 0 ? text_kind_utf8 : kind, mode_substitute, '?');
    return error ? fallback : bytes;
}

std::wstring decode_or_default(const std::string& bytes, uint32_t kind, const std::wstring& fallback) {
    bool error = false;
    std::wstring text = decode_text_checked(bytes, error, kind == 0 ? text_kind_utf8 : kind, mode_substitute, '?');
    return error ? fallback : text;
}

locale_info make_locale_info(int32_t kind, const std::function<std::wstring(locale_item)>& query) {
    locale_info r;
    r.text_kind_ = kind;
    const auto bytes_kind = static_cast<uint32_t>(kind);

    auto store = [&](const std::wstring& text, std::wstring& wide, std::string& bytes, const char* fallback,
                     size_t max) {
        wide = cut_units(text, max);
        bytes = cut_bytes(wide, bytes_kind, fallback, max);
    };
    std::wstring language = query(locale_item::iso_language);
    if (language.empty()) language = query(locale_item::abbrev_language);
    store(language, r.language_w_, r.language_, "", 25);
    std::wstring country = query(locale_item::iso_country);
    if (country.empty()) country = query(locale_item::abbrev_country);
    store(country, r.country_w_, r.country_, "", 25);

    r.uses_24_hour_ = query(locale_item::time_format) != L"0";

    store(query(locale_item::decimal_separator), r.decimal_w_, r.decimal_, ".", 5);
    store(query(locale_item::thousand_separator), r.thousand_w_, r.thousand_, "", 5);
    store(query(locale_item::currency_symbol), r.currency_w_, r.currency_, "", 5);
    store(query(locale_item::intl_currency_symbol), r.intl_currency_w_, r.intl_currency_, "", 5);
    store(query(locale_item::date_separator), r.date_sep_w_, r.date_sep_, "/", 5);
    store(query(locale_item::time_separator), r.time_sep_w_, r.time_sep_, ":", 5);

    r.date_order_ = date_order_of(query(locale_item::short_date));
    return r;
}

std::string locale_info::civil_time_text(const civil_time& when, int style) const {
    if (style < 0 || style > 14) style = 3;
    const int form = style / 5;  // 0 the locale's, 1 ISO 8601, 2 compact
    const int place = style % 5;
    const bool has_date = place >= 2;
    const bool has_time = place != 2;
    const bool has_seconds = place == 1 || place == 4;
    const bool twelve_hour = form == 0 && !uses_24_hour_;

    std::string out;
    if (has_date) {
        const std::string sep = form == 0 ? date_sep_ : form == 1 ? "-" : "";
        std::string year;
        two_digits(year, when.year / 100);
        two_digits(year, when.year % 100);
        std::string month, day;
        two_digits(month, when.month);
        two_digits(day, when.day);
        const int order = form == 0 ? date_order_ : 0;
        if (order == 0)
            out = year + sep + month + sep + day;
        else if (order == 2)
            out = day + sep + month + sep + year;
        else
            out = month + sep + day + sep + year;
    }
    if (has_time) {
        if (has_date) out += form == 0 ? " " : form == 1 ? "T" : "";
        const std::string sep = form == 0 ? time_sep_ : form == 1 ? ":" : "";
        int32_t hour = when.hour;
        if (twelve_hour) hour = hour == 0 ? 12 : hour > 12 ? hour - 12 : hour;
        two_digits(out, hour);
        out += sep;
        two_digits(out, when.minute);
        if (has_seconds) {
            out += sep;
            two_digits(out, when.second);
        }
        if (twelve_hour) out += when.hour < 12 ? " AM" : " PM";
        // A zone belongs to a time of day; a date alone has none.
        if (form == 1) {
            if (when.utc) {
                out += "Z";
            } else {
                const int32_t off = when.utc_offset < 0 ? -when.utc_offset : when.utc_offset;
                out += when.utc_offset < 0 ? "-" : "+";
                two_digits(out, off / 3600);
                out += ":";
                two_digits(out, off / 60 % 60);
            }
        }
    }
    return out;
}

std::string locale_info::date_time_text(int64_t t, int style, bool utc) const {
    civil_time when;
    return break_down_time(t, utc, when) ? civil_time_text(when, style) : std::string();
}

std::wstring locale_info::date_time_text_w(int64_t t, int style, bool utc) const {
    return decode_or_default(date_time_text(t, style, utc), static_cast<uint32_t>(text_kind_), L"");
}

int32_t locale_info::utc_offset() {
    civil_time when;
    return break_down_time(now_s(), false, when) ? when.utc_offset : 0;
}

locale_info build_locale_info() {
    return make_locale_info(static_cast<int32_t>(system_text_kind()), locale_text);
}

const locale_info& current_locale() {
    static const locale_info record = build_locale_info();
    return record;
}

}  // namespace vandel
