#include "vandel/locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#ifndef _WIN32
#include "vandel/posix/locale_formats.h"
#endif

namespace {

using vandel::locale_item;

// A locale given item by item; items left out are empty, as a failed query is.
std::function<std::wstring(locale_item)> texts(std::map<locale_item, std::wstring> items) {
    return [items](locale_item i) {
        auto it = items.find(i);
        return it == items.end() ? std::wstring() : it->second;
    };
}

TEST(LocaleRecord, DateOrderComesFromTheShortDatePicture) {
    struct row {
        const wchar_t* picture;
        int32_t order;
    } rows[] = {
        {L"d/M/yyyy", 2}, {L"yyyy-MM-dd", 0}, {L"M/d/yyyy", 1}, {L"dd.MM.yy", 2},
        {L"yy/MM/dd", 0}, {L"MMMM d, yyyy", 1}, {L"", 1},        {L"dd yyyy", 1},
    };
    for (const auto& r : rows) {
        auto rec = vandel::make_locale_info(1, texts({{locale_item::short_date, r.picture}}));
        EXPECT_EQ(rec.date_order(), r.order) << testing::PrintToString(std::wstring(r.picture));
    }
}

TEST(LocaleRecord, TextsFallBackAndAreCutToTheirFields) {
    auto rec = vandel::make_locale_info(
        1, texts({{locale_item::abbrev_language, L"DEU"},
                  {locale_item::iso_country, L"DE"},
                  {locale_item::abbrev_country, L"DEU"},
                  {locale_item::time_format, L"0"},
                  {locale_item::decimal_separator, L","},
                  {locale_item::thousand_separator, L"."},
                  {locale_item::intl_currency_symbol, L"EUR123456"}}));
    EXPECT_EQ(rec.language(), L"DEU");  // the ISO name was empty
    EXPECT_EQ(rec.country(), L"DE");
    EXPECT_FALSE(rec.uses_24_hour());
    EXPECT_EQ(rec.decimal_separator(), ",");
    EXPECT_EQ(rec.decimal_separator_w(), L",");
    EXPECT_EQ(rec.thousand_separator(), ".");
    EXPECT_EQ(rec.intl_currency_symbol(), "EUR12");
    EXPECT_EQ(rec.date_separator(), "");  // empty stays empty; the fall-back is for unencodable text

    // Windows-1252 holds no Cyrillic and no Arabic decimal separator: the 8-bit copies fall back
    // as a whole, the UTF-16 copies keep the text.
    const std::wstring zhe(1, 0x416), arabic_point(1, 0x66B), rub = {0x440, 0x443, 0x431, L'.'};
    auto items = texts({{locale_item::date_separator, zhe + L"-"},
                        {locale_item::decimal_separator, arabic_point},
                        {locale_item::thousand_separator, zhe},
                        {locale_item::currency_symbol, rub}});
    auto cp1252 = vandel::make_locale_info(16, items);
    EXPECT_EQ(cp1252.date_separator(), "/");
    EXPECT_EQ(cp1252.decimal_separator(), ".");
    EXPECT_EQ(cp1252.decimal_separator_w(), arabic_point);
    EXPECT_EQ(cp1252.thousand_separator(), "");
    EXPECT_EQ(cp1252.thousand_separator_w(), zhe);
    // Kind 0 (a code page with no kind of its own) stores UTF-8, cut to 5 bytes between characters.
    auto utf8 = vandel::make_locale_info(0, items);
    EXPECT_EQ(utf8.date_separator(), "\xD0\x96-");
    EXPECT_EQ(utf8.currency_symbol(), "\xD1\x80\xD1\x83");

    for (const wchar_t* itime : {L"1", L"", L"00"})
        EXPECT_TRUE(vandel::make_locale_info(1, texts({{locale_item::time_format, itime}})).uses_24_hour());
}

#ifndef _WIN32
TEST(LocaleRecord, PosixReadsStrftimeFormats) {
    struct row {
        const wchar_t* date_format;
        const wchar_t* time_format;
        const wchar_t* picture;
        const wchar_t* date_sep;
        const wchar_t* time_sep;
        bool twelve_hour;
    } rows[] = {
        {L"%m/%d/%y", L"%H:%M:%S", L"MM/dd/yy", L"/", L":", false},  // C
        {L"%m/%d/%Y", L"%r", L"MM/dd/yyyy", L"/", L":", true},       // en_US
        {L"%d.%m.%Y", L"%T", L"dd.MM.yyyy", L".", L":", false},      // de_DE
        {L"%Y-%m-%d", L"%H.%M.%S", L"yyyy-MM-dd", L"-", L".", false},
        {L"%F", L"%l:%M:%S %p", L"yyyy-MM-dd", L"-", L":", true},
        {L"%-d. %-m. %Y", L"%Hh%M", L"dd. MM. yyyy", L". ", L"h", false},
        {L"%e de %B de %Y", L"%R", L"d  MMMM  yyyy", L" de ", L":", false},
    };
    for (const auto& r : rows) {
        auto t = vandel::posix::texts_of_formats(r.date_format, r.time_format);
        EXPECT_EQ(t.short_date, r.picture) << testing::PrintToString(std::wstring(r.date_format));
        EXPECT_EQ(t.date_separator, r.date_sep);
        EXPECT_EQ(t.time_separator, r.time_sep);
        EXPECT_EQ(t.twelve_hour, r.twelve_hour);
    }
}

TEST(LocaleRecord, PosixTakesTheUsersLocaleFromTheEnvironment) {
    const char* old = std::getenv("LC_ALL");
    std::string saved = old ? old : "";
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(vandel::locale_text(locale_item::decimal_separator), L".");
    EXPECT_EQ(vandel::locale_text(locale_item::thousand_separator), L"");
    EXPECT_EQ(vandel::locale_text(locale_item::short_date), L"MM/dd/yy");
    EXPECT_EQ(vandel::locale_text(locale_item::time_format), L"1");
    // A locale the system lacks reads as the C library's default rather than as nothing.
    setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
    EXPECT_EQ(vandel::locale_text(locale_item::date_separator), L"/");
    if (old)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
}
#endif

TEST(LocaleRecord, TheUsersRecordIsComplete) {
    const vandel::locale_info& rec = vandel::current_locale();
    EXPECT_EQ(&rec, &vandel::current_locale());
    EXPECT_FALSE(rec.decimal_separator_w().empty());
    EXPECT_FALSE(rec.date_separator().empty());
    EXPECT_FALSE(rec.time_separator().empty());
    EXPECT_GE(rec.date_order(), 0);
    EXPECT_LE(rec.date_order(), 2);
}

}  // namespace
