#include "vandel/locale.h"
#include "tests/support/manual_clock.h"

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

constexpr int64_t moment = 1796825107;  // 2026-12-09 14:05:07 UTC

vandel::locale_info us_record() {
    return vandel::make_locale_info(1, texts({{locale_item::short_date, L"M/d/yyyy"},
                                              {locale_item::date_separator, L"/"},
                                              {locale_item::time_separator, L":"},
                                              {locale_item::time_format, L"0"}}));
}

vandel::locale_info german_record() {
    return vandel::make_locale_info(1, texts({{locale_item::short_date, L"dd.MM.yyyy"},
                                              {locale_item::date_separator, L"."},
                                              {locale_item::time_separator, L":"},
                                              {locale_item::time_format, L"1"}}));
}

TEST(DateTimeText, EveryStyleInUtc) {
    const auto us = us_record();
    const auto de = german_record();
    struct row {
        int style;
        const char* us;
        const char* de;
    } rows[] = {
        {0, "02:05 PM", "14:05"},
        {1, "02:05:07 PM", "14:05:07"},
        {2, "12/09/2026", "09.12.2026"},
        {3, "12/09/2026 02:05 PM", "09.12.2026 14:05"},
        {4, "12/09/2026 02:05:07 PM", "09.12.2026 14:05:07"},
        {5, "14:05Z", "14:05Z"},
        {6, "14:05:07Z", "14:05:07Z"},
        {7, "2026-12-09", "2026-12-09"},  // no zone after a date alone
        {8, "2026-12-09T14:05Z", "2026-12-09T14:05Z"},
        {9, "2026-12-09T14:05:07Z", "2026-12-09T14:05:07Z"},
        {10, "1405", "1405"},
        {11, "140507", "140507"},
        {12, "20261209", "20261209"},
        {13, "202612091405", "202612091405"},
        {14, "20261209140507", "20261209140507"},
        {15, "12/09/2026 02:05 PM", "09.12.2026 14:05"},
        {-1, "12/09/2026 02:05 PM", "09.12.2026 14:05"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(us.date_time_text(moment, r.style, true), r.us) << r.style;
        EXPECT_EQ(de.date_time_text(moment, r.style, true), r.de) << r.style;
    }
    auto ymd = vandel::make_locale_info(1, texts({{locale_item::short_date, L"yyyy-MM-dd"},
                                                  {locale_item::date_separator, L"-"},
                                                  {locale_item::time_separator, L"."}}));
    EXPECT_EQ(ymd.date_time_text(moment, 4, true), "2026-12-09 14.05.07");
}

TEST(DateTimeText, TwelveHourClockAroundMidnightAndNoon) {
    const auto us = us_record();
    const int64_t midnight = moment - (14 * 3600 + 5 * 60 + 7);
    struct row {
        int64_t t;
        const char* text;
    } rows[] = {
        {midnight, "12:00 AM"},
        {midnight + 59 * 60, "12:59 AM"},
        {midnight + 3600, "01:00 AM"},
        {midnight + 11 * 3600 + 59 * 60, "11:59 AM"},
        {midnight + 12 * 3600, "12:00 PM"},
        {midnight + 13 * 3600, "01:00 PM"},
        {midnight + 23 * 3600 + 59 * 60, "11:59 PM"},
    };
    for (const auto& r : rows) EXPECT_EQ(us.date_time_text(r.t, 0, true), r.text);
}

TEST(DateTimeText, IsoFormWritesTheOffsetOfTheMoment) {
    const auto rec = german_record();
    vandel::civil_time when;
    when.year = 2026, when.month = 7, when.day = 1, when.hour = 8, when.minute = 30, when.second = 0;
    when.utc = false;
    struct row {
        int32_t offset;
        const char* text;
    } rows[] = {
        {3600, "2026-07-01T08:30:00+01:00"},
        {-5 * 3600, "2026-07-01T08:30:00-05:00"},
        {0, "2026-07-01T08:30:00+00:00"},
        {5 * 3600 + 45 * 60, "2026-07-01T08:30:00+05:45"},
        {-(3 * 3600 + 30 * 60), "2026-07-01T08:30:00-03:30"},
        {14 * 3600, "2026-07-01T08:30:00+14:00"},
    };
    for (const auto& r : rows) {
        when.utc_offset = r.offset;
        EXPECT_EQ(rec.civil_time_text(when, 9), r.text);
    }
    when.utc_offset = 3600;
    EXPECT_EQ(rec.civil_time_text(when, 7), "2026-07-01");
    EXPECT_EQ(rec.civil_time_text(when, 5), "08:30+01:00");
}

TEST(DateTimeText, MomentsOutsideTheCalendarGiveNoText) {
    const auto rec = german_record();
    for (int64_t t : {int64_t{-1}, int64_t{-86400}, INT64_MIN, vandel::last_civil_time + 1, INT64_MAX}) {
        EXPECT_EQ(rec.date_time_text(t, 9, true), "") << t;
        EXPECT_EQ(rec.date_time_text(t, 9, false), "") << t;
        EXPECT_EQ(rec.date_time_text_w(t, 4, true), L"") << t;
    }
    EXPECT_EQ(rec.date_time_text(0, 14, true), "19700101000000");
    EXPECT_EQ(rec.date_time_text(vandel::last_civil_time, 14, true), "30001231235959");
    EXPECT_EQ(rec.date_time_text(951782400, 12, true), "20000229");  // a leap day of a century
}

TEST(DateTimeText, WideFormDecodesTheRecordsSeparators) {
    const std::wstring dot(1, 0x2E31);  // word separator middle dot, not in any 8-bit code page
    auto rec = vandel::make_locale_info(1, texts({{locale_item::short_date, L"dd.MM.yyyy"},
                                                  {locale_item::date_separator, dot},
                                                  {locale_item::time_separator, L"h"}}));
    EXPECT_EQ(rec.date_time_text_w(moment, 4, true),
              L"09" + dot + L"12" + dot + L"2026 14h05h07");
    auto latin = vandel::make_locale_info(16, texts({{locale_item::short_date, L"dd.MM.yyyy"},
                                                     {locale_item::date_separator, dot}}));
    EXPECT_EQ(latin.date_time_text_w(moment, 2, true), L"09/12/2026");
}

// Both builds read the zone from TZ once per process, so each test sets it before its first local
// time (each test runs in a process of its own).
class LocalTime : public testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_) saved_ = old;
        set_tz("EST5EDT");
        // A runtime that ignores TZ leaves the machine's zone; nothing here can be shown then.
        vandel::civil_time winter;
        if (!vandel::break_down_time(moment, false, winter) || winter.utc_offset != -5 * 3600)
            GTEST_SKIP() << "this runtime does not take its time zone from TZ";
    }
    void TearDown() override {
        if (had_)
            set_tz(saved_.c_str());
        else
            set_tz(nullptr);
    }
    static void set_tz(const char* value) {
#ifdef _WIN32
        _putenv_s("TZ", value ? value : "");
#else
        if (value)
            setenv("TZ", value, 1);
        else
            unsetenv("TZ");
#endif
    }

