// The screen gallery: every window built so far rendered to PNG files in <build>/screens, in
// English, so that anyone can look at what a user sees. Each later window adds its pictures here.
#include "gui/shell/about_dialog.h"
#include "gui/shell/commerce_widget.h"
#include "gui/shell/gui_resources.h"
#include "gui/shell/log_window.h"
#include "gui/shell/main_window.h"
#include "gui/shell/message_dialog.h"
#include "gui/shell/options_dialog.h"
#include "gui/shell/qinterlang.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/system_font.h"
#include "gui/shell/theme.h"
#include "gui/shell/web_pages.h"
#include "gui/shell/zyapp.h"
#include "gui/wipe/animator.h"
#include "gui/wipe/page_dialog.h"
#include "gui/wipe/drive_dialog.h"
#include "gui/wipe/path_dialog.h"
#include "gui/wipe/shutdown_manager.h"
#include "gui/wipe/wiper_widget.h"
#include "services/interlang.h"
#include "services/session.h"
#include "tests/e2e/support/program.h"
#include "tests/gui/gui_test.h"
#include "tests/services/session_recorder.h"
#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/fake_registry.h"
#include "tests/support/image_targets.h"
#include "tests/support/sandbox.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTimerEvent>
#include <QToolButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using namespace oblivar::test;

class ScreenGallery : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(load_shipped_languages(), L"");
        QCoreApplication::installTranslator(&translator_);
        folder_ = olvex::to_qstring(own_folder()) + QStringLiteral("../screens/");
        ASSERT_TRUE(QDir().mkpath(folder_));
        // The font the program's start gives its texts.
        font_ = QApplication::font();
        olvex::apply_system_ui_font();
    }
    void TearDown() override {
        QApplication::setFont(font_);
        QCoreApplication::removeTranslator(&translator_);
    }

    // Shows the window as a user would get it and writes what it shows (then hides it, unless
    // the caller goes on with it).
    void save(QWidget& window, const QString& name, bool hide = true) {
        window.show();
        QApplication::processEvents();
        const QPixmap shot = window.grab();
        ASSERT_FALSE(shot.isNull()) << name.toStdString();
        EXPECT_TRUE(shot.save(folder_ + name + QStringLiteral(".png"))) << name.toStdString();
        if (hide) window.hide();
    }

    QString folder_;
    QFont font_;
    QInterlang translator_;
    table_scope scope_;
};

TEST_F(ScreenGallery, MessageDialog) {
    olvex::MessageDialog report(nullptr, QIcon(":/main/menu_tools.png"));
    report.setWindowTitle(olvex::to_qstring(olvex::tr(L"OPTIONS_VALIDATE_BTN")));
    report.set_help_url(QStringLiteral("https://example.org/user_guide/create_language.html"));
    report.set_message(QStringLiteral(
        "LANGUAGES: en\nCheck Language Translations...\n\nALL OK\n\n\nINFORMATION. This feature checks the "
        "language files for missing or obsolete translations, and is designed to help you update and create new "
        "language translations yourself."));
    save(report, QStringLiteral("message_dialog"));

    QString problems = QStringLiteral(
        "LANGUAGES: en, de\nCheck Language Translations...\n\nProblems Detected\nThere are missing translations in "
        "one or more languages, or one or more language files contains language translation keys that are no "
        "longer used.\n\nNEW TRANSLATION KEYS\nThese need to be added to languages indicated...\n\n");
    for (int i = 0; i < 12; ++i)
        problems += QStringLiteral("# Wipe Free Space\nKEY: MAIN_TBAR_CLEAN_%1\nTEXT: <translation needed for languages: de>\n\n").arg(i);
    olvex::MessageDialog long_report(nullptr, QIcon(":/main/menu_tools.png"));
    long_report.setWindowTitle(QStringLiteral("Check Translations"));
    long_report.set_message(problems);
    save(long_report, QStringLiteral("message_dialog_long_report"));
}

