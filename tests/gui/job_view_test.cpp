// The job window's decisions without a window: captions and pictures by job type and state,
// controls by state, the figures, speed bands, scheme words, the probe of a target list, the job
// options and the rules run when a job changes state.
#include "gui/wipe/job_view.h"

#include "gui/wipe/animator.h"
#include "gui/wipe/drive_items.h"
#include "services/settings.h"
#include "tests/gui/gui_test.h"
#include "vandel/convert.h"
#include "vandel/eta_builder.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace olvex;
using oblivar::test::load_table;
using oblivar::test::table_scope;

// Every key reads as itself ("%1" keys show their argument after it), so a test sees which key
// was chosen.
class JobView : public ::testing::Test {
protected:
    void SetUp() override {
        std::string text;
        for (const char* key :
             {"WIPER_CONFIRM_FILE_TITLE", "WIPER_CONFIRM_VOLUME_TITLE", "WIPER_CONFIRM_DEVICE_TITLE",
              "WIPER_CONFIRM_CLEAN_TITLE", "WIPER_CONFIRM_TRASH_TITLE", "WIPER_WORKING_VOLUME_TITLE",
              "WIPER_WORKING_DEVICE_TITLE", "WIPER_WORKING_CLEAN_TITLE", "WIPER_WORKING_TRASH_TITLE",
              "WIPER_ANALYZING_TOP_LAB", "WIPER_FINALIZING_TOP_LAB", "WIPER_ABORTING_TOP_LAB", "WIPER_SUCCESS_TOP_LAB",
              "WIPER_SUCCESS_DETAIL_LAB", "WIPER_PARTIAL_TOP_LAB", "WIPER_PARTIAL_DETAIL_LAB", "WIPER_FAILED_TOP_LAB",
              "WIPER_FAILED_DETAIL_LAB", "WIPER_ABORTED_TOP_LAB", "WIPER_ABORTED_DETAIL_LAB", "WIPER_CANCELLED_TOP_LAB",
              "WIPER_CANCELLED_DETAIL_LAB", "WIPER_CONFIRM_LAB",
              "WIPER_PREFIX_LOCATION", "WIPER_PREFIX_VOLUME", "WIPER_PREFIX_DEVICE", "WIPER_PREFIX_TRASH",
              "WIPER_ADMIN_UPPER", "WIPER_TAGLINE_LAB", "WIPER_ABORT_BTN", "WIPER_CLOSE_BTN", "WIPER_RESUME_BTN",
              "WIPER_PAUSE_BTN", "WIPER_RESET_BTN", "WIPER_PAUSED_TEXT", "WIPER_ANALYZING_TEXT", "MISC_DONE_TEXT",
              "MISC_FAILED_TEXT"})
            text += std::string("KEY: ") + key + "\nLANG: en\nTEXT: " + key + "\n";
        for (const char* key : {"WIPER_TITLE_TOP_LAB", "WIPER_WORKING_FILE_TITLE", "WIPER_LOC_MULTI_ITEM_LAB",
                                "MISC_FILE_TEXT", "MISC_FILES_TEXT", "MISC_DIRECTORY_TEXT", "MISC_DIRECTORIES_TEXT"})
            text += std::string("KEY: ") + key + "\nLANG: en\nTEXT: " + key + " %1\n";
        ASSERT_EQ(load_table(text), 0);
    }
    table_scope scope_;
};

job_status status_of(int32_t type) {
    job_status s;
    s.job_type = type;
    return s;
}

