// The log window on a sandbox log folder: lines on screen and in a new file per job, nothing
// written without an existing folder, the clean-up that wipes only this program's expired logs
// (again on the same engine for the next job), saving with its failures, and the buttons.
#include "gui/shell/log_window.h"

#include "engine/engine.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/zyapp.h"
#include "services/log_names.h"
#include "tests/gui/gui_test.h"
#include "tests/support/manual_clock.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "vandel/convert.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/strings.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace oblivar::test;
using olvex::LogWindow;

constexpr int64_t start_s = 1700000000;  // 2023-11-14T22:13:20Z, the manual clock's start

std::string line_end() { return olvex::log_line_ending() == 3 ? "\r\n" : "\n"; }

class LogWin : public sandbox_test {
protected:
    void SetUp() override {
        ASSERT_EQ(load_table("KEY: LOG_FAILED_CAP\nLANG: en\nTEXT: The log could not be saved\n"), 0);
        s.set_log_user(false);
    }
    void TearDown() override {
        s.set_log_location(L"");
        s.set_logfile_lifetime(0);
        s.set_log_bom(false);
    }
    QString view() const { return win.findChild<QPlainTextEdit*>(QStringLiteral("text_edit"))->toPlainText(); }
    // Waits for the window's clean-up to end; false when it never ran or doesn't end.
    bool cleanup_ended() {
        olvex::engine* e = win.cleanup_engine();
        return e && wait_until([e] { return !olvex::is_active_state(e->get_state()); }, 60000);
    }
    // The clean-up's log, to tell what it did.
    std::string cleanup_log() const {
        std::vector<std::wstring> lines;
        win.cleanup_engine()->get_log_lines(lines, false);
        std::string text;
        for (const std::wstring& line : lines) text += vandel::to_utf8(line, '?') + "\n";
        return text;
    }

    table_scope scope;
    manual_clock clock{start_s * 1000};
    olvex::settings& s = olvex::zyapp::instance().settings();
    LogWindow win;
};

TEST_F(LogWin, EachJobGetsANewFileWithItsLines) {
    make_dirs(sb.path(L"logs"));
    s.set_log_location(sb.path(L"logs"));
    s.set_log_bom(true);
    win.start_new_log();
    win.append_line(L"");
    EXPECT_EQ(win.log_file_path(), L"") << "an empty text opens nothing";
    win.append_line(L"JOB TYPE: Wipe Files\nmy <b>file</b>.txt ... OK");
    win.append_line(L"TOTALS");
    const std::wstring first = win.log_file_path();
    EXPECT_EQ(first, sb.path(L"logs/zy-20231114T221320Z.log"));
    EXPECT_EQ(view(), QStringLiteral("JOB TYPE: Wipe Files\nmy <b>file</b>.txt ... OK\nTOTALS")) << "shown as plain text";
    win.close_log_file();
    EXPECT_EQ(win.log_file_path(), L"");
    EXPECT_EQ(read_bytes(first), "\xEF\xBB\xBF" "JOB TYPE: Wipe Files" + line_end() + "my <b>file</b>.txt ... OK" +
                                     line_end() + "TOTALS" + line_end());

    // The next job, in the same second: a file of its own, the first one kept.
    s.set_log_bom(false);
    win.start_new_log();
    EXPECT_EQ(view(), QString());
    win.append_line(L"second job");
    EXPECT_EQ(win.log_file_path(), sb.path(L"logs/zy-20231114T221320Z-1.log"));
    win.close_log_file();
    EXPECT_EQ(read_bytes(sb.path(L"logs/zy-20231114T221320Z-1.log")), "second job" + line_end());
    EXPECT_EQ(read_bytes(first).size(), 3 + 20 + 25 + 6 + 3 * line_end().size());
    EXPECT_EQ(win.cleanup_engine(), nullptr) << "no lifetime, no clean-up";
}

TEST_F(LogWin, NoFolderNoFileAndNoCleanUp) {
    s.set_logfile_lifetime(3600);
    write_bytes(sb.path(L"a-file"), "not a folder");
    for (const std::wstring& folder : {std::wstring(), sb.path(L"missing"), sb.path(L"a-file")}) {
        s.set_log_location(folder);
        win.start_new_log();
        win.append_line(L"line");
        EXPECT_EQ(win.log_file_path(), L"");
        EXPECT_EQ(view(), QStringLiteral("line"));
        // Made meanwhile, the folder is not tried again for this job.
        if (folder == sb.path(L"missing")) {
            make_dirs(folder);
            win.append_line(L"more");
            EXPECT_EQ(win.log_file_path(), L"");
            EXPECT_TRUE(list_tree(folder).empty());
        }
    }
    EXPECT_EQ(win.cleanup_engine(), nullptr);
    EXPECT_EQ(list_tree(sb.root()), (std::vector<std::wstring>{L"a-file", L"missing/"}));
}