TEST_F(ScreenGallery, StartupMessages) {
    QMessageBox language(QMessageBox::Warning, QStringLiteral("Oblivar"),
                         QStringLiteral("Language File Error\nThere is a syntax error at line 12 in the following "
                                        "file.\n/opt/oblivar/zy-langs/deutsch.lang.txt"),
                         QMessageBox::Ok);
    save(language, QStringLiteral("startup_language_error"));
    // A start that asks for the page-file dialog where there is no page file.
    QMessageBox missing(QMessageBox::Warning, QStringLiteral("Oblivar"), olvex::to_qstring(olvex::tr(L"PAGE_NOT_HERE_MSG")),
                        QMessageBox::Ok);
    save(missing, QStringLiteral("startup_window_missing"));
}

// Help asked for on a desktop that has no browser: the box names the page's file.
TEST_F(ScreenGallery, HelpPageNotOpened) {
    const olvex::url_opener previous = olvex::set_url_opener([](const QUrl&) { return false; });
    bool saved = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = nullptr;
        if (!wait_until([&] { return (box = QApplication::activeModalWidget()) != nullptr; })) return;
        save(*box, QStringLiteral("help_page_not_opened"), false);
        saved = true;
        box->close();
    });
    olvex::open_web_page(olvex::web_page::user_guide);
    olvex::set_url_opener(previous);
    EXPECT_TRUE(saved);
}

// The job window's pictures and colours on each theme: the still pictures, the first frames and
// the banner on the theme's background, beside its text colours.
TEST_F(ScreenGallery, PicturesOnEveryTheme) {
    olvex::set_system_colors(QApplication::palette().color(QPalette::Window).name().toStdString(),
                             QApplication::palette().color(QPalette::WindowText).name().toStdString());
    const char* const pictures[] = {":/main/state_check.png", ":/main/state_error.png", ":/main/state_pause.png",
                                    ":/main/state_warning.png", ":/main/device_idx0.png", ":/main/volume_idx3.png",
                                    ":/main/files_idx3.png", ":/main/clean_idx9.png", ":/main/trash_idx5.png"};
    const int row = 84, width = 14 * 76;
    QPixmap sheet(width, row * olvex::theme_count);
    QPainter p(&sheet);
    for (int theme = 0; theme < olvex::theme_count; ++theme) {
        auto item = [&](int i) { return QString::fromStdString(olvex::theme_style_sheet(theme, i)); };
        const int y = theme * row;
        p.fillRect(0, y, width, row, QColor(item(olvex::theme_background)));
        int x = 10;
        QPixmap state(item(olvex::theme_state_image));
        p.drawPixmap(x, y + 10, state);
        p.drawPixmap(x, y + 10, QPixmap(":/main/shield_left.png"));
        x += 76;
        for (const char* path : pictures) {
            p.drawPixmap(x, y + 10, QPixmap(path));
            x += 76;
        }
        p.drawPixmap(x, y + 10, QPixmap(item(olvex::theme_banner_image)));
        x += 76;
        p.setPen(QColor(item(olvex::theme_strong_text)));
        p.drawText(x, y + 30, QStringLiteral("Wipe complete"));
        p.setPen(QColor(item(olvex::theme_text)));
        p.drawText(x, y + 50, QStringLiteral("Total Size: 1.5 GB"));
        p.setPen(QColor(item(olvex::theme_link)));
        p.drawText(x, y + 70, QStringLiteral("oblivar.example"));
    }
    p.end();
    EXPECT_TRUE(sheet.save(folder_ + QStringLiteral("pictures_on_themes.png")));
}

}  // namespace

