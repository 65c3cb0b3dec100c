#include "gui/shell/first_window.h"
#include "gui/shell/gui_resources.h"
#include "gui/shell/log_window.h"
#include "gui/shell/main_window.h"
#include "gui/shell/qinterlang.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/system_features.h"
#include "gui/shell/web_pages.h"
#include "gui/shell/zyapp.h"
#include "gui/wipe/wiper_widget.h"
#include "services/interlang.h"
#include "services/session.h"
#include "tests/e2e/support/program.h"
#include "tests/gui/gui_test.h"
#include "tests/support/sandbox.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QMenuBar>
#include <QTimer>
#include <QTimerEvent>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace oblivar::test;
using olvex::MainWindow;
using olvex::zyapp;

// The English texts, and the application object's request, flags and appearance settings put
// back as they were.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(load_shipped_languages(), L"");
        QCoreApplication::installTranslator(&translator_);
        request_ = app().request();
        portable_ = app().is_portable();
        app().set_request(olvex::start_request());
        app().set_portable(false);
    }
    void TearDown() override {
        QCoreApplication::removeTranslator(&translator_);
        app().set_request(request_);
        app().set_portable(portable_);
        olvex::settings& s = app().settings();
        s.set_show_menu(true);
        s.set_show_toolbar(true);
        s.set_toolbar_size(0);
        s.set_toolbar_place(0);
        s.set_window_pos(-1, -1);
        s.set_window_size(-1, -1, false);
        s.set_window_size(-1, -1, true);
        s.clear_changed();
    }
    static zyapp& app() { return zyapp::instance(); }
    static std::unique_ptr<MainWindow> first_window() {
        return std::unique_ptr<MainWindow>(dynamic_cast<MainWindow*>(olvex::create_first_window(olvex::first_window_kind::main)));
    }

    QInterlang translator_;
    table_scope scope_;
    olvex::start_request request_;
    bool portable_ = false;
};

// A start with two existing files: dialog mode, the job window alone, a files job waiting for
// the go-ahead on exactly those files, and nothing wiped.
TEST_F(MainWindowTest, TwoFilePathsOpenTheJobWindowAloneWithAFilesJob) {
    sandbox sb;
    const std::wstring a = sb.path(L"letter.txt"), b = sb.path(L"photo.jpg");
    write_bytes(a, "dear bank");
    write_bytes(b, std::string(3000, 'x'));
    const std::wstring plain = olvex::existing_path_list({a, sb.path(L"missing.txt"), b});
    app().set_request(olvex::decode_request(0, L"", plain, false));
    ASSERT_TRUE(app().is_dialog_mode());
    ASSERT_EQ(app().start_job_kind(), 1);

    std::unique_ptr<MainWindow> w = first_window();
    ASSERT_TRUE(w);
    w->show();
    EXPECT_FALSE(w->menuBar()->isVisible());
    EXPECT_FALSE(w->findChild<QToolBar*>(QStringLiteral("tool_bar"))->isVisible());
    EXPECT_EQ(w->context_menu(), nullptr);
    EXPECT_EQ(w->tools_button(), nullptr);
    ASSERT_TRUE(wait_until([&] { return w->job_window()->view().waiting(); }));
    // A job awaits the go-ahead from its start; its counts come when the analysis is through.
    olvex::job_status status;
    EXPECT_TRUE(wait_until([&] {
        w->job_window()->job_engine().get_progress(status);
        return status.file_count != 0;
    }));
    EXPECT_EQ(status.job_type, 1);
    EXPECT_EQ(status.file_count, 2);
    EXPECT_TRUE(path_exists(a));
    EXPECT_TRUE(path_exists(b));
}

