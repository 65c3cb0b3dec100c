#include "console/options.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

constexpr int day = 86400, week = 604800;

TEST(ConsoleOptions, AgesReadANumberAndAUnit) {
    struct row {
        const wchar_t* text;
        int seconds;
    } rows[] = {
        {L"2weeks", 2 * week}, {L"2 weeks", 2 * week}, {L"30-days", 30 * day}, {L"30 D", 30 * day},
        {L"1y", 31622400},     {L"3mon", 3 * 2678400}, {L"90s", 90},          {L"5 mins", 300},
        {L"12hrs", 12 * 3600}, {L"1wk", week},
        // no age
        {L"30", 0}, {L"0d", 0}, {L"days", 0}, {L"", 0}, {L"5 fortnights", 0}, {L"2017-05-01", 0}, {L"20170501", 0},
        {L"30--days", 0}, {L"-3d", -3},
        // ages beyond 32 bits are refused, not wrapped
        {L"68years", 0}, {L"3551wk", 0}, {L"2147483647s", INT_MAX}, {L"67y", 67 * 31622400},
    };
    for (const auto& r : rows) EXPECT_EQ(olvex::parse_time_span(r.text), r.seconds) << r.text;
}

TEST(ConsoleOptions, DatesInEveryFormNameTheSameDay) {
    const int64_t may_first = olvex::parse_date_time(L"2017-05-01");
    ASSERT_GT(may_first, 0);
    for (const wchar_t* same : {L"20170501", L"2017/05/01", L" 2017-05 ", L"2017005", L"2017-121", L"2017121"})
        EXPECT_EQ(olvex::parse_date_time(same), may_first) << same;
    EXPECT_EQ(olvex::parse_date_time(L"2017-045") - olvex::parse_date_time(L"2017-01-01"), 44 * day);
    EXPECT_EQ(olvex::parse_date_time(L"2017045"), olvex::parse_date_time(L"2017-02-14"));
    EXPECT_EQ(olvex::parse_date_time(L"2017-05-01t10:30") - may_first, 10 * 3600 + 30 * 60);
}

TEST(ConsoleOptions, ZonedTimesAreExactMoments) {
    struct row {
        const wchar_t* text;
        int64_t seconds;
    } rows[] = {
        {L"2017-05-01T00:00Z", 1493596800},        {L"2017-05-01T10:30:15Z", 1493596800 + 37815},
        {L"20170501T103015Z", 1493596800 + 37815}, {L"2017-05-01T10+02", 1493596800 + 8 * 3600},
        {L"2017-05-01T10:30-0530", 1493596800 + 16 * 3600}, {L"2017-05-01T1030-05:30", 1493596800 + 16 * 3600},
        {L"2016-02-29T00Z", 1456704000},           {L"2016-366T00Z", 1483142400},
        {L"1970-01-01T00:00:01Z", 1},              {L"1969-12-31T23:59:58Z", -2},
    };
    for (const auto& r : rows) EXPECT_EQ(olvex::parse_date_time(r.text), r.seconds) << r.text;
}

TEST(ConsoleOptions, RefusesImpossibleAndMalformedDates) {
    for (const wchar_t* bad : {L"2017-05-01T24:00", L"2017-02-29", L"2017-04-31", L"2017-13-01", L"2017-00-10",
                               L"2017-366", L"2017-000", L"1899-12-31", L"2017-5-012", L"2017-05-01T",
                               L"2017-05-01T10:60", L"2017-05-01T10:30:60", L"2017-05-01T10+15", L"2017-05-01T10-13",
                               L"2017-05-01T10+0560", L"2017-05-01T1", L"17-05-01", L"2017-05-1", L"+2017-05-01",
                               L"2017-05-01x", L"", L"30", L"2weeks", L"2017-05-00", L"2017-00",
                               L"2023-12-13T20:23-12:13", L"2023-12-13T20:23+14:30"})
        EXPECT_EQ(olvex::parse_date_time(bad), -1) << bad;
}