// The file and folder picker on a small tree, in both views, with a file and a folder chosen.
TEST_F(ScreenGallery, PathPicker) {
    sandbox sb;
    for (const wchar_t* folder : {L"Documents/Letters", L"Documents/Taxes 2023", L"Photos/Holiday", L"Downloads"})
        make_dirs(sb.path(folder));
    for (const wchar_t* file : {L"Documents/passport scan.png", L"Documents/bank statement.pdf", L"Documents/notes.txt",
                                L"Documents/tax-return-2023.pdf", L"Documents/letters.markdown"})
        write_bytes(sb.path(file), std::string(1500, 'x'));
    olvex::PathDialog picker(nullptr);
    picker.set_filter_options(0x1EF);
    picker.set_mode(0x13);
    picker.show();
    const QString folder = QDir::fromNativeSeparators(olvex::to_qstring(sb.path(L"Documents")));
    ASSERT_TRUE(picker.navigate(folder));
    ASSERT_TRUE(wait_until([&] { return picker.model()->rowCount(picker.view()->rootIndex()) == 7; }));
    for (const QString& name : {QStringLiteral("notes.txt"), QStringLiteral("Taxes 2023")})
        picker.view()->selectionModel()->select(picker.model()->index(folder + QLatin1Char('/') + name),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    picker.setWindowTitle(olvex::to_qstring(olvex::tr(L"FSEL_FILES_TITLE")));
    save(picker, QStringLiteral("path_picker_details"), false);

    // Typing into the address box lists the visited folders that start with it, below the box;
    // the box keeps what was typed.
    ASSERT_TRUE(picker.navigate(folder + QStringLiteral("/Taxes 2023")));
    ASSERT_TRUE(picker.navigate(folder + QStringLiteral("/Letters")));
    ASSERT_TRUE(picker.navigate(folder));
    QApplication::setActiveWindow(&picker);
    QLineEdit* edit = picker.findChild<QComboBox*>(QStringLiteral("recent_cmb"))->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QDir::toNativeSeparators(folder + QStringLiteral("/")));
    QWidget* list = QApplication::activePopupWidget();
    ASSERT_NE(list, nullptr);
    QApplication::processEvents();
    const QRect frame = picker.frameGeometry().united(list->geometry());
    QPixmap both(frame.size());
    both.fill(Qt::white);
    {
        QPainter p(&both);
        p.drawPixmap(picker.geometry().topLeft() - frame.topLeft(), picker.grab());
        p.drawPixmap(list->geometry().topLeft() - frame.topLeft(), list->grab());
    }
    EXPECT_TRUE(both.save(folder_ + QStringLiteral("path_picker_address_list.png")));
    list->hide();

    picker.findChild<QAction*>(QStringLiteral("show_icons_action"))->trigger();
    ASSERT_TRUE(wait_until([&] { return picker.model()->rowCount(picker.view()->rootIndex()) == 7; }));
    save(picker, QStringLiteral("path_picker_icons"));
}