// ready: the go-ahead was given (or is awaited); a job aborted without it wrote nothing.
TEST_F(JobView, CaptionsAndPicturesByTypeAndState) {
    struct row {
        int32_t type, state;
        bool paused;
        const wchar_t *title, *detail, *confirm;
        int picture;
        bool ready = true;
    };
    const row rows[] = {
        {job_none, state_idle, false, L"WIPER_TITLE_TOP_LAB <b>Oblivar:</b>", L"", L"", picture_idle},
        {job_files, state_analysing, false, L"WIPER_ANALYZING_TOP_LAB", L"", L"", picture_files},
        {job_files, state_waiting, false, L"WIPER_CONFIRM_FILE_TITLE", L"", L"WIPER_CONFIRM_LAB", picture_files},
        {job_volumes, state_waiting, false, L"WIPER_CONFIRM_VOLUME_TITLE", L"", L"WIPER_CONFIRM_LAB", picture_volume},
        {job_devices, state_waiting, false, L"WIPER_CONFIRM_DEVICE_TITLE", L"", L"WIPER_CONFIRM_LAB", picture_device},
        {job_free_space, state_waiting, false, L"WIPER_CONFIRM_CLEAN_TITLE", L"", L"WIPER_CONFIRM_LAB", picture_clean},
        {job_recycler, state_waiting, false, L"WIPER_CONFIRM_TRASH_TITLE", L"", L"WIPER_CONFIRM_LAB", picture_trash},
        {job_files, state_wiping, false, L"WIPER_WORKING_FILE_TITLE 7", L"", L"", picture_files},
        {job_volumes, state_wiping, false, L"WIPER_WORKING_VOLUME_TITLE", L"", L"", picture_volume},
        {job_devices, state_wiping, true, L"WIPER_WORKING_DEVICE_TITLE", L"", L"", picture_paused},
        {job_free_space, state_wiping, false, L"WIPER_WORKING_CLEAN_TITLE", L"", L"", picture_clean},
        {job_recycler, state_wiping, false, L"WIPER_WORKING_TRASH_TITLE", L"", L"", picture_trash},
        {job_files, state_removing, false, L"WIPER_FINALIZING_TOP_LAB", L"", L"", picture_files},
        {job_volumes, state_aborting, false, L"WIPER_ABORTING_TOP_LAB", L"", L"", picture_volume},
        {job_files, state_done, false, L"WIPER_SUCCESS_TOP_LAB", L"WIPER_SUCCESS_DETAIL_LAB", L"", picture_done},
        {job_devices, state_partly_done, false, L"WIPER_PARTIAL_TOP_LAB", L"WIPER_PARTIAL_DETAIL_LAB", L"",
         picture_warning},
        {job_free_space, state_failed, false, L"WIPER_FAILED_TOP_LAB", L"WIPER_FAILED_DETAIL_LAB", L"", picture_error},
        {job_recycler, state_aborted, false, L"WIPER_ABORTED_TOP_LAB", L"WIPER_ABORTED_DETAIL_LAB", L"",
         picture_error},
        {job_volumes, state_aborted, false, L"WIPER_CANCELLED_TOP_LAB", L"WIPER_CANCELLED_DETAIL_LAB", L"",
         picture_volume, false},
        {job_files, state_aborted, false, L"WIPER_CANCELLED_TOP_LAB", L"WIPER_CANCELLED_DETAIL_LAB", L"",
         picture_files, false},
        {job_files, state_failed, false, L"WIPER_FAILED_TOP_LAB", L"WIPER_FAILED_DETAIL_LAB", L"", picture_error,
         false},
    };
    for (const row& r : rows) {
        job_view v;
        job_status s = status_of(r.type);
        s.path_count = 7;
        s.ready = r.ready;
        update_job_view(v, s, r.state, r.paused, L"title");
        SCOPED_TRACE(testing::Message() << "type " << r.type << " state " << r.state);
        EXPECT_EQ(v.title, r.title);
        EXPECT_EQ(v.detail, r.detail);
        EXPECT_EQ(v.confirm, r.confirm);
        EXPECT_EQ(v.image, r.picture);
        EXPECT_EQ(v.job_type, r.type);
    }
}

