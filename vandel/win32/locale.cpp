// Win32 locale queries: GetLocaleInfoW for the user's default locale; the local time through the C runtime.
#include "vandel/locale.h"
#include "vandel/win32/windows.h"

#include <time.h>

namespace vandel {

namespace {

LCTYPE lctype_of(locale_item item) {
    switch (item) {
    case locale_item::iso_language: return LOCALE_SISO639LANGNAME;
    case locale_item::abbrev_language: return LOCALE_SABBREVLANGNAME;
    case locale_item::iso_country: return LOCALE_SISO3166CTRYNAME;
    case locale_item::abbrev_country: return LOCALE_SABBREVCTRYNAME;
    case locale_item::time_format: return LOCALE_ITIME;
    case locale_item::decimal_separator: return LOCALE_SDECIMAL;
    case locale_item::thousand_separator: return LOCALE_STHOUSAND;
    case locale_item::currency_symbol: return LOCALE_SCURRENCY;
    case locale_item::intl_currency_symbol: return LOCALE_SINTLSYMBOL;
    case locale_item::date_separator: return LOCALE_SDATE;
    case locale_item::time_separator: return LOCALE_STIME;
    case locale_item::short_date: return LOCALE_SSHORTDATE;
    }
    return 0;
}

}  // namespace

std::wstring locale_text(locale_item item) {
    const LCTYPE type = lctype_of(item);
    const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, nullptr, 0);
    if (n <= 1) return {};
    std::wstring text(static_cast<size_t>(n), L'\0');
    const int got = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text.data(), n);
    if (got <= 1) return {};
    text.resize(static_cast<size_t>(got) - 1);
    return text;
}

namespace detail {

bool local_utc_offset(int64_t t, int32_t& offset) {
    __time64_t when = t;
    tm fields{};
    if (_localtime64_s(&fields, &when) != 0) return false;
    // The local fields read as if they were UTC: the local clock's lead over UTC.
    const __time64_t local = _mkgmtime64(&fields);
    if (local == -1) return false;
    offset = static_cast<int32_t>(local - t);
    return true;
}

}  // namespace detail

}  // namespace vandel
