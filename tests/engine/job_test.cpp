#include "engine/job.h"
#include "tests/support/throws.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using oblivar::test::throws;

TEST(JobModel, TypeTexts) {
    const struct { int32_t type; const wchar_t* text; } rows[] = {
        {0, L""}, {1, L"Wipe File Data"}, {2, L"Wipe Volume(s)"}, {3, L"Wipe Device(s)"},
        {4, L"Clean Free Space"}, {5, L"Wipe Recycler"}, {6, L""}, {-1, L""},
    };
    for (const auto& r : rows) EXPECT_EQ(olvex::job_type_text(r.type), r.text) << r.type;
}

TEST(JobModel, ErrorTextsOnlyForSingleListedCodes) {
    const struct { int32_t code; const wchar_t* text; } rows[] = {
        {0, L"OK"},
        {0x1, L"Busy error"},
        {0x2, L"Invalid state"},
        {0x4, L"Invalid input parameter(s)"},
        {0x8, L"Path not found"},
        {0x10, L"Directory not empty"},
        {0x20, L"Access denied"},
        {0x40, L"Verification of wipe failed"},
        {0x80, L"Bad write i/o"},
        {0x100, L"Too many write io errors"},
        {0x200, L"Not available"},
        {0x400, L"Operation was aborted by the user"},
        {0x800, L"Administration rights required"},
        {0x1000, L"Failed to rename file with random name"},
        {0x2000, L"Failed to remove ADS (alternate data stream)"},
        {0x8000, L"Operation failed"},
        {0x30, L""},
        {0x4000, L""},
        {0x10000, L""},
        {-1, L""},
    };
    for (const auto& r : rows) EXPECT_EQ(olvex::error_text(r.code), r.text) << std::hex << r.code;
}

TEST(JobModel, WarningTexts) {
    const struct { uint32_t code; const wchar_t* text; } rows[] = {
        {0, L"None"},
        {1, L"Some files have the read-only attribute. These will be removed"},
        {2, L"Some paths are symbolic links. Only the links will be removed"},
        {4, L"Not all items can be fully wiped"},
        {8, L"No items meet the input specification. Nothing will be wiped"},
        {3, L"There are multiple warnings."},
        {16, L"There are multiple warnings."},
    };
    for (const auto& r : rows) EXPECT_EQ(olvex::warning_text(r.code), r.text) << r.code;
}

TEST(JobModel, RoundUp) {
    EXPECT_EQ(olvex::round_up(0, 4096), 4096u);
    EXPECT_EQ(olvex::round_up(1, 4096), 4096u);
    EXPECT_EQ(olvex::round_up(4096, 4096), 4096u);
    EXPECT_EQ(olvex::round_up(4097, 4096), 8192u);
    EXPECT_EQ(olvex::round_up(UINT64_MAX - 4095, 4096), UINT64_MAX - 4095);
    EXPECT_TRUE(throws<std::length_error>([] { olvex::round_up(UINT64_MAX - 4094, 4096); }, "invalid size"));
    EXPECT_TRUE(throws<std::invalid_argument>([] { olvex::round_up(1, 0); }, "invalid argument"));
}

TEST(JobModel, Defaults) {
    olvex::job_options o;
    EXPECT_EQ(o.job_type, 0);
    EXPECT_EQ(o.scheme, 1u);
    EXPECT_EQ(o.tolerance, 1.0);
    EXPECT_EQ(o.rename_count, 3);
    EXPECT_EQ(o.speed, 100);
    EXPECT_EQ(o.log_limit, 25000);
    EXPECT_EQ(o.log_user, 1);
    EXPECT_EQ(o.simulate + o.abort_on_error + o.empty_recycler + o.leave_dirs + o.verbose, 0);
    EXPECT_EQ(o.modified_before, 0);

    olvex::job_status s;
    EXPECT_EQ(s.pass_count, 1);
    EXPECT_EQ(s.eta_seconds, -1);
    EXPECT_EQ(s.rate, -1);
    EXPECT_EQ(s.average_rate, -1);
    EXPECT_EQ(s.state, 0);
    EXPECT_FALSE(s.ready);
    EXPECT_EQ(s.total_bytes + s.done_bytes + s.work_bytes + s.item_count, 0);
}

TEST(JobModel, ActiveStates) {
    for (int32_t s = 0; s <= 9; ++s) EXPECT_EQ(olvex::is_active_state(s), s >= 1 && s <= 5) << s;
}

}  // namespace
