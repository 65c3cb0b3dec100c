#include "gui/shell/first_window.h"
#include "gui/shell/folder_browser.h"
#include "gui/shell/options_dialog.h"
#include "gui/shell/qinterlang.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/zyapp.h"
#include "services/settings.h"
#include "tests/gui/gui_test.h"
#include "tests/support/sandbox.h"
#include "vandel/file_store.h"
#include "vandel/files.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace oblivar::test;
using olvex::OptionsDialog;
using olvex::settings;
using olvex::zyapp;

const char* const texts =
    "KEY: LANGUAGE\nLANG: en\nTEXT: English\nLANG: de\nTEXT: Deutsch\n"
    "KEY: MISC_OK_TEXT\nLANG: en\nTEXT: OK\nLANG: de\nTEXT: Gut\n"
    "KEY: OPTIONS_TITLE\nLANG: en\nTEXT: Options\nLANG: de\nTEXT: Optionen\n"
    "KEY: OPTIONS_WIPE_TAB\nLANG: en\nTEXT: Wiping\nLANG: de\nTEXT: Loeschen\n"
    "KEY: MISC_DISABLED\nLANG: en\nTEXT: Disabled\nLANG: de\nTEXT: Aus\n"
    "KEY: MISC_ENABLED\nLANG: en\nTEXT: Enabled\nLANG: de\nTEXT: An\n"
    "KEY: OPTIONS_LOG_WARNING\nLANG: en\nTEXT: Folder missing\nLANG: de\nTEXT: Ordner fehlt\n"
    "KEY: OPTIONS_RENAME_ITEM\nLANG: en\nTEXT: %1 renames\nLANG: de\nTEXT: %1 mal\n"
    "KEY: OPTIONS_THEME_LAB\nLANG: en\nTEXT: Theme\n";  // German lacks it

// A main window as far as the options reach it: it counts the settings it was asked to apply.
class fake_main_window : public QWidget, public olvex::main_window_hooks {
public:
    int applied = 0;
    void apply_settings(bool initial) override {
        if (!initial) ++applied;
    }
    void save_geometry(bool) override {}
};

// The application object's settings in this test's own settings file (the test runner gives each
// test program a private home), with a fresh reader of what was written.
class Options : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(load_table(texts), 0);
        QCoreApplication::installTranslator(&translator_);
        path_ = vandel::settings_file_path(L"Tarnhollow", L"Olvex Main", vandel::store_user_write);
        ASSERT_FALSE(path_.empty());
        vandel::remove_path(path_, true);
        ASSERT_TRUE(app().settings().open(olvex::settings_per_user));
        app().set_request(olvex::start_request{});
    }
    void TearDown() override {
        app().set_main_window(nullptr);
        QCoreApplication::removeTranslator(&translator_);
    }
    static zyapp& app() { return zyapp::instance(); }
    static settings& stored() { return app().settings(); }
    // What the settings file holds now.
    std::unique_ptr<settings> reread() {
        auto fresh = std::make_unique<settings>();
        EXPECT_TRUE(fresh->open(olvex::settings_per_user));
        return fresh;
    }
    template <class W>
    static W* child(QWidget& d, const char* name) {
        W* w = d.findChild<W*>(name);
        EXPECT_TRUE(w) << name;
        return w;
    }

    std::wstring path_;
    QInterlang translator_;
    table_scope scope_;
};

struct check_row {
    const char* name;
    bool (settings::*get)();
    void (settings::*set)(bool);
};

// The toolbar box follows the main-menu box (the menu and the toolbar are never both hidden):
// ButtonRowsRoundTripAndAHiddenMenuKeepsTheToolsButton has it.
const check_row check_rows[] = {
    {"menu_chk", &settings::get_show_menu, &settings::set_show_menu},
    {"auto_close_chk", &settings::get_auto_close, &settings::set_auto_close},
    {"tran_chk", &settings::get_transparent_menu, &settings::set_transparent_menu},
    {"graphic_chk", &settings::get_show_graphic, &settings::set_show_graphic},
    {"tool_shade_chk", &settings::get_shaded_toolbar, &settings::set_shaded_toolbar},
    {"abort_chk", &settings::get_abort_on_error, &settings::set_abort_on_error},
    {"confirm_chk", &settings::get_confirm_wipe, &settings::set_confirm_wipe},
    {"verify_chk", &settings::get_def_verify, &settings::set_def_verify},
    {"verbose_chk", &settings::get_verbose_log, &settings::set_verbose_log},
    {"bom_chk", &settings::get_log_bom, &settings::set_log_bom},
    {"log_user_chk", &settings::get_log_user, &settings::set_log_user},
    {"sound_chk", &settings::get_sys_sounds, &settings::set_sys_sounds},
    {"force_shutdown_chk", &settings::get_force_shutdown, &settings::set_force_shutdown},
};