// "and more" only for more than one chosen path, however many items a chosen folder holds.
TEST_F(JobView, LocationAndStateChange) {
    job_view v;
    job_status s = status_of(job_files);
    s.path_count = 1;
    s.item_count = 40;
    EXPECT_TRUE(update_job_view(v, s, state_waiting, false, L"/a/b"));
    EXPECT_EQ(v.location, L"/a/b");
    s.path_count = 2;
    EXPECT_FALSE(update_job_view(v, s, state_waiting, false, L"/a/b"));
    EXPECT_EQ(v.location, L"WIPER_LOC_MULTI_ITEM_LAB /a/b");
    EXPECT_FALSE(update_job_view(v, s, state_waiting, false, L""));
    EXPECT_EQ(v.location, L"");
    // Other job types show the title as it is, whatever their path count.
    s.job_type = job_volumes;
    EXPECT_TRUE(update_job_view(v, s, state_wiping, false, L"/mnt/data/"));
    EXPECT_EQ(v.location, L"/mnt/data/");
}

TEST_F(JobView, PredicatesAndControlsByState) {
    struct row {
        int32_t state;
        bool paused, dialog, busy, busy_waiting, inactive, ended;
        const wchar_t *abort_close, *reset_pause, *format;
        bool reset_enabled, choices, wipe;
    };
    const row rows[] = {
        {state_idle, false, false, false, false, true, false, L"WIPER_CLOSE_BTN", L"WIPER_RESET_BTN", L"%p%", false, true,
         false},
        {state_analysing, false, false, true, true, false, false, L"WIPER_ABORT_BTN", L"WIPER_PAUSE_BTN",
         L"WIPER_ANALYZING_TEXT", true, false, false},
        {state_waiting, false, false, false, true, false, false, L"WIPER_ABORT_BTN", L"WIPER_PAUSE_BTN", L"%p%", false,
         true, true},
        {state_wiping, false, false, true, true, false, false, L"WIPER_ABORT_BTN", L"WIPER_PAUSE_BTN", L"%p%", true,
         false, false},
        {state_wiping, true, false, true, true, false, false, L"WIPER_ABORT_BTN", L"WIPER_RESUME_BTN",
         L"WIPER_PAUSED_TEXT", true, false, false},
        {state_removing, false, false, true, true, false, false, L"WIPER_ABORT_BTN", L"WIPER_PAUSE_BTN", L"%p%", true,
         false, false},
        {state_aborting, false, true, true, true, false, false, L"WIPER_ABORT_BTN", L"WIPER_PAUSE_BTN", L"%p%", true,
         false, false},
        {state_done, false, false, false, false, true, true, L"WIPER_CLOSE_BTN", L"WIPER_RESET_BTN", L"%p%", true, false,
         false},
        {state_failed, false, true, false, false, true, true, L"WIPER_CLOSE_BTN", L"WIPER_PAUSE_BTN", L"%p%", false,
         false, false},
        {state_aborted, false, false, false, false, true, true, L"WIPER_CLOSE_BTN", L"WIPER_RESET_BTN", L"%p%", true,
         false, false},
    };
    for (const row& r : rows) {
        job_view v;
        v.state = r.state;
        v.paused = r.paused;
        v.dialog_mode = r.dialog;
        SCOPED_TRACE(testing::Message() << "state " << r.state << " paused " << r.paused);
        EXPECT_EQ(v.busy(false), r.busy);
        EXPECT_EQ(v.busy(true), r.busy_waiting);
        EXPECT_EQ(v.inactive(), r.inactive);
        EXPECT_EQ(v.ended(), r.ended);
        const job_controls c = job_view_controls(v);
        EXPECT_EQ(c.abort_close_text, r.abort_close);
        EXPECT_EQ(c.reset_pause_text, r.reset_pause);
        EXPECT_EQ(c.progress_format, r.format);
        EXPECT_EQ(c.reset_pause_enabled, r.reset_enabled);
        EXPECT_EQ(c.choices_enabled, r.choices);
        EXPECT_EQ(c.wipe_enabled, r.wipe);
        EXPECT_EQ(c.animate, r.busy);
    }
}