TEST_F(LogWin, CleanUpWipesOnlyThisUsersExpiredLogsInTheExpandedFolder) {
    const std::wstring user = vandel::replace_all(vandel::user_name(), L" ", L"", 0);
    if (user.empty()) GTEST_SKIP() << "no user name to tell logs apart";
    // The folder as configured carries a date macro; the expanded one is where the logs are.
    const std::wstring folder = sb.path(L"logs-20231114");
    make_dirs(folder);
    s.set_log_location(sb.path(L"logs-%DATEZ%"));
    s.set_log_user(true);
    s.set_logfile_lifetime(86400);
    const int64_t expired = start_s - 86400 - 60, recent = start_s - 3600;
    auto plant = [&](const std::wstring& name, int64_t time) {
        write_bytes(folder + L"/" + name, "old log");
        set_write_time(folder + L"/" + name, time);
    };
    const std::wstring mine = L"zy-" + user + L"-20231101T000000Z.log";
    plant(mine, expired);
    plant(L"zy-someone-20231101T000000Z.log", expired);
    plant(L"zy-" + user + L"-20231114T211320Z.log", recent);
    plant(L"notes.log", expired);
    sb.require_inside(folder + L"/" + mine);

    win.start_new_log();
    win.append_line(L"first job");
    // The clean-up's pacing moves the manual clock on, so the new log's time stamp may be later.
    const std::wstring own = win.log_file_path();
    const std::wstring own_name = own.substr(own.size() < folder.size() + 1 ? 0 : folder.size() + 1);
    EXPECT_EQ(own.substr(0, folder.size() + 1 + 3 + user.size() + 10),
              vandel::add_trailing_separator(folder) + L"zy-" + user + L"-20231114T");
    ASSERT_TRUE(cleanup_ended());
    olvex::engine* const engine = win.cleanup_engine();
    EXPECT_EQ(engine->get_state(), olvex::state_done) << cleanup_log();
    std::vector<std::wstring> kept{L"notes.log", L"zy-" + user + L"-20231114T211320Z.log",
                                         own_name, L"zy-someone-20231101T000000Z.log"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(list_tree(folder), kept) << cleanup_log();
    win.close_log_file();

    // The next job's clean-up runs on the same engine.
    plant(mine, expired);
    win.start_new_log();
    win.append_line(L"second job");
    ASSERT_TRUE(cleanup_ended());
    EXPECT_EQ(win.cleanup_engine(), engine);
    EXPECT_EQ(engine->get_state(), olvex::state_done) << cleanup_log();
    EXPECT_FALSE(path_exists(folder + L"/" + mine)) << "the second clean-up wiped it\n" << cleanup_log();
    EXPECT_TRUE(path_exists(win.log_file_path()));
    win.close_log_file();
}

TEST_F(LogWin, SaveWritesTheTextOrSaysWhyNot) {
    win.append_line(L"JOB TYPE: Wipe Files\nTOTALS");
    const std::wstring saved = sb.path(L"saved.txt");
    EXPECT_TRUE(win.save_to(olvex::to_qstring(saved)));
    EXPECT_EQ(read_bytes(saved), "JOB TYPE: Wipe Files" + line_end() + "TOTALS");

    message_box_answer answer;
    answer.arm();
    EXPECT_FALSE(win.save_to(olvex::to_qstring(sb.path(L"missing/saved.txt"))));
    EXPECT_EQ(answer.seen, 1);
    EXPECT_EQ(answer.caption, QStringLiteral("The log could not be saved"));
    EXPECT_TRUE(answer.text.contains(QStringLiteral("saved.txt")));
    EXPECT_FALSE(path_exists(sb.path(L"missing")));
}

TEST_F(LogWin, SaveThatRunsOutOfSpaceKeepsTheOldFile) {
    scoped_tmpfs small(sb, sb.path(L"small"), 16);
    if (!small.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    const std::wstring target = small.path() + L"/saved.txt";
    write_bytes(target, "the old save");
    std::wstring big;
    for (int i = 0; i < 2000; ++i) big += L"0123456789012345678901234567890123456789012345678901234567890123456789\n";
    win.append_line(big);
    message_box_answer answer;
    answer.arm();
    EXPECT_FALSE(win.save_to(olvex::to_qstring(target)));
    EXPECT_EQ(answer.seen, 1);
    EXPECT_EQ(read_bytes(target), "the old save");
    EXPECT_EQ(list_tree(small.path()), std::vector<std::wstring>{L"saved.txt"}) << "no partial file left";
}

TEST_F(LogWin, SelectCopyAndEscape) {
    win.append_line(L"a line\nanother");
    win.show();
    auto* copy = win.findChild<QPushButton*>(QStringLiteral("copy_btn"));
    EXPECT_FALSE(copy->isEnabled());
    QTest::mouseClick(win.findChild<QPushButton*>(QStringLiteral("select_btn")), Qt::LeftButton);
    EXPECT_TRUE(copy->isEnabled());
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("a line\nanother"));
    EXPECT_TRUE(win.shown_once());
    QTest::keyClick(&win, Qt::Key_Escape);
    EXPECT_FALSE(win.isVisible());
}

TEST(LogWindowPlace, BesideTheOtherWindowAndInsideTheScreen) {
    const QSize own(450, 450);
    const QRect full(0, 0, 1920, 1080), small(0, 0, 1280, 800);
    struct row {
        QRect other;
        QRect screen;
        QPoint expected;
    };
    const row rows[] = {
        {{100, 50, 600, 400}, full, {730, 50}},                   // room on the right
        {{100, 50, 600, 400}, {0, 0, 1180, 1080}, {730, 50}},     // exactly fits on the right
        {{900, 80, 600, 400}, {0, 0, 1600, 1080}, {420, 80}},     // left of it
        {{200, 100, 700, 500}, small, {830, 100}},                // no room: the side with more of it
        {{400, 100, 700, 500}, small, {0, 100}},                  //   (here the left)
        {{100, 900, 600, 400}, full, {730, 630}},                 // near the bottom: lifted onto the screen
        {{100, -20, 600, 400}, full, {730, 0}},                   // never above the screen
        {{100, 0, 600, 400}, {0, 40, 1920, 1040}, {730, 40}},     // a panel at the top keeps its room
        {{2000, 100, 600, 400}, {1920, 0, 1280, 1024}, {2630, 100}},  // a second screen to the right
        {{2300, 100, 600, 400}, {1920, 0, 1280, 1024}, {1920, 100}},
    };
    for (const row& r : rows)
        EXPECT_EQ(olvex::log_window_position(r.other, own, r.screen), r.expected) << r.other.x() << "," << r.other.y();
}

TEST(LogWindowPlace, FitIntoScreen) {
    const QRect screen(0, 0, 1920, 1080);
    struct row {
        QRect wanted;
        QRect expected;
    };
    const row rows[] = {
        {{40, 50, 500, 300}, {40, 50, 500, 300}},         // inside: unchanged
        {{5000, 4000, 500, 300}, {1420, 780, 500, 300}},  // off to the right and below
        {{-600, -50, 500, 300}, {0, 0, 500, 300}},        // off to the left and above
        {{10, 10, 3000, 2000}, {0, 0, 1920, 1080}},       // larger than the screen
    };
    for (const row& r : rows) EXPECT_EQ(olvex::fit_into_screen(r.wanted, screen), r.expected) << r.wanted.x();
    EXPECT_EQ(olvex::fit_into_screen({3000, 50, 500, 300}, {1920, 0, 1280, 1024}), QRect(2700, 50, 500, 300));
}

// On the real screen: beside the main window without covering it when the room on one side is
// enough, and never below the screen's edge; a stored place off every screen comes back on one.
TEST(LogWindowPlace, RealWindowsStayOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_GE(screen.width(), 700);
    ASSERT_GE(screen.height(), 500);
    QWidget main;
    main.setGeometry(screen.x() + 100, screen.y() + screen.height() - 200, screen.width() - 100 - 450 - 10, 200);
    main.show();
    LogWindow log;
    ASSERT_EQ(log.size(), QSize(450, 450));
    log.place_beside(&main);
    EXPECT_TRUE(screen.contains(log.frameGeometry())) << log.x() << "," << log.y();
    EXPECT_FALSE(log.frameGeometry().intersects(main.frameGeometry())) << log.x() << "," << log.y();

    log.place_at(screen.bottomRight() + QPoint(3000, 2000), QSize(500, 300));
    EXPECT_EQ(log.size(), QSize(500, 300));
    EXPECT_TRUE(screen.contains(log.frameGeometry())) << log.x() << "," << log.y();
    log.place_at(QPoint(screen.x() + 10, screen.y() + 20), QSize(-1, -1));
    EXPECT_EQ(log.pos(), QPoint(screen.x() + 10, screen.y() + 20));
    EXPECT_EQ(log.size(), QSize(500, 300)) << "no stored size keeps the size";
}

// A log window has a close button and no help button, and its text lines up in columns on
// every platform.
TEST(LogWindowLook, CloseButtonOnlyAndFixedPitchText) {
    LogWindow log;
    EXPECT_EQ(log.windowFlags() & Qt::WindowCloseButtonHint, Qt::WindowCloseButtonHint);
    EXPECT_FALSE(log.windowFlags() & Qt::WindowContextHelpButtonHint);
    const QFont font = log.findChild<QPlainTextEdit*>(QStringLiteral("text_edit"))->font();
    const QFontMetrics metrics(font);
    EXPECT_TRUE(QFontInfo(font).fixedPitch()) << QFontInfo(font).family().toStdString();
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiiiiiiiii")), metrics.horizontalAdvance(QStringLiteral("MMMMMMMMMM")))
        << QFontInfo(font).family().toStdString();
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("----------")), metrics.horizontalAdvance(QStringLiteral("WWWWWWWWWW")));
}

}  // namespace