// The drive picker over image volumes and devices, one of them the system's, for each job kind.
TEST_F(ScreenGallery, DrivePicker) {
    sandbox sb;
    image_targets t(sb);
    const std::wstring sys = t.folder(L"system/"), data = t.folder(L"data/"), stick = t.folder(L"stick/"),
                       backup = t.folder(L"backup/"), dvd = t.folder(L"dvd/");
    const std::wstring bin = t.folder(L"stick/.Trash-0/");
    write_bytes(bin + L"old letter.txt", "x");
    t.add_device(0, {t.image(L"disk0.img", 3 << 20), L"D0"});
    t.add_device(1, {t.image(L"disk1.img", 5 << 20), L"D1"});
    t.add_device(2, {t.image(L"stick.img", 1 << 20), L"D2"});
    t.add_device(3, {t.image(L"blank.img", 2 << 20), L"D3"});
    auto volume = [&t](const std::wstring& root, const std::wstring& label, int32_t kind, std::vector<int32_t> devices,
                       const std::wstring& recycle = std::wstring()) {
        image_targets::volume v;
        v.root = root;
        v.label = label;
        v.kind = kind;
        v.devices = std::move(devices);
        v.recycle_bin = recycle;
        v.image = t.image(label + std::to_wstring(kind) + L".vol", 1024);  // its raw device
        return v;
    };
    t.add_volume(volume(sys, L"", 1, {0}, t.folder(L"system/.Trash-0/")));
    t.add_volume(volume(data, L"Data", 1, {1}));
    t.add_volume(volume(backup, L"Backup", 1, {1}));
    t.add_volume(volume(stick, L"STICK", 2, {2}, bin));
    t.add_volume(volume(dvd, L"", 4, {}));
    t.set_system_volume(sys);
    t.set_system_devices(std::vector<int32_t>{0});

    struct run {
        const char* name;
        int type;
        bool system_selectable;
        const wchar_t* option_key;
        bool large;
    };
    const run runs[] = {
        {"drive_picker_volumes", olvex::drive_list_volumes, false, nullptr, false},
        {"drive_picker_free_space", olvex::drive_list_volumes, true, L"DDLG_EMPTY_TRASH_CHK", false},
        {"drive_picker_devices", olvex::drive_list_devices, false, nullptr, false},
        {"drive_picker_devices_large", olvex::drive_list_devices, false, nullptr, true},
        {"drive_picker_recycle_bins", olvex::drive_list_bins, true, nullptr, false},
    };
    for (const run& r : runs) {
        olvex::ZyDrives picker(nullptr);
        picker.set_option(olvex::ZyDrives::option_system_selectable, r.system_selectable);
        bool saved = false;
        QTimer::singleShot(0, &picker, [&] {
            if (!wait_until([&] { return picker.refresh_timer_id() != 0 && picker.windowTitle() != olvex::to_qstring(olvex::tr(L"DDLG_WAIT_TEXT")); }))
                return;
            auto* list = picker.findChild<QListWidget*>(QStringLiteral("list_widget"));
            for (int i = 0; i < list->count(); ++i)
                if (list->item(i)->flags() & Qt::ItemIsEnabled) {
                    list->item(i)->setCheckState(Qt::Checked);
                    break;
                }
            // Ticked first: the switch keeps the tick.
            if (r.large) picker.findChild<QToolButton*>(QStringLiteral("view_btn"))->click();
            save(picker, QString::fromLatin1(r.name), false);
            saved = true;
            picker.reject();
        });
        picker.exec_by_type(r.type, r.option_key ? olvex::to_qstring(olvex::tr(r.option_key)) : QString(), QString(), QString());
        EXPECT_TRUE(saved) << r.name;
    }

    // Without administrator rights no device opens: the list says so in its place.
    image_targets closed(sb);
    closed.add_device(0, {t.image(L"closed.img", 1 << 20), L"C0", 512, true, false});
    struct : olvex::session_provider {
        int elevation_type() override { return olvex::elevation_none; }
        bool end_session(int, bool) override { return false; }
    } limited;
    olvex::session_provider* previous = olvex::set_session_provider(&limited);
    olvex::ZyDrives picker(nullptr);
    picker.set_option(olvex::ZyDrives::option_system_selectable, false);
    bool saved = false;
    QTimer::singleShot(0, &picker, [&] {
        if (!wait_until([&] { return picker.refresh_timer_id() != 0 && picker.windowTitle() != olvex::to_qstring(olvex::tr(L"DDLG_WAIT_TEXT")); }))
            return;
        save(picker, QStringLiteral("drive_picker_devices_none_readable"), false);
        saved = true;
        picker.reject();
    });
    picker.exec_by_type(olvex::drive_list_devices, QString(), QString(), QString());
    olvex::set_session_provider(previous);
    EXPECT_TRUE(saved);
}

// The job window's picture: each frame sequence as its timer plays it, and the still pictures
// with and without the shield of an elevated process.
TEST_F(ScreenGallery, AnimatorFrames) {
    const int cell = 68, columns = 16;
    const int pictures[] = {olvex::picture_device, olvex::picture_volume, olvex::picture_files, olvex::picture_clean,
                            olvex::picture_trash};
    QPixmap sheet(columns * cell, (std::size(pictures) + 2) * cell);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    olvex::Animator animator(nullptr, 200);
    animator.setFixedSize(64, 64);
    animator.show();
    int row = 0;
    for (int picture : pictures) {
        animator.set_state(picture, true, true);
        for (int column = 0; column < columns; ++column) {
            p.drawPixmap(column * cell + 2, row * cell + 2, animator.pixmap(Qt::ReturnByValue));
            QTimerEvent tick(animator.frame_timer());
            QCoreApplication::sendEvent(&animator, &tick);
        }
        ++row;
    }
    for (bool elevated : {false, true}) {
        for (int picture = olvex::picture_idle; picture <= olvex::picture_trash; ++picture) {
            animator.set_state(0, false, false);
            animator.set_state(picture, false, elevated);
            p.drawPixmap((picture - 1) * cell + 2, row * cell + 2, animator.pixmap(Qt::ReturnByValue));
        }
        ++row;
    }
    p.end();
    EXPECT_TRUE(sheet.save(folder_ + QStringLiteral("animator_frames.png")));
}