TEST_F(JobView, LocationPrefixByTypeAndRights) {
    const std::map<int32_t, std::wstring> prefixes = {
        {job_files, L"WIPER_PREFIX_LOCATION"}, {job_volumes, L"WIPER_PREFIX_VOLUME"},
        {job_devices, L"WIPER_PREFIX_DEVICE"}, {job_free_space, L"WIPER_PREFIX_VOLUME"},
        {job_recycler, L"WIPER_PREFIX_TRASH"}};
    for (const auto& [type, prefix] : prefixes) {
        job_view v;
        v.job_type = type;
        EXPECT_EQ(job_view_controls(v).location_prefix, prefix) << type;
    }
    job_view none;
    EXPECT_EQ(job_view_controls(none).location_prefix, L"WIPER_TAGLINE_LAB");
    none.elevated = true;
    EXPECT_EQ(job_view_controls(none).location_prefix, L"WIPER_ADMIN_UPPER");
}

TEST(JobFigures, ProgressValue) {
    struct row {
        int64_t work, done;
        int32_t state, type;
        int value;
    };
    const row rows[] = {
        {1000, 950, state_wiping, job_files, 94},      {1000, 1000, state_removing, job_files, 99},
        {1000, 1000, state_wiping, job_volumes, 99},   {1000, 1000, state_done, job_files, 100},
        {1000, 1200, state_wiping, job_free_space, 99}, {1000, 1000, state_aborting, job_devices, 99},
        {1000, 900, state_wiping, job_files, 90},      {1000, 950, state_wiping, job_recycler, 94},
        {1000, 950, state_wiping, job_free_space, 95}, {0, 0, state_wiping, job_files, 0},
        {1000, 1500, state_done, job_volumes, 100},    {INT64_MAX, INT64_MAX / 2, state_wiping, job_devices, 50},
        {1000, -5, state_wiping, job_devices, 0},
    };
    for (const row& r : rows) {
        job_status s;
        s.work_bytes = r.work;
        s.done_bytes = r.done;
        EXPECT_EQ(job_progress_value(s, r.state, r.type), r.value) << r.work << " " << r.done << " " << r.state;
    }
}

TEST(JobFigures, TimeLeftAndSpeed) {
    vandel::eta_builder words;
    words.set_unit_word(4, L"hour");
    words.set_unit_word(7, L"minutes");
    EXPECT_EQ(job_time_left_text(words, state_wiping, 3900), L"1 hour, 5 minutes");
    EXPECT_EQ(job_time_left_text(words, state_wiping, 0), L"");
    EXPECT_EQ(job_time_left_text(words, state_wiping, -1), L"");
    EXPECT_EQ(job_time_left_text(words, state_removing, 3900), L"");
    EXPECT_EQ(job_time_left_text(words, state_waiting, 3900), L"");
    EXPECT_EQ(job_speed_text(-1, true), L"");
    EXPECT_EQ(job_speed_text(0, false), L"");
    EXPECT_EQ(job_speed_text(0, true), L"0 bytes / sec");  // a known speed that fell: a stall
    EXPECT_EQ(job_speed_text(1536, true), L"1.5 KB / sec");
}

// The seconds left at the rate shown, rounded up: bytes still to write never read as no time.
TEST(JobFigures, TimeLeftFromTheRate) {
    struct row {
        int32_t rate;
        int64_t work, done, seconds;
    };
    const row rows[] = {
        {100, 1000, 950, 1},  {100, 1000, 900, 1},          {100, 1000, 899, 2},  {100, 1000, 0, 10},
        {100, 1000, 1000, -1}, {100, 1000, 1200, -1},       {0, 1000, 0, -1},     {-1, 1000, 0, -1},
        {100, 1000, -5, 10},  {1, INT64_MAX, 0, INT64_MAX}, {INT32_MAX, INT64_MAX, INT64_MAX - 1, 1},
    };
    for (const row& r : rows) {
        job_status s;
        s.rate = r.rate;
        s.work_bytes = r.work;
        s.done_bytes = r.done;
        EXPECT_EQ(job_time_left(s), r.seconds) << r.rate << " " << r.work << " " << r.done;
    }
}

