// The Explorer menu's decisions without Explorer: the entries of each menu kind for the
// selections and process states that change them, when a menu gets entries at all, help texts,
// and the request each command hands to zygui.
#include "shellext/menu_model.h"

#include "services/interlang.h"
#include "tests/support/child.h"
#include "vandel/convert.h"
#include "vandel/files.h"
#include "vandel/numbers.h"
#include "vandel/memory_stream.h"
#include "vandel/strings.h"

#include <gtest/gtest.h>

namespace olvex::shell_menu {
namespace {

using namespace oblivar::test;

// The shipped English texts and a test language that hides two items with "--".
class shell_menu_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        interlang& t = interlang::instance();
        t.clear();
        ASSERT_EQ(load_language_files(vandel::directory_part(own_program_path()) + L"zy-langs", t), L"");
        const std::string hiding = "KEY: CXT_WIPE_FILE\nLANG: xx\nTEXT: --\n"
                                   "KEY: CXT_HELP\nLANG: xx\nTEXT: --\n"
                                   "KEY: CXT_WIPE_DRIVE_TRASH\nLANG: xx\nTEXT: --\n";
        vandel::memory_stream s(hiding.data(), static_cast<int64_t>(hiding.size()));
        interlang::update_scope update(t);
        int line = 0;
        ASSERT_TRUE(t.parse_language_file(s, line));
    }
    void SetUp() override { use_language(L"en"); }
    static void use_language(const std::wstring& code) {
        interlang& t = interlang::instance();
        interlang::update_scope update(t);
        t.set_languages(code, L"en");
    }
};

// One line per menu: "-" a separator, "offset:text@icon" an item, ">text@icon{...}" a submenu;
// "!" marks a disabled entry, no "@" an entry without picture.
std::wstring render(const std::vector<entry>& entries) {
    std::wstring out;
    for (const entry& e : entries) {
        if (!out.empty()) out += L" | ";
        if (e.type == entry_type::separator) {
            out += L"-";
            continue;
        }
        if (e.type == entry_type::submenu) out += L">";
        else out += vandel::int_to_text<std::wstring>(e.offset, 1) + L":";
        out += e.text;
        if (e.icon != no_icon) out += L"@" + vandel::int_to_text<std::wstring>(e.icon, 1);
        if (e.state == state_disabled) out += L"!";
        else EXPECT_EQ(e.state, state_enabled);
        if (e.type == entry_type::submenu) out += L"{" + render(e.children) + L"}";
    }
    return out;
}

// The program's submenu for an elevation state.
std::wstring program(int elevation, bool icons = true) {
    std::wstring page = elevation == 0 ? L"8:Page File Wiping...@238!" : L"8:Page File Wiping...@238";
    std::wstring text = L">Oblivar@235{9:Options...@236 | " + page +
                        L" | 7:Open the Main Window@237 | - | 15:User Guide@242 | 10:Check for Updates@240 | "
                        L"13:Oblivar Community@243 | 14:Oblivar News@244 | 16:About Oblivar@245}";
    if (!icons) {
        for (const wchar_t* icon : {L"@235", L"@236", L"@237", L"@238", L"@240", L"@242", L"@243", L"@244", L"@245"})
            text = vandel::replace_all(text, icon, L"", 0);
    }
    return text;
}

std::wstring bins(int user, int admin, int elevation) {
    return L"{" + vandel::int_to_text<std::wstring>(user, 1) + L":As Current User@233" +
           (elevation == 2 ? L"!" : L"") + L" | " + vandel::int_to_text<std::wstring>(admin, 1) +
           L":As Administrator@234" + (elevation == 0 ? L"!" : L"") + L"}";
}

facts files(uint32_t count, int first_kind, int elevation = 1) {
    facts f;
    f.kind = kind_files;
    f.path_count = count;
    f.first_path_kind = first_kind;
    f.elevation = elevation;
    return f;
}

facts drives(uint32_t count, int drive, int bin, int elevation = 1) {
    facts f;
    f.kind = kind_drives;
    f.path_count = count;
    f.first_drive = drive;
    f.system_drive = 2;  // C:
    f.bin = bin;
    f.elevation = elevation;
    return f;
}

facts recycle_bin(int bin, int elevation = 1) {
    facts f;
    f.kind = kind_recycle_bin;
    f.bin = bin;
    f.elevation = elevation;
    return f;
}