// The link panel with every kind of row and its menu button; an ad panel with a banner and a
// navigation row; the job window's banner of a portable copy on a light and a dark theme.
TEST_F(ScreenGallery, LinkAndAdPanels) {
    auto entry = [](uint32_t kind, const QString& text, const QString& url = QString(), double scale = 2.5) {
        olvex::link_entry e;
        e.kind = kind;
        e.text = text;
        e.url = url;
        e.scale = scale;
        return e;
    };
    const QString guide = QStringLiteral("file:///opt/oblivar/zy-help/user_guide/index.html");
    olvex::LinkWidget links;
    links.set_text(QStringLiteral("Help and Guides"), true);
    links.set_navigation(true, true, false);
    links.set_navigation_text(QStringLiteral("Page 1 of 2"), false);
    links.add_entry(entry(olvex::entry_bold_link | olvex::entry_mirrored, QStringLiteral("User Guide"), guide));
    links.add_entry(entry(olvex::entry_link, QStringLiteral("Choosing a wipe scheme"), guide));
    links.add_entry(entry(olvex::entry_link, QStringLiteral("Wiping free space"), guide));
    links.add_entry(entry(olvex::entry_text, QStringLiteral("Greyed text without a link")));
    links.add_entry(entry(olvex::entry_blank, QString()));
    links.add_entry(entry(olvex::entry_link, QStringLiteral("Release notes"), guide));
    links.add_submenu_entry(QStringLiteral("More pages"), entry(olvex::entry_menu_item, QStringLiteral("Options"), guide));
    links.resize(418, 207);  // each new entry fits the panel to its rows
    save(links, QStringLiteral("link_panel"));

    olvex::CommerceWidget ads;
    ads.set_country(QStringLiteral("GB"));
    olvex::ad_entry ad;
    ad.title = QStringLiteral("Oblivar Portable");
    ad.navigation_text = QStringLiteral("1 of 2");
    ad.weight = 1;
    ad.in_menu = true;
    ad.entries.append(entry(olvex::entry_image, QStringLiteral(":/main/usb64_lbk.png"), guide, 1.25));
    ad.entries.append(entry(olvex::entry_link, QStringLiteral("Take your wipe tool with you"), guide));
    ads.add_ad(ad);
    ad.title = QStringLiteral("Second ad");
    ads.add_ad(ad);
    ads.show_ad(0);
    ads.resize(418, 207);
    save(ads, QStringLiteral("ad_panel"));

    olvex::zyapp& app = olvex::zyapp::instance();
    const bool was_portable = app.is_portable();
    const int32_t was_theme = app.settings().get_theme_color();
    app.set_portable(true);
    for (int theme : {olvex::theme_white, olvex::theme_dark}) {
        app.settings().set_theme_color(theme);
        QWidget host;
        host.setAutoFillBackground(true);
        QPalette palette = host.palette();
        palette.setColor(QPalette::Window, QColor(QString::fromStdString(olvex::theme_style_sheet(theme, olvex::theme_background))));
        host.setPalette(palette);
        host.resize(260, 60);
        auto* banner = new olvex::ZyCommerce(&host);
        banner->setGeometry(0, 0, 260, 60);
        save(host, QStringLiteral("ad_panel_portable_banner_theme%1").arg(theme));
    }
    app.settings().set_theme_color(was_theme);
    app.set_portable(was_portable);
}

TEST_F(ScreenGallery, OptionsTabs) {
    olvex::OptionsDialog options(nullptr);
    auto* tabs = options.findChild<QTabWidget*>("page_tab");
    ASSERT_TRUE(tabs);
    const char* const names[] = {"options_interface", "options_toolbar", "options_wiping", "options_logging",
                                 "options_other"};
    ASSERT_EQ(tabs->count(), 5);
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        save(options, QString::fromLatin1(names[i]));
    }
}

// The about box, also at 96 and 144 dots per inch: each drawn by a process with that resolution.
TEST_F(ScreenGallery, AboutBox) {
    olvex::AboutDialog about(nullptr);
    save(about, QStringLiteral("about_box"));
    for (const wchar_t* dpi : {L"96", L"144"}) {
        scoped_env resolution("QT_FONT_DPI", std::wstring(dpi));
        EXPECT_EQ(run_child_test("ScreenGalleryChild.AboutBox"), 0);
    }
}

using ScreenGalleryChild = ScreenGallery;

