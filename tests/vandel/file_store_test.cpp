// The settings files: map_settings' file functions and the configuration file store, with the
// application-data folders redirected into the sandbox.
#include "vandel/file_store.h"
#include "vandel/map_settings.h"
#include "tests/support/app_data.h"
#include "tests/support/manual_clock.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace oblivar::test;
using vandel::file_store;
using vandel::map_settings;

const wchar_t sep = native_separator();

// Bytes of UTF-16LE text.
std::string utf16(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
}

// One binary entry: three length-prefixed UTF-16LE strings.
std::string entry(const std::wstring& name, const std::wstring& type, const std::wstring& text) {
    std::string out;
    for (const auto* t : {&name, &type, &text}) {
        const uint32_t n = static_cast<uint32_t>(t->size() * 2);
        out += std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                           static_cast<char>(n >> 24)};
        out += utf16(*t);
    }
    return out;
}

std::string binary_of(map_settings<std::wstring>& m, const std::wstring& path) {
    EXPECT_TRUE(m.save_binary_file(path));
    return read_bytes(path);
}

class SettingsFiles : public sandbox_test {
protected:
    void SetUp() override {
        make_dirs(user_);
        make_dirs(common_);
        ASSERT_TRUE(redirect_.active());
        ASSERT_EQ(vandel::settings_file_path(L"Co", L"App", vandel::store_user_write),
                  user_ + sep + L"Co" + sep + L"App.cfg");
    }

    std::wstring user_file(const std::wstring& name = L"App.cfg") const { return user_ + sep + L"Co" + sep + name; }

    manual_clock clock_;
    std::wstring user_ = sb.path(L"roaming");
    std::wstring common_ = sb.path(L"common");
    scoped_app_data redirect_{user_, common_};
};

TEST_F(SettingsFiles, FileNamesAndFolders) {
    struct row {
        std::wstring company, application, folder, file;
    } rows[] = {
        {L"A/B", L" My App ", std::wstring(L"A_B") + sep, L"My App.cfg"},
        {L"A\\B", L"App 1.5", std::wstring(L"A_B") + sep, L"App 1.5"},
        {L"", L"App", L"", L"App.cfg"},
        {L"  ", L"x\ty", L"", L"x_y.cfg"},
        {L"Co", L"  ", L"", L""},
        {L"..", L"App", L"", L""},  // names that would climb out of the folder
        {L"Co", L"..", L"", L""},
    };
    for (const auto& r : rows) {
        std::wstring folder = L"old";
        EXPECT_EQ(vandel::settings_file_name(r.company, r.application, folder), r.file);
        EXPECT_EQ(folder, r.folder);
    }

    EXPECT_EQ(vandel::settings_file_path(L"A/B", L" My App ", vandel::store_user_read), L"");  // not created
    EXPECT_EQ(vandel::settings_file_path(L"A/B", L" My App ", vandel::store_user_write),
              user_ + sep + L"A_B" + sep + L"My App.cfg");
    EXPECT_TRUE(is_directory(user_ + sep + L"A_B"));
    EXPECT_EQ(vandel::settings_file_path(L"A/B", L"App", vandel::store_user_read), user_ + sep + L"A_B" + sep + L"App.cfg");
    EXPECT_EQ(vandel::settings_file_path(L"", L"App", vandel::store_machine_read), common_ + sep + L"App.cfg");
    EXPECT_EQ(vandel::settings_file_path(L"Co", L"", vandel::store_user_write), L"");
}

