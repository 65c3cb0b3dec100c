// The screen gallery: every window built so far rendered to PNG files in <build>/screens, in
// English, so that anyone can look at what a user sees. Each later window adds its pictures here.
#include "gui/shell/gui_resources.h"
#include "gui/shell/message_dialog.h"
#include "gui/shell/qinterlang.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/theme.h"
#include "services/interlang.h"
#include "tests/e2e/support/program.h"
#include "tests/gui/gui_test.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

using namespace oblivar::test;

class ScreenGallery : public ::testing::Test {
protected:
    void SetUp() override {
        olvex::init_gui_resources();
        olvex::interlang& table = olvex::interlang::instance();
        table.clear();
        ASSERT_EQ(olvex::load_language_files(own_folder() + L"../zy-langs", table), L"");
        table.begin_update();
        table.set_languages(L"en", L"en");
        table.end_update();
        QCoreApplication::installTranslator(&translator_);
        folder_ = olvex::to_qstring(own_folder()) + QStringLiteral("../screens/");
        ASSERT_TRUE(QDir().mkpath(folder_));
    }
    void TearDown() override { QCoreApplication::removeTranslator(&translator_); }

    // Shows the window as a user would get it and writes what it shows.
    void save(QWidget& window, const QString& name) {
        window.show();
        QApplication::processEvents();
        const QPixmap shot = window.grab();
        ASSERT_FALSE(shot.isNull()) << name.toStdString();
        EXPECT_TRUE(shot.save(folder_ + name + QStringLiteral(".png"))) << name.toStdString();
        window.hide();
    }

    QString folder_;
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
    QMessageBox missing(QMessageBox::Warning, QStringLiteral("Oblivar"),
                        QStringLiteral("The main window is not part of this build of Oblivar yet."), QMessageBox::Ok);
    save(missing, QStringLiteral("startup_window_missing"));
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