TEST_F(ScreenGalleryChild, AboutBox) {
    if (!is_child_test()) GTEST_SKIP() << "runs as the child of ScreenGallery.AboutBox";
    olvex::AboutDialog about(nullptr);
    save(about, QStringLiteral("about_box_%1dpi").arg(QGuiApplication::primaryScreen()->logicalDotsPerInchY()));
}

// The main window with its menu and tool bar, and in dialog mode with the job window alone, on
// every theme.
TEST_F(ScreenGallery, MainWindowOnEveryTheme) {
    olvex::zyapp& app = olvex::zyapp::instance();
    const olvex::start_request was_request = app.request();
    const bool was_portable = app.is_portable();
    const int32_t was_theme = app.settings().get_theme_color();
    app.set_portable(false);
    for (bool dialog : {false, true}) {
        olvex::start_request request;
        request.dialog_mode = dialog;
        app.set_request(request);
        for (int theme = 0; theme < olvex::theme_count; ++theme) {
            app.settings().set_theme_color(theme);
            olvex::MainWindow window;
            save(window, QStringLiteral("main_window_%1theme%2").arg(dialog ? "dialog_mode_" : "").arg(theme));
        }
    }
    app.settings().set_theme_color(was_theme);
    app.set_request(was_request);
    app.set_portable(was_portable);
}

// The job window in each state that looks different, for every job type, on every theme: one
// sheet per theme and job type, the states in reading order.
TEST_F(ScreenGallery, JobWindowStates) {
    olvex::set_system_colors(QApplication::palette().color(QPalette::Window).name().toStdString(),
                             QApplication::palette().color(QPalette::WindowText).name().toStdString());
    olvex::settings& settings = olvex::zyapp::instance().settings();
    const int saved_theme = settings.get_theme_color();
    struct job {
        const char* name;
        int32_t type;
        const wchar_t* title;
    };
    const job jobs[] = {{"files", olvex::job_files, L"/home/ann/Documents/tax-return-2023.pdf"},
                        {"volume", olvex::job_volumes, L"Local Drive (/media/ann/BACKUP/)"},
                        {"device", olvex::job_devices, L"Device 1 (465.7 GB)"},
                        {"free_space", olvex::job_free_space, L"Local Drive (/home/)"},
                        {"recycle_bins", olvex::job_recycler, L"Recycler  (/home/)"}};
    struct shown {
        int32_t state;
        bool paused;
        int percent;
        bool ready = true;  // false: aborted before the go-ahead, nothing written
    };
    const shown states[] = {{olvex::state_idle, false, 0},     {olvex::state_waiting, false, 0},
                            {olvex::state_wiping, false, 37},  {olvex::state_wiping, true, 52},
                            {olvex::state_done, false, 100},   {olvex::state_partly_done, false, 100},
                            {olvex::state_failed, false, 12},  {olvex::state_aborted, false, 64},
                            {olvex::state_aborted, false, 0, false}};
    for (int theme = 0; theme < olvex::theme_count; ++theme) {
        settings.set_theme_color(theme);
        olvex::WiperWidget w;
        w.resize(604, 436);
        w.show();
        for (const job& j : jobs) {
            const int columns = 3;
            QPixmap sheet(columns * w.width(), 3 * w.height());
            sheet.fill(Qt::white);
            QPainter p(&sheet);
            int i = 0;
            for (const shown& st : states) {
                olvex::job_status status;
                status.job_type = st.state == olvex::state_idle ? olvex::job_none : j.type;
                status.total_bytes = 1610612736;
                status.pass_count = 3;
                status.work_bytes = status.total_bytes * 3;
                status.done_bytes = status.work_bytes * st.percent / 100;
                status.path_count = j.type == olvex::job_files ? 3 : 1;
                status.item_count = status.path_count;
                status.dir_count = j.type == olvex::job_files ? 2 : 0;
                status.file_count = j.type == olvex::job_files ? 41 : 0;
                status.rate = st.state == olvex::state_wiping && !st.paused ? 54525952 : -1;
                status.eta_seconds = st.state == olvex::state_wiping ? 3900 : -1;
                status.ready = st.ready;
                w.show_status(status, st.state, st.paused, st.state == olvex::state_idle ? L"" : j.title, true);
                QApplication::processEvents();
                p.drawPixmap((i % columns) * w.width(), (i / columns) * w.height(), w.grab());
                ++i;
            }
            p.end();
            EXPECT_TRUE(sheet.save(folder_ + QStringLiteral("job_window_%1_theme%2.png").arg(QLatin1String(j.name)).arg(theme)));
        }
        w.hide();
    }
    settings.set_theme_color(saved_theme);
}