TEST_F(MainWindowTest, MenusToolBarAndContextMenu) {
    std::unique_ptr<MainWindow> w = first_window();
    w->show();
    EXPECT_EQ(w->objectName(), QStringLiteral("main_form"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Oblivar"));
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(w->createPopupMenu(), nullptr);
    auto* bar = w->findChild<QToolBar*>(QStringLiteral("tool_bar"));
    ASSERT_TRUE(bar && w->tools_button() && w->context_menu());
    EXPECT_FALSE(bar->isMovable());
    EXPECT_FALSE(bar->isFloatable());
    EXPECT_EQ(w->toolBarArea(bar), Qt::LeftToolBarArea);
    const QList<QAction*> buttons = bar->actions();
    ASSERT_EQ(buttons.size(), 7);  // six jobs and the tools button
    EXPECT_EQ(buttons[0]->iconText(), QStringLiteral("Files"));
    EXPECT_EQ(buttons[0]->toolTip(), QStringLiteral("Wipe Files and Folders..."));
    EXPECT_EQ(buttons[4]->text(), QStringLiteral("Recycle Bin"));
    EXPECT_EQ(w->tools_button()->text(), QStringLiteral("Tools"));
    EXPECT_EQ(w->findChild<QAction*>(QStringLiteral("help_action"))->text(), QStringLiteral("&User Guide"));
    EXPECT_EQ(w->findChild<QAction*>(QStringLiteral("help_action"))->shortcut(), QKeySequence(Qt::Key_F1));

    // The page file lives in the registry: where there is none its entries are hidden as on a
    // portable copy.
    const bool page_offered = !app().is_portable() && olvex::registry_features();
    EXPECT_EQ(w->findChild<QAction*>(QStringLiteral("page_action"))->isVisible(), page_offered);
    EXPECT_EQ(buttons[5]->isVisible(), page_offered);
    // Elevation entries only where the rights can change.
    const bool can_change = olvex::cached_elevation_type() == olvex::elevation_limited;
    EXPECT_EQ(w->findChild<QAction*>(QStringLiteral("elevate_action"))->isVisible(), can_change);
    EXPECT_EQ(w->findChild<QAction*>(QStringLiteral("deelevate_action"))->isVisible(), can_change);

    QStringList context;
    for (QAction* a : w->context_menu()->actions()) context << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    EXPECT_EQ(context, QStringList({"elevate_action", "deelevate_action", "-", "log_action", "options_action", "-",
                                    "help_action", "check_version_action"}));
    EXPECT_EQ(w->job_window()->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST_F(MainWindowTest, AppearanceSettings) {
    olvex::settings& s = app().settings();
    s.set_show_menu(false);
    s.set_show_toolbar(true);
    s.set_show_tools_btn(false);
    s.set_toolbar_size(2);
    s.set_toolbar_place(1);
    std::unique_ptr<MainWindow> w = first_window();
    w->show();
    auto* bar = w->findChild<QToolBar*>(QStringLiteral("tool_bar"));
    EXPECT_FALSE(w->menuBar()->isVisible());
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->actions().last()->isVisible());  // the tools button stands in for the menu
    EXPECT_EQ(bar->iconSize(), QSize(48, 48));
    EXPECT_EQ(w->toolBarArea(bar), Qt::TopToolBarArea);
    EXPECT_TRUE(bar->styleSheet().contains(QStringLiteral("padding-left: 5px;")));

    s.clear_changed();
    s.set_show_menu(true);
    s.set_toolbar_place(2);
    s.set_toolbar_size(1);
    w->apply_settings(false);  // as after the options were saved
    EXPECT_TRUE(w->menuBar()->isVisible());
    EXPECT_EQ(w->toolBarArea(bar), Qt::RightToolBarArea);
    EXPECT_EQ(bar->iconSize(), QSize(32, 32));
    EXPECT_TRUE(bar->styleSheet().contains(QStringLiteral("min-width: ")));
}

TEST_F(MainWindowTest, StoredGeometryIsUsedOnce) {
    olvex::settings& s = app().settings();
    s.set_window_size(400, 380, false);
    s.set_window_pos(-1, 50);
    std::unique_ptr<MainWindow> w = first_window();
    EXPECT_EQ(w->size(), QSize(400, 380));
    EXPECT_EQ(w->pos(), QPoint(0, 50));
    EXPECT_EQ(s.get_window_posx(), -1);
    EXPECT_EQ(s.get_window_posy(), -1);
    w->resize(420, 390);
    w->move(30, 40);
    w->save_geometry(true);
    EXPECT_EQ(s.get_window_width(false), 420);
    EXPECT_EQ(s.get_window_posx(), 30);
    EXPECT_EQ(s.get_window_posy(), 40);
    s.set_window_size(320, 300, true);
    olvex::start_request dialog;
    dialog.dialog_mode = true;
    app().set_request(dialog);
    std::unique_ptr<MainWindow> alone = first_window();
    EXPECT_EQ(alone->size(), QSize(320, 300));  // the dialog mode's own size
}

// The log window comes back where the previous instance left it, once.
TEST_F(MainWindowTest, StoredLogWindowGeometryIsUsedOnce) {
    olvex::settings& s = app().settings();
    s.set_window_pos(10, 20);
    // Larger than the window's least size, which a stored size never undercuts.
    s.set_logwin_geometry(-5, 60, 500, 300);
    std::unique_ptr<MainWindow> w = first_window();
    ASSERT_TRUE(w);
    olvex::LogWindow* log = w->job_window()->log_window();
    if (!log) GTEST_SKIP() << "this job window makes its log window later";
    EXPECT_TRUE(log->isVisible());
    EXPECT_EQ(log->pos(), QPoint(0, 60));
    EXPECT_EQ(log->size(), QSize(500, 300));
    EXPECT_EQ(s.get_logwin_posx(), -1);
    EXPECT_EQ(s.get_logwin_width(), -1);
    log->move(40, 50);
    w->save_geometry(true);
    EXPECT_EQ(s.get_logwin_posx(), 40);
    EXPECT_EQ(s.get_logwin_height(), 300);
    log->hide();
    s.set_logwin_geometry(-1, -1, -1, -1);
}

TEST_F(MainWindowTest, HelpPagesComeFromTheTable) {
    url_recorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    std::unique_ptr<MainWindow> w = first_window();
    for (const char* name : {"help_action", "facebook_action", "twitter_action", "check_version_action"})
        w->findChild<QAction*>(QString::fromLatin1(name))->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(recorder.opened,
              QList<QUrl>({olvex::web_page_url(olvex::web_page::user_guide), olvex::web_page_url(olvex::web_page::community),
                           olvex::web_page_url(olvex::web_page::news), olvex::web_page_url(olvex::web_page::updates)}));
}

// Options and about box run modally over the window; each is built once and kept.
TEST_F(MainWindowTest, DialogsRunModallyOverTheWindow) {
    std::unique_ptr<MainWindow> w = first_window();
    w->show();
    for (const char* name : {"options_action", "about_action"}) {
        QList<QWidget*> shown;
        for (int round = 0; round < 2; ++round) {
            QTimer::singleShot(0, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                shown << dialog;
                if (dialog) dialog->close();
            });
            w->findChild<QAction*>(QString::fromLatin1(name))->trigger();
        }
        ASSERT_EQ(shown.size(), 2) << name;
        ASSERT_NE(shown[0], nullptr) << name;
        EXPECT_EQ(shown[0]->parentWidget(), w.get()) << name;
        EXPECT_EQ(shown[1], shown[0]) << name;
    }
}

TEST_F(MainWindowTest, TitleFollowsTheJobWindow) {
    std::unique_ptr<MainWindow> w = first_window();
    w->setWindowTitle(QStringLiteral("stale"));
    QTimerEvent tick(w->title_timer_id());
    QApplication::sendEvent(w.get(), &tick);
    EXPECT_EQ(w->windowTitle(), olvex::to_qstring(olvex::window_title(L"Oblivar", olvex::from_qstring(w->job_window()->state_caption()))));
}

// A portable copy starts no job from its command line.
TEST_F(MainWindowTest, PortableCopyStartsNoRequestedJob) {
    sandbox sb;
    const std::wstring a = sb.path(L"a.txt");
    write_bytes(a, "x");
    app().set_portable(true);
    olvex::start_request r;
    r.start_job_kind = 1;
    r.paths = a;
    app().set_request(r);
    std::unique_ptr<MainWindow> w = first_window();
    w->on_create_timer();  // as the start timer does
    QApplication::processEvents();
    EXPECT_FALSE(w->job_window()->view().waiting());
    EXPECT_EQ(w->job_window()->job_engine().get_state(), 0);
    EXPECT_FALSE(w->findChild<QAction*>(QStringLiteral("check_version_action"))->isVisible());
}

}  // namespace