TEST_F(Options, EveryCheckBoxRoundTripsItsSetting) {
    for (bool value : {true, false}) {
        for (const check_row& r : check_rows) (stored().*r.set)(value);
        ASSERT_TRUE(stored().close());
        OptionsDialog d(nullptr);
        d.show();
        for (const check_row& r : check_rows) {
            auto* box = child<QCheckBox>(d, r.name);
            EXPECT_EQ(box->isChecked(), value) << r.name;
            box->setChecked(!value);
        }
        child<QPushButton>(d, "ok_btn")->click();
        EXPECT_FALSE(d.isVisible());
        auto file = reread();
        for (const check_row& r : check_rows) EXPECT_EQ(((*file).*r.get)(), !value) << r.name;
    }
}

struct combo_row {
    const char* name;
    std::function<double(settings&)> get;
    std::function<void(settings&, double)> set;
    double stored, shown_text_check, chosen;  // chosen: the value of the entry the user picks
};

TEST_F(Options, EveryComboBoxRoundTripsItsSetting) {
    auto i = [](void (settings::*set)(int32_t)) {
        return [set](settings& s, double v) { (s.*set)(static_cast<int32_t>(v)); };
    };
    auto g = [](int32_t (settings::*get)()) { return [get](settings& s) { return double((s.*get)()); }; };
    const double last = static_cast<int32_t>(0x80000000u), first = 0x40000000;
    const combo_row rows[] = {
        {"rename_cmb", g(&settings::get_rename_count), i(&settings::set_rename_count), 2, 2, 5},
        {"ftol_cmb", [](settings& s) { return s.get_ftol_perc(); },
         [](settings& s, double v) { s.set_ftol_perc(v); }, 0.5, 0.5, 20},
        {"verify_cmb", g(&settings::get_verify_scheme), i(&settings::set_verify_scheme), last, last, first},
        {"loglife_cmb", g(&settings::get_logfile_lifetime), i(&settings::set_logfile_lifetime), 86400, 86400,
         31622400},
        {"maxlog_cmb", g(&settings::get_max_log_size), i(&settings::set_max_log_size), 5000, 5000, 250000},
        {"theme_cmb", g(&settings::get_theme_color), i(&settings::set_theme_color), 4, 4, 6},
        {"tb_pos_cmb", g(&settings::get_toolbar_place), i(&settings::set_toolbar_place), 0, 0, 2},
        {"tb_size_cmb", g(&settings::get_toolbar_size), i(&settings::set_toolbar_size), 2, 2, 0},
        {"tb_txt_cmb", g(&settings::get_toolbar_text), i(&settings::set_toolbar_text), 1, 1, 2},
    };
    for (const combo_row& r : rows) r.set(stored(), r.stored);
    stored().set_default_scheme(3);
    ASSERT_TRUE(stored().close());
    OptionsDialog d(nullptr);
    d.show();
    for (const combo_row& r : rows) {
        auto* combo = child<QComboBox>(d, r.name);
        EXPECT_DOUBLE_EQ(combo->currentData().toDouble(), r.shown_text_check) << r.name;
        const int pick = combo->findData(r.chosen);
        ASSERT_GE(pick, 0) << r.name;
        combo->setCurrentIndex(pick);
    }
    auto* scheme = child<QComboBox>(d, "def_scheme_cmb");
    EXPECT_EQ(scheme->currentIndex(), 3);
    EXPECT_EQ(scheme->count(), 10);
    scheme->setCurrentIndex(7);
    child<QPushButton>(d, "apply_btn")->click();
    EXPECT_TRUE(d.isVisible());
    auto file = reread();
    for (const combo_row& r : rows) EXPECT_DOUBLE_EQ(r.get(*file), r.chosen) << r.name;
    EXPECT_EQ(file->get_default_scheme(), 7);
}