TEST(ConsoleOptions, TimeOfDayReportsItsZone) {
    int zone = -1;
    int32_t offset = 1;
    EXPECT_EQ(olvex::parse_time_of_day("103015", zone, offset), 37815);
    EXPECT_EQ(zone, olvex::zone_local);
    EXPECT_EQ(offset, 0);
    EXPECT_EQ(olvex::parse_time_of_day("10:30z", zone, offset), 37800);
    EXPECT_EQ(zone, olvex::zone_utc);
    EXPECT_EQ(olvex::parse_time_of_day("07+14", zone, offset), 7 * 3600);
    EXPECT_EQ(zone, olvex::zone_offset);
    EXPECT_EQ(offset, 14 * 3600);
    EXPECT_EQ(olvex::parse_time_of_day("07-12:00", zone, offset), 7 * 3600);
    EXPECT_EQ(offset, -12 * 3600);
    EXPECT_EQ(olvex::parse_time_of_day("10:3", zone, offset), -1);
    EXPECT_EQ(olvex::parse_time_of_day("1030Z5", zone, offset), -1);
}

// A zone offset lies within -12:00 .. +14:00 as a whole, minutes included.
TEST(ConsoleOptions, ZoneOffsetsStayWithinTheZonesThereAre) {
    const struct {
        const char* text;
        bool accepted;
        int32_t offset;
    } rows[] = {
        {"07-12:00", true, -12 * 3600},
        {"07-1200", true, -12 * 3600},
        {"07-11:59", true, -(11 * 3600 + 59 * 60)},
        {"07+14:00", true, 14 * 3600},
        {"07+13:59", true, 13 * 3600 + 59 * 60},
        {"07+05:30", true, 5 * 3600 + 30 * 60},
        {"07-12:13", false, 0},
        {"07-12:01", false, 0},
        {"07-1201", false, 0},
        {"07+14:30", false, 0},
        {"07+14:01", false, 0},
        {"07+1401", false, 0},
        {"07-13", false, 0},
        {"07+15", false, 0},
    };
    for (const auto& row : rows) {
        int zone = -1;
        int32_t offset = 1;
        const int32_t seconds = olvex::parse_time_of_day(row.text, zone, offset);
        if (!row.accepted) {
            EXPECT_EQ(seconds, -1) << row.text;
            continue;
        }
        EXPECT_EQ(seconds, 7 * 3600) << row.text;
        EXPECT_EQ(zone, olvex::zone_offset) << row.text;
        EXPECT_EQ(offset, row.offset) << row.text;
    }
}

TEST(ConsoleOptions, NumbersOfOptionValues) {
    EXPECT_EQ(olvex::parse_int_option(L"26"), 26);
    EXPECT_EQ(olvex::parse_int_option(L"0x10"), 16);
    EXPECT_EQ(olvex::parse_int_option(L"7 times"), 7);
    EXPECT_EQ(olvex::parse_int_option(L"x"), -1);
    EXPECT_EQ(olvex::parse_int_option(L"99999999999"), -1);

    EXPECT_EQ(olvex::parse_real_option(L"50", -1), 50.0);
    EXPECT_EQ(olvex::parse_real_option(L"0.5", -1), 0.5);
    EXPECT_EQ(olvex::parse_real_option(L"50.1", -1), 50.1);
    // The number at the start counts, "." always its point.
    EXPECT_EQ(olvex::parse_real_option(L"2.5%", -1), 2.5);
    EXPECT_EQ(olvex::parse_real_option(L"1,5", -1), 1.0);
    EXPECT_EQ(olvex::parse_real_option(L"1.000,5", -1), 1.0);
    for (const wchar_t* bad : {L"", L"x", L"%2", L"inf", L"1e999"})
        EXPECT_EQ(olvex::parse_real_option(bad, -1), -1) << bad;
}

TEST(ConsoleOptions, HelpListsEveryOptionButTheHiddenOne) {
    olvex::argv_user p;
    const std::wstring help = p.usage_text(L"", olvex::usage_layout_defaults());
    EXPECT_EQ(help.find(L"log-user"), std::wstring::npos);
    EXPECT_NE(help.find(L"tolerence"), std::wstring::npos);
    EXPECT_EQ(p.join_arguments({L"prog", p.option_name(olvex::opt_log_user, true)}, 1), 0);
    EXPECT_TRUE(p.is_set(olvex::opt_log_user));
    EXPECT_FALSE(p.error_code());
}

}  // namespace