// The speed button with its drop-down arrow and the when-done box, twice their size, on every
// theme: one row each.
TEST_F(ScreenGallery, JobWindowSpeedAndWhenDoneOnEveryTheme) {
    olvex::settings& settings = olvex::zyapp::instance().settings();
    const int saved_theme = settings.get_theme_color();
    std::vector<QPixmap> rows;
    for (int theme = 0; theme < olvex::theme_count; ++theme) {
        settings.set_theme_color(theme);
        olvex::WiperWidget w;
        w.resize(604, 436);
        w.show();
        QApplication::processEvents();
        const QPixmap all = w.grab();
        const QRect speed = w.findChild<QToolButton*>(QStringLiteral("speed_btn"))->geometry();
        const QRect when = w.findChild<QComboBox*>(QStringLiteral("shutdown_cmb"))->geometry();
        QPixmap row(speed.width() + when.width() + 30, std::max(speed.height(), when.height()) + 20);
        row.fill(w.palette().color(QPalette::Window));
        QPainter p(&row);
        p.drawPixmap(10, 10, all.copy(speed));
        p.drawPixmap(speed.width() + 20, 10, all.copy(when));
        p.end();
        rows.push_back(row.scaled(row.size() * 2));
        w.hide();
    }
    settings.set_theme_color(saved_theme);
    int width = 0, height = 0;
    for (const QPixmap& r : rows) width = std::max(width, r.width()), height += r.height();
    QPixmap sheet(width, height);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    int y = 0;
    for (const QPixmap& r : rows) p.drawPixmap(0, y, r), y += r.height();
    p.end();
    EXPECT_TRUE(sheet.save(folder_ + QStringLiteral("job_window_speed_and_when_done_themes.png")));
}

// The job window as a user meets a job: the question before a volume is wiped, a short and a
// long location on the ready page, and the when-done list open.
TEST_F(ScreenGallery, JobWindowQuestionLocationsAndWhenDoneList) {
    olvex::settings& settings = olvex::zyapp::instance().settings();
    const bool saved_confirm = settings.get_confirm_wipe();
    settings.set_confirm_wipe(true);
    sandbox sb;
    image_targets t(sb);
    const std::wstring root = t.folder(L"backup/");
    image_targets::volume v;
    v.root = root;
    v.label = L"BACKUP";
    v.kind = olvex::kind_removable;
    v.image = t.image(L"backup.img", 256 * 1024);
    t.add_volume(v);
    sb.require_inside(v.image);

    olvex::WiperWidget w;
    w.resize(604, 436);
    w.show();
    ASSERT_EQ(w.start_job(olvex::job_volumes, root), 0);
    bool asked = false;
    QTimer::singleShot(0, &w, [&] {
        QMessageBox* box = nullptr;
        if (!wait_until([&] { return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())); }))
            return;
        save(*box, QStringLiteral("job_window_question"), false);
        asked = true;
        box->button(QMessageBox::Abort)->click();
    });
    w.findChild<QPushButton*>(QStringLiteral("wipe_btn"))->click();
    EXPECT_TRUE(asked);
    settings.set_confirm_wipe(saved_confirm);
    ASSERT_TRUE(wait_until([&] { return w.view().ended(); }));
    save(w, QStringLiteral("job_window_question_cancelled"), false);

    olvex::job_status status;
    status.job_type = olvex::job_files;
    status.path_count = 1;
    status.file_count = 1;
    status.total_bytes = 200000;
    QString long_path = QStringLiteral("/home/ann/Documents");
    for (const char* folder : {"Bank and insurance", "Statements 2019-2023", "Scanned letters from the bank",
                               "Second account", "Archive"})
        long_path += QLatin1Char('/') + QLatin1String(folder);
    long_path += QStringLiteral("/statement-2023-12.pdf");
    const QString long_name = QStringLiteral("/home/ann/Documents/Finance and payroll/Scanned letters from the bank/"
                                             "Quarterly-payroll-summary-final-v3.xlsx");
    const struct {
        const char* name;
        QString path;
        int32_t paths = 1;
    } locations[] = {{"job_window_location_short", QStringLiteral("/home/ann/Documents/tax-return-2023.pdf")},
                     {"job_window_location_long", long_path},
                     {"job_window_location_long_name", long_name},
                     {"job_window_location_long_name_list", long_name, 2}};
    for (const auto& l : locations) {
        status.path_count = l.paths;
        w.show_status(status, olvex::state_waiting, false, olvex::from_qstring(l.path), true);
        QApplication::processEvents();
        save(w, QString::fromLatin1(l.name), false);
    }

    // The open list is a window of its own: drawn onto the job window where it opens.
    auto* combo = w.findChild<QComboBox*>(QStringLiteral("shutdown_cmb"));
    combo->showPopup();
    QWidget* list = combo->view()->window();
    ASSERT_TRUE(wait_until([&] { return list->isVisible(); }));
    const QPoint at = w.mapFromGlobal(list->mapToGlobal(QPoint(0, 0)));
    const QRect all = w.rect().united(QRect(at, list->size()));
    QPixmap sheet(all.size());
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    p.drawPixmap(-all.topLeft(), w.grab());
    p.drawPixmap(at - all.topLeft(), list->grab());
    p.end();
    EXPECT_TRUE(sheet.save(folder_ + QStringLiteral("job_window_when_done_list.png")));
    combo->hidePopup();
    w.hide();
}