// The speed is known from the first rate above 0 of a wipe until it stops or pauses: a rate of 0
// before it is the first second's, one after it a stall.
TEST(JobFigures, SpeedIsKnownFromTheFirstRate) {
    struct row {
        int32_t state;
        bool paused;
        int32_t rate;
        bool known;
    };
    const row steps[] = {
        {state_waiting, false, -1, false}, {state_wiping, false, 0, false}, {state_wiping, false, 5, true},
        {state_wiping, false, 0, true},    {state_wiping, true, 0, false},  {state_wiping, false, 0, false},
        {state_wiping, false, 7, true},    {state_removing, false, -1, false}, {state_wiping, false, 0, false},
    };
    job_view v;
    int step = 0;
    for (const row& r : steps) {
        job_status s = status_of(job_files);
        s.rate = r.rate;
        update_job_view(v, s, r.state, r.paused, L"");
        EXPECT_EQ(v.speed_known, r.known) << "step " << step++;
    }
}

// Every unit counts one: the shortened texts are exact, on both path styles.
TEST(JobFigures, PathsKeepTheirNameWhole) {
    const text_width units = [](const std::wstring& text) { return static_cast<int>(text.size()); };
    const std::wstring name = L"Quarterly-payroll-summary-final-v3.xlsx";  // 39 units
    const std::wstring posix = L"/home/u/Documents/Finance/" + name;
    const std::wstring windows = L"C:\\Users\\ann\\Finance\\" + name;
    using vandel::path_style;
    struct row {
        std::wstring path;
        path_style style;
        int room;
        std::wstring shown;
    };
    const row rows[] = {
        {posix, path_style::posix, 65, posix},
        {posix, path_style::posix, 64, L"/home/u/Documents/\u2026/" + name},
        {posix, path_style::posix, 59, L"/home/u/Documents/\u2026/" + name},
        {posix, path_style::posix, 58, L"/home/u/\u2026/" + name},
        {posix, path_style::posix, 48, L"/home/\u2026/" + name},
        {posix, path_style::posix, 46, L"/\u2026/" + name},
        {posix, path_style::posix, 41, L"\u2026/" + name},
        {posix, path_style::posix, 40, name},
        {posix, path_style::posix, 39, name},
        // Only when the name alone doesn't fit is it cut, in its middle, keeping its extension.
        {posix, path_style::posix, 15, L"Quarter\u2026v3.xlsx"},
        {posix, path_style::posix, 6, L"\u2026.xlsx"},
        {posix, path_style::posix, 1, L"\u2026"},
        {windows, path_style::windows, 60, windows},
        {windows, path_style::windows, 59, L"C:\\Users\\ann\\\u2026\\" + name},
        {windows, path_style::windows, 53, L"C:\\Users\\\u2026\\" + name},
        {windows, path_style::windows, 49, L"C:\\\u2026\\" + name},
        {windows, path_style::windows, 43, L"\u2026\\" + name},
        {L"\\\\server\\share\\Reports\\2023\\q4.txt", path_style::windows, 25, L"\\\\server\\share\\\u2026\\q4.txt"},
        // A folder keeps its ending separator; on POSIX a backslash belongs to the name.
        {L"/media/ann/BACKUP/Archive/2019/", path_style::posix, 17, L"/media/\u2026/2019/"},
        {L"/home/u/notes\\2023\\plan.txt", path_style::posix, 24, L"/\u2026/notes\\2023\\plan.txt"},
        {L"statement-for-2023.pdf", path_style::posix, 12, L"state\u202623.pdf"},
    };
    for (const row& r : rows) {
        const std::wstring shown = fit_path_text(r.path, r.room, units, r.style);
        EXPECT_EQ(shown, r.shown) << vandel::to_utf8(r.path, '?') << " in " << r.room << ": "
                                  << vandel::to_utf8(shown, '?');
        EXPECT_LE(units(shown), std::max(r.room, 1));
    }
    // A character outside the BMP is two units: a cut never leaves half of one.
    const std::wstring smile = {0xD83D, 0xDE00};
    const std::wstring odd = L"/a/" + smile + smile + smile + L"x" + smile + smile + smile + L".txt";
    for (int room = 1; room <= units(odd); ++room) {
        const std::wstring shown = fit_path_text(odd, room, units, path_style::posix);
        EXPECT_LE(units(shown), std::max(room, 1));
        for (size_t i = 0; i < shown.size(); ++i) {
            const bool high = shown[i] >= 0xD800 && shown[i] <= 0xDBFF, low = shown[i] >= 0xDC00 && shown[i] <= 0xDFFF;
            EXPECT_FALSE(high && (i + 1 == shown.size() || shown[i + 1] < 0xDC00 || shown[i + 1] > 0xDFFF)) << room;
            EXPECT_FALSE(low && (i == 0 || shown[i - 1] < 0xD800 || shown[i - 1] > 0xDBFF)) << room;
        }
    }
}