TEST_F(Options, ValuesBetweenEntriesShowAndSaveTheNearestEntry) {
    stored().set_rename_count(25);
    stored().set_ftol_perc(15);
    stored().set_logfile_lifetime(30 * 86400);
    ASSERT_TRUE(stored().close());
    OptionsDialog d(nullptr);
    d.show();
    EXPECT_EQ(child<QComboBox>(d, "rename_cmb")->currentData().toInt(), 9);
    EXPECT_DOUBLE_EQ(child<QComboBox>(d, "ftol_cmb")->currentData().toDouble(), 10);  // the first of two
    EXPECT_EQ(child<QComboBox>(d, "loglife_cmb")->currentData().toInt(), 2678400);
    EXPECT_EQ(child<QComboBox>(d, "ftol_cmb")->count(), 24);
    EXPECT_EQ(child<QComboBox>(d, "maxlog_cmb")->itemText(15).count(QLocale().groupSeparator()), 2);
    child<QPushButton>(d, "ok_btn")->click();
    auto file = reread();
    EXPECT_EQ(file->get_rename_count(), 9);
    EXPECT_DOUBLE_EQ(file->get_ftol_perc(), 10);
    QComboBox empty;
    EXPECT_EQ(olvex::select_combo_by_value(&empty, 3), -1);
}

TEST_F(Options, ButtonRowsRoundTripAndAHiddenMenuKeepsTheToolsButton) {
    const std::pair<void (settings::*)(bool), bool (settings::*)()> rows[] = {
        {&settings::set_show_files_btn, &settings::get_show_files_btn},
        {&settings::set_show_device_btn, &settings::get_show_device_btn},
        {&settings::set_show_volume_btn, &settings::get_show_volume_btn},
        {&settings::set_show_space_btn, &settings::get_show_space_btn},
        {&settings::set_show_trash_btn, &settings::get_show_trash_btn},
        {&settings::set_show_page_btn, &settings::get_show_page_btn},
        {&settings::set_show_tools_btn, &settings::get_show_tools_btn},
    };
    int n = 0;
    for (const auto& [set, get] : rows) (stored().*set)(n++ % 2 == 0);
    stored().set_show_menu(true);
    stored().set_show_toolbar(false);
    ASSERT_TRUE(stored().close());
    OptionsDialog d(nullptr);
    d.show();
    auto* list = child<QListWidget>(d, "check_list");
    ASSERT_EQ(list->count(), 7);
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(list->item(row)->checkState() == Qt::Checked, row % 2 == 0) << row;
        list->item(row)->setCheckState(row % 2 == 0 ? Qt::Unchecked : Qt::Checked);
    }
    // Without the main menu the toolbar and its tools button stay, greyed; the menu back
    // brings the stored values back.
    auto* menu = child<QCheckBox>(d, "menu_chk");
    auto* tools = child<QCheckBox>(d, "tools_chk");
    menu->setChecked(false);
    EXPECT_TRUE(tools->isChecked());
    EXPECT_FALSE(tools->isEnabled());
    EXPECT_EQ(list->item(6)->checkState(), Qt::Checked);
    EXPECT_FALSE(list->item(6)->flags() & Qt::ItemIsEnabled);
    menu->setChecked(true);
    EXPECT_FALSE(tools->isChecked());
    EXPECT_TRUE(tools->isEnabled());
    EXPECT_EQ(list->item(6)->checkState(), Qt::Checked);  // stored: row 6 was ticked
    list->item(6)->setCheckState(Qt::Unchecked);
    menu->setChecked(false);
    child<QPushButton>(d, "ok_btn")->click();
    auto file = reread();
    n = 0;
    for (const auto& [set, get] : rows) {
        if (n == 6) break;  // the tools button: see below
        EXPECT_EQ(((*file).*get)(), n % 2 != 0) << n;
        ++n;
    }
    EXPECT_TRUE(file->get_show_tools_btn());  // not saved while the menu is hidden
    EXPECT_FALSE(file->get_show_menu());
    EXPECT_TRUE(file->get_show_toolbar());
}