// The page-file dialog on a machine (in memory) that clears the page file at every shutdown, with
// the next-shutdown-only choice pending.
TEST_F(ScreenGallery, PageFileDialog) {
    oblivar::test::fake_registry fake;
    oblivar::test::scoped_registry_backend scope(fake);
    vandel::registry_key k;
    ASSERT_TRUE(k.create(vandel::registry_local_machine,
                         L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management"));
    k.write_dword(L"ClearPageFileAtShutdown", 1);
    olvex::PageDialog page(nullptr);
    page.show();
    page.findChild<QRadioButton*>("once_rad")->click();
    save(page, QStringLiteral("page_file_dialog"));
}

// The log window with a job's lines, and the shutdown dialog counting down to a log-off and
// waiting for another instance's job before a power-off.
TEST_F(ScreenGallery, LogWindowAndShutdownDialog) {
    olvex::zyapp::instance().settings().set_log_location(L"");
    olvex::LogWindow log;
    log.append_line(L"JOB TYPE: Wipe Files and Folders\nUsername: field-tech\nHostname: office-pc\n"
                    L"Start Time: 2024-03-15 14:30:05\nScheme: Random Data (1 pass)\n\n"
                    L"/home/field-tech/Documents/bank statement.pdf ... OK\n"
                    L"/home/field-tech/Documents/passport scan.png ... OK\n"
                    L"/home/field-tech/Documents/locked.db ... FAIL\n"
                    L"ERROR: Access denied\n\nTOTALS\n  Files: 3 (1 failed)\n  Size: 4.2 MB\n"
                    L"Finish Time: 2024-03-15 14:30:09");
    save(log, QStringLiteral("log_window"));

    oblivar::test::session_recorder recorder(olvex::elevation_none, false);
    QWidget parent;
    parent.resize(700, 500);
    olvex::ShutdownManager shutdown(&parent, QIcon(":/main/zyicon.png"));
    vandel::lock_file other_job;
    for (int mode : {olvex::session_log_off, olvex::session_power_off}) {
        const bool pending = mode == olvex::session_power_off;
        if (pending) {
            ASSERT_TRUE(other_job.set_path(olvex::job_lock_name) && other_job.acquire_shared());
        }
        QTimer::singleShot(0, &shutdown, [&] {
            QTimerEvent tick(shutdown.timer_id());
            QCoreApplication::sendEvent(&shutdown, &tick);
            save(shutdown, pending ? QStringLiteral("shutdown_pending_power_off") : QStringLiteral("shutdown_log_off"), false);
            shutdown.reject();
        });
        EXPECT_FALSE(shutdown.run(mode));
    }
    other_job.release();
    EXPECT_TRUE(recorder.calls.empty());
}
