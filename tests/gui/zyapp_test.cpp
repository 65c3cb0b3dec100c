#include "gui/shell/zyapp.h"
#include "services/command_bridge.h"
#include "tests/gui/gui_test.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace oblivar::test;
using olvex::zyapp;

class language_probe : public QWidget {
public:
    int changes = 0;

protected:
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::LanguageChange) ++changes;
        QWidget::changeEvent(e);
    }
};

TEST(Zyapp, SetLanguageSwitchesTextsAndTellsEveryWindow) {
    table_scope scope;
    ASSERT_EQ(load_table("KEY: MISC_CLOSE_TEXT\nLANG: en\nTEXT: Close\nLANG: de\nTEXT: Schließen\n"), 0);
    language_probe window;
    zyapp app;
    app.set_language(L"de");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(QCoreApplication::translate("message_form", "close_btn", "MISC_CLOSE_TEXT"),
              QString::fromUtf8("Schließen"));
    const int after_first = window.changes;
    EXPECT_GE(after_first, 1);
    app.set_language(L"xx");  // no such language: English stands in
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(QCoreApplication::translate("message_form", "close_btn", "MISC_CLOSE_TEXT"), QStringLiteral("Close"));
    EXPECT_GT(window.changes, after_first);
}

TEST(Zyapp, OnlyARelaunchedInstanceReturnsToNormalRights) {
    zyapp app;
    EXPECT_FALSE(app.close_for_deelevate());
    app.set_request(olvex::decode_request(olvex::CMD_VIA_HELPER, L"", L"", false));
    QWidget window;
    window.show();
    QTimer::singleShot(0, [&] { EXPECT_TRUE(app.close_for_deelevate()); });
    EXPECT_EQ(QApplication::exec(), olvex::exit_deelevate);
    EXPECT_FALSE(window.isVisible());
}

TEST(Zyapp, NoElevationWhereTheProcessCantBeRaised) {
    zyapp app;
    // Only a limited administrator restarts, and no helper stands beside the tests: nothing starts.
    EXPECT_FALSE(app.relaunch_elevated(olvex::ACTION_WIPE_VOLUMES, 1, 100, L"/x"));
}

}  // namespace

namespace {

// A start with action 17 or 19 shows that dialog alone, centred on the screen under the cursor,
// and the program ends when the user closes it.
TEST(Zyapp, ADialogAskedForAloneIsTheWholeProgram) {
    olvex::zyapp& app = olvex::zyapp::instance();
    const struct {
        uint32_t word;
        const char* window_class;
    } rows[] = {{olvex::ACTION_OPTIONS, "olvex::OptionsDialog"}, {olvex::ACTION_ABOUT, "olvex::AboutDialog"}};
    for (const auto& row : rows) {
        app.set_request(olvex::decode_request(row.word, L"", L"", false));
        QString shown;
        QRect geometry;
        int others = 0;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!w->isVisible()) continue;
                if (w->inherits(row.window_class)) {
                    shown = QString::fromLatin1(w->metaObject()->className());
                    geometry = w->frameGeometry();
                    w->close();  // as the user's Close button or the title bar's cross does
                } else {
                    ++others;
                }
            }
        });
        EXPECT_EQ(app.run_windows(L""), 0) << row.window_class;
        EXPECT_EQ(shown, QString::fromLatin1(row.window_class));
        EXPECT_EQ(others, 0);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_LE(std::abs(geometry.center().x() - screen.center().x()), 2) << row.window_class;
        EXPECT_LE(std::abs(geometry.center().y() - screen.center().y()), 2) << row.window_class;
    }
    app.set_request(olvex::start_request{});
}

}  // namespace