TEST_F(SettingsFiles, NewStoreIsSavedBinaryAndReadBack) {
    file_store store;
    ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(store.format(), 0);
    EXPECT_FALSE(path_exists(user_file()));
    store.set_int(L"A", -5);
    store.set_string(L"B", std::wstring{L'x', wchar_t(0xD83D), wchar_t(0xDE00)});
    store.set_float(L"C", 1.5);
    store.set_bool(L"D", true);
    ASSERT_TRUE(store.flush());
    store.close();
    EXPECT_FALSE(store.is_open());
    EXPECT_EQ(store.get_int(L"A", 3, INT64_MIN, INT64_MAX), 3);

    const std::string bytes = read_bytes(user_file());
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x00\xFC\xFA\x03\x04\x00\x00\x00", 8));
    EXPECT_EQ(bytes.size(), 112u);
    EXPECT_FALSE(path_exists(user_file(L"App.cfg.tmp")));

    ASSERT_TRUE(store.open(vandel::store_user_read, L"Co", L"App"));
    EXPECT_EQ(store.get_int(L"A", 0, INT64_MIN, INT64_MAX), -5);
    EXPECT_EQ(store.get_float(L"C", 0), 1.5);
    EXPECT_FALSE(store.set_int(L"A", 1));  // read-only
    EXPECT_FALSE(store.clear());
    EXPECT_FALSE(store.flush());
    EXPECT_EQ(store.get_int(L"A", 0, INT64_MIN, INT64_MAX), -5);
}

TEST_F(SettingsFiles, FlushAfterOpenWritesNothing) {
    // Entries out of name order: a save would sort them, so unchanged bytes prove no save.
    const std::string shuffled =
        std::string("\x00\xFC\xFA\x03\x02\x00\x00\x00", 8) + entry(L"b", L"int", L"1") + entry(L"a", L"int", L"2");
    make_dirs(user_ + sep + L"Co");
    write_bytes(user_file(), shuffled);

    file_store store;
    ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));
    EXPECT_TRUE(store.flush());
    store.set_int(L"b", 1);  // what it holds: still nothing to save
    store.close();
    EXPECT_EQ(read_bytes(user_file()), shuffled);
}

TEST_F(SettingsFiles, TextStaysTextBinaryStaysBinary) {
    make_dirs(user_ + sep + L"Co");
    write_bytes(user_file(), "# comment\r\nx.int=5\n[section]\r\ny.str= hi \r\n");
    file_store store;
    ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));
    EXPECT_EQ(store.format(), 1);
    EXPECT_EQ(store.get_int(L"x", 0, 0, 10), 5);
    EXPECT_EQ(store.get_string(L"y", L""), L"hi");
    store.set_float(L"z", 0.5);
    ASSERT_TRUE(store.flush());
    EXPECT_EQ(read_bytes(user_file()), utf16(L"x.int=5\r\ny.str=hi\r\nz.float=0.5\r\n"));
    store.close();

    ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));  // UTF-16 text now
    EXPECT_EQ(store.format(), 1);
    EXPECT_EQ(store.get_float(L"z", 0), 0.5);
    store.close();

    map_settings<std::wstring> m;
    m.set_int(L"n", 1);
    const std::string binary = binary_of(m, user_file());
    ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));
    EXPECT_EQ(store.format(), 0);
    store.set_int(L"n", 2);
    store.close();  // close flushes
    EXPECT_EQ(read_bytes(user_file()).substr(0, 4), binary.substr(0, 4));
    map_settings<std::wstring> back;
    ASSERT_TRUE(back.load_file(user_file()));
    EXPECT_EQ(back.get_int(L"n", 0, 0, 10), 2);
}

TEST_F(SettingsFiles, ATextSaveReadsBackWhateverItHolds) {
    // Plain UTF-16LE lines unless the reader would misjudge them: NUL units make them look like
    // UTF-32, and a first U+FEFF like a byte-order mark.
    const struct {
        std::wstring name, text;
        bool marked;
    } rows[] = {
        {L"list", L"plain", false},
        {L"list", std::wstring(L"a\0\0a\0b", 6), true},
        {L"\uFEFFlist", L"plain", true},
    };
    for (const auto& r : rows) {
        make_dirs(user_ + sep + L"Co");
        write_bytes(user_file(), "# text\n");
        file_store store;
        ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));
        store.set_string(r.name, r.text);
        ASSERT_TRUE(store.flush());
        store.close();
        EXPECT_EQ(read_bytes(user_file()).substr(0, 2) == "\xFF\xFE", r.marked);
        ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));
        EXPECT_EQ(store.format(), 1);
        EXPECT_EQ(store.get_string(r.name, L""), r.text);
        store.close();
    }
}

