// File-system operations on the sandbox: kinds, information, listing, moving, attributes,
// deleting trees without leaving them, and (Linux) names the system gave us travelling back.
#include "vandel/files.h"

#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/os_text.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "vandel/posix/system_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

using namespace oblivar::test;

const wchar_t sep = native_separator();

class Files : public sandbox_test {};

TEST_F(Files, KindsAndInformation) {
    write_bytes(sb.path(L"f.bin"), "12345");
    make_dirs(sb.path(L"d"));
    EXPECT_EQ(vandel::path_kind(sb.path(L"f.bin")), vandel::kind_file);
    EXPECT_EQ(vandel::path_kind(sb.path(L"d")), vandel::kind_folder);
    EXPECT_EQ(vandel::path_kind(sb.path(L"d") + sep), vandel::kind_folder);
    EXPECT_EQ(vandel::path_kind(sb.path(L"missing")), vandel::kind_missing);
    EXPECT_TRUE(vandel::is_file(sb.path(L"f.bin")));
    EXPECT_FALSE(vandel::is_directory(sb.path(L"f.bin")));

    set_write_time(sb.path(L"f.bin"), 1);
    struct vandel::file_info info;
    EXPECT_EQ(vandel::file_info(sb.path(L"f.bin"), info), vandel::kind_file);
    EXPECT_EQ(info.size, 5u);
    EXPECT_EQ(info.write_time, 1);
    EXPECT_EQ(info.reparse_point, 0);
    EXPECT_EQ(vandel::file_time(sb.path(L"f.bin")), 1);
    EXPECT_EQ(vandel::file_size(sb.path(L"f.bin")), 5);

    // Before 1970 a time stays negative, rounded down to whole seconds.
    set_write_time(sb.path(L"f.bin"), -86400 * 365);
    EXPECT_EQ(vandel::file_time(sb.path(L"f.bin")), -86400 * 365);

    EXPECT_EQ(vandel::file_info(sb.path(L"d"), info), vandel::kind_folder);
    EXPECT_EQ(info.size, 0u);
    EXPECT_EQ(info.write_time, -1);
    EXPECT_EQ(vandel::file_time(sb.path(L"d")), -1);
    EXPECT_EQ(vandel::file_size(sb.path(L"d")), -1);

    EXPECT_EQ(vandel::file_info(sb.path(L"missing"), info), vandel::kind_missing);
    EXPECT_EQ(info.write_time, -1);
    EXPECT_EQ(vandel::file_time(sb.path(L"missing")), -1);
    EXPECT_EQ(vandel::file_size(sb.path(L"missing")), -1);
}

TEST_F(Files, ListDirectory) {
    std::vector<std::wstring> list{L"kept"};
    EXPECT_EQ(vandel::list_directory(sb.path(L"missing"), list, 3), -1);
    write_bytes(sb.path(L"file"), "x");
    EXPECT_EQ(vandel::list_directory(sb.path(L"file"), list, 3), -1);
    make_dirs(sb.path(L"empty"));
    EXPECT_EQ(vandel::list_directory(sb.path(L"empty"), list, 3), 0);
    EXPECT_EQ(list, std::vector<std::wstring>{L"kept"});

    make_dirs(sb.path(L"t/s"));
    make_dirs(sb.path(L"t/B"));
    write_bytes(sb.path(L"t/a"), "");
    write_bytes(sb.path(L"t/C"), "");
    write_bytes(sb.path(L"t/.h"), "");
    ASSERT_TRUE(vandel::set_file_attributes(sb.path(L"t/.h"), vandel::attr_hidden));

    list.clear();
    EXPECT_EQ(vandel::list_directory(sb.path(L"t"), list, vandel::list_folders | vandel::list_sorted), 2);
    EXPECT_EQ(list, (std::vector<std::wstring>{std::wstring(L"B") + sep, std::wstring(L"s") + sep}));

    list = {L"kept"};
    EXPECT_EQ(vandel::list_directory(sb.path(L"t"), list, 27), 4);
    const std::wstring prefix = sb.path(L"t") + sep;
    EXPECT_EQ(list, (std::vector<std::wstring>{L"kept", prefix + L"B" + sep, prefix + L"s" + sep, prefix + L"C",
                                               prefix + L"a"}));

    list.clear();
    EXPECT_EQ(vandel::list_directory(sb.path(L"t"), list, vandel::list_files | vandel::list_hidden | vandel::list_sorted), 3);
    EXPECT_EQ(list, (std::vector<std::wstring>{L".h", L"C", L"a"}));
    EXPECT_EQ(vandel::list_directory(sb.path(L"t"), list, 0), 0);
}

