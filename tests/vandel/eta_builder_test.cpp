#include "vandel/eta_builder.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t minute = 60, hour = 3600, day = 86400, week = 604800;

TEST(EtaBuilder, BuildsAtMostTheGivenUnitsFromTheFirstNonZeroOne) {
    struct row {
        int64_t seconds;
        uint64_t max_units;
        bool empty_when_zero;
        const wchar_t* text;
    } rows[] = {
        {3725, 2, true, L"1 Hour, 2 Minutes"},
        {day + hour + minute + 1, 2, true, L"1 Day, 1 Hour"},
        {3605, 3, true, L"1 Hour, 0 Minutes, 5 Seconds"},
        {3605, 2, true, L"1 Hour"},
        {day + 5, 3, true, L"1 Day"},  // the zero units use up the limit
        {day + 5, 4, true, L"1 Day, 0 Hours, 0 Minutes, 5 Seconds"},
        {60, 2, true, L"1 Minute"},
        {2 * week, 5, true, L"2 Weeks"},
        {week + 2 * day + 3 * hour + 4 * minute + 5, 5, false, L"1 Week, 2 Days, 3 Hours, 4 Minutes, 5 Seconds"},
        {1, 2, false, L"1 Second"},
        {-65, 2, true, L"-1 Minute, 5 Seconds"},
        {0, 2, false, L"0 Seconds"},
        {0, 2, true, L""},
        {0, 0, false, L"0 Seconds"},
        {3725, 0, true, L""},
        {-3725, 0, true, L"-"},
        {INT64_MAX, 2, true, L"15250284452471 Weeks, 3 Days"},
        {INT64_MIN, 5, true, L"-15250284452471 Weeks, 3 Days, 15 Hours, 30 Minutes, 8 Seconds"},
    };
    vandel::eta_builder eta;  // one object for all rows: each build starts afresh
    for (const auto& r : rows)
        EXPECT_EQ(eta.build(r.seconds, r.max_units, r.empty_when_zero), r.text) << r.seconds << " " << r.max_units;
}

TEST(EtaBuilder, UnitWordsCanBeReplacedByIndex) {
    vandel::eta_builder eta;
    const wchar_t* words[] = {L"Woche", L"Wochen", L"Tag", L"Tage", L"Stunde",
                              L"Stunden", L"Minute", L"Minuten", L"Sekunde", L"Sekunden"};
    for (int i = 0; i < 10; ++i) eta.set_unit_word(i, words[i]);
    eta.set_unit_word(10, L"x");
    eta.set_unit_word(-1, L"x");
    EXPECT_EQ(eta.build(week + hour + 2, 3, false), L"1 Woche, 0 Tage, 1 Stunde");
    EXPECT_EQ(eta.build(2 * minute + 1, 3, false), L"2 Minuten, 1 Sekunde");
    EXPECT_EQ(eta.build(0, 2, false), L"0 Sekunden");
}

}  // namespace