TEST_F(Options, LogFolderStatusAndSaving) {
    sandbox sb;
    const std::wstring folder = sb.path(L"logs");
    ASSERT_TRUE(vandel::create_directory(folder));
    stored().set_log_location(sb.path(L"missing"));
    ASSERT_TRUE(stored().close());
    OptionsDialog d(nullptr);
    d.show();
    auto* status = child<QLabel>(d, "log_info_lab");
    auto* location = child<QLineEdit>(d, "location_edit");
    EXPECT_EQ(location->text(), olvex::to_qstring(sb.path(L"missing")));
    EXPECT_TRUE(status->text().contains(QStringLiteral("color:#7F0000;")));
    EXPECT_TRUE(status->text().contains(QStringLiteral("Folder missing")));

    int asked = 0;
    olvex::set_folder_browser([&](QWidget* owner) {
        ++asked;
        EXPECT_EQ(owner, &d);
        return asked == 1 ? QString() : olvex::to_qstring(folder);
    });
    child<QPushButton>(d, "populate_log_btn")->click();  // cancelled: nothing changes
    EXPECT_EQ(location->text(), olvex::to_qstring(sb.path(L"missing")));
    child<QPushButton>(d, "populate_log_btn")->click();
    olvex::set_folder_browser({});
    EXPECT_EQ(location->text(), olvex::to_qstring(folder));
    EXPECT_EQ(status->text(), QStringLiteral("Enabled"));
    child<QPushButton>(d, "apply_btn")->click();
    EXPECT_EQ(reread()->get_log_location(), folder);

    child<QPushButton>(d, "clear_log_btn")->click();
    EXPECT_EQ(status->text(), QStringLiteral("Disabled"));
    child<QPushButton>(d, "cancel_btn")->click();  // nothing saved
    EXPECT_EQ(reread()->get_log_location(), folder);
    d.show();  // every show reloads the stored values
    EXPECT_EQ(location->text(), olvex::to_qstring(folder));
}

// On the Logging tab each control stands right under its heading, lined up with it, and the
// status reads at the size of the texts around it.
TEST_F(Options, LoggingTabHeadingsStandOverTheirControls) {
    OptionsDialog d(nullptr);
    auto* tabs = child<QTabWidget>(d, "page_tab");
    QWidget* tab = child<QWidget>(d, "log_tab");
    tabs->setCurrentWidget(tab);
    d.show();
    const struct {
        const char* heading;
        const char* control;
    } pairs[] = {{"warn_log_lab_2", "log_info_lab"},
                 {"output_lab", "location_edit"},
                 {"clear_log_lab", "loglife_cmb"},
                 {"maxlog_lab", "maxlog_cmb"}};
    for (const auto& p : pairs) {
        const QWidget* heading = child<QWidget>(d, p.heading);
        const QWidget* control = child<QWidget>(d, p.control);
        const QRect h(heading->mapTo(tab, QPoint(0, 0)), heading->size());
        const QRect c(control->mapTo(tab, QPoint(0, 0)), control->size());
        EXPECT_EQ(c.left(), h.left()) << p.control;
        EXPECT_GT(c.top(), h.bottom()) << p.control;
        EXPECT_LE(c.top() - h.bottom(), 12) << p.control;
        EXPECT_GE(c.height(), control->minimumSizeHint().height()) << p.control;
    }
    const QFontInfo status(child<QLabel>(d, "log_info_lab")->font());
    const QFontInfo heading(child<QLabel>(d, "warn_log_lab_2")->font());
    EXPECT_EQ(status.pixelSize(), heading.pixelSize());
}