private:
    bool had_ = false;
    std::string saved_;
};

TEST_F(LocalTime, EachMomentShowsItsOwnOffset) {
    const auto rec = german_record();
    const int64_t summer = 1782907200;  // 2026-07-01 12:00 UTC
    EXPECT_EQ(rec.date_time_text(moment, 9, false), "2026-12-09T09:05:07-05:00");
    EXPECT_EQ(rec.date_time_text(summer, 9, false), "2026-07-01T08:00:00-04:00");
    EXPECT_EQ(rec.date_time_text(summer, 4, false), "01.07.2026 08:00:00");
    EXPECT_EQ(rec.date_time_text(summer, 14, false), "20260701080000");
    // The Unix epoch is still 1969 in New York.
    EXPECT_EQ(rec.date_time_text(0, 9, false), "");
    EXPECT_EQ(rec.date_time_text(0, 9, true), "1970-01-01T00:00:00Z");
}

TEST_F(LocalTime, UtcOffsetIsThatOfTheClocksNow) {
    {
        oblivar::test::manual_clock clock(moment * 1000);
        EXPECT_EQ(vandel::locale_info::utc_offset(), -5 * 3600);
    }
    oblivar::test::manual_clock clock(int64_t{1782907200} * 1000);
    EXPECT_EQ(vandel::locale_info::utc_offset(), -4 * 3600);
}

}  // namespace
