#include "gui/shell/zyapp.h"
#include "services/command_bridge.h"
#include "tests/gui/gui_test.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

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