// A list's words ("and more") stay whole beside its shortened path; other jobs' texts are the
// caller's to shorten.
TEST_F(JobView, LocationOfAListKeepsItsWords) {
    const text_width units = [](const std::wstring& text) { return static_cast<int>(text.size()); };
    job_view v;
    job_status s = status_of(job_files);
    s.path_count = 2;
    const std::wstring path = L"/home/u/Documents/report.pdf";
    update_job_view(v, s, state_waiting, false, path);
    const std::wstring words = L"WIPER_LOC_MULTI_ITEM_LAB ";
    ASSERT_EQ(v.location, words + path);
    EXPECT_EQ(fit_location_text(v, 60, units, vandel::path_style::posix), words + path);
    EXPECT_EQ(fit_location_text(v, 45, units, vandel::path_style::posix), words + L"/home/u/\u2026/report.pdf");
    EXPECT_EQ(fit_location_text(v, 38, units, vandel::path_style::posix), words + L"/\u2026/report.pdf");
    EXPECT_EQ(fit_location_text(v, 37, units, vandel::path_style::posix), words + L"\u2026/report.pdf");
    s.job_type = job_volumes;
    update_job_view(v, s, state_waiting, false, L"Local Drive (/media/ann/BACKUP/)");
    EXPECT_EQ(fit_location_text(v, 10, units, vandel::path_style::posix), L"");
}

TEST_F(JobView, TotalText) {
    job_status s;
    EXPECT_EQ(job_total_text(s, job_files), L"");
    s.total_bytes = 3 * 1024 * 1024 / 2;
    EXPECT_EQ(job_total_text(s, job_volumes), L"1.5 MB");
    s.pass_count = 3;
    EXPECT_EQ(job_total_text(s, job_devices), L"1.5 MB \u00D7 3");
    s.dir_count = 1;
    s.file_count = 4;
    EXPECT_EQ(job_total_text(s, job_files), L"1.5 MB \u00D7 3 (MISC_DIRECTORY_TEXT 1, MISC_FILES_TEXT 4)");
    s.dir_count = 0;
    s.file_count = 1;
    s.pass_count = 1;
    EXPECT_EQ(job_total_text(s, job_files), L"1.5 MB (MISC_FILE_TEXT 1)");
    s.dir_count = 2;
    s.file_count = 0;
    EXPECT_EQ(job_total_text(s, job_files), L"1.5 MB (MISC_DIRECTORIES_TEXT 2)");
    EXPECT_EQ(job_total_text(s, job_recycler), L"1.5 MB");
}

TEST_F(JobView, MainWindowCaptionAndTaskbar) {
    EXPECT_EQ(job_state_caption(state_wiping, L"37%"), L"37%");
    EXPECT_EQ(job_state_caption(state_removing, L"99%"), L"99%");
    EXPECT_EQ(job_state_caption(state_done, L"100%"), L"MISC_DONE_TEXT");
    EXPECT_EQ(job_state_caption(state_partly_done, L"100%"), L"MISC_DONE_TEXT");
    EXPECT_EQ(job_state_caption(state_failed, L"3%"), L"MISC_FAILED_TEXT");
    for (int32_t state : {state_idle, state_analysing, state_waiting, state_aborting, state_aborted})
        EXPECT_EQ(job_state_caption(state, L"3%"), L"") << state;
    EXPECT_EQ(job_taskbar_progress(state_partly_done, false, 80), -2);
    EXPECT_EQ(job_taskbar_progress(state_failed, true, 80), -2);
    EXPECT_EQ(job_taskbar_progress(state_wiping, true, 80), -1);
    EXPECT_EQ(job_taskbar_progress(state_wiping, false, 80), 80);
}

