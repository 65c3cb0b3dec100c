// Folder handles on the sandbox: entries described without following them, ids that match the
// path functions', no way out through a link, and a folder swapped after it was opened.
#include "vandel/folder_handle.h"

#include "tests/support/sandbox.h"
#include "vandel/file_stream.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace oblivar::test;

class FolderHandle : public sandbox_test {
protected:
    // Returns the names listed, sorted.
    static std::vector<std::wstring> names(const vandel::folder_handle& h) {
        std::vector<vandel::folder_entry> entries;
        EXPECT_GE(h.list(entries), 0);
        std::vector<std::wstring> out;
        for (const auto& e : entries) out.push_back(e.name);
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(FolderHandle, EntriesAndIdsAgreeWithThePathFunctions) {
    make_dirs(sb.path(L"t/sub"));
    write_bytes(sb.path(L"t/a.txt"), "12345");
    write_bytes(sb.path(L"t/.hidden"), "h");
    ASSERT_TRUE(vandel::set_file_attributes(sb.path(L"t/.hidden"), vandel::attr_hidden));
    vandel::folder_handle t;
    ASSERT_TRUE(t.open(sb.path(L"t")));
    struct vandel::file_info by_path;
    vandel::file_info(sb.path(L"t"), by_path);
    EXPECT_EQ(t.id(), by_path.id);

    std::vector<vandel::folder_entry> entries;
    ASSERT_EQ(t.list(entries), 3);
    for (const auto& e : entries) {
        vandel::file_info(sb.path(L"t/") + e.name, by_path);
        EXPECT_EQ(e.info.id, by_path.id);
        EXPECT_EQ(e.info.kind, by_path.kind);
        EXPECT_EQ(e.info.attributes & vandel::attr_hidden, by_path.attributes & vandel::attr_hidden);
        if (e.name == L"a.txt") {
            EXPECT_EQ(e.info.size, 5u);
        }
    }
    struct vandel::file_info info;
    EXPECT_EQ(t.entry(L"a.txt", info), vandel::kind_file);
    EXPECT_EQ(t.entry(L"missing", info), vandel::kind_missing);
    EXPECT_FALSE(info.id.known);

    vandel::folder_handle sub;
    EXPECT_TRUE(sub.open(t, L"sub"));
    EXPECT_FALSE(sub.open(t, L"a.txt"));
    for (const wchar_t* bad : {L"", L".", L"..", L"sub/", L"x/../sub"}) EXPECT_FALSE(sub.open(t, bad)) << bad;
    EXPECT_FALSE(sub.is_open());
}

TEST_F(FolderHandle, RenameRemoveAndAttributesStayInTheFolder) {
    make_dirs(sb.path(L"t/empty"));
    make_dirs(sb.path(L"t/full"));
    write_bytes(sb.path(L"t/full/x"), "x");
    write_bytes(sb.path(L"t/a"), "a");
    write_bytes(sb.path(L"t/b"), "b");
    ASSERT_TRUE(vandel::set_file_attributes(sb.path(L"t/a"), vandel::attr_read_only));
    vandel::folder_handle t;
    ASSERT_TRUE(t.open(sb.path(L"t")));
    sb.require_inside(sb.path(L"t/a"));
    EXPECT_FALSE(t.rename(L"a", L"b"));  // never onto an existing name
    EXPECT_TRUE(t.set_attributes(L"a", 0));
    EXPECT_TRUE(t.rename(L"a", L"c"));
    EXPECT_TRUE(t.remove(L"c", false));
    EXPECT_FALSE(t.remove(L"full", true));
    EXPECT_TRUE(t.remove(L"empty", true));
    EXPECT_FALSE(t.remove(L"..", true));
    EXPECT_EQ(list_tree(sb.path(L"t")), (std::vector<std::wstring>{L"b", L"full/", L"full/x"}));
}

TEST_F(FolderHandle, LinksAreNeverEntered) {
    make_dirs(sb.path(L"outside"));
    write_bytes(sb.path(L"outside/secret"), "secret");
    make_dirs(sb.path(L"t"));
    if (!make_link(sb.path(L"t/dir"), sb.path(L"outside"), true) ||
        !make_link(sb.path(L"t/file"), sb.path(L"outside/secret"), false))
        GTEST_SKIP() << "links can't be made here";
    vandel::folder_handle t, through;
    ASSERT_TRUE(t.open(sb.path(L"t")));
    EXPECT_FALSE(through.open(t, L"dir"));
    EXPECT_FALSE(through.open(sb.path(L"t/dir")));

    struct vandel::file_info link, target;
    EXPECT_EQ(t.entry(L"file", link), vandel::kind_file);
    EXPECT_EQ(link.reparse_point, 1);
    vandel::file_info(sb.path(L"outside/secret"), target);
    EXPECT_NE(link.id, target.id);
    vandel::file_stream s;
    if (s.open_at(t, L"file", vandel::open_read_write)) {
        // The link itself, never what it names: its id tells.
        EXPECT_NE(s.id(), target.id);
        s.close();
    }
    sb.require_inside(sb.path(L"t/dir"));
    EXPECT_TRUE(t.remove(L"dir", true));
    EXPECT_TRUE(t.remove(L"file", false));
    EXPECT_EQ(read_bytes(sb.path(L"outside/secret")), "secret");
    EXPECT_TRUE(list_tree(sb.path(L"t")).empty());
}

TEST_F(FolderHandle, AFolderReplacedAfterItWasOpenedIsNotTheOneActedIn) {
    make_dirs(sb.path(L"t/sub"));
    write_bytes(sb.path(L"t/sub/x"), "original");
    vandel::folder_handle sub;
    ASSERT_TRUE(sub.open(sb.path(L"t/sub")));
    const vandel::file_id id = sub.id();
    sb.require_inside(sb.path(L"t/sub"));
    // POSIX lets the folder go and follows it; Windows refuses to move a folder held open.
    if (vandel::move_file(sb.path(L"t/sub"), sb.path(L"t/old"), false)) {
        make_dirs(sb.path(L"t/sub"));
        write_bytes(sb.path(L"t/sub/x"), "planted");
    }
    vandel::file_stream s;
    ASSERT_TRUE(s.open_at(sub, L"x", vandel::open_read));
    std::string bytes(8, '\0');
    EXPECT_EQ(s.read(&bytes[0], 8), 8);
    EXPECT_EQ(bytes, "original");
    EXPECT_EQ(sub.id(), id);
}

}  // namespace