TEST_F(SettingsFiles, MissingAndEmptyFiles) {
    file_store store;
    EXPECT_FALSE(store.open(vandel::store_user_read, L"Co", L"App"));  // no folder, no file
    make_dirs(user_ + sep + L"Co");
    EXPECT_FALSE(store.open(vandel::store_user_read, L"Co", L"App"));
    write_bytes(user_file(), "");
    EXPECT_FALSE(store.open(vandel::store_user_read, L"Co", L"App"));
    ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(clock_.sleeps(), 0);
    EXPECT_FALSE(store.open(7, L"Co", L"App"));
    EXPECT_TRUE(store.is_open());  // a refused open leaves the store as it was
    EXPECT_FALSE(store.open(vandel::store_user_write, L"Co", L""));
    EXPECT_TRUE(store.is_open());

    map_settings<std::wstring> m;
    m.set_int(L"mine", 1);
    EXPECT_TRUE(m.load_file(user_file()));  // empty: success, nothing changed
    EXPECT_EQ(m.count(), 1);
    EXPECT_FALSE(m.load_file(user_file(L"missing.cfg")));
}

TEST_F(SettingsFiles, AFileThatCantBeReadIsNeverOverwritten) {
    make_dirs(user_ + sep + L"Co");
    const std::string bad_text = "a.int=1\r\ngarbage\r\n";
    write_bytes(user_file(), bad_text);
    file_store store;
    EXPECT_FALSE(store.open(vandel::store_user_write, L"Co", L"App"));
    EXPECT_FALSE(store.is_open());
    EXPECT_GT(clock_.sleeps(), 0);  // tried again before giving up
    EXPECT_EQ(read_bytes(user_file()), bad_text);

    map_settings<std::wstring> m;
    int line = -1;
    EXPECT_FALSE(m.load_file(user_file(), &line));
    EXPECT_EQ(line, 2);

    // A folder where the file should be: it exists but can't be opened.
    make_dirs(user_file(L"Dir.cfg"));
    EXPECT_FALSE(store.open(vandel::store_user_write, L"Co", L"Dir"));
    EXPECT_TRUE(is_directory(user_file(L"Dir.cfg")));
}

TEST_F(SettingsFiles, ACutFileNeverLoadsAsSuccessWithItsValues) {
    map_settings<std::wstring> m;
    m.set_int(L"number", 1234567);
    m.set_string(L"text", L"abcdef");
    m.set_float(L"float", 0.125);
    m.set_bool(L"flag", true);
    make_dirs(user_ + sep + L"Co");
    const std::string whole = binary_of(m, user_file(L"whole.cfg"));
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        write_bytes(user_file(), whole.substr(0, cut));
        file_store store;
        const bool opened = store.open(vandel::store_user_write, L"Co", L"App");
        // Only the empty file opens, and then with nothing in it.
        EXPECT_EQ(opened, cut == 0) << "cut at " << cut;
        EXPECT_EQ(store.count(), 0) << "cut at " << cut;
        store.close();
        if (cut > 0) {
            EXPECT_EQ(read_bytes(user_file()), whole.substr(0, cut)) << "cut at " << cut;
        }

        map_settings<std::wstring> loaded;
        loaded.set_int(L"number", 7);
        if (loaded.load_file(user_file())) {
            EXPECT_EQ(cut, 0u);
            EXPECT_EQ(loaded.get_int(L"number", 0, INT64_MIN, INT64_MAX), 7);
        }
    }
}

TEST_F(SettingsFiles, AFailedSaveKeepsTheOldFileAndTheChange) {
    file_store store;
    ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));
    store.set_int(L"v", 1);
    ASSERT_TRUE(store.flush());
    const std::string saved = read_bytes(user_file());

    // The temporary file can't be made: a folder stands in its place.
    make_dirs(user_file(L"App.cfg.tmp"));
    store.set_int(L"v", 2);
    EXPECT_FALSE(store.flush());
    EXPECT_FALSE(store.save());
    EXPECT_EQ(read_bytes(user_file()), saved);

    remove_tree(user_file(L"App.cfg.tmp"));
    EXPECT_TRUE(store.flush());  // the change was kept for this try
    map_settings<std::wstring> back;
    ASSERT_TRUE(back.load_file(user_file()));
    EXPECT_EQ(back.get_int(L"v", 0, 0, 10), 2);
}

