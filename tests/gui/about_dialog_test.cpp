#include "gui/shell/about_dialog.h"
#include "gui/shell/first_window.h"
#include "gui/shell/gui_resources.h"
#include "gui/shell/qinterlang.h"
#include "gui/shell/web_pages.h"
#include "tests/gui/gui_test.h"
#include "tests/support/child.h"
#include "tests/support/env.h"
#include "vandel/convert.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace oblivar::test;
using olvex::AboutBase;
using olvex::AboutDialog;

TEST(AboutBox, PlaceholdersAndColoursFillBothTemplates) {
    AboutBase box(nullptr);
    box.set_value(QStringLiteral("$(PRODUCT_TEXT)"), QStringLiteral("Text $(FOOTER)"));
    box.set_value(QStringLiteral("$(VERSION_TEXT)"), QStringLiteral("1.2"));
    box.set_value(QStringLiteral("$(LINK_URL)"), QStringLiteral("file:///guide.html"));
    box.set_value(QStringLiteral("$(LINK_NAME)"), QStringLiteral("Guide"));
    box.set_title_color(QColor(0x12, 0xAB, 0xEF));
    box.set_link_color(Qt::red);
    box.show();
    const QString header = box.findChild<QLabel*>("upper_lab")->text();
    const QString body = box.findChild<QLabel*>("lower_lab")->text();
    EXPECT_TRUE(header.contains(QStringLiteral("PRODUCT NAME")));
    EXPECT_TRUE(header.contains(QStringLiteral("1.2")));
    EXPECT_TRUE(header.contains(QStringLiteral("#12abef")));
    EXPECT_FALSE(header.contains(QStringLiteral("#d64203")));
    EXPECT_TRUE(header.contains(QStringLiteral("#606060")));  // the version colour's default
    EXPECT_TRUE(body.contains(QStringLiteral("href=\"file:///guide.html\"")));
    EXPECT_TRUE(body.contains(QStringLiteral("#ff0000")));
    EXPECT_TRUE(body.contains(QStringLiteral("#303030")));
    EXPECT_FALSE(body.contains(QStringLiteral("$(")));
}

TEST(AboutBox, ProgramValuesAndLanguage) {
    olvex::init_gui_resources();
    table_scope scope;
    ASSERT_EQ(load_table("KEY: ABOUT_WIN_TITLE\nLANG: en\nTEXT: About\nLANG: de\nTEXT: Info\n"
                         "KEY: ABOUT_FOOTER\nLANG: en\nTEXT: Careful & sure\n"),
              0);
    QInterlang translator;
    QCoreApplication::installTranslator(&translator);
    AboutDialog box(nullptr);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About"));
    box.show();
    const QString body = box.findChild<QLabel*>("lower_lab")->text();
    EXPECT_TRUE(body.contains(QStringLiteral("Careful &amp; sure")));
    EXPECT_TRUE(body.contains(olvex::web_page_url(olvex::web_page::home).toString(QUrl::FullyEncoded)));
    EXPECT_TRUE(box.findChild<QLabel*>("upper_lab")->text().contains(QStringLiteral("<b>Oblivar</b>")));

    ASSERT_EQ(load_table("KEY: ABOUT_WIN_TITLE\nLANG: en\nTEXT: About\nLANG: de\nTEXT: Info\n", L"de"), 0);
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Info"));
    QCoreApplication::removeTranslator(&translator);
}

// The box's size follows the screen's dots per inch and can't be changed; its banner covers the
// whole header above the body, however high the body leaves it. A process's screen resolution
// is fixed: each one runs in a process of its own.
TEST(AboutBox, SizeAndBannerAt96AndAt144DotsPerInch) {
    for (const wchar_t* dpi : {L"96", L"144"}) {
        scoped_env resolution("QT_FONT_DPI", std::wstring(dpi));
        EXPECT_EQ(run_child_test("AboutBoxChild.SizeAndBanner"), 0) << vandel::to_utf8(dpi, '?');
    }
}

TEST(AboutBoxChild, SizeAndBanner) {
    if (!is_child_test()) GTEST_SKIP() << "runs as the child of AboutBox.SizeAndBannerAt96AndAt144DotsPerInch";
    const int dpi = static_cast<int>(QGuiApplication::primaryScreen()->logicalDotsPerInchY());
    ASSERT_TRUE(dpi == 96 || dpi == 144) << dpi;
    const QSize expected = dpi == 96 ? QSize(325, 350) : QSize(487, 525);
    olvex::init_gui_resources();
    table_scope scope;
    ASSERT_EQ(load_shipped_languages(), L"");
    AboutDialog box(nullptr);
    box.show();
    EXPECT_EQ(box.size(), expected);
    EXPECT_EQ(box.minimumSize(), expected);
    EXPECT_EQ(box.maximumSize(), expected);
    const QLabel* header = box.findChild<QLabel*>("upper_lab");
    const QLabel* body = box.findChild<QLabel*>("lower_lab");
    ASSERT_TRUE(header && body);
    EXPECT_EQ(box.image_geometry(), QRect(0, 0, expected.width(), header->geometry().bottom() + 1));
    EXPECT_LT(header->geometry().bottom(), body->geometry().top());
}

TEST(AboutBox, CentredOnItsWindowAndWithoutOneWhereItWasPut) {
    std::unique_ptr<QWidget> alone(olvex::create_first_window(olvex::first_window_kind::about));
    ASSERT_TRUE(qobject_cast<AboutDialog*>(alone.get()));
    alone->move(123, 45);
    alone->show();
    EXPECT_EQ(alone->pos(), QPoint(123, 45));

    QWidget window;
    window.setGeometry(100, 100, 800, 600);
    window.show();
    AboutDialog box(&window);
    box.show();
    EXPECT_EQ(box.geometry().center(), window.geometry().center());
}

}  // namespace
