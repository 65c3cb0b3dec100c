// The free-space cleaner: on a small tmpfs the test mounts itself (Linux, as root), and with a
// stand-in volume whose free space and medium the test chooses.
#include "engine/cleaner.h"

#include "engine/scheme.h"
#include "tests/support/failing_file_stream.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using namespace olvex;
using oblivar::test::list_tree;
using oblivar::test::make_dirs;
using oblivar::test::write_bytes;

using strings = std::vector<std::wstring>;

// A medium that records the sizes asked of it and refuses them all, or takes them: small ones
// for real, large ones (gigabytes, never written in a test) only in name.
class sizing_stream : public oblivar::test::failing_file_stream {
public:
    bool set_size(int64_t size) override {
        sizes.push_back(static_cast<uint64_t>(size));
        if (refuse) return false;
        return size > (64 << 20) || failing_file_stream::set_size(size);
    }
    std::vector<uint64_t> sizes;
    bool refuse = false;
};

// A volume whose free space says what the test wants: the answers in turn, the last one after.
class stand_in_cleaner : public cleaner {
public:
    explicit stand_in_cleaner(std::unique_ptr<vandel::file_stream> stream) : cleaner(std::move(stream)) {}
    uint64_t free_space(const std::wstring&) override {
        const uint64_t v = answers.at(std::min(next, answers.size() - 1));
        ++next;
        return v;
    }
    uint64_t all_free_space(const std::wstring&) override { return held_back; }
    std::vector<uint64_t> answers;
    uint64_t held_back = 0;  // what the volume keeps back from every writer
    size_t next = 0;
};

bool is_work_folder_name(const std::wstring& name) {
    return name.size() == 14 && name.compare(0, 6, L"olvex_") == 0 &&
           std::all_of(name.begin() + 6, name.end(), [](wchar_t c) { return c >= L'a' && c <= L'z'; });
}

class cleaner_stand_in : public oblivar::test::sandbox_test {};

TEST_F(cleaner_stand_in, sizes_work_files_by_the_free_space) {
    const struct {
        std::vector<uint64_t> free;  // at the start, then now
        bool refuse;                 // no size can be allocated
        std::vector<uint64_t> sizes;
    } rows[] = {
        {{100000000000}, false, {2000003072}},                  // 2 % of the free space
        {{300 * 1024}, false, {}},  // 2 % is too small: a file that grows until the volume is full
        {{100000000000, 5000000000}, true, {2000003072, 1000001536}},  // then 20 % of what is free now
        {{1000000000000, 100000000000}, true, {20000002048, 0x7FFFF000}},  // then 2 GiB - 4 KiB
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.sizes.size());
        auto stream = std::make_unique<sizing_stream>();
        sizing_stream& medium = *stream;
        medium.refuse = r.refuse;
        stand_in_cleaner c(std::move(stream));
        c.answers = r.free;
        ASSERT_EQ(c.open(sb.root(), 0), 0);
        EXPECT_EQ(medium.sizes, r.sizes);
        EXPECT_EQ(c.state(), writer_active);
        EXPECT_EQ(c.size(), r.free[0]);
        EXPECT_EQ(c.bytes_total(), r.free[0]);
        std::wstring folder, name;
        vandel::split_path(vandel::remove_trailing_separator(c.path()), folder, name);
        EXPECT_EQ(vandel::add_trailing_separator(folder), vandel::add_trailing_separator(sb.root()));
        EXPECT_TRUE(is_work_folder_name(name)) << testing::PrintToString(name);
        c.reset();
        EXPECT_TRUE(list_tree(sb.root()).empty());
    }
}

TEST_F(cleaner_stand_in, open_needs_a_folder) {
    write_bytes(sb.path(L"file"), "x");
    cleaner c;
    EXPECT_EQ(c.open(sb.path(L"file"), 0), err_path_not_found);
    EXPECT_EQ(c.open(sb.path(L"missing"), 0), err_path_not_found);
    EXPECT_EQ(c.state(), writer_closed);
    EXPECT_EQ(c.result(), err_path_not_found);
    EXPECT_EQ(c.close(), err_invalid_state);
}