TEST_F(SettingsFiles, TheTemporaryFileIsMadeNewNeverThroughWhatStandsThere) {
    map_settings<std::wstring> m;
    m.set_int(L"v", 1);
    make_dirs(user_file(L""));
    write_bytes(user_file(L"App.cfg.tmp"), "left over by a save that was cut off");
    ASSERT_TRUE(m.save_binary_file(user_file()));
    EXPECT_FALSE(path_exists(user_file(L"App.cfg.tmp")));

    const std::wstring victim = sb.path(L"victim.txt");
    write_bytes(victim, "not a settings file");
    if (!make_link(user_file(L"App.cfg.tmp"), victim, false)) GTEST_SKIP() << "no symbolic links here";
    m.set_int(L"v", 2);
    ASSERT_TRUE(m.save_binary_file(user_file()));
    EXPECT_EQ(read_bytes(victim), "not a settings file");
    map_settings<std::wstring> back;
    ASSERT_TRUE(back.load_file(user_file()));
    EXPECT_EQ(back.get_int(L"v", 0, 0, 10), 2);
}

#ifndef _WIN32
TEST_F(SettingsFiles, ADiskFullSaveKeepsTheOldFile) {
    scoped_tmpfs disk(sb, sb.path(L"small"), 64);
    if (!disk.mounted()) GTEST_SKIP() << "can't mount a tmpfs here";
    const std::wstring path = disk.path() + L"/settings.dat";
    sb.require_inside(path);
    map_settings<std::wstring> m;
    m.set_string(L"small", L"x");
    ASSERT_TRUE(m.save_binary_file(path));
    const std::string saved = read_bytes(path);

    m.set_string(L"big", std::wstring(100 * 1024, L'b'));  // 200 KiB: more than the disk holds
    EXPECT_FALSE(m.save_binary_file(path));
    EXPECT_TRUE(m.changed_since_save());
    EXPECT_EQ(read_bytes(path), saved);
    EXPECT_FALSE(path_exists(path + L".tmp"));
}
#endif

TEST_F(SettingsFiles, RemovesClosedStoresFiles) {
    file_store store;
    ASSERT_TRUE(store.open(vandel::store_machine_write, L"Co", L"App"));
    store.set_int(L"v", 1);
    EXPECT_FALSE(store.remove(L"Co", L"App", false));  // open
    store.close();
    const std::wstring machine_file = common_ + sep + L"Co" + sep + L"App.cfg";
    ASSERT_TRUE(path_exists(machine_file));
    make_dirs(user_ + sep + L"Co");
    write_bytes(user_file(L"Other.cfg"), "");

    EXPECT_TRUE(store.remove(L"Co", L"App", false));
    EXPECT_FALSE(path_exists(machine_file));
    EXPECT_FALSE(path_exists(common_ + sep + L"Co"));  // left empty: gone too
    EXPECT_TRUE(store.remove(L"Co", L"App", true));    // never there
    EXPECT_TRUE(path_exists(user_file(L"Other.cfg")));
    EXPECT_FALSE(store.remove(L"Co", L"", true));
}

TEST_F(SettingsFiles, StoreCopiesAndLines) {
    file_store store;
    ASSERT_TRUE(store.open(vandel::store_user_write, L"Co", L"App"));
    map_settings<std::wstring> m;
    m.set_int(L"i", 3);
    m.set_bool(L"b", true);
    ASSERT_TRUE(store.copy_from(m));
    std::vector<std::wstring> lines;
    ASSERT_TRUE(store.to_lines(lines, true));
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"b.bool=1", L"i.int=3"}));
    EXPECT_TRUE(store.modified());
    store.set_modified(false);
    EXPECT_FALSE(store.value_modified(L"i"));
    EXPECT_TRUE(store.erase(L"i"));
    EXPECT_EQ(store.count(), 1);
}

}  // namespace