TEST(JobChoices, SpeedBands) {
    const std::pair<int, int> rows[] = {{100, 100}, {93, 100}, {92, 65}, {65, 65}, {58, 65}, {57, 30},
                                        {30, 30},   {1, 30},   {0, 0},   {101, 0}, {-5, 0}};
    for (const auto& [percent, band] : rows) EXPECT_EQ(speed_band(percent), band) << percent;
}

TEST(JobChoices, SchemeWords) {
    EXPECT_EQ(scheme_word_for(0, false, INT32_MIN), 0);
    EXPECT_EQ(scheme_word_for(3, true, INT32_MIN), 0x80000003);
    EXPECT_EQ(scheme_word_for(3, true, static_cast<int32_t>(0xC0000000u)), 0xC0000003);
    EXPECT_EQ(scheme_word_for(9, false, static_cast<int32_t>(0xC0000000u)), 9);
    // Stray low bits of the verification setting never change the scheme number.
    EXPECT_EQ(scheme_word_for(2, true, static_cast<int32_t>(0x4000000Fu)), 0x40000002);
    EXPECT_EQ(scheme_word_for(10, true, INT32_MIN), -1);
    EXPECT_EQ(scheme_word_for(-1, false, INT32_MIN), -1);
}

int32_t fake_probe(const std::wstring& path) { return path.empty() ? 9 : path[0] - L'0'; }

TEST(JobChoices, ProbeOfATargetList) {
    using namespace std::string_literals;
    const std::pair<std::wstring, int> rows[] = {
        {L""s, 2},           {L"0"s, 0},           {L"1"s, 1},           {L"0\0"s L"1"s, 1},
        {L"1\0"s L"0"s, 1},  {L"0\0"s L"2"s, 2},   {L"2\0"s L"1"s, 2},   {L"0\0\0"s L"0"s, 0},
    };
    for (const auto& [paths, result] : rows) EXPECT_EQ(probe_path_list(paths, &fake_probe), result) << paths.size();
    EXPECT_EQ(join_path_list({L"/a", L"/b c"}), L"/a\0/b c"s);
    EXPECT_EQ(join_path_list({}), L"");
}

TEST(JobChoices, JobOptionsFromSettings) {
    olvex::settings s;
    s.set_rename_count(5);
    s.set_abort_on_error(true);
    s.set_verbose_log(true);
    s.set_max_log_size(1234);
    const job_options o = make_job_options(s, job_free_space, 0x80000003, true, 30);
    EXPECT_EQ(o.job_type, job_free_space);
    EXPECT_EQ(o.scheme, 0x80000003u);
    EXPECT_EQ(o.rename_count, 5);
    EXPECT_EQ(o.abort_on_error, 1);
    EXPECT_EQ(o.verbose, 1);
    EXPECT_EQ(o.log_limit, 1234);
    EXPECT_EQ(o.speed, 30);  // the speed shown is the speed used
    EXPECT_EQ(o.empty_recycler, 1);
    EXPECT_EQ(o.leave_dirs, 0);
    EXPECT_EQ(o.modified_before, 0);
    EXPECT_EQ(o.simulate, 0);
    // Only a free-space job empties the bins, whatever the flag says.
    for (int32_t type : {job_files, job_volumes, job_devices, job_recycler})
        EXPECT_EQ(make_job_options(s, type, 1, true, 100).empty_recycler, 0) << type;
}