TEST_F(shell_menu_test, layouts) {
    const std::wstring wipe_drive = L"1:Wipe Drive@231", clean = L"2:Wipe Free Space@232";
    struct row {
        const char* name;
        facts f;
        std::wstring expected;
    } rows[] = {
        {"one file", files(1, vandel::kind_file), L"- | 0:Wipe File@230 | " + program(1) + L" | -"},
        {"one folder", files(1, vandel::kind_folder), L"- | 0:Wipe Folder@230 | " + program(1) + L" | -"},
        {"two paths", files(2, vandel::kind_missing), L"- | 0:Wipe Selected Items@230 | " + program(1) + L" | -"},
        {"a path that is gone", files(1, vandel::kind_missing), L"- | 0:@230 | " + program(1) + L" | -"},
        {"no paths", files(0, vandel::kind_file), L""},
        {"the system drive", drives(1, 2, bin_full),
         L"- | 1:Wipe Drive@231! | " + clean + L" | >Wipe Recycle Bin@230" + bins(3, 5, 1) + L" | " + program(1) +
             L" | -"},
        {"another drive, empty bin", drives(1, 3, bin_empty),
         L"- | " + wipe_drive + L" | " + clean + L" | >Wipe Recycle Bin (empty)@230!" + bins(3, 5, 1) + L" | " +
             program(1) + L" | -"},
        {"a bin that can't be queried", drives(1, 3, bin_unknown),
         L"- | " + wipe_drive + L" | " + clean + L" | >Wipe Recycle Bin (not available)@230!" + bins(3, 5, 1) +
             L" | " + program(1) + L" | -"},
        {"two drives", drives(2, 3, bin_full),
         L"- | 1:Wipe Drive@231! | " + clean + L" | >Wipe Recycle Bin@230!" + bins(3, 5, 1) + L" | " + program(1) +
             L" | -"},
        {"a drive path without letter", drives(1, -1, bin_full),
         L"- | 1:Wipe Drive@231! | " + clean + L" | >Wipe Recycle Bin@230" + bins(3, 5, 1) + L" | " + program(1) +
             L" | -"},
        {"unknown system drive", [] { facts f = drives(1, 2, bin_full); f.system_drive = -1; return f; }(),
         L"- | " + wipe_drive + L" | " + clean + L" | >Wipe Recycle Bin@230" + bins(3, 5, 1) + L" | " + program(1) +
             L" | -"},
        {"drives without paths", drives(0, -1, bin_full), L""},
        {"bins hold items", recycle_bin(bin_full),
         L"- | >Wipe All Recycle Bins@230" + bins(4, 6, 1) + L" | " + program(1) + L" | -"},
        {"bins are empty", recycle_bin(bin_empty),
         L"- | >Wipe All Recycle Bins@230!" + bins(4, 6, 1) + L" | " + program(1) + L" | -"},
        {"bins can't be queried", recycle_bin(bin_unknown),
         L"- | >Wipe All Recycle Bins@230!" + bins(4, 6, 1) + L" | " + program(1) + L" | -"},
        {"not an administrator", recycle_bin(bin_full, 0),
         L"- | >Wipe All Recycle Bins@230" + bins(4, 6, 0) + L" | " + program(0) + L" | -"},
        {"elevated", drives(1, 3, bin_full, 2),
         L"- | " + wipe_drive + L" | " + clean + L" | >Wipe Recycle Bin@230" + bins(3, 5, 2) + L" | " + program(2) +
             L" | -"},
        {"an unknown kind", [] { facts f = files(1, vandel::kind_file); f.kind = 3; return f; }(), L""},
    };
    for (const row& r : rows) EXPECT_EQ(render(build_menu(r.f)), r.expected) << r.name;
}

TEST_F(shell_menu_test, icons_off_leaves_every_entry_without_picture) {
    facts f = recycle_bin(bin_full);
    f.icons = false;
    EXPECT_EQ(render(build_menu(f)),
              L"- | >Wipe All Recycle Bins{4:As Current User | 6:As Administrator} | " + program(1, false) + L" | -");
    f = drives(1, 3, bin_full);
    f.icons = false;
    EXPECT_EQ(render(build_menu(f)).find(L"@"), std::wstring::npos);
}

