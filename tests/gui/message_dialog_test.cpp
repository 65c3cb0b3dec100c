#include "gui/shell/message_dialog.h"
#include "gui/shell/qinterlang.h"
#include "tests/gui/gui_test.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace oblivar::test;
using olvex::MessageDialog;

QString long_report() {
    QString text;
    for (int i = 0; i < 300; ++i) text += QStringLiteral("line %1 of a long report\n").arg(i);
    return text;
}

TEST(MessageDialog, FormAsBuilt) {
    table_scope scope;
    ASSERT_EQ(load_table("KEY: MISC_CLOSE_TEXT\nLANG: en\nTEXT: Close\nKEY: MISC_HELP_TEXT\nLANG: en\nTEXT: Help\n"), 0);
    QInterlang translator;
    QCoreApplication::installTranslator(&translator);
    MessageDialog d(nullptr, QIcon());
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(d.objectName(), QStringLiteral("message_form"));
    EXPECT_EQ(d.size(), QSize(400, 250));
    EXPECT_EQ(d.minimumSize(), QSize(250, 150));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Message"));
    EXPECT_EQ(d.windowFlags() & Qt::WindowCloseButtonHint, Qt::WindowCloseButtonHint);
    EXPECT_FALSE(d.windowFlags() & Qt::WindowContextHelpButtonHint);
    auto* close = d.findChild<QPushButton*>("close_btn");
    auto* help = d.findChild<QPushButton*>("help_btn");
    ASSERT_TRUE(close && help);
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    EXPECT_EQ(help->text(), QStringLiteral("Help"));
    auto* text = d.findChild<QTextEdit*>("text_edit");
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_FALSE(text->acceptRichText());
    EXPECT_EQ(text->cursorWidth(), 0);
    EXPECT_EQ(text->font().family(), QStringLiteral("Courier New"));
}

TEST(MessageDialog, HelpButtonOnlyWithAnAddress) {
    MessageDialog d(nullptr, QIcon());
    auto* help = d.findChild<QPushButton*>("help_btn");
    EXPECT_FALSE(help->isVisibleTo(&d));
    url_recorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    QTest::mouseClick(help, Qt::LeftButton);  // hidden and without address: nothing opens
    d.set_help_url("https://example.org/user guide/create_language.html");
    EXPECT_TRUE(help->isVisibleTo(&d));
    d.show();
    QTest::mouseClick(help, Qt::LeftButton);
    d.set_help_url("");
    EXPECT_FALSE(help->isVisibleTo(&d));
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened[0].path(), QStringLiteral("/user guide/create_language.html"));
}

TEST(MessageDialog, EveryReportOpensAtItsFirstLine) {
    MessageDialog d(nullptr, QIcon());
    d.show();
    auto* text = d.findChild<QTextEdit*>("text_edit");
    d.set_message(long_report());
    QScrollBar* bar = text->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    d.set_message(long_report());
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(text->toPlainText(), long_report());
}

TEST(MessageDialog, EscapeClosesReturnDoesNot) {
    MessageDialog d(nullptr, QIcon());
    d.show();
    QTest::keyClick(&d, Qt::Key_Return);
    EXPECT_TRUE(d.isVisible());
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
}

TEST(MessageDialog, RunsModallyUntilClosedCentredOnItsParent) {
    QWidget parent;
    parent.setGeometry(100, 80, 900, 700);
    parent.show();
    MessageDialog d(&parent, QIcon());
    d.setWindowTitle("Check Translations");
    d.set_message("ALL OK");
    QPoint centre;
    QTimer::singleShot(0, &d, [&] {
        centre = d.geometry().center();
        QTest::mouseClick(d.findChild<QPushButton*>("close_btn"), Qt::LeftButton);
    });
    d.exec();
    EXPECT_FALSE(d.isVisible());
    EXPECT_LE((centre - parent.geometry().center()).manhattanLength(), 1);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Check Translations"));
}

}  // namespace