TEST_F(Files, CreateMoveAndAttributes) {
    EXPECT_TRUE(vandel::create_directory(sb.path(L"new")));
    EXPECT_FALSE(vandel::create_directory(sb.path(L"new")));
    EXPECT_FALSE(vandel::create_directory(sb.path(L"no/parent")));

    write_bytes(sb.path(L"a"), "A");
    write_bytes(sb.path(L"b"), "B");
    sb.require_inside(sb.path(L"b"));
    EXPECT_FALSE(vandel::move_file(sb.path(L"a"), sb.path(L"b"), false));
    EXPECT_EQ(read_bytes(sb.path(L"b")), "B");
    EXPECT_TRUE(vandel::move_file(sb.path(L"a"), sb.path(L"b"), true));
    EXPECT_EQ(read_bytes(sb.path(L"b")), "A");
    EXPECT_FALSE(path_exists(sb.path(L"a")));
    sb.require_inside(sb.path(L"new/c"));
    EXPECT_TRUE(vandel::move_file(sb.path(L"b"), sb.path(L"new/c"), false));
    EXPECT_EQ(read_bytes(sb.path(L"new/c")), "A");

    const std::wstring f = sb.path(L"new/c");
    ASSERT_TRUE(vandel::set_file_attributes(f, vandel::attr_read_only));
    struct vandel::file_info info;
    vandel::file_info(f, info);
    EXPECT_TRUE(info.attributes & vandel::attr_read_only);
    EXPECT_TRUE(vandel::set_file_attributes(f, vandel::attr_read_only));  // unchanged
    EXPECT_TRUE(vandel::set_file_attributes(f, 0));
    vandel::file_info(f, info);
    EXPECT_FALSE(info.attributes & vandel::attr_read_only);
    EXPECT_FALSE(vandel::set_file_attributes(sb.path(L"missing"), 0));
}

TEST_F(Files, DeleteTree) {
    write_bytes(sb.path(L"ro"), "x");
    ASSERT_TRUE(vandel::set_file_attributes(sb.path(L"ro"), vandel::attr_read_only));
    sb.require_inside(sb.path(L"ro"));
    EXPECT_TRUE(vandel::delete_tree(sb.path(L"ro"), false));
    EXPECT_FALSE(path_exists(sb.path(L"ro")));

    make_dirs(sb.path(L"t/sub/deeper"));
    write_bytes(sb.path(L"t/f"), "1");
    write_bytes(sb.path(L"t/sub/.hidden"), "2");
    write_bytes(sb.path(L"t/sub/deeper/ro"), "3");
    ASSERT_TRUE(vandel::set_file_attributes(sb.path(L"t/sub/.hidden"), vandel::attr_hidden));
    ASSERT_TRUE(vandel::set_file_attributes(sb.path(L"t/sub/deeper/ro"), vandel::attr_read_only));
    ASSERT_TRUE(vandel::set_file_attributes(sb.path(L"t/sub/deeper"), vandel::attr_read_only));

    sb.require_inside(sb.path(L"t"));
    EXPECT_FALSE(vandel::delete_tree(sb.path(L"t"), false));
    EXPECT_EQ(list_tree(sb.path(L"t")).size(), 5u);
    EXPECT_TRUE(vandel::remove_path(sb.path(L"t") + sep, true));
    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_FALSE(vandel::delete_tree(sb.path(L"t"), true));

    // Dots are resolved by the text, so the named folder goes, never its parent.
    make_dirs(sb.path(L"u/v"));
    sb.require_inside(sb.path(L"u/v"));
    EXPECT_TRUE(vandel::delete_tree(sb.path(L"u/v/./"), true));
    EXPECT_TRUE(is_directory(sb.path(L"u")));
}

TEST_F(Files, DeleteTreeRemovesLinksAndNeverFollowsThem) {
    sandbox outside;
    make_dirs(outside.path(L"precious"));
    write_bytes(outside.path(L"precious/data"), "keep");
    write_bytes(outside.path(L"file"), "keep");

    make_dirs(sb.path(L"t/in"));
    if (!make_link(sb.path(L"t/in/to-folder"), outside.path(L"precious"), true) ||
        !make_link(sb.path(L"t/in/to-file"), outside.path(L"file"), false))
        GTEST_SKIP() << "no symbolic links here";

    struct vandel::file_info info;
    EXPECT_EQ(vandel::file_info(sb.path(L"t/in/to-folder"), info), vandel::kind_folder);
    EXPECT_EQ(info.reparse_point, 1);
    // Listed folder entries end in a separator; asking about one still sees the link.
    EXPECT_EQ(vandel::file_info(sb.path(L"t/in/to-folder") + sep, info), vandel::kind_folder);
    EXPECT_EQ(info.reparse_point, 1);
    EXPECT_EQ(vandel::file_info(sb.path(L"t/in/to-file"), info), vandel::kind_file);
    EXPECT_EQ(info.reparse_point, 1);

    std::vector<std::wstring> list;
    EXPECT_EQ(vandel::list_directory(sb.path(L"t/in"), list, 3 | vandel::list_sorted), 2);
    EXPECT_EQ(list, (std::vector<std::wstring>{std::wstring(L"to-folder") + sep, L"to-file"}));

    // A link given directly loses its name only.
    sb.require_inside(sb.path(L"t/in/to-folder"));
    EXPECT_TRUE(vandel::delete_tree(sb.path(L"t/in/to-folder") + sep, true));
    EXPECT_FALSE(path_exists(sb.path(L"t/in/to-folder")));
    ASSERT_TRUE(make_link(sb.path(L"t/in/to-folder"), outside.path(L"precious"), true));

    sb.require_inside(sb.path(L"t"));
    EXPECT_TRUE(vandel::delete_tree(sb.path(L"t"), true));
    EXPECT_FALSE(path_exists(sb.path(L"t")));
    EXPECT_EQ(read_bytes(outside.path(L"precious/data")), "keep");
    EXPECT_EQ(read_bytes(outside.path(L"file")), "keep");
}

