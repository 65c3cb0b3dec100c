#include "vandel/locale.h"

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

}  // namespace

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

    auto store = [&](locale_item item, std::wstring& wide, std::string& bytes, const char* fallback, size_t max) {
        wide = cut_units(query(item), max);
        bytes = cut_bytes(wide, bytes_kind, fallback, max);
    };
    auto store_text = [&](const std::wstring& text, std::wstring& wide, std::string& bytes) {
        wide = cut_units(text, 25);
        bytes = cut_bytes(wide, bytes_kind, "", 25);
    };

    std::wstring language = query(locale_item::iso_language);
    if (language.empty()) language = query(locale_item::abbrev_language);
    store_text(language, r.language_w_, r.language_);
    std::wstring country = query(locale_item::iso_country);
    if (country.empty()) country = query(locale_item::abbrev_country);
    store_text(country, r.country_w_, r.country_);

    r.uses_24_hour_ = query(locale_item::time_format) != L"0";

    store(locale_item::decimal_separator, r.decimal_w_, r.decimal_, ".", 5);
    store(locale_item::thousand_separator, r.thousand_w_, r.thousand_, "", 5);
    store(locale_item::currency_symbol, r.currency_w_, r.currency_, "", 5);
    store(locale_item::intl_currency_symbol, r.intl_currency_w_, r.intl_currency_, "", 5);
    store(locale_item::date_separator, r.date_sep_w_, r.date_sep_, "/", 5);
    store(locale_item::time_separator, r.time_sep_w_, r.time_sep_, ":", 5);

    r.date_order_ = date_order_of(query(locale_item::short_date));
    return r;
}

locale_info build_locale_info() {
    return make_locale_info(static_cast<int32_t>(system_text_kind()), locale_text);
}

const locale_info& current_locale() {
    static const locale_info record = build_locale_info();
    return record;
}

}  // namespace vandel