TEST_F(Options, ApplyChangesTheLanguageAndTellsTheMainWindow) {
    ASSERT_TRUE(stored().close());
    fake_main_window main;
    app().set_main_window(&main);
    app().set_language(L"en");
    OptionsDialog d(nullptr);
    d.show();
    auto* language = child<QComboBox>(d, "lang_cmb");
    ASSERT_EQ(language->count(), 2);
    EXPECT_EQ(language->currentText(), QStringLiteral("English"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Oblivar - Options"));
    language->setCurrentIndex(language->findData(QStringLiteral("de")));
    child<QComboBox>(d, "theme_cmb")->setCurrentIndex(child<QComboBox>(d, "theme_cmb")->findData(2));
    child<QPushButton>(d, "apply_btn")->click();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(main.applied, 1);
    EXPECT_EQ(reread()->get_language(), L"de");
    EXPECT_EQ(reread()->get_theme_color(), 2);
    // The dialog that made the change speaks the new language at once, with its choices kept.
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Oblivar - Optionen"));
    EXPECT_EQ(child<QPushButton>(d, "ok_btn")->text(), QStringLiteral("Gut"));
    EXPECT_EQ(child<QComboBox>(d, "rename_cmb")->itemText(3), QStringLiteral("3 mal"));
    EXPECT_EQ(language->currentText(), QStringLiteral("Deutsch"));
    EXPECT_EQ(child<QComboBox>(d, "theme_cmb")->currentData().toInt(), 2);
    app().set_language(L"en");
}

TEST_F(Options, AFailedWriteIsReported) {
    // A folder where the settings file belongs: the store can't be read, so it is never written.
    ASSERT_TRUE(vandel::create_directory(path_));
    EXPECT_FALSE(stored().open(olvex::settings_per_user));
    OptionsDialog d(nullptr);
    d.show();
    child<QCheckBox>(d, "sound_chk")->toggle();
    message_box_answer answer;
    answer.arm();
    child<QPushButton>(d, "apply_btn")->click();
    EXPECT_EQ(answer.seen, 1);
    EXPECT_EQ(answer.caption, QStringLiteral("Oblivar"));
    EXPECT_TRUE(vandel::is_directory(path_));
    vandel::remove_path(path_, true);
}

TEST_F(Options, DialogModeAndPortableCopy) {
    // A request from Explorer: no toolbar tab and no Apply button; the tab titles are still the
    // language's own, not the form's.
    ASSERT_EQ(load_table(texts, L"de"), 0);
    app().set_request(olvex::decode_request(0x111, L"", L"", false));
    ASSERT_TRUE(app().is_dialog_mode());
    OptionsDialog explorer(nullptr);
    auto* tabs = child<QTabWidget>(explorer, "page_tab");
    EXPECT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->indexOf(child<QWidget>(explorer, "toobar_tab")), -1);
    EXPECT_EQ(tabs->indexOf(child<QWidget>(explorer, "wipe_tab")), 1);
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Loeschen"));
    ASSERT_EQ(load_table(texts), 0);
    EXPECT_FALSE(child<QPushButton>(explorer, "apply_btn")->isVisibleTo(&explorer));
    app().set_request(olvex::start_request{});
    OptionsDialog installed(nullptr);
    EXPECT_EQ(child<QTabWidget>(installed, "page_tab")->count(), 5);
    // The Explorer extension and the page file are Windows features; the automatic close in dialog
    // mode is offered wherever dialog mode exists: in every installed copy.
    EXPECT_EQ(child<QWidget>(installed, "shell_cmb")->isVisibleTo(&installed), app().offers_registry_features());
    EXPECT_EQ(child<QWidget>(installed, "shell_icons_chk")->isVisibleTo(&installed), app().offers_registry_features());
    EXPECT_TRUE(child<QCheckBox>(installed, "auto_close_chk")->isVisibleTo(&installed));
    EXPECT_EQ(child<QListWidget>(installed, "check_list")->isRowHidden(5), !app().offers_registry_features());
    EXPECT_TRUE(child<QCheckBox>(installed, "local_chk")->isHidden());
    QWidget parent;
    OptionsDialog owned(&parent);
    EXPECT_EQ(owned.windowTitle(), QStringLiteral("Options"));
}

TEST_F(Options, APortableCopyOffersLocalLogging) {
    ASSERT_EQ(load_table(std::string(texts) + "KEY: OPTIONS_LOCAL_LEADER\nLANG: en\nTEXT: [program]/\n"), 0);
    app().set_portable(true);
    OptionsDialog d(nullptr);
    app().set_portable(false);
    d.show();
    auto* local = child<QCheckBox>(d, "local_chk");
    EXPECT_FALSE(local->isHidden());
    EXPECT_FALSE(child<QWidget>(d, "shell_widget")->isVisibleTo(&d));
    EXPECT_TRUE(child<QListWidget>(d, "check_list")->isRowHidden(5));
    app().set_portable(true);
    local->setChecked(true);
    EXPECT_EQ(child<QLineEdit>(d, "location_edit")->text(), QStringLiteral("[program]/zy-log"));
    local->setChecked(false);
    EXPECT_TRUE(child<QLineEdit>(d, "location_edit")->text().isEmpty());
    app().set_portable(false);
}

TEST_F(Options, ShellChoiceGreysItsCheckBoxes) {
    OptionsDialog d(nullptr);
    d.show();
    auto* shell = child<QComboBox>(d, "shell_cmb");
    ASSERT_EQ(shell->count(), 2);
    shell->setCurrentIndex(shell->findData(false));
    EXPECT_FALSE(child<QCheckBox>(d, "shell_icons_chk")->isEnabled());
    // Without an Explorer menu to choose, dialog mode comes from a plain start with files.
    EXPECT_EQ(child<QCheckBox>(d, "auto_close_chk")->isEnabled(), !app().offers_registry_features());
    shell->setCurrentIndex(shell->findData(true));
    EXPECT_TRUE(child<QCheckBox>(d, "shell_icons_chk")->isEnabled());
}

TEST_F(Options, LanguageCheckReportAndHelpPages) {
    url_recorder recorder;
    QDesktopServices::setUrlHandler("file", &recorder, "open");
    OptionsDialog d(nullptr);
    d.show();
    message_box_answer answer;
    answer.arm();
    child<QPushButton>(d, "validate_btn")->click();
    EXPECT_EQ(answer.seen, 1);
    auto* report = d.findChild<QTextEdit*>("text_edit");
    ASSERT_TRUE(report);
    // The small table lacks most of the keys the program uses: a report of problems.
    EXPECT_TRUE(report->toPlainText().startsWith(QStringLiteral("LANGUAGES: en, de\nCheck Language Translations")));
    EXPECT_TRUE(report->toPlainText().contains(QStringLiteral("Problems Detected")));
    EXPECT_TRUE(report->toPlainText().endsWith(QStringLiteral("Click the Help button below for further instructions.")));
    ASSERT_EQ(load_table("KEY: LANGUAGE\nLANG: en\nTEXT: English\n"), 0);
    answer.arm();
    child<QPushButton>(d, "validate_btn")->click();
    EXPECT_EQ(answer.seen, 2);
    EXPECT_EQ(answer.caption, child<QPushButton>(d, "validate_btn")->text());
    EXPECT_TRUE(report->toPlainText().startsWith(QStringLiteral("LANGUAGES: en\nCheck Language Translations...\n\nALL OK\n\n\nINFORMATION.")));
    child<QPushButton>(d, "help_btn")->click();
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_TRUE(recorder.opened[0].path().endsWith(QStringLiteral("user_guide/configuration.html")));
    EXPECT_TRUE(child<QLabel>(d, "lang_link")->text().contains(QStringLiteral("language_packs.html")));
}

// Escape on an open drop-down list closes that list only: the dialog stays, with what was changed
// in it. Escape on the dialog itself still cancels it, keeping nothing.
TEST_F(Options, EscapeOnAnOpenListClosesOnlyTheList) {
    stored().set_sys_sounds(false);
    ASSERT_TRUE(stored().close());
    OptionsDialog d(nullptr);
    d.show();
    QApplication::setActiveWindow(&d);
    child<QCheckBox>(d, "sound_chk")->setChecked(true);
    auto* tabs = child<QTabWidget>(d, "page_tab");
    int lists = 0;
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        for (QComboBox* combo : tabs->widget(tab)->findChildren<QComboBox*>()) {
            if (!combo->isVisible()) continue;
            ++lists;
            const std::string name = combo->objectName().toStdString();
            const int before = combo->currentIndex();
            combo->setFocus();
            combo->showPopup();
            ASSERT_TRUE(wait_until([] { return QApplication::activePopupWidget() != nullptr; })) << name;
            // As the platform sends it: to the window that has the keyboard, the dialog's.
            QTest::keyClick(d.windowHandle(), Qt::Key_Escape);
            EXPECT_TRUE(wait_until([] { return QApplication::activePopupWidget() == nullptr; })) << name;
            ASSERT_TRUE(d.isVisible()) << "Escape on the open list of " << name << " closed the dialog";
            EXPECT_EQ(combo->currentIndex(), before) << name;
        }
    }
    EXPECT_GE(lists, 5);
    EXPECT_TRUE(child<QCheckBox>(d, "sound_chk")->isChecked());
    QTest::keyClick(d.windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(reread()->get_sys_sounds());
}

TEST_F(Options, StartUpShowsTheDialogAlone) {
    std::unique_ptr<QWidget> window(olvex::create_first_window(olvex::first_window_kind::options));
    ASSERT_TRUE(window);
    EXPECT_TRUE(qobject_cast<OptionsDialog*>(window.get()));
    EXPECT_FALSE(window->parentWidget());
}

}  // namespace