TEST_F(Files, VolumeInfo) {
    struct vandel::volume_info info;
    info.file_system = L"before";
    EXPECT_FALSE(vandel::volume_info(sb.path(L"missing"), info));
    EXPECT_EQ(info.file_system, L"before");
    ASSERT_TRUE(vandel::volume_info(sb.root(), info));
    EXPECT_GT(info.total_bytes, 0u);
    EXPECT_EQ(info.used_bytes, info.total_bytes - info.free_bytes);
    // Every free byte counts, also what the caller may not write.
    EXPECT_GE(info.free_total_bytes, info.free_bytes);
    EXPECT_GT(info.block_size, 0u);
    EXPECT_EQ(info.block_size & (info.block_size - 1), 0u);
    EXPECT_GT(info.max_name_length, 0u);
    ASSERT_FALSE(info.volume_path.empty());
    EXPECT_EQ(info.volume_path.back(), sep);
    EXPECT_EQ(sb.root().compare(0, info.volume_path.size(), info.volume_path), 0);
    EXPECT_NE(info.file_system, L"before");

    // However deep the path: its volume all the same (a mount point is never cut out of it).
    make_deep_tree(sb.root(), L"a-deep-folder", 40, "x");
    std::wstring deep = sb.root();
    for (int i = 0; i < 40; ++i) deep += sep + std::wstring(L"a-deep-folder");
    struct vandel::volume_info deep_info;
    ASSERT_TRUE(vandel::volume_info(deep, deep_info));
    EXPECT_EQ(deep_info.volume_path, info.volume_path);
    EXPECT_EQ(deep_info.file_system, info.file_system);
}

TEST(FilesText, NarrowPath) {
#ifdef _WIN32
    EXPECT_EQ(vandel::narrow_path(L"C:\\abc"), "C:\\abc");
    EXPECT_EQ(vandel::narrow_path(std::wstring(L"x") + static_cast<wchar_t>(0x4E2D)), "");  // not in the code page
#else
    EXPECT_EQ(vandel::narrow_path(vandel::from_os_bytes("/a\xFF\xC3\xA9")), "/a\xFF\xC3\xA9");
#endif
}

#ifndef _WIN32

class PosixFiles : public sandbox_test {};

// Names that only the system's bytes describe: invalid UTF-8, backslashes, blanks at the ends.
TEST_F(PosixFiles, NamesReadFromTheSystemReachItAgainByteForByte) {
    const std::string names[] = {"bad\xFF\xFE", " lead", "trail ", "back\\slash", "C:x", "\xED\xA0\x80", "\\\\x"};
    const std::string root = vandel::to_os_bytes(sb.root());
    for (const auto& n : names) {
        ASSERT_EQ(mkdir((root + "/" + n).c_str(), 0755), 0) << n;
        write_bytes(vandel::from_os_bytes(root + "/" + n + "/" + n), n);
    }
    std::vector<std::wstring> folders;
    ASSERT_EQ(vandel::list_directory(sb.root(), folders, vandel::list_folders | vandel::list_full_paths),
              static_cast<int64_t>(std::size(names)));
    for (const auto& folder : folders) {
        std::vector<std::wstring> files;
        ASSERT_EQ(vandel::list_directory(folder, files, vandel::list_files | vandel::list_full_paths), 1);
        const std::string expected = vandel::to_os_bytes(vandel::file_name_part(files[0], true));
        EXPECT_EQ(read_bytes(files[0]), expected);
        sb.require_inside(folder);
        EXPECT_TRUE(vandel::move_file(files[0], files[0] + L"~", false));
        EXPECT_TRUE(vandel::delete_tree(folder, true));
    }
    EXPECT_TRUE(list_tree(sb.root()).empty());
}