TEST_F(shell_menu_test, an_item_translated_to_dashes_is_a_separator) {
    use_language(L"xx");
    const std::vector<entry> m = build_menu(files(1, vandel::kind_file));
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[1].type, entry_type::separator);
    EXPECT_EQ(m[1].icon, no_icon);
    EXPECT_TRUE(m[1].text.empty());
    // Inside the program's submenu too; a submenu's own text stays a text.
    EXPECT_EQ(m[2].children[4].type, entry_type::separator);
    EXPECT_NE(render(build_menu(drives(1, 3, bin_full))).find(L" | >--@230{"), std::wstring::npos);
}

TEST_F(shell_menu_test, when_a_menu_gets_entries) {
    struct row {
        uint32_t flags, first, last;
        bool bin_open, expected;
    } rows[] = {
        {0, 100, 116, false, true},       // exactly 17 ids
        {0, 100, 0x7FFF, false, true},    // Explorer's usual range
        {4, 100, 0x7FFF, false, true},    // exploring
        {0x10, 100, 0x7FFF, false, true}, // can rename
        {1, 100, 0x7FFF, false, false},   // default only
        {2, 100, 0x7FFF, false, false},   // verbs only
        {8, 100, 0x7FFF, false, false},   // no verbs
        {0, 100, 115, false, false},      // 16 ids
        {0, 100, 100, false, false},
        {0, 200, 100, false, false},
        {0, 100, 0x7FFF, true, false},    // a recycle-bin menu is open
    };
    for (const row& r : rows)
        EXPECT_EQ(may_fill(r.flags, r.first, r.last, r.bin_open), r.expected)
            << r.flags << " " << r.first << ".." << r.last << " " << r.bin_open;
}

TEST_F(shell_menu_test, help_texts) {
    std::wstring text;
    ASSERT_TRUE(help_text(0, 100, text));
    EXPECT_EQ(text, L"Overwrite the selected files and folders, then delete them");
    const size_t exact = text.size() + 1;
    EXPECT_TRUE(help_text(0, exact, text));
    text = L"untouched";
    EXPECT_FALSE(help_text(0, exact - 1, text));
    EXPECT_EQ(text, L"untouched");
    // The key of every offset; 11, 12 and everything above 16 have none.
    const std::vector<std::wstring> expected = {
        L"Overwrite the selected files and folders, then delete them", L"Wipe Drive", L"Wipe Free Space",
        L"Wipe Recycle Bin", L"Wipe All Recycle Bins", L"Wipe Recycle Bin", L"Wipe All Recycle Bins",
        L"Open the Main Window", L"Page File Wiping...", L"Options...", L"Check for Updates", L"", L"",
        L"Oblivar Community", L"Oblivar News", L"User Guide", L"About Oblivar"};
    for (uint32_t offset = 0; offset < 20; ++offset) {
        text.clear();
        const bool has = offset < expected.size() && !expected[offset].empty();
        EXPECT_EQ(help_text(offset, 1000, text), has) << offset;
        if (has) {
            EXPECT_EQ(text, expected[offset]) << offset;
        }
    }
}

// Records every launch instead of starting anything.
class recorder : public launch_provider {
public:
    struct call {
        std::wstring program, parameters;
        int mode;
        uint64_t window;
    };
    std::vector<call> calls;
    int launch(const std::wstring& program, const std::wstring& parameters, int mode, uint64_t window,
               bool& started) override {
        calls.push_back({program, parameters, mode, window});
        started = true;
        return 0;
    }
};

struct scoped_provider {
    explicit scoped_provider(launch_provider* p) : previous(set_launch_provider(p)) {}
    ~scoped_provider() { set_launch_provider(previous); }
    launch_provider* previous;
};

std::vector<std::wstring> arguments_of(const std::wstring& parameters) {
    std::vector<std::wstring> args{L"zygui.exe"};
    if (!parameters.empty()) vandel::split(args, parameters, true, L" ");
    return args;
}

