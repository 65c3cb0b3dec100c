// The volume and device writer over image files standing for devices and volumes.
#include "engine/drive_writer.h"

#include "engine/drives.h"
#include "engine/scheme.h"
#include "tests/support/image_targets.h"
#include "tests/support/sandbox.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace olvex;
using oblivar::test::image_targets;
using oblivar::test::make_dirs;
using oblivar::test::read_bytes;
using oblivar::test::write_bytes;

// Not a multiple of the 64 KiB block, nor of 4096.
constexpr size_t odd_size = 3 * 65536 + 12345;

class drive_writer_test : public oblivar::test::sandbox_test {
protected:
    image_targets t{sb};

    std::wstring image(const std::wstring& name, size_t size) { return t.image(name, size, '\x5A'); }
    std::wstring folder(const std::wstring& name) { return t.folder(name); }
    // Device 2 holds volumes a and b; volume c stands alone.
    void SetUp() override {
        t.add_device(2, {image(L"disk2.img", odd_size), L"SER-2", 512, true, true});
        t.add_volume({folder(L"a"), image(L"a.img", 8192), L"", kind_fixed, {2}, false, L"", -1});
        t.add_volume({folder(L"b"), image(L"b.img", 8192), L"", kind_fixed, {2}, false, L"", -1});
        t.add_volume({folder(L"c"), image(L"c.img", odd_size), L"", kind_fixed, {}, false, L"", -1});
    }
    std::wstring identity_of(const std::wstring& path) {
        std::wstring name, identity;
        uint64_t size = 0;
        EXPECT_EQ(probe_target(path, name, size, identity), 0) << "cannot probe the target";
        return identity;
    }
    // True when nobody holds the image (a held volume refuses an exclusive open).
    static bool free_to_open(const std::wstring& image) {
        vandel::file_stream s;
        return s.open(image, vandel::open_device | vandel::open_share_none | vandel::open_read);
    }
    static void run(poller& w) {
        while (w.step(false)) {
        }
    }
};

TEST_F(drive_writer_test, wipes_a_device_over_its_exact_length_holding_its_volumes) {
    drive_writer w;
    ASSERT_EQ(w.open_device(L"PhysicalDrive2", 0 | verify_last, identity_of(L"2")), 0);
    EXPECT_EQ(w.kind(), 2);
    EXPECT_FALSE(w.buffered());
    EXPECT_EQ(w.size(), odd_size);
    EXPECT_EQ(w.bytes_total(), 2 * odd_size);
    EXPECT_EQ(t.taken(), (std::vector<std::wstring>{folder(L"a"), folder(L"b")}));
    EXPECT_FALSE(free_to_open(sb.path(L"a.img")));
    run(w);
    EXPECT_EQ(w.result(), 0);
    EXPECT_EQ(w.bytes_done(), 2 * odd_size);
    EXPECT_EQ(w.close(), 0);
    EXPECT_EQ(read_bytes(sb.path(L"disk2.img")), std::string(odd_size, '\0'));
    // The volumes stay held until the writer is reset, as the engine does when the item ends.
    EXPECT_FALSE(free_to_open(sb.path(L"b.img")));
    w.reset();
    EXPECT_TRUE(free_to_open(sb.path(L"a.img")));
    EXPECT_TRUE(free_to_open(sb.path(L"b.img")));
}

TEST_F(drive_writer_test, wipes_a_volume_over_its_exact_length) {
    drive_writer w;
    ASSERT_EQ(w.open_volume(sb.path(L"c/some/file"), 3, identity_of(sb.path(L"c"))), 0);
    EXPECT_EQ(t.taken(), (std::vector<std::wstring>{folder(L"c")}));
    EXPECT_EQ(w.bytes_total(), 3 * odd_size);
    run(w);
    EXPECT_EQ(w.result(), 0);
    EXPECT_EQ(w.close(), 0);
    const std::string after = read_bytes(sb.path(L"c.img"));
    EXPECT_EQ(after.size(), odd_size);
    EXPECT_EQ(after.find(std::string(64, '\x5A')), std::string::npos);
}

TEST_F(drive_writer_test, a_device_without_volumes_holds_nothing) {
    t.add_device(5, {image(L"disk5.img", 4096), L"", 512, true, true});
    drive_writer w;
    ASSERT_EQ(w.open_device(L"5", 0, identity_of(L"5")), 0);
    EXPECT_TRUE(t.taken().empty());
    run(w);
    EXPECT_EQ(w.result(), 0);
}