TEST_F(PosixFiles, WindowsFormPathsAreRefused) {
    const std::wstring forms[] = {L"C:\\x", L"c:x", L"\\\\server\\share", L"\\\\.\\PhysicalDrive0", L"\\\\?\\C:\\x"};
    for (const auto& p : forms) {
        struct vandel::file_info info;
        EXPECT_EQ(vandel::file_info(p, info), 0);
        EXPECT_FALSE(vandel::create_directory(p));
        EXPECT_FALSE(vandel::delete_tree(p, true));
        EXPECT_EQ(vandel::file_size(p), -1);
    }
    // A NUL would end the name early and name something else.
    write_bytes(sb.path(L"a"), "x");
    sb.require_inside(sb.path(L"a"));
    EXPECT_FALSE(vandel::delete_tree(sb.path(L"a") + L'\0' + L"b", false));
    EXPECT_TRUE(path_exists(sb.path(L"a")));
}

TEST_F(PosixFiles, SpecialFilesLoseTheirNamesOnly) {
    make_dirs(sb.path(L"t"));
    const std::string t = vandel::to_os_bytes(sb.path(L"t"));
    ASSERT_EQ(mkfifo((t + "/fifo").c_str(), 0600), 0);
    const bool have_node = mknod((t + "/null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    struct vandel::file_info info;
    EXPECT_EQ(vandel::file_info(sb.path(L"t/fifo"), info), vandel::kind_file);
    EXPECT_EQ(info.reparse_point, 1);
    if (have_node) {
        EXPECT_EQ(vandel::file_info(sb.path(L"t/null"), info), vandel::kind_file);
        EXPECT_EQ(info.reparse_point, 1);
    }
    sb.require_inside(sb.path(L"t"));
    EXPECT_TRUE(vandel::delete_tree(sb.path(L"t"), true));
    EXPECT_FALSE(path_exists(sb.path(L"t")));
}

TEST_F(PosixFiles, MountPointsAreNotDescended) {
    scoped_tmpfs fs(sb, sb.path(L"t/mnt"), 1024);
    if (!fs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    write_bytes(sb.path(L"t/mnt/inside"), "keep");

    struct vandel::file_info info;
    EXPECT_EQ(vandel::file_info(fs.path(), info), vandel::kind_folder);
    EXPECT_EQ(info.reparse_point, 1);
    struct vandel::volume_info vol;
    ASSERT_TRUE(vandel::volume_info(sb.path(L"t/mnt/inside"), vol));
    EXPECT_EQ(vol.volume_path, fs.path() + L"/");
    EXPECT_EQ(vol.file_system, L"tmpfs");
    EXPECT_LE(vol.total_bytes, 1024u * 1024u);

    sb.require_inside(sb.path(L"t"));
    EXPECT_FALSE(vandel::delete_tree(sb.path(L"t"), true));
    EXPECT_EQ(read_bytes(sb.path(L"t/mnt/inside")), "keep");
}

// The small reads the POSIX bodies share: link texts and files whole, however long, and paths
// resolved through links. A text that fills the first buffer exactly must not come back cut.
TEST_F(PosixFiles, SystemLinksAndFilesAreReadWhole) {
    const std::string root = vandel::to_os_bytes(sb.root());
    for (size_t length : {1, 255, 256, 257, 512, 4000}) {
        SCOPED_TRACE(length);
        const std::string text = "/" + std::string(length - 1, 'l');
        const std::string link = root + "/link" + std::to_string(length);
        ASSERT_EQ(symlink(text.c_str(), link.c_str()), 0);
        std::string got;
        ASSERT_TRUE(vandel::posix::read_link(link, got));
        EXPECT_EQ(got, text);

        const std::string bytes = pattern_bytes(length * 10, "small");
        write_bytes(vandel::from_os_bytes(root + "/file"), bytes);
        ASSERT_TRUE(vandel::posix::read_small_file(root + "/file", got));
        EXPECT_EQ(got, bytes);
    }
    std::string got = "left";
    EXPECT_FALSE(vandel::posix::read_link(root + "/file", got));  // not a link
    EXPECT_FALSE(vandel::posix::read_small_file(root + "/missing", got));

    make_dirs(sb.path(L"real/folder"));
    ASSERT_EQ(symlink("real/folder", (root + "/to-folder").c_str()), 0);
    const std::string real = vandel::posix::real_path(root + "/real/folder");
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real.front(), '/');
    EXPECT_EQ(vandel::posix::real_path(root + "/to-folder/../folder/."), real);
    EXPECT_EQ(vandel::posix::real_path(root + "/link256"), "");  // names what does not exist
}

#endif

}  // namespace