TEST_F(cleaner_stand_in, a_failing_work_file_fails_the_cleaning) {
    auto stream = std::make_unique<sizing_stream>();
    stream->fail_writes(0, INT64_MAX);  // writes fail, and not for want of space
    stand_in_cleaner c(std::move(stream));
    c.answers = {300 * 1024};
    c.held_back = 8192;
    ASSERT_EQ(c.open(sb.root(), 0), 0);
    while (c.step(false)) {
    }
    EXPECT_EQ(c.state(), writer_finished);
    EXPECT_EQ(c.result(), err_failed);
    EXPECT_EQ(c.left_over(), 0u);  // a failure is told as such, not as space out of reach
    EXPECT_EQ(c.close(), 0);
    EXPECT_EQ(c.result(), err_failed);
    EXPECT_TRUE(list_tree(sb.root()).empty());
}

TEST_F(cleaner_stand_in, bad_bytes_beyond_the_tolerance_fail_the_cleaning) {
    const struct {
        uint32_t scheme;
        bool corrupt;
        error_code code;
    } rows[] = {{0, false, err_too_many_write_errors}, {0 | verify_last, true, err_verify_failed}};
    for (const auto& r : rows) {
        auto stream = std::make_unique<sizing_stream>();
        if (r.corrupt)
            stream->corrupt_read(5000);
        else
            stream->fail_writes(8192, 12288);
        stand_in_cleaner c(std::move(stream));
        c.answers = {10 << 20};
        c.set_tolerance(0);
        ASSERT_EQ(c.open(sb.root(), r.scheme), 0);
        while (c.step(false)) {
        }
        EXPECT_EQ(c.result(), r.code);
        EXPECT_GT(r.corrupt ? c.bad_verify_bytes() : c.bad_write_bytes(), 0u);
        EXPECT_EQ(c.close(), 0);
        EXPECT_TRUE(list_tree(sb.root()).empty());
    }
}

class cleaner_on_tmpfs : public oblivar::test::sandbox_test {
protected:
    static void run(poller& p) {
        while (p.step(false)) {
        }
    }
    static uint64_t free_bytes(const std::wstring& path) {
        struct vandel::volume_info info;
        return vandel::volume_info(path, info) ? info.free_bytes : 0;
    }
};