TEST_F(drive_writer_test, refuses_before_writing_anything) {
    const std::wstring device = identity_of(L"2");
    const std::wstring volume = identity_of(sb.path(L"c"));
    t.add_volume({folder(L"raw-less"), L"", L"", kind_fixed, {}, false, L"", -1});
    image(L"other.img", odd_size);
    const struct {
        const char* name;
        std::function<void()> arrange;
        std::function<error_code(drive_writer&)> open;
        error_code code;
    } rows[] = {
        {"the system's device", [&] { t.set_system_devices(std::vector<int32_t>{2}); },
         [&](drive_writer& w) { return w.open_device(L"2", 0, device); }, err_access_denied},
        {"system devices unknown", [&] { t.set_system_devices(std::nullopt); },
         [&](drive_writer& w) { return w.open_device(L"2", 0, device); }, err_access_denied},
        {"a volume of the system's device", [&] { t.set_system_volume(folder(L"b")); },
         [&](drive_writer& w) { return w.open_device(L"2", 0, device); }, err_access_denied},
        {"another medium under the number", [&] { t.swap_device_image(2, sb.path(L"other.img")); },
         [&](drive_writer& w) { return w.open_device(L"2", 0, device); }, err_access_denied},
        {"no identity from the analysis", [] {}, [&](drive_writer& w) { return w.open_device(L"2", 0, L""); },
         err_invalid_input},
        {"no such device", [] {}, [&](drive_writer& w) { return w.open_device(L"PhysicalDrive9", 0, device); },
         err_invalid_input},
        {"the system's volume", [&] { t.set_system_volume(folder(L"c")); },
         [&](drive_writer& w) { return w.open_volume(sb.path(L"c"), 0, volume); }, err_access_denied},
        {"system volume unknown", [&] { t.set_system_volume(L""); },
         [&](drive_writer& w) { return w.open_volume(sb.path(L"c"), 0, volume); }, err_access_denied},
        {"a volume the analysis did not see", [] {},
         [&](drive_writer& w) { return w.open_volume(sb.path(L"c"), 0, device); }, err_access_denied},
        {"on no volume", [] {}, [&](drive_writer& w) { return w.open_volume(sb.path(L"elsewhere"), 0, volume); },
         err_invalid_input},
        {"a volume that opens no raw", [] {},
         [&](drive_writer& w) { return w.open_volume(sb.path(L"raw-less"), 0, volume); }, err_invalid_input},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        r.arrange();
        drive_writer w;
        EXPECT_EQ(r.open(w), r.code);
        EXPECT_EQ(w.result(), r.code);
        EXPECT_EQ(w.state(), writer_closed);
        EXPECT_FALSE(w.step(false));
        EXPECT_TRUE(t.taken().empty());
        // Undo the arrangement for the next row.
        t.set_system_devices(std::vector<int32_t>{});
        t.set_system_volume(L"<system>");
        t.swap_device_image(2, sb.path(L"disk2.img"));
    }
    EXPECT_EQ(read_bytes(sb.path(L"disk2.img")), std::string(odd_size, '\x5A'));
    EXPECT_EQ(read_bytes(sb.path(L"c.img")), std::string(odd_size, '\x5A'));
}

TEST_F(drive_writer_test, a_volume_that_cant_be_taken_releases_everything) {
    t.add_device(6, {image(L"disk6.img", 8192), L"", 512, true, true});
    t.add_volume({folder(L"d"), image(L"d.img", 4096), L"", kind_fixed, {6}, false, L"", -1});
    t.add_volume({folder(L"e"), image(L"e.img", 4096), L"", kind_fixed, {6}, true, L"", -1});
    drive_writer w;
    EXPECT_EQ(w.open_device(L"6", 0, identity_of(L"6")), err_access_denied);
    EXPECT_EQ(w.result(), err_access_denied);
    EXPECT_EQ(w.state(), writer_closed);
    EXPECT_EQ(t.taken(), (std::vector<std::wstring>{folder(L"d")}));
    EXPECT_TRUE(free_to_open(sb.path(L"d.img")));
    EXPECT_TRUE(free_to_open(sb.path(L"disk6.img")));
    EXPECT_EQ(read_bytes(sb.path(L"disk6.img")), std::string(8192, '\x5A'));

    t.add_volume({folder(L"f"), image(L"f.img", 4096), L"", kind_fixed, {}, true, L"", -1});
    EXPECT_EQ(w.open_volume(sb.path(L"f"), 0, identity_of(sb.path(L"f"))), err_access_denied);
    EXPECT_TRUE(free_to_open(sb.path(L"f.img")));
}

TEST_F(drive_writer_test, open_on_an_active_writer_changes_nothing) {
    drive_writer w;
    ASSERT_EQ(w.open_volume(sb.path(L"c"), 0, identity_of(sb.path(L"c"))), 0);
    EXPECT_EQ(w.open_device(L"2", 0, identity_of(L"2")), err_invalid_state);
    EXPECT_EQ(w.open_volume(sb.path(L"c"), 0, identity_of(sb.path(L"c"))), err_invalid_state);
    EXPECT_EQ(w.state(), writer_active);
    EXPECT_EQ(w.result(), 0);
}

// The machine's own provider, through paths that open nothing.
TEST(drive_writer_system, refuses_what_names_no_raw_target) {
    drive_writer w;
    EXPECT_EQ(w.open_device(L"PhysicalDrive17", 0, L"x"), err_invalid_input);
    // A network share (Windows), a kernel tree (Linux): no volume that opens raw.
    const bool windows = vandel::path_style::native == vandel::path_style::windows;
    EXPECT_EQ(w.open_volume(windows ? L"\\\\server\\share\\dir" : L"/proc/self", 0, L"x"), err_invalid_input);
    EXPECT_EQ(w.result(), err_invalid_input);
}

}  // namespace
