#include "gui/shell/web_pages.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

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

}  // namespace