TEST_F(shell_menu_test, each_command_starts_zygui_with_its_request) {
    const std::wstring paths(L"D:\\\0D:\\second\0", 14);
    struct row {
        uint32_t offset;
        bool readable;
        uint32_t word;
        int mode;
        bool with_paths;
    } rows[] = {
        {0, true, 0x101, launch_open, true},   {1, true, 0x102, launch_open, true},
        {1, false, 0x102, launch_runas, true}, {2, true, 0x104, launch_open, true},
        {3, true, 0x105, launch_open, true},   {4, true, 0x105, launch_open, false},
        {5, true, 0x105, launch_runas, true},  {6, true, 0x105, launch_runas, false},
        {7, true, 0, launch_open, false},      {8, true, 0x110, launch_open, false},
        {9, true, 0x111, launch_open, false},  {16, true, 0x113, launch_open, false},
    };
    for (const row& r : rows) {
        recorder rec;
        scoped_provider use(&rec);
        command_bridge bridge(L".olvex");
        bridge.set_program_directory(L"C:\\Program Files\\Oblivar\\bin");
        std::vector<std::wstring> asked;
        invoke_env env;
        env.volume_readable = [&](const std::wstring& p) { asked.push_back(p); return r.readable; };
        env.open_page = [](const std::wstring&) { ADD_FAILURE() << "no page"; return false; };
        ASSERT_TRUE(invoke(r.offset, paths, 0x2A, bridge, env)) << r.offset;
        ASSERT_EQ(rec.calls.size(), 1u) << r.offset;
        const recorder::call& c = rec.calls[0];
        EXPECT_EQ(c.program, L"C:\\Program Files\\Oblivar\\bin\\zygui.exe");
        EXPECT_EQ(c.mode, r.mode) << r.offset;
        EXPECT_EQ(c.window, 0x2Au);
        command_bridge received(L".tmp");
        EXPECT_EQ(received.parse(arguments_of(c.parameters)), r.word) << r.offset;
        EXPECT_EQ(received.payload().window, 0x2Au) << r.offset;
        EXPECT_EQ(received.payload().data, r.with_paths ? paths : L"") << r.offset;
        // Only the wipe-drive command looks at the volume, and at the first path's.
        EXPECT_EQ(asked, r.offset == 1 ? std::vector<std::wstring>{L"D:\\"} : std::vector<std::wstring>{})
            << r.offset;
    }
}

TEST_F(shell_menu_test, the_program_alone_gets_only_the_window) {
    recorder rec;
    scoped_provider use(&rec);
    command_bridge bridge(L".olvex");
    ASSERT_TRUE(invoke(7, std::wstring(L"C:\\x\0", 5), 0x1F0, bridge, {}));
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].parameters, L"-hndl 1f0");
}

TEST_F(shell_menu_test, a_long_list_travels_in_an_olvex_file_that_the_receiver_deletes) {
    recorder rec;
    scoped_provider use(&rec);
    command_bridge bridge(L".olvex");
    std::wstring paths;
    while (paths.size() <= max_inline_data) paths += std::wstring(L"C:\\some folder\\a file.txt\0", 26);
    ASSERT_TRUE(invoke(0, paths, 7, bridge, {}));
    ASSERT_EQ(rec.calls.size(), 1u);
    const std::vector<std::wstring> args = arguments_of(rec.calls[0].parameters);
    ASSERT_EQ(args.size(), 7u);
    EXPECT_EQ(args[5], L"-tfn");
    const std::wstring file = command_bridge::unescape_value(args[6]);
    EXPECT_EQ(file.substr(file.size() - 6), L".olvex") << vandel::to_utf8(file, '?');
    command_bridge received(L".tmp");
    EXPECT_EQ(received.parse(args), 0x101u);
    EXPECT_EQ(received.payload().data, paths);
    EXPECT_EQ(vandel::path_kind(file), vandel::kind_missing);
}

TEST_F(shell_menu_test, pages_and_offsets_without_a_command) {
    recorder rec;
    scoped_provider use(&rec);
    command_bridge bridge(L".olvex");
    std::vector<std::wstring> opened;
    invoke_env env;
    env.open_page = [&](const std::wstring& a) { opened.push_back(a); return false; };
    for (uint32_t offset : {10u, 13u, 14u, 15u, 11u, 12u}) EXPECT_TRUE(invoke(offset, L"", 1, bridge, env)) << offset;
    for (uint32_t offset : {17u, 100u, 0xFFFFu}) EXPECT_FALSE(invoke(offset, L"", 1, bridge, env)) << offset;
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"updates/olvex-5.2.0.html", L"community.html", L"news.html",
                                                 L"user_guide/index.html"}));
}

TEST(shell_menu, first_path) {
    EXPECT_EQ(first_path(std::wstring(L"C:\\a\0D:\\b\0", 10)), L"C:\\a");
    EXPECT_EQ(first_path(L""), L"");
    EXPECT_EQ(first_path(L"C:\\unterminated"), L"C:\\unterminated");
}

}  // namespace
}  // namespace olvex::shell_menu