TEST_F(cleaner_on_tmpfs, fills_the_free_space_and_leaves_nothing_behind) {
    oblivar::test::scoped_tmpfs fs(sb, sb.path(L"vol"), 4096);
    if (!fs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    write_bytes(sb.path(L"vol/kept.txt"), "kept");
    const uint64_t before = free_bytes(fs.path());
    for (uint32_t scheme : {0u, 1u | verify_last}) {
        SCOPED_TRACE(scheme);
        cleaner c;
        ASSERT_EQ(c.open(fs.path(), scheme), 0);
        EXPECT_EQ(c.size(), before);
        run(c);
        EXPECT_EQ(c.result(), 0);
        EXPECT_LT(free_bytes(fs.path()), 65536u);  // filled up to the last block
        EXPECT_EQ(c.left_over(), 0u);  // a tmpfs keeps nothing back
        EXPECT_EQ(c.bytes_done(), c.bytes_total());
        EXPECT_GE(c.bytes_done(), static_cast<uint64_t>(scheme_pass_count(scheme)) * (before - 65536));
        EXPECT_EQ(c.close(), 0);
        EXPECT_EQ(list_tree(fs.path()), strings{L"kept.txt"});
        EXPECT_EQ(free_bytes(fs.path()), before);
    }
}

TEST_F(cleaner_on_tmpfs, no_room_for_a_file_while_space_is_free_is_a_failure) {
    // Room for the root, the work folder and one work file only.
    oblivar::test::scoped_tmpfs fs(sb, sb.path(L"vol"), 4096, "nr_inodes=3");
    if (!fs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    cleaner c;
    ASSERT_EQ(c.open(fs.path(), 0), 0);
    run(c);
    EXPECT_NE(c.result(), 0);
    EXPECT_EQ(c.state(), writer_finished);
    EXPECT_EQ(c.close(), 0);
    EXPECT_NE(c.result(), 0);
    EXPECT_TRUE(list_tree(fs.path()).empty());
}

TEST_F(cleaner_on_tmpfs, a_work_file_that_cant_be_deleted_keeps_the_folder) {
    oblivar::test::scoped_tmpfs fs(sb, sb.path(L"vol"), 1024);
    if (!fs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    cleaner c;
    ASSERT_EQ(c.open(fs.path(), 0), 0);
    run(c);
    ASSERT_EQ(c.result(), 0);
    // One work file becomes a folder that is not empty: it can't be deleted as a file.
    const std::wstring work = c.path();
    std::vector<std::wstring> files;
    vandel::list_directory(work, files, vandel::list_files | vandel::list_full_paths);
    ASSERT_FALSE(files.empty());
    sb.require_inside(files[0]);
    ASSERT_TRUE(vandel::remove_path(files[0], false));
    make_dirs(files[0]);
    write_bytes(files[0] + L"/inside", "x");
    EXPECT_EQ(c.close(), err_access_denied);
    EXPECT_EQ(c.result(), err_access_denied);
    EXPECT_TRUE(vandel::is_directory(work));
}

// Another user who may write where the work folder is made puts something else under its name
// right after it is made (when its free space is read): a link to a folder on another volume, or
// a folder of their own. Free space is answered, so a fault writes one small file, never more.
class swapped_cleaner : public cleaner {
public:
    uint64_t free_space(const std::wstring& path) override {
        if (swap) {
            const std::wstring work = vandel::remove_trailing_separator(path);
            swapped = swap(work);
            swap = nullptr;
        }
        return 10 << 20;
    }
    std::function<bool(const std::wstring&)> swap;  // moves the work folder aside, puts another entry there
    bool swapped = false;
};

TEST_F(cleaner_on_tmpfs, a_work_folder_swapped_as_it_is_made_gets_nothing) {
    oblivar::test::scoped_tmpfs fs(sb, sb.path(L"vol"), 1024);
    const std::wstring volume = fs.path();
    if (!fs.mounted()) make_dirs(volume);  // the folder row needs no tmpfs
    const std::wstring outside = sb.path(L"outside");
    make_dirs(outside);
    auto aside = [](const std::wstring& work) { return vandel::move_file(work, work + L".old", false); };
    const struct {
        const char* what;
        std::function<bool(const std::wstring&)> swap;
    } rows[] = {
        {"link to another volume",
         [&](const std::wstring& work) {
             return fs.mounted() && aside(work) && oblivar::test::make_link(work, outside, true);
         }},
        {"another folder", [&](const std::wstring& work) { return aside(work) && vandel::create_directory(work); }},
    };
    std::string skipped;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        swapped_cleaner c;
        c.swap = r.swap;
        const error_code code = c.open(volume, 0);
        if (!c.swapped) {
            skipped += std::string(" ") + r.what;
            continue;
        }
        EXPECT_EQ(code, err_access_denied);
        EXPECT_EQ(c.result(), err_access_denied);
        EXPECT_NE(c.result_note(), L"");
        EXPECT_EQ(c.state(), writer_closed);
        EXPECT_FALSE(c.step(false));
        c.reset();
        EXPECT_TRUE(list_tree(outside).empty());
        // What took the name is not the cleaner's to remove; the folder it made stays aside, empty.
        const strings left = list_tree(volume);
        ASSERT_EQ(left.size(), 2u) << testing::PrintToString(left);
        for (const std::wstring& entry : left) {
            EXPECT_TRUE(is_work_folder_name(entry.substr(0, 14))) << testing::PrintToString(entry);
            const std::wstring full = volume + L"/" + vandel::remove_trailing_separator(entry);
            sb.require_inside(full);
            oblivar::test::remove_tree(full);
        }
    }
    if (!skipped.empty()) GTEST_SKIP() << "no tmpfs or no symbolic links here for:" << skipped;
}

}  // namespace
