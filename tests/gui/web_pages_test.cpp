#include "gui/shell/first_window.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/web_pages.h"
#include "services/interlang.h"
#include "tests/gui/gui_test.h"
#include "tests/support/sandbox.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>

#include <memory>

#include <gtest/gtest.h>

namespace {

using olvex::web_page;

const web_page all_pages[] = {web_page::home,          web_page::user_guide,     web_page::page_file_help,
                              web_page::configuration, web_page::create_language, web_page::language_packs,
                              web_page::updates,       web_page::community,      web_page::news,
                              web_page::product};

QString read_text(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Every page is a local file the program ships, and its anchor is in it.
TEST(WebPages, EveryPageIsAShippedLocalFile) {
    const QString folder = olvex::help_folder();
    EXPECT_TRUE(folder.endsWith(QStringLiteral("/zy-help/"))) << folder.toStdString();
    for (web_page page : all_pages) {
        const QUrl url = olvex::web_page_url(page);
        ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
        EXPECT_TRUE(url.host().isEmpty());
        EXPECT_EQ(url.toLocalFile(), folder + olvex::web_page_file(page));
        const QString text = read_text(url.toLocalFile());
        EXPECT_FALSE(text.isEmpty()) << url.toLocalFile().toStdString();
        if (url.hasFragment()) {
            EXPECT_TRUE(text.contains(QStringLiteral("id=\"") + url.fragment() + QLatin1Char('"')))
                << url.toString().toStdString();
        }
    }
    EXPECT_EQ(olvex::web_page_url(web_page::page_file_help).fragment(), QStringLiteral("clear_pagefile"));
    EXPECT_EQ(olvex::web_page_file(web_page::updates), QStringLiteral("updates/olvex-5.2.0.html"));
    EXPECT_EQ(olvex::web_page_file(web_page::configuration), QStringLiteral("user_guide/configuration.html"));
}

TEST(WebPages, AddressesOfAnyFolder) {
    EXPECT_EQ(olvex::web_page_url(web_page::user_guide, QStringLiteral("/opt/ob livar/zy-help")),
              QUrl(QStringLiteral("file:///opt/ob%20livar/zy-help/user_guide/index.html")));
    EXPECT_EQ(olvex::web_page_url(web_page::home, QStringLiteral("C:/Program Files/Oblivar/zy-help/")).toString(),
              QStringLiteral("file:///C:/Program Files/Oblivar/zy-help/index.html"));
}

// The help pages link only to each other: nothing leads off the machine, and every link lands.
TEST(WebPages, HelpPagesLinkOnlyToEachOther) {
    const QString folder = olvex::help_folder();
    int pages = 0;
    QDirIterator it(folder, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    while (it.hasNext()) {
        const QString path = it.next();
        ++pages;
        const QString text = read_text(path);
        EXPECT_FALSE(text.contains(QStringLiteral("://"))) << path.toStdString();
        for (auto m = link.globalMatch(text); m.hasNext();) {
            const QString target = m.next().captured(1).section(QLatin1Char('#'), 0, 0);
            EXPECT_TRUE(QFile::exists(QFileInfo(path).dir().filePath(target)))
                << path.toStdString() << " -> " << target.toStdString();
        }
    }
    EXPECT_GE(pages, 9);
}

// A desktop without a browser or opener: whatever page the user asks for, a message box says
// which file it is, so that they can open it themselves; a missing page is named as missing.
class PageOpening : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(oblivar::test::load_shipped_languages(), L""); }
    void TearDown() override { olvex::set_url_opener(previous_); }

    // Installs an opener that records what it is handed and succeeds as told.
    void desktop(bool opens) {
        previous_ = olvex::set_url_opener([this, opens](const QUrl& url) {
            handed.append(url);
            return opens;
        });
    }
    static QString file_of(web_page page) { return QDir::toNativeSeparators(olvex::web_page_url(page).toLocalFile()); }
    // What the box says, as the user reads it (line breaks as blanks).
    static QString read(const QString& rich) {
        QTextDocument doc;
        doc.setHtml(rich);
        return doc.toPlainText().simplified();
    }

    QList<QUrl> handed;
    oblivar::test::table_scope scope_;

private:
    olvex::url_opener previous_;
};

TEST_F(PageOpening, WhatCantBeOpenedIsNamedForTheUser) {
    desktop(false);
    oblivar::test::message_box_answer told;
    told.arm();
    EXPECT_FALSE(olvex::open_web_page(web_page::user_guide));
    ASSERT_EQ(told.seen, 1);
    EXPECT_EQ(told.caption, QStringLiteral("Oblivar"));
    EXPECT_EQ(read(told.text),
              olvex::to_qstring(olvex::tr_arg(L"HELP_OPEN_FAILED_MSG", olvex::from_qstring(file_of(web_page::user_guide))))
                  .simplified());
    EXPECT_EQ(handed, QList<QUrl>{olvex::web_page_url(web_page::user_guide)});

    // A page that is not there is not handed on: the box says it is missing.
    oblivar::test::sandbox sb;
    const QUrl gone = QUrl::fromLocalFile(olvex::to_qstring(sb.path(L"gone.html")));
    oblivar::test::message_box_answer missing;
    missing.arm();
    EXPECT_FALSE(olvex::open_local_address(gone, nullptr));
    ASSERT_EQ(missing.seen, 1);
    EXPECT_EQ(read(missing.text),
              olvex::to_qstring(olvex::tr_arg(L"HELP_MISSING_MSG", sb.path(L"gone.html"))).simplified());
    EXPECT_EQ(handed.size(), 1);
}

TEST_F(PageOpening, APageTheDesktopTookNeedsNoWord) {
    desktop(true);
    oblivar::test::message_box_answer told;
    told.arm();
    EXPECT_TRUE(olvex::open_web_page(web_page::configuration));
    QCoreApplication::processEvents();
    EXPECT_EQ(told.seen, 0);
    EXPECT_EQ(handed, QList<QUrl>{olvex::web_page_url(web_page::configuration)});
}

// Every way in: the main window's Help menu, and any local address handed to the desktop (links
// in texts open that way) once start-up routed them.
TEST_F(PageOpening, HelpMenuAndLinksInTextsTellTheUserToo) {
    desktop(false);
    std::unique_ptr<QWidget> window(olvex::create_first_window(olvex::first_window_kind::main));
    ASSERT_TRUE(window);
    oblivar::test::message_box_answer help;
    help.arm();
    window->findChild<QAction*>(QStringLiteral("help_action"))->trigger();
    ASSERT_EQ(help.seen, 1);
    EXPECT_TRUE(read(help.text).contains(file_of(web_page::user_guide))) << help.text.toStdString();

    QObject owner;
    olvex::route_local_addresses(&owner);
    oblivar::test::message_box_answer text_link;
    text_link.arm();
    // What a label that opens its links does with one.
    EXPECT_TRUE(QDesktopServices::openUrl(olvex::web_page_url(web_page::news)));
    ASSERT_EQ(text_link.seen, 1);
    EXPECT_TRUE(read(text_link.text).contains(file_of(web_page::news))) << text_link.text.toStdString();
    EXPECT_EQ(handed.size(), 2);
}

}  // namespace