TEST(JobChoices, PickerRequests) {
    const picker_request vol = picker_request_for(job_volumes), dev = picker_request_for(job_devices),
                         free = picker_request_for(job_free_space), bins = picker_request_for(job_recycler);
    EXPECT_EQ(vol.list_type, drive_list_volumes);
    EXPECT_FALSE(vol.system_selectable);
    EXPECT_FALSE(vol.empty_trash_option);
    EXPECT_EQ(dev.list_type, drive_list_devices);
    EXPECT_FALSE(dev.system_selectable);
    EXPECT_EQ(free.list_type, drive_list_volumes);
    EXPECT_TRUE(free.system_selectable);
    EXPECT_TRUE(free.empty_trash_option);
    EXPECT_EQ(bins.list_type, drive_list_bins);
    EXPECT_TRUE(bins.system_selectable);
    EXPECT_FALSE(bins.empty_trash_option);
    for (int32_t type : std::vector<int32_t>{job_none, job_files, 6}) EXPECT_EQ(picker_request_for(type).list_type, drive_list_none);
}

TEST(JobStateChange, Rules) {
    struct row {
        int32_t state, type;
        int mode;
        bool sounds, force, dialog, auto_close, log_visible;
        int sound;
        bool shutdown, hold, close, close_log;
    };
    const row rows[] = {
        // sounds
        {state_done, job_volumes, 0, true, false, false, false, false, sound_done, false, false, false, true},
        {state_partly_done, job_files, 0, true, false, false, false, false, sound_partly_done, false, false, false, true},
        {state_failed, job_files, 0, true, false, false, false, false, sound_failed, false, false, false, true},
        {state_aborted, job_files, 0, true, false, false, false, false, sound_none, false, false, false, true},
        {state_done, job_files, 0, false, false, false, false, false, sound_none, false, false, false, true},
        // the job lock while active, including the wait for the start
        {state_waiting, job_files, 1, true, true, true, true, false, sound_none, false, true, false, false},
        {state_wiping, job_devices, 2, false, false, false, false, false, sound_none, false, true, false, false},
        {state_aborting, job_devices, 2, false, true, false, false, false, sound_none, false, true, false, false},
        // shutdown: after a done job, or any end with FORCE_SHUTDOWN
        {state_done, job_files, 1, false, false, false, false, false, sound_none, true, false, false, true},
        {state_failed, job_files, 2, false, false, false, false, false, sound_none, false, false, false, true},
        {state_failed, job_files, 2, false, true, false, false, false, sound_none, true, false, false, true},
        {state_aborted, job_files, 2, false, true, false, false, false, sound_none, true, false, false, true},
        // automatic close: done files or recycle-bin job from Explorer, log window hidden
        {state_done, job_files, 0, false, false, true, true, false, sound_none, false, false, true, true},
        {state_done, job_recycler, 0, false, false, true, true, false, sound_none, false, false, true, true},
        {state_done, job_files, 0, false, false, true, true, true, sound_none, false, false, false, true},
        {state_done, job_volumes, 0, false, false, true, true, false, sound_none, false, false, false, true},
        {state_done, job_free_space, 0, false, false, true, true, false, sound_none, false, false, false, true},
        {state_partly_done, job_files, 0, false, false, true, true, false, sound_none, false, false, false, true},
        {state_done, job_files, 0, false, false, false, true, false, sound_none, false, false, false, true},
        {state_done, job_files, 0, false, false, true, false, false, sound_none, false, false, false, true},
        {state_idle, job_none, 2, true, true, false, false, false, sound_none, false, false, false, false},
    };
    for (const row& r : rows) {
        state_change_input in;
        in.state = r.state;
        in.job_type = r.type;
        in.shutdown_mode = r.mode;
        in.sys_sounds = r.sounds;
        in.force_shutdown = r.force;
        in.dialog_mode = r.dialog;
        in.auto_close = r.auto_close;
        in.log_visible = r.log_visible;
        const state_change_actions a = state_change_rules(in);
        SCOPED_TRACE(testing::Message() << "state " << r.state << " type " << r.type << " mode " << r.mode);
        EXPECT_EQ(a.sound, r.sound);
        EXPECT_EQ(a.shutdown, r.shutdown);
        EXPECT_EQ(a.hold_lock, r.hold);
        EXPECT_EQ(a.auto_close, r.close);
        EXPECT_EQ(a.close_log, r.close_log);
    }
}

}  // namespace
