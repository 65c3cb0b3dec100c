// POSIX locale queries: the user's locale from the environment through newlocale and
// nl_langinfo_l, never by changing the process's global locale; the local time through localtime_r.
#include "vandel/locale.h"
#include "vandel/os_text.h"
#include "vandel/posix/locale_formats.h"

#include <langinfo.h>
#include <locale.h>
#include <time.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace vandel {

namespace {

class user_locale {
public:
    user_locale() {
        loc_ = newlocale(LC_ALL_MASK, "", locale_t{});
        // A locale the environment names but the system lacks: the C library's own default.
        if (!loc_) loc_ = newlocale(LC_ALL_MASK, "C", locale_t{});
    }
    ~user_locale() {
        if (loc_) freelocale(loc_);
    }
    user_locale(const user_locale&) = delete;
    user_locale& operator=(const user_locale&) = delete;

    // Returns the item's bytes; empty when the locale could not be opened.
    std::string bytes(nl_item item) const {
        if (!loc_) return {};
        const char* s = nl_langinfo_l(item, loc_);
        return s ? s : "";
    }

    // Returns the item as UTF-16: decoded when the locale's bytes are UTF-8, else only when they
    // are ASCII (empty otherwise).
    std::wstring text(nl_item item) const {
        const std::string b = bytes(item);
        if (bytes(CODESET) == "UTF-8") return from_os_bytes(b);
        std::wstring w;
        for (char c : b) {
            if (static_cast<unsigned char>(c) >= 0x80) return {};
            w += static_cast<wchar_t>(c);
        }
        return w;
    }

private:
    locale_t loc_ = nullptr;
};

posix::format_texts formats(const user_locale& loc) {
    return posix::texts_of_formats(loc.text(D_FMT), loc.text(T_FMT));
}

std::wstring trimmed(std::wstring s) {
    while (!s.empty() && s.back() == L' ') s.pop_back();
    return s;
}

}  // namespace

namespace posix {

namespace {

// One piece of a strftime format: a conversion letter, or literal text (letter 0).
struct piece {
    char letter;
    std::wstring literal;
};

std::vector<piece> pieces_of(const std::wstring& format) {
    std::vector<piece> out;
    auto add = [&](const char* letters) {
        for (const char* p = letters; *p; ++p) {
            if (*p == '/' || *p == '-' || *p == ':' || *p == ' ')
                out.push_back({0, std::wstring(1, static_cast<wchar_t>(*p))});
            else
                out.push_back({*p, {}});
        }
    };
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%' || i + 1 == format.size()) {
            if (out.empty() || out.back().letter != 0) out.push_back({0, {}});
            out.back().literal += format[i];
            continue;
        }
        ++i;
        // GNU flags, a field width and the E and O modifiers change nothing we read.
        while (i + 1 < format.size() && format[i] != 0 &&
               (std::wcschr(L"-_0^#EO", format[i]) || (format[i] >= L'1' && format[i] <= L'9')))
            ++i;
        switch (format[i]) {
        case L'D': add("m/d/y"); break;
        case L'F': add("Y-m-d"); break;
        case L'T': add("H:M:S"); break;
        case L'R': add("H:M"); break;
        case L'r': add("I:M:S p"); break;
        default:
            if (static_cast<uint32_t>(format[i]) - 1 < 0x7F) add(std::string(1, static_cast<char>(format[i])).c_str());
        }
    }
    return out;
}

// The text between the first piece whose letter is in `first` and the next conversion.
std::wstring separator_after(const std::vector<piece>& pieces, const char* first) {
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].letter == 0 || !std::strchr(first, pieces[i].letter)) continue;
        return i + 1 < pieces.size() && pieces[i + 1].letter == 0 ? pieces[i + 1].literal : std::wstring();
    }
    return {};
}

// The Windows picture of a strftime date format, e.g. "%d.%m.%Y" gives "dd.MM.yyyy". Letters of
// literal text are left out so that they can't be taken for fields.
std::wstring picture_of(const std::vector<piece>& pieces) {
    std::wstring out;
    for (const piece& p : pieces) {
        switch (p.letter) {
        case 0:
            for (wchar_t c : p.literal)
                if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'))) out += c;
            break;
        case 'd': out += L"dd"; break;
        case 'e': out += L"d"; break;
        case 'm': out += L"MM"; break;
        case 'b':
        case 'h': out += L"MMM"; break;
        case 'B': out += L"MMMM"; break;
        case 'y': out += L"yy"; break;
        case 'Y':
        case 'G': out += L"yyyy"; break;
        default: break;
        }
    }
    return out;
}

}  // namespace

format_texts texts_of_formats(const std::wstring& date_format, const std::wstring& time_format) {
    const std::vector<piece> date = pieces_of(date_format);
    const std::vector<piece> time = pieces_of(time_format);
    format_texts t;
    t.short_date = picture_of(date);
    t.date_separator = separator_after(date, "deymbBhYG");
    t.time_separator = separator_after(time, "HkIl");
    for (const piece& p : time)
        if (p.letter == 'I' || p.letter == 'l') t.twelve_hour = true;
    return t;
}

}  // namespace posix

std::wstring locale_text(locale_item item) {
    const user_locale loc;
    switch (item) {
    case locale_item::iso_language: return loc.text(_NL_ADDRESS_LANG_AB);
    case locale_item::abbrev_language: return loc.text(_NL_ADDRESS_LANG_TERM);
    case locale_item::iso_country: return loc.text(_NL_ADDRESS_COUNTRY_AB2);
    case locale_item::abbrev_country: return loc.text(_NL_ADDRESS_COUNTRY_AB3);
    case locale_item::time_format: return formats(loc).twelve_hour ? L"0" : L"1";
    case locale_item::decimal_separator: return loc.text(RADIXCHAR);
    case locale_item::thousand_separator: return loc.text(THOUSEP);
    case locale_item::currency_symbol: return loc.text(CURRENCY_SYMBOL);
    case locale_item::intl_currency_symbol: return trimmed(loc.text(INT_CURR_SYMBOL));
    case locale_item::date_separator: return formats(loc).date_separator;
    case locale_item::time_separator: return formats(loc).time_separator;
    case locale_item::short_date: return formats(loc).short_date;
    }
    return {};
}

namespace detail {

bool local_utc_offset(int64_t t, int32_t& offset) {
    static const bool zone_read = (tzset(), true);  // localtime_r need not read it itself
    (void)zone_read;
    const time_t when = static_cast<time_t>(t);
    tm fields{};
    if (!localtime_r(&when, &fields)) return false;
    offset = static_cast<int32_t>(fields.tm_gmtoff);
    return true;
}

}  // namespace detail

}  // namespace vandel
