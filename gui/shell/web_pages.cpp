#include "gui/shell/web_pages.h"

#include "gui/shell/qt_text.h"
#include "vandel/folders.h"

#include <QDesktopServices>
#include <QDir>

namespace olvex {

namespace {

struct page_row {
    web_page page;
    const char* file;
    const char* anchor;
};

// The one table of pages. The updates page carries the version it belongs to.
constexpr page_row pages[] = {
    {web_page::home, "index.html", ""},
    {web_page::user_guide, "user_guide/index.html", ""},
    {web_page::page_file_help, "user_guide/index.html", "clear_pagefile"},
    {web_page::configuration, "user_guide/configuration.html", ""},
    {web_page::create_language, "user_guide/create_language.html", ""},
    {web_page::language_packs, "language_packs.html", ""},
    {web_page::updates, "updates/olvex-5.2.0.html", ""},
    {web_page::community, "community.html", ""},
    {web_page::news, "news.html", ""},
    {web_page::product, "product.html", ""},
};

const page_row& row_of(web_page page) {
    for (const page_row& row : pages)
        if (row.page == page) return row;
    return pages[0];
}

}  // namespace

QString web_site_name() { return QStringLiteral("Oblivar Help"); }

QString help_folder() {
    std::wstring program;
    vandel::known_folder(vandel::folder_program, program);
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(to_qstring(program)) + QStringLiteral("/../zy-help"));
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString web_page_file(web_page page) { return QString::fromLatin1(row_of(page).file); }

QUrl web_page_url(web_page page, const QString& folder) {
    QString base = QDir::fromNativeSeparators(folder);
    if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
    QUrl url = QUrl::fromLocalFile(base + web_page_file(page));
    const QString anchor = QString::fromLatin1(row_of(page).anchor);
    if (!anchor.isEmpty()) url.setFragment(anchor);
    return url;
}

QUrl web_page_url(web_page page) { return web_page_url(page, help_folder()); }

bool open_web_page(web_page page) { return QDesktopServices::openUrl(web_page_url(page)); }

}  // namespace olvex
